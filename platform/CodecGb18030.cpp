// GB18030 <-> UTF-8 and UTF-16 without iconv in the loop: ASCII goes 16 bytes at a time
// (SSE2), everything else through the tables of Gb18030Tables.h, which iconv filled. Bad
// input is replaced and counted exactly as the iconv loop of Codec.cpp did it: one
// replacement per bad byte (per bad unit for UTF-16), the conversion going on after it.
#include "platform/CodecGb18030.h"
#include "platform/Gb18030Tables.h"
#include "platform/OutputBuffer.h"
#include "platform/Utf8.h"

#include <cstdint>
#include <emmintrin.h>

namespace tess::codec {

namespace {

using gb18030::Mapping;

// Records a bad stretch of input starting at offset (in bytes).
void markBad(ConvertResult& r, std::size_t offset, std::size_t bytes)
{
    if (r.firstBad == std::string::npos)
        r.firstBad = offset;
    r.badBytes += bytes;
}

// Length of the well-formed UTF-8 character at p (lead byte >= 0x80) and its code point;
// 0 when the bytes there are not one (overlong, surrogate, above U+10FFFF, cut short).
inline std::size_t decodeUtf8(const unsigned char* p, std::size_t avail, char32_t& cp)
{
    const unsigned c = p[0];
    if (c >= 0xC2 && c <= 0xDF) {
        if (avail < 2 || (p[1] & 0xC0) != 0x80)
            return 0;
        cp = ((c & 0x1F) << 6) | (p[1] & 0x3F);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if (avail < 3)
            return 0;
        const unsigned b1 = p[1];
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned hi = c == 0xED ? 0x9F : 0xBF;
        if (b1 < lo || b1 > hi || (p[2] & 0xC0) != 0x80)
            return 0;
        cp = ((c & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (p[2] & 0x3F);
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (avail < 4)
            return 0;
        const unsigned b1 = p[1];
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
        if (b1 < lo || b1 > hi || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80)
            return 0;
        cp = ((c & 0x07) << 18) | ((b1 & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        return 4;
    }
    return 0;
}

// Number of bytes >= 0x80, 16 at a time: sizes the output before converting.
std::size_t countHighBytes(const unsigned char* p, std::size_t n)
{
    std::size_t count = 0;
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        count += static_cast<std::size_t>(
            __builtin_popcount(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)))));
    for (; i < n; ++i)
        count += p[i] >> 7;
    return count;
}

// Number of UTF-16 units >= 0x80.
std::size_t countNonAsciiUnits(const char16_t* p, std::size_t n)
{
    std::size_t count = 0;
    std::size_t i = 0;
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int asciiMask = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero));
        count += 8 - static_cast<std::size_t>(__builtin_popcount(asciiMask)) / 2;
    }
    for (; i < n; ++i)
        count += p[i] >= 0x80;
    return count;
}

// Copies ASCII bytes 16 at a time from p to out while a whole block remains; stops at the
// first byte >= 0x80 (p then points at it) or when fewer than 16 bytes are left.
template <class Out, class Room>
inline void copyAsciiBlocks(const unsigned char*& p, const unsigned char* end, Out& out, Room& needRoom)
{
    while (end - p >= 16) {
        needRoom(16);
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out.o), v);
        const int mask = _mm_movemask_epi8(v);
        if (mask != 0) {
            const int ascii = __builtin_ctz(static_cast<unsigned>(mask));
            p += ascii;
            out.o += ascii;
            return;
        }
        p += 16;
        out.o += 16;
    }
}

// Converts the bytes from p to end: ASCII 16 bytes at a time where it can, else one at
// a time; at any other byte other() writes what it stands for and moves p past it.
template <class Out, class Room, class Other>
inline void convertBytes(const unsigned char*& p, const unsigned char* end, Out& out, Room& needRoom, Other&& other)
{
    while (p < end) {
        copyAsciiBlocks(p, end, out, needRoom);
        // Characters one at a time until an ASCII byte with a full block after it.
        while (p < end) {
            needRoom(4);
            if (*p < 0x80) {
                *out.o++ = static_cast<char>(*p++);
                if (end - p >= 16)
                    break;
                continue;
            }
            other();
        }
    }
}

} // namespace

ConvertResult utf8ToGb18030(std::string_view utf8)
{
    return utf8ToGb18030Tables(utf8, false);
}

