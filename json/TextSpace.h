#pragma once
// 32-bit references to texts held in registered buffers, so that a node record can name
// its texts in 4 bytes instead of a pointer. Every registered buffer gets a range of the
// reference space starting on a page boundary; a page table turns a reference back into
// an address. When the space runs out, texts are kept in a side table instead ("far"
// references), so nothing ever fails, it only costs more memory.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace tess {

class TextSpace {
public:
    static constexpr uint32_t kFar = 0x80000000u;

    // Makes the bytes [data, data + size) addressable. The caller keeps them alive and
    // unmoved until clear(). Registering a buffer again (same start) changes nothing.
    void add(const char* data, std::size_t size);
    // The reference of a view into a registered buffer, or of any other view (then kept
    // as a far reference). An empty view gets 0.
    uint32_t refOf(std::string_view text)
    {
        if (text.empty())
            return 0;
        for (const Hit& h : m_recent)
            if (text.data() >= h.begin && text.data() + text.size() <= h.end)
                return h.base + static_cast<uint32_t>(text.data() - h.begin);
        return refOfSlow(text);
    }
    const char* resolve(uint32_t ref) const
    {
        if (ref & kFar)
            return m_far[ref & ~kFar];
        return m_pages[ref >> kPageBits] + (ref & kPageMask);
    }
    std::string_view view(uint32_t ref, uint32_t len) const
    {
        return len == 0 ? std::string_view{} : std::string_view(resolve(ref), len);
    }
    void clear();

    // For tests: how much of the reference space is in use.
    uint64_t usedSpace() const { return m_next; }
    std::size_t farCount() const { return m_far.size(); }

private:
    static constexpr unsigned kPageBits = 10;
    static constexpr uint32_t kPageMask = (1u << kPageBits) - 1;
    static constexpr uint64_t kSpace = kFar; // references below the far bit
    static constexpr uint32_t kNoBase = UINT32_MAX;

    struct Range {
        const char* end;
        uint32_t base; // kNoBase when the buffer did not fit into the space
    };
    struct Hit {
        const char* begin = nullptr;
        const char* end = nullptr;
        uint32_t base = 0;
    };
    uint32_t refOfSlow(std::string_view text);

    std::map<const char*, Range> m_ranges; // by start address
    std::vector<const char*> m_pages;
    std::vector<const char*> m_far;
    uint64_t m_next = 0;
    Hit m_recent[4];
    int m_recentNext = 0;
};

} // namespace tess
