#include "platform/GbkText.h"

#include <cstdint>
#include <cstring>

namespace tess::gbk {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// True when some byte of w is zero.
inline bool hasZeroByte(std::uint64_t w)
{
    return ((w - kOnes) & ~w & kHighBits) != 0;
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
    const char* data = text.data();
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    const std::uint64_t firstEverywhere = kOnes * first;
    std::size_t i = from;
    const std::size_t last = n - m;
    while (i <= last) {
        // Unit boundaries are only known by walking from the start, but eight ASCII
        // bytes none of which is the needle's first byte can be passed in one step.
        while (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, data + i, 8);
            if ((w & kHighBits) || hasZeroByte(w ^ firstEverywhere))
                break;
            i += 8;
        }
        if (i > last)
            break;
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == first && std::memcmp(data + i, needle.data(), m) == 0)
            return i;
        i += (c >= 0x80) ? 2 : 1;
    }
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
