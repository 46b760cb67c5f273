#pragma once
// A slow, literal second implementation of the parser for cross-checks: every container
// is prepared and blanked again, finds are plain byte loops and balance checks count
// bytes one by one, and members are loaded by recursion. Only the text transformations
// are shared with the engine (they are checked against the regex service separately).
#include "json/JsonNode.h"
#include "json/JsonNodeList.h"

#include <string>
#include <vector>

namespace tess::testing {

std::vector<JsonNode> referenceParse(const std::string& text, bool zeroBasedArrays);

// The tree content block of a table from its plain definition, one record at a time:
// "name" for a container, "name:value" for a scalar with "#SYH#" shown as \", cut at a
// zero byte.
std::string referenceTreeContent(const JsonNodeList& nodes);

} // namespace tess::testing
