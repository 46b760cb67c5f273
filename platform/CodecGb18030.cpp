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

} // namespace

ConvertResult utf8ToGb18030(std::string_view utf8)
{
    return utf8ToGb18030Tables(utf8, false);
}

namespace {

// Room kept past what a stretch of input can write: the 16-byte stores of the ASCII copy
// and the 4-byte stores of a code write past the end of what they mean.
constexpr std::size_t kSpare = 64;

// The end of the next stretch of input from p that fits the buffer's room when each input
// byte writes at most halves / 2 output bytes; once the stretch would be short, the buffer
// first grows to the bound of the whole rest (growHalves / 2 bytes per input byte).
template <class Out>
inline const unsigned char* stretchEnd(const unsigned char* p, const unsigned char* end, Out& out, std::size_t halves,
    std::size_t growHalves)
{
    const auto rest = static_cast<std::size_t>(end - p);
    const std::size_t small = rest < 32 ? rest : 32;
    if (out.room() < kSpare + small * halves / 2 + 1)
        out.grow(rest * growHalves / 2 + kSpare);
    const std::size_t fits = (out.room() - kSpare) * 2 / halves;
    return p + (fits < rest ? fits : rest);
}

// Writes a code of Mapping::bmpCodes (two or four bytes; the second byte tells). The length
// is taken by a branch, not computed: a run of one script predicts it, and the output
// position then does not wait for the table.
inline unsigned char* putCode(unsigned char* o, std::uint32_t code)
{
    if (((code >> 8) & 0xFF) - 0x30 < 10) {
        std::memcpy(o, &code, 4);
        return o + 4;
    }
    const auto two = static_cast<std::uint16_t>(code);
    std::memcpy(o, &two, 2);
    return o + 2;
}

// Copies the ASCII bytes at p (16 at a time while 16 remain before end; the bytes stored
// past the run are written over later). False when p reached stop, else p is at a byte
// from 0x80 up.
template <typename Out>
inline bool copyAscii(const unsigned char*& p, const unsigned char* stop, const unsigned char* end, Out*& o)
{
    while (p < stop) {
        if (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(v));
            if (mask == 0) {
                p += 16;
                o += 16;
                continue;
            }
            const unsigned ascii = static_cast<unsigned>(__builtin_ctz(mask));
            p += ascii;
            o += ascii;
            return p < stop;
        }
        if (*p >= 0x80)
            return true;
        *o++ = static_cast<Out>(*p++);
    }
    return false;
}

// Converts well-formed UTF-8 from p while characters start before stop (stop <= end): ASCII
// sixteen bytes at a time, the other characters by one table look-up each (four-byte ones
// by formula), with no room check (stretchEnd gave room for two output bytes per input
// byte). Stops early (returns false) at a sequence that is not well-formed UTF-8, or at a
// character the tables do not settle; p then points at it.
inline bool utf8Stretch(const Mapping*& m, const unsigned char*& pIn, const unsigned char* stop,
    const unsigned char* end, char*& oOut)
{
    const unsigned char* p = pIn;
    auto* o = reinterpret_cast<unsigned char*>(oOut);
    bool settled = true;
    while (copyAscii(p, stop, end, o)) {
        if (!m)
            m = &gb18030::mapping();
        const std::uint32_t* const codes = m->bmpCodes;
        // A run of characters other than ASCII, with single ASCII bytes (spaces between
        // words) taken on the way.
        for (;;) {
            const unsigned c = p[0];
            const auto avail = end - p;
            if (c - 0xE0 < 0x10 && avail >= 3) {
                // Continuation bytes are 0x80-0xBF: 0x00-0x3F once their top bit is flipped.
                const unsigned t1 = p[1] ^ 0x80u;
                const unsigned t2 = p[2] ^ 0x80u;
                const unsigned cp = ((c & 0x0F) << 12) | (t1 << 6) | t2;
                if ((t1 | t2) >= 0x40 || cp < 0x800 || cp - 0xD800 < 0x800) {
                    settled = false; // not UTF-8: overlong, a surrogate, a continuation missing
                    break;
                }
                const std::uint32_t code = codes[cp];
                if (code == 0) {
                    settled = false;
                    break;
                }
                o = putCode(o, code);
                p += 3;
            } else if (c - 0xC2 < 0x1E && avail >= 2 && (p[1] & 0xC0) == 0x80) {
                const std::uint32_t code = codes[((c & 0x1F) << 6) | (p[1] & 0x3F)];
                if (code == 0) {
                    settled = false;
                    break;
                }
                o = putCode(o, code);
                p += 2;
            } else if (c >= 0xF0 && c <= 0xF4 && avail >= 4) {
                const unsigned b1 = p[1];
                const unsigned b2 = p[2];
                const unsigned b3 = p[3];
                const unsigned cp = ((c & 0x07) << 18) | ((b1 & 0x3F) << 12) | ((b2 & 0x3F) << 6) | (b3 & 0x3F);
                const bool ok = ((b1 & 0xC0) == 0x80) & ((b2 & 0xC0) == 0x80) & ((b3 & 0xC0) == 0x80) & (cp >= 0x10000)
                    & (cp <= 0x10FFFF);
                if (!ok) {
                    settled = false;
                    break;
                }
                const gb18030::EncodeException* e =
                    cp < m->firstSupplementaryException ? nullptr : gb18030::findException(*m, cp);
                if (e) {
                    std::memcpy(o, e->bytes, 4);
                    o += e->length;
                } else {
                    o = gb18030::putFourByte(o, static_cast<std::uint32_t>(cp - 0x10000 + gb18030::kSupplementaryBase));
                }
                p += 4;
            } else if (c < 0x80) {
                *o++ = static_cast<unsigned char>(c);
                ++p;
                if (p >= stop || *p < 0x80)
                    break; // back to the ASCII blocks
                continue;
            } else {
                settled = false;
                break;
            }
            if (p >= stop)
                break;
        }
        if (!settled)
            break;
    }
    pIn = p;
    oOut = reinterpret_cast<char*>(o);
    return settled;
}

