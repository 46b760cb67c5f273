#include "json/big/MappedFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::big {
namespace {

// The mappings the SIGBUS handler may mend; a free entry has begin == nullptr.
struct GuardedRange {
    std::atomic<const char*> begin{nullptr};
    std::atomic<const char*> end{nullptr};
    std::atomic<std::atomic<bool>*> cut{nullptr};
    std::atomic<int> fd{-1}; // the mapped file, asked for its size when a read fails
};
constexpr int kGuarded = 64;
GuardedRange g_ranges[kGuarded];
struct sigaction g_previous {};
uintptr_t g_pageSize = 4096; // read before the handler is installed

void onBusError(int sig, siginfo_t* info, void* context)
{
    const auto* at = static_cast<const char*>(info->si_addr);
    // Only a read past the end of a mapped file is mended: not a signal someone sent
    // (kill -BUS), nor a read error inside the file, which end the process as usual.
    for (GuardedRange& r : g_ranges) {
        if (info->si_code != BUS_ADRERR)
            break;
        const char* begin = r.begin.load(std::memory_order_acquire);
        if (begin == nullptr || at < begin || at >= r.end.load(std::memory_order_acquire))
            continue;
        struct stat st {};
        if (fstat(r.fd.load(), &st) != 0 || static_cast<uint64_t>(st.st_size) > static_cast<uint64_t>(at - begin))
            break;
        // Zero pages from the faulting page to the mapping's end: the read is retried and
        // finds zeros, and so does every later read past the cut.
        auto* from = reinterpret_cast<char*>(reinterpret_cast<uintptr_t>(at) & ~(g_pageSize - 1));
        const std::size_t length = static_cast<std::size_t>(r.end.load() - from);
        if (mmap(from, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            if (std::atomic<bool>* cut = r.cut.load())
                cut->store(true, std::memory_order_relaxed);
            return;
        }
        break;
    }
    // Not ours (or not mendable): the handler there before takes it, or the default one.
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) {
            g_previous.sa_sigaction(sig, info, context);
            return;
        }
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(sig);
        return;
    }
    signal(sig, SIG_DFL); // the faulting read runs again and ends the process as usual
}

bool guard(const char* begin, std::size_t size, std::atomic<bool>* cut, int fd)
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        g_pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previous);
    });
    static std::mutex claiming;
    std::lock_guard lock(claiming);
    for (GuardedRange& r : g_ranges) {
        if (r.begin.load() != nullptr)
            continue;
        r.cut.store(cut);
        r.fd.store(fd);
        r.end.store(begin + size);
        r.begin.store(begin, std::memory_order_release);
        return true;
    }
    return false;
}

void unguard(const char* begin)
{
    for (GuardedRange& r : g_ranges)
        if (r.begin.load() == begin)
            r.begin.store(nullptr, std::memory_order_release);
}

} // namespace

MappedFile::~MappedFile()
{
    release();
}

void MappedFile::release()
{
    if (m_mapped && m_size > 0) {
        unguard(m_data);
        munmap(const_cast<char*>(m_data), m_size);
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_cut.store(false);
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

bool MappedFile::open(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = openDescriptor(fd, error);
    ::close(fd);
    if (!ok)
        error = path + ": " + error;
    return ok;
}

bool MappedFile::openDescriptor(int fd, std::string& error)
{
    release();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (st.st_size == 0)
        return true;
    void* p = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
        error = std::string("cannot map: ") + std::strerror(errno);
        return false;
    }
    m_data = static_cast<const char*>(p);
    m_size = static_cast<std::size_t>(st.st_size);
    m_mapped = true;
    m_fd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0 || !guard(m_data, m_size, &m_cut, m_fd)) {
        // A read past a cut would end the process: no file is read unguarded.
        error = m_fd < 0 ? std::string("cannot keep the file open: ") + std::strerror(errno)
                         : "more than " + std::to_string(kGuarded) + " files are open at once";
        release();
        return false;
    }
    return true;
}

void MappedFile::borrow(std::string_view bytes)
{
    release();
    m_data = bytes.data();
    m_size = bytes.size();
}

void MappedFile::adviseSequential(bool sequential) const
{
    if (m_mapped && m_size > 0)
        madvise(const_cast<char*>(m_data), m_size, sequential ? MADV_SEQUENTIAL : MADV_RANDOM);
}

} // namespace tess::big
