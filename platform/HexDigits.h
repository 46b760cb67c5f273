#pragma once
// Reading hexadecimal digits out of a text (escapes such as \uXXXX and &#xHH;).
#include <cstddef>
#include <string_view>

namespace tess::hex {

// The value of one hex digit, or -1.
inline int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The value of `digits` hex digits at text[pos] (at most 15 digits), or -1 when the text
// is shorter or one of them is no hex digit.
inline long valueAt(std::string_view text, std::size_t pos, std::size_t digits)
{
    if (pos > text.size() || digits > text.size() - pos)
        return -1;
    long v = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        const int h = digitValue(text[pos + k]);
        if (h < 0)
            return -1;
        v = v * 16 + h;
    }
    return v;
}

} // namespace tess::hex
