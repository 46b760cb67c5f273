#pragma once
// Table-driven GB18030 decoding for the regex service: character by character, with
// every byte accounted for. It shares the codec's tables (Gb18030Tables.h); a byte that
// does not start a valid character decodes alone to U+FFFD.
#include "platform/Gb18030Tables.h"
#include "platform/Utf8.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tess::gb18030 {

// Decodes the character starting at text[pos] (pos < text.size()).
Decoded decodeAt(std::string_view text, std::size_t pos);

// Length of the UTF-8 sequence that starts with this lead byte (of valid UTF-8).
inline std::size_t utf8Length(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Converts GB18030 text to UTF-8, each invalid byte becoming U+FFFD. When onChar is
// given it is called as onChar(utf8Offset, originalOffset) before every character and
// once more at the end, so a caller can sample the offset correspondence.
template <typename OnChar>
std::string toUtf8(std::string_view text, OnChar&& onChar);
std::string toUtf8(std::string_view text);

// True when every byte is below 0x80.
bool isAscii(std::string_view text);

template <typename OnChar>
std::string toUtf8(std::string_view text, OnChar&& onChar)
{
    const Mapping& t = mapping();
    std::string out;
    out.resize(text.size() + text.size() / 2 + 16);
    std::size_t used = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        if (out.size() - used < 4)
            out.resize(out.size() * 2); // a text with many bad bytes grows past the estimate
        onChar(used, i);
        const unsigned char c = p[i];
        if (c < 0x80) {
            out[used++] = static_cast<char>(c);
            ++i;
            continue;
        }
        const Decoded d = decodeMultiByte(t, p + i, n - i);
        used += encodeUtf8(d.codePoint, out.data() + used);
        i += d.length;
    }
    onChar(used, n);
    out.resize(used);
    return out;
}

} // namespace tess::gb18030
