#include "json/TextSpace.h"

namespace tess {

void TextSpace::add(const char* data, std::size_t size)
{
    if (size == 0)
        return;
    const auto it = m_ranges.find(data);
    if (it != m_ranges.end() && it->second.end == data + size)
        return;
    const uint64_t pages = (uint64_t(size) + kPageMask) >> kPageBits;
    Range r{data + size, kNoBase};
    if (m_next + (pages << kPageBits) <= kSpace) {
        r.base = static_cast<uint32_t>(m_next);
        for (uint64_t k = 0; k < pages; ++k)
            m_pages.push_back(data + (k << kPageBits));
        m_next += pages << kPageBits;
    }
    m_ranges[data] = r;
}

uint32_t TextSpace::refOfSlow(std::string_view text)
{
    const char* p = text.data();
    auto it = m_ranges.upper_bound(p);
    if (it != m_ranges.begin()) {
        --it;
        const Range& r = it->second;
        if (p + text.size() <= r.end && r.base != kNoBase) {
            m_recent[m_recentNext] = Hit{it->first, r.end, r.base};
            m_recentNext = (m_recentNext + 1) % 4;
            return r.base + static_cast<uint32_t>(p - it->first);
        }
    }
    // Not in the space (an unregistered view, or a buffer that did not fit).
    if (m_far.size() >= kFar)
        return 0; // unreachable in practice: two billion texts
    m_far.push_back(p);
    return kFar | static_cast<uint32_t>(m_far.size() - 1);
}

void TextSpace::clear()
{
    m_ranges.clear();
    m_pages.clear();
    m_pages.shrink_to_fit();
    m_far.clear();
    m_far.shrink_to_fit();
    m_next = 0;
    for (Hit& h : m_recent)
        h = Hit{};
    m_recentNext = 0;
}

} // namespace tess
