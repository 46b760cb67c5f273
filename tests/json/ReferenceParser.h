#pragma once
// A slow, literal second implementation of the parser for cross-checks: every container
// is prepared and blanked again, finds are plain byte loops and balance checks count
// bytes one by one, and members are loaded by recursion. Only the text transformations
// are shared with the engine (they are checked against the regex service separately).
#include "json/JsonNode.h"

#include <string>
#include <vector>

namespace tess::testing {

std::vector<JsonNode> referenceParse(const std::string& text, bool zeroBasedArrays);

} // namespace tess::testing
