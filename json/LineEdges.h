#pragma once
// Internal to the engine: the spaces and tabs at the edges of lines, outside strings,
// taken out of a prepared text. Every text later cut from it is trimmed of exactly those
// (trimming removes blanks at line edges and at a text's two ends, and a cut never falls
// inside a run of blanks), so the texts come out the same, while the containers of pretty
// text become slices that need no trimming, copying or scanning again.
#include <string>

namespace tess {

// Removes, in place, runs of spaces and tabs right before a line feed (or the CR of a
// CR LF) and right after a line feed, where the line feed lies outside every string
// (quotes paired from the start; after an unpaired last quote nothing is touched).
// True when anything was removed.
bool trimLineEdgesOutsideStrings(std::string& text);

} // namespace tess
