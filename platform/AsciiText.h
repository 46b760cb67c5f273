#pragma once
// Small byte-level text helpers shared by the engine, the tree and the fetch code. They
// look at ASCII only; in GBK/GB18030 text a two-byte unit is never split or changed.
#include <cstddef>
#include <string>
#include <string_view>

namespace tess::ascii {

// JSON's blanks: space, tab, CR and LF.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text without leading and trailing JSON blanks.
constexpr std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One byte with an ASCII capital lowered; any other byte unchanged.
constexpr char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with the ASCII capitals of its single-byte units lowered. The second byte of a
// two-byte unit may look like a capital (0x41..0x5A) and is kept as it is.
inline std::string lowerUnits(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) >= 0x80) {
            ++i;
            continue;
        }
        out[i] = lower(out[i]);
    }
    return out;
}

} // namespace tess::ascii
