#include "json/TextPatterns.h"

namespace tess::patterns {

std::size_t unitLength(std::string_view t, std::size_t i)
{
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x81 || c == 0xFF)
        return 1;
    if (i + 1 >= t.size())
        return 1;
    const auto c2 = static_cast<unsigned char>(t[i + 1]);
    if (c2 >= 0x30 && c2 <= 0x39) {
        if (i + 3 < t.size()) {
            const auto c3 = static_cast<unsigned char>(t[i + 2]);
            const auto c4 = static_cast<unsigned char>(t[i + 3]);
            if (c3 >= 0x81 && c3 <= 0xFE && c4 >= 0x30 && c4 <= 0x39)
                return 4;
        }
        return 1;
    }
    if ((c2 >= 0x40 && c2 <= 0x7E) || (c2 >= 0x80 && c2 <= 0xFE))
        return 2;
    return 1;
}

} // namespace tess::patterns
