#pragma once
// Which files take the big-document road, for the command line and the window alike: a
// file of at least the threshold (64 MiB; TESSARINE_BIG_THRESHOLD=BYTES moves it), or one
// named as JSON Lines (.jsonl, .ndjson). No Qt.
#include <cstdint>
#include <string>
#include <string_view>

namespace tess::big {

uint64_t bigThreshold();
bool hasLinesExtension(const std::string& path);
bool takesBigRoad(const std::string& path, uint64_t size);

// True when text (UTF-8) is JSON Lines: a complete value on its first line and another
// value on a later line. Looks at the first two lines only.
bool looksLikeJsonLines(std::string_view utf8);

} // namespace tess::big
