#include "platform/Prefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace tess {
namespace {

constexpr std::size_t kWorthAThread = std::size_t(1) << 20;

} // namespace

void BackgroundPrefault::start(void* data, std::size_t size)
{
    wait();
    if (!data || size < kWorthAThread || std::thread::hardware_concurrency() < 2)
        return;
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    // Whole pages inside the buffer only: the neighbours' pages are none of our business.
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
    if (end <= begin)
        return;
    m_thread = std::thread([begin, end] {
        // Failure (an old kernel, memory already gone) only means the pages come in later.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    });
}

void BackgroundPrefault::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace tess
