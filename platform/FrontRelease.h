#pragma once
// Gives the front of a large buffer back to the system while a reader moves on through it
// and never looks back: the pages before the reader are dropped. They read as zeros
// afterwards; under the address sanitizer any read of them is reported instead.
#include <cstddef>
#include <cstdint>

namespace tess {

class FrontRelease {
public:
    FrontRelease() = default;
    FrontRelease(const void* data, std::size_t size) { reset(data, size); }
    void reset(const void* data, std::size_t size);

    // The bytes before offset are never read again. Whole runs of the granule go
    // (aligned in memory), so that huge pages go back whole, without being split into
    // small ones first; the buffer's end after its last whole run goes page by page.
    void releaseBefore(std::size_t offset);

    // How finely buffers are given back: runs of 2 MiB (a huge page) normally. Tests set
    // it to 8 bytes (the sanitizer's granule), so that any read behind a reader is caught
    // at once; below a page, the bytes are cleared rather than unmapped.
    static void setGranule(std::size_t bytes);
    static std::size_t granule();

private:
    uintptr_t m_begin = 0;
    uintptr_t m_end = 0;
    uintptr_t m_released = 0; // bytes in [first releasable, m_released) are gone
};

} // namespace tess
