#include "json/big/ScalarCheck.h"

#include <cstring>

namespace tess::big {
namespace {

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

} // namespace

uint64_t scalarEnd(std::string_view bytes, uint64_t at, uint64_t& bad)
{
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
        if (i < n && p[i] == '.') {
            ++i;
            if (i >= n || !isDigit(p[i])) {
                bad = i;
                return 0;
            }
            while (i < n && isDigit(p[i]))
                ++i;
        }
        if (i < n && (p[i] | 0x20) == 'e') {
            ++i;
            if (i < n && (p[i] == '+' || p[i] == '-'))
                ++i;
            if (i >= n || !isDigit(p[i])) {
                bad = i;
                return 0;
            }
            while (i < n && isDigit(p[i]))
                ++i;
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

uint64_t checkUtf8(std::string_view bytes, uint64_t from, uint64_t to, uint64_t& bad)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t n = bytes.size();
    uint64_t i = from;
    while (i < to) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        uint64_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            bad = i;
            return i + 1;
        }
        if (i + len > n) {
            bad = i;
            return n;
        }
        for (uint64_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                bad = i;
                return i + 1;
            }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            bad = i;
            return i + 1;
        }
        i += len;
    }
    return i;
}

} // namespace tess::big
