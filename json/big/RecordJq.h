#pragma once
// A jq command line that reaches a node of a JSON Lines file. jq reads such a file as a
// stream of values, where an index names nothing, and it stops at the first broken line;
// the command reads the file as raw lines instead, takes the record's line with nth (0
// the first line, so broken and empty lines count as the tree's [line] does) and parses
// it there: jq -cnR 'nth(LINE-1; inputs) | fromjson | .rest'. No Qt.
#include "json/big/BigDocument.h"

#include <string>
#include <vector>

namespace tess::big {

// The command for the chain's last node (engine text); empty when the chain does not go
// through a record of JSON Lines (chain[0] the root, chain[1] the record).
std::string jqRecordCommand(const BigDocument& doc, const std::vector<Node>& chain);

} // namespace tess::big