namespace {

// UTF-8 -> GB18030. With Strict, the conversion stops at the first byte that is not
// well-formed UTF-8 and says so (returns false); characters without a GB18030 form are
// replaced either way.
template <bool Strict>
bool utf8ToGb18030Into(std::string_view utf8, bool oneMarkPerCharacter, ConvertResult& r)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    const auto* p = begin;
    bool wellFormed = true;
    // Enough for ASCII and for the three-byte characters (two bytes in GB18030); what writes
    // more (two-byte UTF-8 to four bytes, at worst) grows the buffer once to its bound.
    OutputBuffer<std::string> out(r.text, utf8.size() + 32);
    auto needRoom = [&](std::size_t n) {
        if (out.room() < n)
            out.grow(2 * static_cast<std::size_t>(end - p) + 16);
    };
    const Mapping* m = nullptr;
    convertBytes(p, end, out, needRoom, [&] {
        char32_t cp = 0;
        std::size_t len = decodeUtf8(p, static_cast<std::size_t>(end - p), cp);
        if (len != 0) {
            if (!m)
                m = &gb18030::mapping();
            auto* o = reinterpret_cast<unsigned char*>(out.o);
            if (unsigned char* next = gb18030::putCodePoint(*m, cp, o)) {
                out.o = reinterpret_cast<char*>(next);
                p += len;
                return;
            }
            // No GB18030 form: one mark for the character, or the lead and the
            // continuation bytes after it each bad bytes of their own.
        } else if (Strict) {
            wellFormed = false;
            p = end;
            return;
        } else {
            len = 1;
        }
        markBad(r, static_cast<std::size_t>(p - begin), len);
        for (std::size_t i = oneMarkPerCharacter ? len - 1 : 0; i < len; ++i)
            *out.o++ = '?';
        p += len;
    });
    out.finish();
    return wellFormed;
}

} // namespace

ConvertResult utf8ToGb18030Tables(std::string_view utf8, bool oneMarkPerCharacter)
{
    ConvertResult r;
    utf8ToGb18030Into<false>(utf8, oneMarkPerCharacter, r);
    return r;
}

std::optional<ConvertResult> wellFormedUtf8ToGb18030(std::string_view utf8)
{
    ConvertResult r;
    if (!utf8ToGb18030Into<true>(utf8, false, r))
        return std::nullopt;
    return r;
}

namespace {

// Counts the UTF-8 bytes of the characters of bytes that start before stop; unless last,
// stops at a character that may continue after the end. Returns the bytes taken.
std::size_t countUtf8(std::string_view bytes, std::size_t stop, bool last, std::size_t& total)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < stop && i < n) {
        if (p[i] < 0x80) {
            ++total;
            ++i;
            continue;
        }
        const std::size_t avail = n - i;
        const bool lead = p[i] >= 0x81 && p[i] <= 0xFE;
        if (!last && lead && (avail < 2 || (avail < 4 && p[i + 1] >= 0x30 && p[i + 1] <= 0x39)))
            break;
        const gb18030::Decoded d = gb18030::decodeMultiByte(gb18030::mapping(), p + i, avail);
        total += d.codePoint < 0x800 ? 2 : d.codePoint < 0x10000 ? 3 : 4;
        i += d.length;
    }
    return i;
}

} // namespace

void Utf8Size::add(std::string_view piece)
{
    if (!m_carry.empty()) {
        // The cut character, completed from the piece's first bytes (a character has four
        // at most).
        const std::size_t kept = m_carry.size();
        m_carry.append(piece.substr(0, 3));
        const std::size_t used = countUtf8(m_carry, kept, false, m_total);
        if (used < kept) { // the piece was too short to complete it
            m_carry.erase(0, used);
            return;
        }
        piece.remove_prefix(used - kept);
        m_carry.clear();
    }
    const std::size_t used = countUtf8(piece, piece.size(), false, m_total);
    m_carry.assign(piece.substr(used));
}

std::size_t Utf8Size::finish()
{
    countUtf8(m_carry, m_carry.size(), true, m_total);
    m_carry.clear();
    return m_total;
}

ConvertResult gb18030ToUtf8(std::string_view gb)
{
    ConvertResult r;
    const auto* const begin = reinterpret_cast<const unsigned char*>(gb.data());
    const auto* const end = begin + gb.size();
    const auto* p = begin;
    // A two-byte character becomes at most three bytes, a four-byte one at most four; a
    // bad byte becomes three (U+FFFD), which grows the buffer once to its bound.
    OutputBuffer<std::string> out(r.text, gb.size() + countHighBytes(begin, gb.size()) / 2 + 32);
    auto needRoom = [&](std::size_t n) {
        if (out.room() < n)
            out.grow(3 * static_cast<std::size_t>(end - p) + 16);
    };
    const Mapping* m = nullptr;
    convertBytes(p, end, out, needRoom, [&] {
        if (!m)
            m = &gb18030::mapping();
        const gb18030::Decoded d = gb18030::decodeMultiByte(*m, p, static_cast<std::size_t>(end - p));
        if (!d.valid)
            markBad(r, static_cast<std::size_t>(p - begin), 1);
        out.o += encodeUtf8(d.codePoint, out.o);
        p += d.length;
    });
    out.finish();
    return r;
}

