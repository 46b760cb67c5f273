#include "platform/Gb18030Decoder.h"

#include <cstring>

namespace tess::gb18030 {

Decoded decodeAt(std::string_view text, std::size_t pos)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    if (*p < 0x80)
        return { *p, 1, true };
    return decodeMultiByte(mapping(), p, text.size() - pos);
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
