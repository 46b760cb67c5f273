// The GB18030 tables built from iconv in a few bulk conversions: at build time for the
// tables compiled into the program, and by the tests to compare with them.
#include "platform/Gb18030Tables.h"
#include "platform/Iconv.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tess::gb18030 {

namespace {

bool isScalar(char32_t cp)
{
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

std::uint32_t readLe32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// The code point of one GB18030 code, or 0 when iconv rejects it or gives anything but
// one Unicode scalar value.
char32_t decodeOne(const Iconv& cd, const char* code, std::size_t width)
{
    char out[8];
    const char* ip = code;
    std::size_t il = width;
    char* op = out;
    std::size_t ol = sizeof out;
    if (cd.run(ip, il, op, ol) == static_cast<std::size_t>(-1) || il != 0 || op != out + 4)
        return 0;
    const char32_t cp = readLe32(out);
    return isScalar(cp) ? cp : 0;
}

// Decodes count codes of the given width lying back to back. Runs of valid codes go
// through iconv in one call; a code iconv stops at is settled alone.
void decodeCodes(const Iconv& cd, const std::vector<char>& codes, std::size_t width, char32_t* out)
{
    const std::size_t count = codes.size() / width;
    std::vector<char> buf(count * 4 + 16);
    std::size_t i = 0;
    while (i < count) {
        const char* ip = codes.data() + i * width;
        std::size_t il = (count - i) * width;
        char* op = buf.data();
        std::size_t ol = buf.size();
        cd.run(ip, il, op, ol);
        const std::size_t took = static_cast<std::size_t>(ip - (codes.data() + i * width));
        const std::size_t wrote = static_cast<std::size_t>(op - buf.data());
        if (took % width == 0 && wrote == took / width * 4) {
            for (std::size_t k = 0; k < took / width; ++k) {
                const char32_t cp = readLe32(buf.data() + 4 * k);
                out[i + k] = isScalar(cp) ? cp : 0;
            }
            i += took / width;
        } else {
            // Some code gave other than one code point: settle the run code by code.
            const std::size_t stop = i + (took + width - 1) / width;
            for (; i < stop; ++i)
                out[i] = decodeOne(cd, codes.data() + i * width, width);
        }
        if (i < count) {
            out[i] = decodeOne(cd, codes.data() + i * width, width);
            ++i;
        }
    }
}

std::size_t fourByteLinear(const unsigned char* b)
{
    return ((static_cast<std::size_t>(b[0] - 0x81) * 10 + (b[1] - 0x30)) * 126 + (b[2] - 0x81)) * 10 + (b[3] - 0x30);
}

// Length of the GB18030 character at p (well-formed output of iconv).
std::size_t gbLength(const unsigned char* p)
{
    if (p[0] < 0x80)
        return 1;
    return p[1] >= 0x30 && p[1] <= 0x39 ? 4 : 2;
}

struct Store {
    std::unique_ptr<char32_t[]> twoByte { new char32_t[kTwoByteCount]() };
    std::unique_ptr<char32_t[]> fourByte { new char32_t[kFourByteBmpCount]() };
    std::unique_ptr<std::uint16_t[]> fromBmp { new std::uint16_t[0x10000]() };
    std::unique_ptr<std::uint32_t[]> bmpCodes { new std::uint32_t[0x10000]() };
    std::unique_ptr<std::uint32_t[]> twoByteUtf8 { new std::uint32_t[kTwoByteCount]() };
    std::vector<EncodeException> exceptions;
    Mapping view {};
};

// Records how the code point is written, given iconv's bytes for it.
void recordEncoding(Store& s, char32_t cp, const unsigned char* b, std::size_t len)
{
    if (cp >= 0x10000) {
        // Only a code other than the linear four-byte one needs a record.
        if (len == 4 && fourByteLinear(b) == cp - 0x10000 + kSupplementaryBase)
            return;
    } else if (len == 2) {
        s.fromBmp[cp] = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
        return;
    } else if (len == 4) {
        const std::size_t linear = fourByteLinear(b);
        if (linear < cp && cp - linear < kFirstTwoByte) {
            s.fromBmp[cp] = static_cast<std::uint16_t>(cp - linear);
            return;
        }
    }
    EncodeException e { cp, static_cast<std::uint8_t>(len), {} };
    std::memcpy(e.bytes, b, len);
    s.exceptions.push_back(e);
    if (cp < 0x10000)
        s.fromBmp[cp] = kException;
}

// Encodes the code points (UTF-32LE) and records each result; a code point iconv cannot
// encode keeps kNoForm (or no record, for the supplementary ones).
void encodeCodePoints(Store& s, const Iconv& cd, const std::vector<char32_t>& cps)
{
    std::vector<unsigned char> buf(cps.size() * 4 + 16);
    std::size_t i = 0;
    while (i < cps.size()) {
        const char* ip = reinterpret_cast<const char*>(cps.data() + i);
        std::size_t il = (cps.size() - i) * 4;
        char* op = reinterpret_cast<char*>(buf.data());
        std::size_t ol = buf.size();
        cd.run(ip, il, op, ol);
        const std::size_t took = static_cast<std::size_t>(ip - reinterpret_cast<const char*>(cps.data() + i)) / 4;
        const unsigned char* q = buf.data();
        const unsigned char* qEnd = reinterpret_cast<unsigned char*>(op);
        for (std::size_t k = 0; k < took && q < qEnd; ++k) {
            const std::size_t len = gbLength(q);
            recordEncoding(s, cps[i + k], q, len);
            q += len;
        }
        i += took + 1; // the code point iconv stopped at has no form
    }
}

// Without the tables every non-ASCII character converts to a replacement mark, so a
// missing conversion is said.
void reportNoIconv(const char* charset, std::FILE* report)
{
    std::fprintf(report,
        "tessarine: iconv cannot convert %s here (iconv_open failed); the conversion "
        "tables stay empty and non-ASCII text will not convert\n",
        charset);
}

Store* build(const char* charset, std::FILE* report)
{
    auto* s = new Store;
    const Iconv dec("UTF-32LE", charset);
    const Iconv enc(charset, "UTF-32LE");
    if (!dec.ok() || !enc.ok())
        reportNoIconv(charset, report);
    if (dec.ok()) {
        std::vector<char> codes;
        codes.reserve(kTwoByteCount * 2);
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
                codes.insert(codes.end(), { static_cast<char>(lead), static_cast<char>(trail) });
        decodeCodes(dec, codes, 2, s->twoByte.get());
        for (std::size_t t = 0x7F - 0x40; t < kTwoByteCount; t += kTrailSpan)
            s->twoByte[t] = 0; // 0x7F is no trail byte
        codes.clear();
        unsigned char b[4];
        for (std::size_t idx = 0; idx < kFourByteBmpCount; ++idx) {
            putFourByte(b, static_cast<std::uint32_t>(idx));
            codes.insert(codes.end(), b, b + 4);
        }
        decodeCodes(dec, codes, 4, s->fourByte.get());
    }
    if (enc.ok()) {
        std::vector<char32_t> cps;
        for (char32_t cp = 0x80; cp < 0x10000; ++cp)
            if (cp < 0xD800 || cp > 0xDFFF)
                cps.push_back(cp);
        // Supplementary code points that a two-byte code decodes to may be written that way.
        for (std::size_t t = 0; t < kTwoByteCount; ++t)
            if (s->twoByte[t] >= 0x10000)
                cps.push_back(s->twoByte[t]);
        for (std::size_t t = 0; t < kFourByteBmpCount; ++t)
            if (s->fourByte[t] >= 0x10000)
                cps.push_back(s->fourByte[t]);
        encodeCodePoints(*s, enc, cps);
    }
    std::sort(s->exceptions.begin(), s->exceptions.end(),
        [](const EncodeException& a, const EncodeException& b) { return a.codePoint < b.codePoint; });
    s->exceptions.erase(std::unique(s->exceptions.begin(), s->exceptions.end(),
                            [](const EncodeException& a, const EncodeException& b) { return a.codePoint == b.codePoint; }),
        s->exceptions.end());
    // Every BMP code point's code as bytes, from the 16-bit form and the exceptions.
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
        unsigned char b[4] = {};
        const std::uint16_t v = s->fromBmp[cp];
        if (v >= kFirstTwoByte && v != kException) {
            b[0] = static_cast<unsigned char>(v >> 8);
            b[1] = static_cast<unsigned char>(v);
        } else if (v == kException) {
            const auto it = std::lower_bound(s->exceptions.begin(), s->exceptions.end(), cp,
                [](const EncodeException& e, char32_t c) { return e.codePoint < c; });
            std::memcpy(b, it->bytes, it->length);
        } else if (v != kNoForm) {
            putFourByte(b, cp - v);
        }
        std::memcpy(&s->bmpCodes[cp], b, 4);
    }
    for (std::size_t t = 0; t < kTwoByteCount; ++t) {
        const char32_t cp = s->twoByte[t];
        if (cp == 0 || cp >= 0x10000)
            continue;
        char b[4] = {};
        const std::size_t length = encodeUtf8(cp, b);
        b[3] = static_cast<char>(length);
        std::memcpy(&s->twoByteUtf8[t], b, 4);
    }
    char32_t firstSupplementary = 0x110000;
    for (const EncodeException& e : s->exceptions)
        if (e.codePoint >= 0x10000) {
            firstSupplementary = e.codePoint;
            break;
        }
    s->view = { s->twoByte.get(), s->fourByte.get(), s->fromBmp.get(), s->bmpCodes.get(), s->twoByteUtf8.get(),
        s->exceptions.data(), s->exceptions.size(), firstSupplementary };
    return s;
}

} // namespace

std::shared_ptr<const Mapping> buildMapping(const char* charset, std::FILE* report)
{
    const std::shared_ptr<Store> store(build(charset, report));
    return std::shared_ptr<const Mapping>(store, &store->view);
}

} // namespace tess::gb18030
