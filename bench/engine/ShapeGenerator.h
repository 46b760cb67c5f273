#pragma once
// Seeded generators of the document shapes users bring that the API generator does not
// make: a records document in any pretty layout, map coordinates, text in many scripts.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tess::bench {

// The layout of a pretty document. indent "" with newline "" is the compact form.
struct Layout {
    std::string indent = "  ";   // one level: "  ", "    ", "\t"
    std::string newline = "\n";  // "\n" or "\r\n"
    std::string colon = ": ";    // ": " or ":"
};
Layout compactLayout();

// Records of a customer database as an export tool writes them: Chinese keys and names,
// addresses, orders nested two levels below the record, some \u escapes, numbers and
// literals. The same seed and count give the same document in every layout.
std::string recordsDocument(std::size_t records, uint32_t seed, const Layout& layout);

// {"type":"FeatureCollection","features":[...]} of polygons made of [x,y] pairs, compact:
// nearly every node a short number in a two-element array.
std::string coordinatesDocument(std::size_t numbers, uint32_t seed);

// A compact document (no blanks outside strings) laid out anew: each member and element
// on a line of its own, indented, as formatters write it.
std::string laidOut(const std::string& compact, const Layout& layout);

// Names and descriptions in about thirty scripts (Latin with accents, Cyrillic, Greek,
// Arabic, Hebrew, Devanagari, Bengali, Tamil, Thai, Georgian, Armenian, Hangul, kana, CJK,
// CJK beyond the BMP) with emoji: most characters are two- to four-byte UTF-8 and many are
// four-byte GB18030.
std::string scriptsDocument(std::size_t targetBytes, uint32_t seed);

// Support tables as a compatibility data set keeps them, pretty with 2 spaces: deep
// objects (features inside features), short strings ("12", "preview"), booleans and
// notes; almost no arrays of numbers.
std::string supportTablesDocument(std::size_t targetBytes, uint32_t seed);

// Feature descriptions: a few members per record, most of the bytes in long strings
// (paragraphs of prose, some with Chinese, escaped quotes and line breaks).
std::string featureTextDocument(std::size_t targetBytes, uint32_t seed);

} // namespace tess::bench