// Whether the first characters other than ASCII (up to 64 of them, in the first MiB) are
// well-formed UTF-8. A text in another encoding fails here, before a buffer of its size is
// made (and filled with zeros) for a conversion that would stop at once.
bool startsAsUtf8(const unsigned char* p, const unsigned char* end)
{
    if (end - p > (1 << 20))
        end = p + (1 << 20);
    int characters = 0;
    while (p < end && characters < 64) {
        if (end - p >= 16) {
            const unsigned mask =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
            if (mask == 0) {
                p += 16;
                continue;
            }
            p += __builtin_ctz(mask);
        } else if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(p, static_cast<std::size_t>(end - p), cp);
        if (len == 0)
            return end - p < 4; // with fewer bytes left, perhaps a character cut by the MiB's end
        p += len;
        ++characters;
    }
    return true;
}

// UTF-8 -> GB18030. With Strict, the conversion stops at the first byte that is not
// well-formed UTF-8 and says so (returns false); characters without a GB18030 form are
// replaced either way.
template <bool Strict>
bool utf8ToGb18030Into(std::string_view utf8, bool oneMarkPerCharacter, ConvertResult& r)
{
    const auto* const begin = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = begin + utf8.size();
    const auto* p = begin;
    if (Strict && !startsAsUtf8(begin, end))
        return false;
    // Enough for ASCII and for the three-byte characters (two bytes in GB18030); what writes
    // more (two-byte UTF-8 to four bytes, at worst) grows the buffer once to its bound.
    OutputBuffer<std::string> out(r.text, utf8.size() + 2 * kSpare);
    const Mapping* m = nullptr;
    while (p < end) {
        const unsigned char* const stop = stretchEnd(p, end, out, 4, 4);
        while (p < stop && !utf8Stretch(m, p, stop, end, out.o)) {
            // A character the stretch did not settle, before stop: the room is there.
            char32_t cp = 0;
            std::size_t len = decodeUtf8(p, static_cast<std::size_t>(end - p), cp);
            if (len != 0) {
                auto* o = reinterpret_cast<unsigned char*>(out.o);
                if (unsigned char* next = gb18030::putCodePoint(*m, cp, o)) {
                    out.o = reinterpret_cast<char*>(next);
                    p += len;
                    continue;
                }
                // No GB18030 form: one mark for the character, or the lead and the
                // continuation bytes after it each bad bytes of their own.
            } else if (Strict) {
                out.finish();
                return false;
            } else {
                len = 1;
            }
            markBad(r, static_cast<std::size_t>(p - begin), len);
            for (std::size_t i = oneMarkPerCharacter ? len - 1 : 0; i < len; ++i)
                *out.o++ = '?';
            p += len;
        }
    }
    out.finish();
    return true;
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

namespace {

// Converts valid GB18030 from p while characters start before stop (stop <= end): ASCII
// sixteen bytes at a time, two-byte codes by one look-up of their UTF-8 bytes, four-byte
// ones by their linear index, with no room check (stretchEnd gave room for three output
// bytes per two input bytes). Stops early (returns false) at a byte that does not start a
// valid code, or a two-byte code whose character lies above the BMP; p then points at it.
inline bool gbStretch(const Mapping*& m, const unsigned char*& pIn, const unsigned char* stop,
    const unsigned char* end, char*& oOut)
{
    const unsigned char* p = pIn;
    char* o = oOut;
    bool settled = true;
    while (copyAscii(p, stop, end, o)) {
        if (!m)
            m = &gb18030::mapping();
        const std::uint32_t* const utf8 = m->twoByteUtf8;
        for (;;) {
            const unsigned c = p[0];
            if (c < 0x80) {
                *o++ = static_cast<char>(c);
                ++p;
                if (p >= stop || *p < 0x80)
                    break;
                continue;
            }
            const auto avail = end - p;
            const unsigned b1 = avail >= 2 ? p[1] : 0;
            const unsigned lead = c - 0x81;
            if (lead >= 0x7E) {
                settled = false;
                break;
            }
            if (b1 - 0x40 < gb18030::kTrailSpan) {
                const std::uint32_t bytes = utf8[lead * gb18030::kTrailSpan + (b1 - 0x40)];
                if (bytes == 0) {
                    settled = false;
                    break;
                }
                // The length by a branch, as in putCode.
                if (bytes >= 0x03000000) {
                    std::memcpy(o, &bytes, 3);
                    o += 3;
                } else {
                    std::memcpy(o, &bytes, 2);
                    o += 2;
                }
                p += 2;
            } else {
                // A four-byte code: the BMP ones from the table, the supplementary planes by
                // formula.
                if (b1 - 0x30 >= 10 || avail < 4 || p[2] - 0x81u >= 0x7Eu || p[3] - 0x30u >= 10) {
                    settled = false;
                    break;
                }
                const std::size_t linear = ((static_cast<std::size_t>(lead) * 10 + (b1 - 0x30)) * 126 + (p[2] - 0x81)) * 10
                    + (p[3] - 0x30);
                char32_t cp = 0;
                if (linear < gb18030::kFourByteBmpCount)
                    cp = m->fourByte[linear];
                else if (linear >= gb18030::kSupplementaryBase && linear - gb18030::kSupplementaryBase < 0x100000)
                    cp = static_cast<char32_t>(linear - gb18030::kSupplementaryBase + 0x10000);
                if (cp == 0) {
                    settled = false;
                    break;
                }
                o += encodeUtf8(cp, o);
                p += 4;
            }
            if (p >= stop)
                break;
        }
        if (!settled)
            break;
    }
    pIn = p;
    oOut = o;
    return settled;
}

} // namespace

ConvertResult gb18030ToUtf8(std::string_view gb)
{
    ConvertResult r;
    const auto* const begin = reinterpret_cast<const unsigned char*>(gb.data());
    const auto* const end = begin + gb.size();
    const auto* p = begin;
    // A two-byte character becomes at most three bytes, a four-byte one at most four; a
    // bad byte becomes three (U+FFFD), which grows the buffer once to its bound.
    OutputBuffer<std::string> out(r.text, gb.size() + countHighBytes(begin, gb.size()) / 2 + 2 * kSpare);
    const Mapping* m = nullptr;
    while (p < end) {
        const unsigned char* const stop = stretchEnd(p, end, out, 3, 6);
        // One code the stretch did not settle (room for its four bytes is there), then the
        // room is looked at again: a bad byte writes three.
        if (!gbStretch(m, p, stop, end, out.o)) {
            const gb18030::Decoded d = gb18030::decodeMultiByte(*m, p, static_cast<std::size_t>(end - p));
            if (!d.valid)
                markBad(r, static_cast<std::size_t>(p - begin), 1);
            out.o += encodeUtf8(d.codePoint, out.o);
            p += d.length;
        }
    }
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
