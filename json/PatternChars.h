#pragma once
// Internal to the engine: the characters the white-space patterns of TextPatterns.h
// look at, for the files that implement them (trimming, the compacting walk and its
// quick check).
#include <cstddef>
#include <string_view>

namespace tess::patterns {

using u8 = unsigned char;

inline u8 at(std::string_view t, std::size_t i)
{
    return static_cast<u8>(t[i]);
}

inline bool isAsciiWs(u8 c)
{
    // '\t' '\n' '\v' '\f' '\r' are 0x09-0x0D.
    return c == ' ' || static_cast<u8>(c - 0x09) <= 0x04;
}

inline bool isIdeographicSpace(std::string_view t, std::size_t i)
{
    return i + 1 < t.size() && at(t, i) == 0xA1 && at(t, i + 1) == 0xA1;
}

inline bool isNewline(u8 c)
{
    return c == '\n' || c == '\r';
}

// Length of the white-space character at i (0 when it is none).
inline std::size_t wsLen(std::string_view t, std::size_t i)
{
    const u8 c = at(t, i);
    if (c < 0x80)
        return isAsciiWs(c) ? 1 : 0;
    return isIdeographicSpace(t, i) ? 2 : 0;
}

// Blank: space, tab or ideographic space (the line-edge set).
inline std::size_t blankLen(std::string_view t, std::size_t i)
{
    const u8 c = at(t, i);
    if (c == ' ' || c == '\t')
        return 1;
    return isIdeographicSpace(t, i) ? 2 : 0;
}

// Blank or double quote (the key-edge set).
inline std::size_t keyEdgeLen(std::string_view t, std::size_t i)
{
    return at(t, i) == '"' ? 1 : blankLen(t, i);
}

template <typename F>
inline std::size_t runEnd(std::string_view t, std::size_t i, F len)
{
    while (i < t.size()) {
        const std::size_t l = len(t, i);
        if (l == 0)
            break;
        i += l;
    }
    return i;
}

inline bool lineStart(std::string_view t, std::size_t i)
{
    return i == 0 || isNewline(at(t, i - 1));
}

inline bool lineEnd(std::string_view t, std::size_t i)
{
    return i >= t.size() || isNewline(at(t, i));
}


inline bool isOpener(u8 c)
{
    return c == '[' || c == '{' || c == '"';
}

inline bool isCloser(u8 c)
{
    return c == ']' || c == '}' || c == '"';
}

// Bytes the exact compactness step has to look at: white space, closers, lead bytes.
struct CompactClassTable {
    bool v[256];
    constexpr CompactClassTable() : v()
    {
        for (unsigned c : {' ', '\t', '\n', '\v', '\f', '\r', ']', '}', '"'})
            v[c] = true;
        for (unsigned c = 0x80; c < 256; ++c)
            v[c] = true;
    }
};

inline constexpr CompactClassTable kCompactClass;

struct OpenerTable {
    bool v[256];
    constexpr OpenerTable() : v()
    {
        for (unsigned c : {'[', '{', '"'})
            v[c] = true;
    }
};

inline constexpr OpenerTable kOpenerByte;

// Space, tab and the first byte of an ideographic space: the blanks that trimming cuts
// and that make a line break next to them a trimming hazard.
struct BlankTable {
    bool v[256];
    constexpr BlankTable() : v()
    {
        for (unsigned c : {unsigned(' '), unsigned('\t'), 0xA1u})
            v[c] = true;
    }
};

inline constexpr BlankTable kBlankByte;

inline bool isBlankByte(u8 c)
{
    return kBlankByte.v[c];
}

} // namespace tess::patterns
