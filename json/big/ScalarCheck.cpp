#include "json/big/ScalarCheck.h"

#include <cstring>

namespace tess::big {
uint64_t checkUtf8(std::string_view bytes, uint64_t from, uint64_t to, uint64_t& bad)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const uint64_t n = bytes.size();
    uint64_t i = from;
    while (i < to) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            // ASCII runs eight bytes at a time
            uint64_t word;
            while (i + 8 <= to && (std::memcpy(&word, p + i, 8), (word & 0x8080808080808080ull) == 0))
                i += 8;
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