ConvertResult utf16ToGb18030(std::u16string_view utf16)
{
    ConvertResult r;
    const char16_t* const begin = utf16.data();
    const char16_t* const end = begin + utf16.size();
    const char16_t* p = begin;
    // One byte per ASCII unit, two per other unit; a character with a four-byte code from
    // one unit grows the buffer once to its bound.
    OutputBuffer<std::string> out(r.text, utf16.size() + countNonAsciiUnits(begin, utf16.size()) + 32);
    auto needRoom = [&](std::size_t n) {
        if (out.room() < n)
            out.grow(4 * static_cast<std::size_t>(end - p) + 16);
    };
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    const Mapping* m = nullptr;
    while (p < end) {
        while (end - p >= 16) {
            needRoom(16);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
            const int asciiMask = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), high), zero));
            if (asciiMask == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out.o), _mm_packus_epi16(a, b));
                p += 16;
                out.o += 16;
                continue;
            }
            // Copy the ASCII units before the first other one.
            while (*p < 0x80)
                *out.o++ = static_cast<char>(*p++);
            break;
        }
        while (p < end) {
            needRoom(4);
            const char16_t u = *p;
            if (u < 0x80) {
                *out.o++ = static_cast<char>(u);
                ++p;
                if (end - p >= 16)
                    break;
                continue;
            }
            char32_t cp = u;
            std::size_t units = 1;
            if (u >= 0xD800 && u <= 0xDFFF) {
                if (u <= 0xDBFF && end - p >= 2 && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
                    cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (p[1] - 0xDC00);
                    units = 2;
                } else {
                    cp = 0; // a lone surrogate
                }
            }
            unsigned char* next = nullptr;
            if (cp != 0) {
                if (!m)
                    m = &gb18030::mapping();
                next = gb18030::putCodePoint(*m, cp, reinterpret_cast<unsigned char*>(out.o));
            }
            if (next) {
                out.o = reinterpret_cast<char*>(next);
                p += units;
            } else {
                markBad(r, static_cast<std::size_t>(p - begin) * 2, 2);
                *out.o++ = '?';
                ++p;
            }
        }
    }
    out.finish();
    return r;
}

std::u16string gb18030ToUtf16(std::string_view gb, std::size_t* badBytes)
{
    ConvertResult r; // for the bad-byte count
    std::u16string text;
    const auto* const begin = reinterpret_cast<const unsigned char*>(gb.data());
    const auto* const end = begin + gb.size();
    const auto* p = begin;
    // Never more units than bytes: a four-byte code gives at most two units.
    OutputBuffer<std::u16string> out(text, gb.size() + 16);
    const __m128i zero = _mm_setzero_si128();
    const Mapping* m = nullptr;
    while (p < end) {
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int mask = _mm_movemask_epi8(v);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.o), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.o + 8), _mm_unpackhi_epi8(v, zero));
            if (mask == 0) {
                p += 16;
                out.o += 16;
                continue;
            }
            const int ascii = __builtin_ctz(static_cast<unsigned>(mask));
            p += ascii;
            out.o += ascii;
            break;
        }
        while (p < end) {
            const unsigned char c = *p;
            if (c < 0x80) {
                *out.o++ = c;
                ++p;
                if (end - p >= 16)
                    break;
                continue;
            }
            if (!m)
                m = &gb18030::mapping();
            const gb18030::Decoded d = gb18030::decodeMultiByte(*m, p, static_cast<std::size_t>(end - p));
            if (!d.valid)
                markBad(r, static_cast<std::size_t>(p - begin), 1);
            if (d.codePoint >= 0x10000) {
                *out.o++ = static_cast<char16_t>(0xD800 + ((d.codePoint - 0x10000) >> 10));
                *out.o++ = static_cast<char16_t>(0xDC00 + ((d.codePoint - 0x10000) & 0x3FF));
            } else {
                *out.o++ = static_cast<char16_t>(d.codePoint);
            }
            p += d.length;
        }
    }
    out.finish();
    if (badBytes)
        *badBytes = r.badBytes;
    return text;
}

} // namespace tess::codec
