#pragma once
// Byte-string search and replacement over GBK/GB18030 text: a byte >= 0x80 is
// taken together with the byte after it, so a match never starts on the trail
// byte of a two-byte unit.
#include <cstddef>
#include <string>
#include <string_view>

namespace tess::gbk {

// 0-based offset of the first occurrence of needle in text at or after from,
// scanning in two-byte units; std::string_view::npos when there is none.
// An empty needle matches at from (when from <= text.size()).
std::size_t find(std::string_view text, std::string_view needle, std::size_t from = 0);

// Replaces every occurrence of needle (left to right, no overlap, unit-wise).
std::string replaceAll(std::string_view text, std::string_view needle, std::string_view replacement);

// The length of the longest prefix of at most limit bytes that does not end inside
// a two-byte unit.
std::size_t prefixLength(std::string_view text, std::size_t limit);

// Whether the byte at pos starts a unit of a walk over the text from its start. A byte
// right after one below 0x80 always starts a unit, so within a run of bytes >= 0x80 units
// start at even distances from its first byte: pos starts one when an even number of
// such bytes stands right before it. The look back stops at the first byte below 0x80.
inline bool startsUnit(std::string_view text, std::size_t pos)
{
    std::size_t high = pos;
    while (high > 0 && static_cast<unsigned char>(text[high - 1]) >= 0x80)
        --high;
    return (pos - high) % 2 == 0;
}

// True when the text contains needle (unit-wise).
inline bool contains(std::string_view text, std::string_view needle)
{
    return find(text, needle) != std::string_view::npos;
}

} // namespace tess::gbk
