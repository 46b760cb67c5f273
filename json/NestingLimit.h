#pragma once
// How deep a document may nest, on both roads. The root is level 1; the opener of a
// container at a deeper level is where reading stops, so a hostile text of millions of
// brackets costs neither road more than this many levels.
#include <cstdint>

namespace tess {

inline constexpr uint32_t kMaxNesting = 1024;

} // namespace tess
