#pragma once
// The checks of the index pass that look at single values: numbers and the three
// literals, and UTF-8.
#include <cstdint>
#include <string_view>

namespace tess::big {

inline bool isHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// The end of the number or literal starting at `at` (past its last byte), or 0 when it
// is not one; then bad is the offset of the first byte that does not fit.
uint64_t scalarEnd(std::string_view bytes, uint64_t at, uint64_t& bad);

// Checks the UTF-8 characters starting in [from, to). Returns where the check ended (past
// the last character, possibly beyond `to`); bad is the offset of the first invalid
// sequence, or left as it was.
uint64_t checkUtf8(std::string_view bytes, uint64_t from, uint64_t to, uint64_t& bad);

} // namespace tess::big
