#include "platform/GbkText.h"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace tess::gbk {

namespace {

// Of 64 bytes, those that are the second byte of a unit, from the mask of bytes >= 0x80
// (each starts a unit of two with the byte after it, unless it is a second byte itself)
// and carry, 1 when the first byte is the second byte of a unit begun before it. As with
// backslash escapes: in a run of such bytes that starts a unit, every other byte is a
// second byte, and so is the byte after a run of odd length. carry is set for the next 64.
inline std::uint64_t secondBytes(std::uint64_t high, std::uint64_t& carry)
{
    constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;
    high &= ~carry;
    const std::uint64_t followsLead = high << 1 | carry;
    const std::uint64_t oddRunStarts = high & ~kEvenBits & ~followsLead;
    std::uint64_t runsFromEvenBits = 0;
    carry = __builtin_add_overflow(oddRunStarts, high, &runsFromEvenBits) ? 1 : 0;
    const std::uint64_t invert = runsFromEvenBits << 1;
    return (kEvenBits ^ invert) & followsLead;
}

// The mask of the 64 bytes at p that are c, and of those that are >= 0x80.
inline void blockMasks(const unsigned char* p, unsigned char c, std::uint64_t& equal, std::uint64_t& high)
{
    equal = 0;
    high = 0;
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(c));
    for (int lane = 0; lane < 4; ++lane) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
        equal |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted))))
                 << (16 * lane);
        high |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(v))) << (16 * lane);
    }
}

} // namespace

std::size_t find(std::string_view text, std::string_view needle, std::size_t from)
{
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n)
        return std::string_view::npos;
    if (m == 0)
        return from;
    if (m > n)
        return std::string_view::npos;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    const std::size_t last = n - m; // the last place a match can start
    // 64 bytes at a time: the places that hold the needle's first byte and start a unit
    // (unit starts follow from the bytes >= 0x80 alone, see secondBytes) are compared.
    std::uint64_t carry = 0;
    std::size_t base = from;
    for (; base + 64 <= n && base <= last; base += 64) {
        std::uint64_t equal = 0;
        std::uint64_t high = 0;
        blockMasks(data + base, first, equal, high);
        for (std::uint64_t starts = equal & ~secondBytes(high, carry); starts; starts &= starts - 1) {
            const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(starts));
            if (at > last)
                return std::string_view::npos;
            if (std::memcmp(data + at, needle.data(), m) == 0)
                return at;
        }
    }
    // The rest, fewer than 64 bytes (a short text: all of it), unit by unit.
    for (std::size_t i = base + carry; i <= last; i += data[i] >= 0x80 ? 2 : 1)
        if (data[i] == first && std::memcmp(data + i, needle.data(), m) == 0)
            return i;
    return std::string_view::npos;
}

std::string replaceAll(std::string_view text, std::string_view needle, std::string_view replacement)
{
    std::string out;
    if (needle.empty())
        return std::string(text);
    std::size_t pos = 0;
    std::size_t hit = find(text, needle, 0);
    if (hit == std::string_view::npos)
        return std::string(text);
    out.reserve(text.size());
    while (hit != std::string_view::npos) {
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + needle.size();
        hit = find(text, needle, pos);
    }
    out.append(text.substr(pos));
    return out;
}

std::size_t prefixLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t unit = static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
        if (i + unit > limit)
            break;
        i += unit;
    }
    return i;
}

} // namespace tess::gbk
