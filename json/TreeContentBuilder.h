#pragma once
// Builds the tree content block of a node table: one record per node, in table order,
// captioned "name" for a container and "name:value" for a scalar ("#SYH#" shown as \").
#include "json/JsonNodeList.h"
#include "json/TreeContentBuffer.h"

#include <functional>
#include <string_view>

namespace tess {

// With threads > 1 a large table is written in that many parts at once.
TreeContentBlock buildTreeContentBlock(const JsonNodeList& nodes, int threads);

// The same bytes handed to piece in consecutive runs of whole records, in table order,
// holding only a few MiB at a time: for readers that go through the block once.
void forEachTreeContentPiece(const JsonNodeList& nodes, int threads,
                             const std::function<void(std::string_view)>& piece);

} // namespace tess
