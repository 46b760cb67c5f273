#pragma once
// Reading a large shared text in parts of about a megabyte instead of as one string, for
// the passes that do not need it whole: the parts end where white space compacting cannot
// reach across (outside strings), so compacting the parts one by one gives the compacted
// whole.
#include "tree/SharedText.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tess {

// Calls visit(part) for consecutive parts of text, in order, until it returns false;
// false when a visit stopped the walk. Each part but the last ends right after a comma
// outside strings (after an even number of quotes) that is followed by a byte that starts
// no white space; parts hold about chunkSize
// bytes or more (a text without such a comma is one part).
bool forEachTextPart(const SharedText& text, std::size_t chunkSize, const std::function<bool(std::string_view)>& visit);

// compactWhitespace of text, made part by part; nothing when compacting would not change
// the text (then the text itself is the result and no copy is made).
std::optional<std::string> compactedText(const SharedText& text, std::size_t chunkSize = std::size_t(1) << 20);

} // namespace tess
