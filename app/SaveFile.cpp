#include "app/SaveFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {
namespace {

constexpr int kMaxLinkHops = 40;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path of the file that `path` finally names, following symbolic links; the last
// path itself when nothing exists there yet. Empty on a loop or an unreadable link.
std::string resolveLinks(std::string path)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? path : std::string();
        if (!S_ISLNK(st.st_mode))
            return path;
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) == target.size())
            return {};
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : folderOf(path) + target;
    }
    return {};
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool mayReplace(const std::string& target, const struct stat& st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

} // namespace

SaveOutcome saveFileAtomically(const std::string& path, std::string_view bytes)
{
    return saveFileAtomically(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

SaveOutcome saveFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                               int* error)
{
    int failure = 0;
    // The errno of the first failure, before cleaning up can change it.
    auto fail = [&failure](int e = errno) {
        if (failure == 0)
            failure = e != 0 ? e : EIO;
        return SaveOutcome::Failed;
    };
    auto result = [&](SaveOutcome outcome) {
        if (error)
            *error = outcome == SaveOutcome::Failed ? failure : 0;
        return outcome;
    };
    const std::string target = resolveLinks(path);
    if (target.empty())
        return result(fail(ELOOP));
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A folder or a pipe in the file's place is never replaced, and the text is not
    // written: a failure, so that it goes elsewhere.
    if (exists && !S_ISREG(old.st_mode))
        return result(fail(S_ISDIR(old.st_mode) ? EISDIR : EEXIST));
    if (exists && !mayReplace(target, old))
        return result(SaveOutcome::Skipped);

    const std::string folder = folderOf(target);
    const std::string temp = folder + "." + target.substr(folder.size()) + ".saving";
    ::unlink(temp.c_str()); // left by an interrupted save
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return result(fail());
    SaveOutcome outcome = SaveOutcome::Written;
    const ByteSink sink = [fd](std::string_view run) { return writeAll(fd, run); };
    if (!produce(sink) || ::fsync(fd) != 0)
        outcome = fail();
    if (outcome == SaveOutcome::Written && exists) {
        struct stat mine {};
        if (::fstat(fd, &mine) != 0)
            outcome = fail();
        else if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
            outcome = SaveOutcome::Skipped; // the file would change hands
        else if (::fchmod(fd, old.st_mode & 07777) != 0)
            outcome = fail();
    }
    if (::close(fd) != 0 && outcome == SaveOutcome::Written)
        outcome = fail();
    if (outcome == SaveOutcome::Written && std::rename(temp.c_str(), target.c_str()) != 0)
        outcome = fail();
    if (outcome != SaveOutcome::Written)
        ::unlink(temp.c_str());
    return result(outcome);
}

} // namespace tess
