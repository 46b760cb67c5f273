#pragma once
// Where a cut-off text stops being shown. The engine reads a text that ends inside an
// unclosed object or array without complaint, but a member whose value never closes is
// dropped with everything after it: {"a":1,"list":[1,2, shows only a. This finds the
// opener of the outermost such value, so that the window and the command line can say
// from where the text's content is not shown. A root that is merely left open loses
// nothing ({"a":1 shows a) and is no cut.
#include <cstdint>
#include <optional>
#include <string_view>

#include "json/JsonNode.h"

namespace tess {

struct UnclosedValue {
    int64_t offset = 0; // 0-based byte offset of its '{' or '[' in the text
    int64_t line = 1;   // 1-based line of that byte
    NodeKind kind = NodeKind::Object;
};

// text: the text as the engine reads it (GB18030; with "单引号格式" the text before its
// quotes are converted, with quote '\''). Strings, escapes and a last unpaired quote are
// read as the engine's masking reads them.
std::optional<UnclosedValue> findUnclosedValue(std::string_view text, char quote = '"');

} // namespace tess
