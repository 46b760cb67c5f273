#pragma once
// Builds the tree content block of a node table: one record per node, in table order,
// captioned "name" for a container and "name:value" for a scalar ("#SYH#" shown as \").
#include "json/JsonNodeList.h"
#include "json/TreeContentBuffer.h"

namespace tess {

// With threads > 1 a large table is written in that many parts at once.
TreeContentBlock buildTreeContentBlock(const JsonNodeList& nodes, int threads);

} // namespace tess
