#include "platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tess {
namespace {

constexpr std::size_t kMostErr = std::size_t(64) << 10;

struct Fd {
    int fd = -1;
    ~Fd() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// Reads what is there; false at its end (or an error).
bool drain(int fd, std::string& into, std::size_t most, bool& cut)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            const std::size_t room = most > into.size() ? most - into.size() : 0;
            into.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(n)));
            if (static_cast<std::size_t>(n) > room)
                cut = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

} // namespace

ChildRun runChild(const std::vector<std::string>& argv, std::string_view input, std::size_t mostOut,
                  const std::function<bool()>& stop)
{
    ChildRun run;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        run.error = std::strerror(errno);
        return run;
    }
    Fd inRead{in[0]}, inWrite{in[1]};
    if (pipe2(out, O_CLOEXEC) != 0) {
        run.error = std::strerror(errno);
        return run;
    }
    Fd outRead{out[0]}, outWrite{out[1]};
    if (pipe2(err, O_CLOEXEC) != 0) {
        run.error = std::strerror(errno);
        return run;
    }
    Fd errRead{err[0]}, errWrite{err[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.fd, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.fd, 2);
    // The child starts with default signal actions and none blocked, whatever this thread has.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        run.error = std::strerror(spawned);
        return run;
    }
    inRead.close();
    outWrite.close();
    errWrite.close();
    for (int fd : {inWrite.fd, outRead.fd, errRead.fd})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    // A child that ends before reading all its input must not end us by SIGPIPE: this
    // thread blocks the signal while writing and takes back one that came.
    sigset_t pipeSet, previous;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);

    std::size_t written = 0;
    if (input.empty())
        inWrite.close();
    bool killed = false;
    bool errCut = false;
    while (outRead.fd >= 0 || errRead.fd >= 0) {
        if (stop && stop()) {
            killed = true;
            break;
        }
        pollfd fds[3];
        int count = 0;
        if (inWrite.fd >= 0)
            fds[count++] = {inWrite.fd, POLLOUT, 0};
        if (outRead.fd >= 0)
            fds[count++] = {outRead.fd, POLLIN, 0};
        if (errRead.fd >= 0)
            fds[count++] = {errRead.fd, POLLIN, 0};
        if (poll(fds, static_cast<nfds_t>(count), 50) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == inWrite.fd) {
                const ssize_t n = ::write(inWrite.fd, input.data() + written, std::min<std::size_t>(input.size() - written, 1 << 20));
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                    inWrite.close();
            } else if (fds[i].fd == outRead.fd) {
                if (!drain(outRead.fd, run.out, mostOut, run.outCut))
                    outRead.close();
            } else if (!drain(errRead.fd, run.err, kMostErr, errCut)) {
                errRead.close();
            }
        }
        if (run.outCut) {
            killed = true;
            break;
        }
    }
    inWrite.close();
    if (killed)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const timespec zero{0, 0};
    while (sigtimedwait(&pipeSet, nullptr, &zero) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    if (killed) {
        run.outcome = ChildRun::Outcome::Stopped;
    } else if (WIFEXITED(status)) {
        run.outcome = ChildRun::Outcome::Exited;
        run.status = WEXITSTATUS(status);
    } else {
        run.outcome = ChildRun::Outcome::Signalled;
        run.status = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
    return run;
}

} // namespace tess
