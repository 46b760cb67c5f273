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
inline uint64_t scalarEnd(std::string_view bytes, uint64_t at, uint64_t& bad) __attribute__((always_inline));

// Checks the UTF-8 characters starting in [from, to). Returns where the check ended (past
// the last character, possibly beyond `to`); bad is the offset of the first invalid
// sequence, or left as it was.
uint64_t checkUtf8(std::string_view bytes, uint64_t from, uint64_t to, uint64_t& bad);

namespace detail {

inline bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// A byte that may follow a value: blank, structure or a quote (which the grammar rejects).
inline bool endsValue(unsigned char c)
{
    switch (c) {
    case ' ': case '\t': case '\n': case '\r': case ',': case ':': case '[': case ']': case '{': case '}': case '"':
        return true;
    default:
        return false;
    }
}

} // namespace detail

inline uint64_t scalarEnd(std::string_view bytes, uint64_t at, uint64_t& bad)
{
    using detail::endsValue;
    using detail::isDigit;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t n = bytes.size();
    uint64_t i = at;
    auto literal = [&](const char* word, uint64_t len) -> uint64_t {
        for (uint64_t k = 0; k < len; ++k)
            if (i + k >= n || p[i + k] != static_cast<unsigned char>(word[k])) {
                bad = i + k;
                return 0;
            }
        i += len;
        return i;
    };
    uint64_t end = 0;
    switch (p[i]) {
    case 't': end = literal("true", 4); break;
    case 'f': end = literal("false", 5); break;
    case 'n': end = literal("null", 4); break;
    default: {
        if (p[i] == '-')
            ++i;
        if (i < n && p[i] == '0') {
            ++i;
        } else if (i < n && isDigit(p[i])) {
            while (i < n && isDigit(p[i]))
                ++i;
        } else {
            bad = i;
            return 0;
        }
        // One digit at least, then the rest; false (with bad set) when there is none.
        auto digits = [&] {
            if (i >= n || !isDigit(p[i])) {
                bad = i;
                return false;
            }
            while (i < n && isDigit(p[i]))
                ++i;
            return true;
        };
        if (i < n && p[i] == '.') {
            ++i;
            if (!digits())
                return 0;
        }
        if (i < n && (p[i] | 0x20) == 'e') {
            ++i;
            if (i < n && (p[i] == '+' || p[i] == '-'))
                ++i;
            if (!digits())
                return 0;
        }
        end = i;
    }
    }
    if (end == 0)
        return 0;
    if (end < n && !endsValue(p[end])) {
        bad = end;
        return 0;
    }
    return end;
}

} // namespace tess::big
