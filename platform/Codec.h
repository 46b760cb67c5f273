#pragma once
// Charset conversion. The engine's texts are GB18030 byte strings; conversion happens at
// the edges (clipboard, widgets, command-line output, HTTP bodies). GB18030 <-> UTF-8 and
// UTF-16 run on tables of our own (CodecGb18030.cpp), other charsets through iconv.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tess::codec {

struct ConvertResult {
    std::string text;          // the converted bytes
    std::size_t badBytes = 0;  // input bytes that did not convert (each replaced, never dropped)
    std::size_t firstBad = std::string::npos; // offset of the first of them in the input
    bool ok() const { return badBytes == 0; }
};

// GB18030 -> UTF-8. A byte sequence that is not GB18030 becomes U+FFFD per byte and is counted.
ConvertResult gb18030ToUtf8(std::string_view gb);

// UTF-8 -> GB18030. Every Unicode character has a GB18030 form but 24 private-use ones
// (U+E78D..U+E796 and 14 between U+E816 and U+E864, whose old codes now stand for standard
// characters); an invalid UTF-8 byte, and each byte of those, becomes "?" and is counted.
ConvertResult utf8ToGb18030(std::string_view utf8);
// The same when the bytes are well-formed UTF-8 (as isValidUtf8 says); nothing otherwise.
// One pass: the conversion stops at the first byte that is not.
std::optional<ConvertResult> wellFormedUtf8ToGb18030(std::string_view utf8);

// The size of a GB18030 text in UTF-8 (as gb18030ToUtf8 would make it), counted without
// making the text. The text comes in consecutive pieces; a character may be cut between two.
class Utf8Size {
public:
    void add(std::string_view piece);
    // The count, once the last piece was added.
    std::size_t finish();

private:
    std::size_t m_total = 0;
    std::string m_carry; // the start of a character cut at the end of the last piece
};

// The UTF-8 size of a GB18030 text given whole.
inline std::size_t utf8SizeOf(std::string_view text)
{
    Utf8Size size;
    size.add(text);
    return size.finish();
}

// UTF-16 (host order code units) <-> GB18030, for Qt strings.
ConvertResult utf16ToGb18030(std::u16string_view utf16);
std::u16string gb18030ToUtf16(std::string_view gb, std::size_t* badBytes = nullptr);

// Generic conversion between two iconv charset names (e.g. "BIG5-HKSCS" to "GB18030").
// Unconvertible input bytes are replaced by the target's "?" and counted.
ConvertResult convert(std::string_view fromCharset, std::string_view toCharset, std::string_view input);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, <= U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// A UTF-8 literal of the system (a settings key, "真", "┊*┊") as GB18030 bytes.
// Converted once per distinct literal and cached; the view stays valid until exit.
std::string_view gb(std::string_view utf8Literal);

// The same for a C++20 u8"..." literal.
inline std::string_view gb(std::u8string_view utf8Literal)
{
    return gb(std::string_view(reinterpret_cast<const char*>(utf8Literal.data()), utf8Literal.size()));
}

} // namespace tess::codec
