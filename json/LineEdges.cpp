#include "json/LineEdges.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace tess {
namespace {

inline bool isSpaceOrTab(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

bool trimLineEdgesOutsideStrings(std::string& text)
{
    char* d = text.data();
    const std::size_t n = text.size();
    // Compact text has no line break at all, which one byte search settles.
    if (n == 0 || std::memchr(d, '\n', n) == nullptr)
        return false;
    std::size_t read = 0;  // bytes before this are handled
    std::size_t write = 0; // and the kept ones of them end here
    unsigned inside = 0;   // the parity of the quotes before the current block
    bool changed = false;
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i feed = _mm_set1_epi8('\n');
    for (std::size_t pos = 0; pos < n; pos += 16) {
        __m128i v;
        if (pos + 16 <= n) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + pos));
        } else {
            char tail[16] = {};
            std::memcpy(tail, d + pos, n - pos);
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
        }
        const unsigned quotes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, quote)));
        unsigned feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, feed)));
        for (; feeds; feeds &= feeds - 1) {
            const int k = std::countr_zero(feeds);
            // Only the parity of the quotes before the feed counts (a parity is made without
            // a population count instruction, which the baseline x86-64 does not have).
            if ((inside ^ static_cast<unsigned>(__builtin_parity(quotes & ((1u << k) - 1)))) & 1)
                continue;
            const std::size_t lf = pos + static_cast<std::size_t>(k);
            const std::size_t breakStart = lf > read && d[lf - 1] == '\r' ? lf - 1 : lf;
            std::size_t keepEnd = breakStart;
            while (keepEnd > read && isSpaceOrTab(d[keepEnd - 1]))
                --keepEnd;
            std::size_t next = lf + 1;
            while (next < n && isSpaceOrTab(d[next]))
                ++next;
            if (keepEnd == breakStart && next == lf + 1)
                continue;
            // Keep [read, keepEnd) and the line break; drop the blanks around it.
            if (write != read)
                std::memmove(d + write, d + read, keepEnd - read);
            write += keepEnd - read;
            std::memmove(d + write, d + breakStart, lf + 1 - breakStart);
            write += lf + 1 - breakStart;
            read = next;
            changed = true;
        }
        inside ^= static_cast<unsigned>(__builtin_parity(quotes));
    }
    if (!changed)
        return false;
    if (write != read)
        std::memmove(d + write, d + read, n - read);
    text.resize(write + (n - read));
    return true;
}

} // namespace tess
