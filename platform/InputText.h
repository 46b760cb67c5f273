#pragma once
// Text read from a file, standard input or a drop, turned into engine text (GB18030).
#include <string>
#include <string_view>

namespace tess {

// The bytes as GB18030 text:
// - a UTF-8 byte-order mark (EF BB BF): the rest converted from UTF-8 (bad bytes become "?");
// - a UTF-16LE (FF FE) or UTF-16BE (FE FF) mark: the rest converted from UTF-16 (a lone
//   surrogate or an odd last byte becomes "?");
// - otherwise, valid UTF-8 with at least one non-ASCII character: converted from UTF-8;
// - otherwise the bytes themselves, taken as GB18030 (ASCII included).
// No mark ever reaches the result. Neither UTF-16 mark is a GB18030 character (FF is never
// a lead byte, FF never a trail byte), so the test cannot misread GB18030 text.
std::string inputTextToGb18030(std::string_view bytes);

// The same, in place: text taken as GB18030 is left where it is, without a copy.
void convertInputTextInPlace(std::string& text);

} // namespace tess
