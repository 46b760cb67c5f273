#pragma once
// Flat lines: one line per leaf of a document, `PATH = VALUE;`, so that line tools find
// values by their paths and the lines (any subset of them) rebuild a document
// (json/Unflatten.h). A leaf is a string, number or literal, or an empty object or array;
// the value is its JSON text as the file has it, the path in one of the engine's path
// syntaxes (jq by default), in UTF-8. Records of JSON Lines are numbered as elements of
// an array; broken lines are left out. No Qt.
#include "json/big/BigPaths.h"

#include <functional>
#include <string_view>

namespace tess::big {

// Calls leaf(path, value) for every leaf in document order; leaf returns false to stop.
void forEachFlatLine(const BigDocument& doc, const PathForm& form,
                     const std::function<bool(std::string_view path, std::string_view value)>& leaf);

} // namespace tess::big
