#include "platform/GbkText.h"

#include <cstring>

namespace tess::gbk {

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
    std::size_t i = from;
    const std::size_t last = n - m;
    while (i <= last) {
        // Fast path: jump over runs of ASCII bytes with memchr when the first
        // needle byte is ASCII; a lead byte found on the way resets alignment.
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

} // namespace tess::gbk
