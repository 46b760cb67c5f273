#pragma once
// The GB18030 mapping as tables, both ways. They are made from iconv at build time, in a
// few bulk conversions, and compiled in, so every character agrees with iconv; no data file
// is read. The four-byte codes are numbered linearly from 81 30 81 30; the BMP part of that
// range is a table, the supplementary planes follow by formula.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tess::gb18030 {

constexpr std::size_t kTrailSpan = 0xFE - 0x40 + 1; // 191 trail values, 0x7F unused
constexpr std::size_t kTwoByteCount = (0xFE - 0x81 + 1) * kTrailSpan;
constexpr std::size_t kFourByteBmpCount = 39420;                  // 81 30 81 30 .. 84 31 A4 39
constexpr std::size_t kSupplementaryBase = (0x90 - 0x81) * 12600; // linear index of 90 30 81 30

// Encoding of a BMP code point, kept in 16 bits: a two-byte code (lead << 8 | trail, always
// >= 0x8140); below that, the code point minus the linear index of its four-byte code;
// kNoForm when iconv gives it none, kException when it is in the exception list.
constexpr std::uint16_t kNoForm = 0;
constexpr std::uint16_t kFirstTwoByte = 0x8140;
constexpr std::uint16_t kException = 0xFFFF;

// A code point whose code the 16-bit form cannot hold, or a supplementary code point that
// has a two-byte code instead of the linear four-byte one.
struct EncodeException {
    char32_t codePoint;
    std::uint8_t length;
    unsigned char bytes[4];
};

struct Mapping {
    const char32_t* twoByte;       // [(lead - 0x81) * 191 + (trail - 0x40)], 0 = not a character
    const char32_t* fourByte;      // [linear index < kFourByteBmpCount], 0 = not a character
    const std::uint16_t* fromBmp;  // [code point], see above; entries below 0x80 are unused
    // [code point >= 0x80]: its code's bytes in memory order (two or four; the second byte
    // says which), 0 when it has none. Writing a code is then one store, with no arithmetic.
    const std::uint32_t* bmpCodes;
    // [(lead - 0x81) * 191 + (trail - 0x40)]: the two-byte code's character as UTF-8 bytes in
    // memory order, their count in the top byte; 0 when it is none or lies above the BMP.
    const std::uint32_t* twoByteUtf8;
    const EncodeException* exceptions; // sorted by code point
    std::size_t exceptionCount;
    char32_t firstSupplementaryException; // no supplementary exception below this
};

// The tables compiled into the program: buildMapping("GB18030") of the build machine.
const Mapping& mapping();

// A mapping built from iconv's charset of that name, a failure to open it said on report
// (the tables stay empty then).
std::shared_ptr<const Mapping> buildMapping(const char* charset, std::FILE* report);

// The exception entry of the code point, or null.
const EncodeException* findException(const Mapping& m, char32_t cp);

// Writes the four-byte code with the given linear index; returns the byte after it.
inline unsigned char* putFourByte(unsigned char* out, std::uint32_t linear)
{
    out[3] = static_cast<unsigned char>(0x30 + linear % 10);
    linear /= 10;
    out[2] = static_cast<unsigned char>(0x81 + linear % 126);
    linear /= 126;
    out[1] = static_cast<unsigned char>(0x30 + linear % 10);
    out[0] = static_cast<unsigned char>(0x81 + linear / 10);
    return out + 4;
}

// Writes the GB18030 form of a code point >= 0x80 (a Unicode scalar value); returns the
// byte after it, or null when the code point has no form. Four bytes at out are written
// whatever the form's length.
inline unsigned char* putCodePoint(const Mapping& m, char32_t cp, unsigned char* out)
{
    if (cp < 0x10000) {
        // Two-byte codes (CJK) from the smaller table, which stays in cache.
        const std::uint16_t v = m.fromBmp[cp];
        if (v >= kFirstTwoByte && v != kException) {
            out[0] = static_cast<unsigned char>(v >> 8);
            out[1] = static_cast<unsigned char>(v);
            return out + 2;
        }
        const std::uint32_t code = m.bmpCodes[cp];
        if (code == 0)
            return nullptr;
        std::memcpy(out, &code, 4);
        const auto second = static_cast<unsigned char>(out[1]);
        return out + (second >= 0x30 && second <= 0x39 ? 4 : 2);
    }
    if (cp < m.firstSupplementaryException) {
        return putFourByte(out, static_cast<std::uint32_t>(cp - 0x10000 + kSupplementaryBase));
    }
    const EncodeException* e = findException(m, cp);
    if (!e) {
        if (cp < 0x10000)
            return nullptr;
        return putFourByte(out, static_cast<std::uint32_t>(cp - 0x10000 + kSupplementaryBase));
    }
    for (std::uint8_t i = 0; i < e->length; ++i)
        out[i] = e->bytes[i];
    return out + e->length;
}

// One decoded character.
struct Decoded {
    char32_t codePoint = 0xFFFD;
    std::size_t length = 1; // bytes of the input taken
    bool valid = false;
};

// Decodes the character at p, whose first byte is >= 0x80 (avail >= 1 bytes readable).
// A byte that does not start a valid character is taken alone, as iconv does.
inline Decoded decodeMultiByte(const Mapping& m, const unsigned char* p, std::size_t avail)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x81 || b0 > 0xFE || avail < 2)
        return {};
    const unsigned char b1 = p[1];
    if (b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F) {
        const char32_t cp = m.twoByte[(b0 - 0x81) * kTrailSpan + (b1 - 0x40)];
        if (cp == 0)
            return {};
        return { cp, 2, true };
    }
    if (b1 < 0x30 || b1 > 0x39 || avail < 4)
        return {};
    const unsigned char b2 = p[2];
    const unsigned char b3 = p[3];
    if (b2 < 0x81 || b2 > 0xFE || b3 < 0x30 || b3 > 0x39)
        return {};
    const std::size_t linear = ((static_cast<std::size_t>(b0 - 0x81) * 10 + (b1 - 0x30)) * 126 + (b2 - 0x81)) * 10 + (b3 - 0x30);
    if (linear < kFourByteBmpCount) {
        const char32_t cp = m.fourByte[linear];
        if (cp == 0)
            return {};
        return { cp, 4, true };
    }
    if (linear >= kSupplementaryBase) {
        const std::size_t cp = 0x10000 + (linear - kSupplementaryBase);
        if (cp <= 0x10FFFF)
            return { static_cast<char32_t>(cp), 4, true };
    }
    return {};
}

} // namespace tess::gb18030
