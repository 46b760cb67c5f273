#include "platform/FrontRelease.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TESS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESS_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(TESS_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
#define TESS_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#else
#define TESS_POISON(p, n) ((void)(p), (void)(n))
#endif

namespace tess {
namespace {

std::atomic<std::size_t> g_granule{std::size_t(2) << 20};

uintptr_t alignDown(uintptr_t v, uintptr_t a)
{
    return v / a * a;
}

} // namespace

void FrontRelease::setGranule(std::size_t bytes)
{
    g_granule.store(bytes < 8 ? 8 : bytes, std::memory_order_relaxed);
}

std::size_t FrontRelease::granule()
{
    return g_granule.load(std::memory_order_relaxed);
}

void FrontRelease::reset(const void* data, std::size_t size)
{
    m_begin = reinterpret_cast<uintptr_t>(data);
    m_end = m_begin + size;
    // Never the first page: an allocator may keep its notes just before the buffer.
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::size_t g = granule();
    m_released = g < page ? (m_begin + 7) / 8 * 8 : (m_begin + page - 1) / page * page;
}

void FrontRelease::releaseBefore(std::size_t offset)
{
    if (m_begin == 0 || offset == 0)
        return;
    const uintptr_t reader = offset >= m_end - m_begin ? m_end : m_begin + offset;
    const uintptr_t g = granule();
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t to = alignDown(reader, g);
    // Past the buffer's last whole run the pages are small ones (a huge page needs the
    // whole run mapped): they go page by page, so that nothing is left at the end.
    if (g >= page && reader > alignDown(m_end, g))
        to = std::max(to, alignDown(reader, page));
    if (to <= m_released)
        return;
    auto* from = reinterpret_cast<char*>(m_released);
    const std::size_t bytes = to - m_released;
    if (g >= page)
        madvise(from, bytes, MADV_DONTNEED); // failure only means the memory stays
    else
        std::memset(from, 0, bytes);
    TESS_POISON(from, bytes);
    m_released = to;
}

} // namespace tess
