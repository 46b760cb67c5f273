#pragma once
// Strings compared after decoding: both roads' texts turned into the characters they
// stand for, written as UTF-8, so that "\u4e2d" and "中" read the same. No Qt.
#include <string>
#include <string_view>

namespace tess::compare {

// The characters of a JSON string's contents in UTF-8 (between the quotes, escapes kept):
// the JSON escapes decoded, surrogate pairs joined; a lone surrogate escape is kept as
// its three-byte form, an unknown escape as its two characters. Appended to out.
void decodeUtf8String(std::string_view contents, std::string& out);

// The same for an engine text (GB18030, an escaped quote held as the engine's
// placeholder), as json/PathNames.h reads a stored name.
void decodeEngineString(std::string_view contents, std::string& out);

} // namespace tess::compare
