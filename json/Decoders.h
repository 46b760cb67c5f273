#pragma once
// Escape and entity decoders: turn "\uXXXX" escapes and HTML character references
// back into GB18030 text. Both work on raw bytes, step over two-byte units when
// they search, and copy everything they do not recognise unchanged. A zero byte is
// an ordinary byte here: it is copied like any other.
#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

// Digits of any byte: letters A-Z / a-z are 10..35, "0".."9" are 0..9, every other
// byte is 0; nothing is rejected ("00zz" in base 16 is 595). A value too large for
// 32 bits saturates at INT32_MAX (INT32_MIN for negative bases).
int32_t parseIntInBase(std::string_view text, int32_t base);

// The character of code point value in GB18030. A surrogate code point or a value
// that is no character (below 1, above U+10FFFF) gives "?".
std::string utf16UnitToGbk(int32_t value);

// Replaces backslash-u and four bytes (read by parseIntInBase, base 16; value 0 is
// not an escape) by the character; a high-surrogate escape directly followed by a
// low-surrogate escape gives the one character of the pair. Afterwards every
// backslash-quote becomes a quote and every backslash-slash a slash.
std::string decodeUnicodeEscapes(std::string_view text);

// Replaces "&name;" (name looked up in lower case in the HTML 4.01 table),
// "&#xHEX;" and "&#DECIMAL;" by the character. Code 0, a negative code and a code
// above U+10FFFF are not references and are copied unchanged.
std::string decodeHtmlEntities(std::string_view text);

} // namespace tess
