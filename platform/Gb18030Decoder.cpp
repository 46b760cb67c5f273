#include "platform/Gb18030Decoder.h"

#include <cstring>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace tess::gb18030 {

namespace {

constexpr std::size_t kTrailSpan = 0xFE - 0x40 + 1;          // 191 trail values
constexpr std::size_t kTwoByteCount = (0xFE - 0x81 + 1) * kTrailSpan;
constexpr std::size_t kFourByteBmpCount = 39420;              // 81 30 81 30 .. 84 31 A4 39
constexpr std::size_t kSupplementaryBase = (0x90 - 0x81) * 12600; // linear index of 90 30 81 30

// One code point from iconv for the given bytes, or 0 when iconv rejects them.
char32_t convertOne(iconv_t cd, const unsigned char* bytes, std::size_t len)
{
    char in[4];
    std::memcpy(in, bytes, len);
    unsigned char out[8];
    char* ip = in;
    std::size_t il = len;
    char* op = reinterpret_cast<char*>(out);
    std::size_t ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0
        || op != reinterpret_cast<char*>(out) + 4)
        return 0;
    const char32_t cp = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
    // A few two-byte codes map outside the BMP. Surrogates would make the regex
    // subject invalid UTF-8, so they never enter the table.
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return cp;
}

struct TableStore {
    std::unique_ptr<char32_t[]> twoByte { new char32_t[kTwoByteCount]() };
    std::unique_ptr<char32_t[]> fourByte { new char32_t[kFourByteBmpCount]() };
    detail::Tables view {};
};

TableStore* buildTables()
{
    auto* store = new TableStore;
    iconv_t cd = iconv_open("UTF-32LE", "GB18030");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const unsigned char b[2] = { static_cast<unsigned char>(lead), static_cast<unsigned char>(trail) };
                store->twoByte[(lead - 0x81) * kTrailSpan + (trail - 0x40)] = convertOne(cd, b, 2);
            }
        for (std::size_t idx = 0; idx < kFourByteBmpCount; ++idx) {
            const unsigned char b[4] = {
                static_cast<unsigned char>(0x81 + idx / 12600),
                static_cast<unsigned char>(0x30 + idx / 1260 % 10),
                static_cast<unsigned char>(0x81 + idx / 10 % 126),
                static_cast<unsigned char>(0x30 + idx % 10),
            };
            store->fourByte[idx] = convertOne(cd, b, 4);
        }
        iconv_close(cd);
    }
    store->view = { store->twoByte.get(), store->fourByte.get() };
    return store;
}

} // namespace

namespace detail {

const Tables& tables()
{
    // Built on first use and kept until exit.
    static TableStore* store = buildTables();
    return store->view;
}

Decoded decodeMultiByte(const Tables& t, const unsigned char* p, std::size_t avail)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x81 || b0 > 0xFE || avail < 2)
        return {};
    const unsigned char b1 = p[1];
    if (b1 >= 0x40 && b1 <= 0xFE && b1 != 0x7F) {
        const char32_t cp = t.twoByte[(b0 - 0x81) * kTrailSpan + (b1 - 0x40)];
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
        const char32_t cp = t.fourByte[linear];
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

} // namespace detail

Decoded decodeAt(std::string_view text, std::size_t pos)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    if (*p < 0x80)
        return { *p, 1, true };
    return detail::decodeMultiByte(detail::tables(), p, text.size() - pos);
}

std::string toUtf8(std::string_view text)
{
    return toUtf8(text, [](std::size_t, std::size_t) {});
}

bool isAscii(std::string_view text)
{
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const char* p = text.data();
    std::size_t n = text.size();
    // Blocks of 4 KiB, so a non-ASCII text is rejected early.
    while (n >= 4096) {
        std::uint64_t acc = 0;
        for (int k = 0; k < 512; ++k) {
            std::uint64_t w;
            std::memcpy(&w, p + 8 * k, 8);
            acc |= w;
        }
        if (acc & kHigh)
            return false;
        p += 4096;
        n -= 4096;
    }
    unsigned char rest = 0;
    while (n > 0) {
        rest |= static_cast<unsigned char>(*p++);
        --n;
    }
    return rest < 0x80;
}

} // namespace tess::gb18030
