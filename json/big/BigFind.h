#pragma once
// Find over a big document without walking its tree: plain text is searched in the mapped
// bytes and each hit mapped to its node, whose caption then decides (the same matching
// as the window's find and --find). Forward, from a byte offset, in tree order.
#include "json/big/BigDocument.h"
#include "json/TreeSearch.h"

#include <functional>
#include <string_view>
#include <vector>

namespace tess::big {

// True when the bytes can stand for the captions: plain text, case as typed, valid UTF-8,
// none of [ ] : " \ # or control characters, not digits only (element names hold digits),
// not a part of "SYH" (an escaped quote in a name shows as #SYH#), and no broken JSON
// Lines (their captions are messages). Otherwise walk the tree.
bool findSearchesBytes(const BigDocument& doc, std::string_view textUtf8, FindMode mode, bool ignoreCase);

// Every node after byte offset `from` whose caption the matcher accepts and whose bytes
// hold textUtf8, in tree order; found(chain) returns false to stop. The root (caption
// "JSON") is not among them. Returns the offset where the search stopped (the end of the
// usable bytes when it ran through).
uint64_t findInBytes(const BigDocument& doc, std::string_view textUtf8, const CaptionMatcher& matcher, bool zeroBased,
                     uint64_t from, const std::function<bool(const std::vector<Node>& chain)>& found);

// The last node before byte offset `before` in tree order (its name or value starting
// before it) whose caption the matcher accepts and whose bytes hold textUtf8: its chain in
// chain. False when there is none.
bool findPreviousInBytes(const BigDocument& doc, std::string_view textUtf8, const CaptionMatcher& matcher,
                         bool zeroBased, uint64_t before, std::vector<Node>& chain);

// True when the text found at `at` lies in what the node's caption shows: its name or its
// scalar value (not the blanks around them, nor a container's insides).
bool inCaption(const Node& node, uint64_t at, uint64_t length);

// Where a node's caption starts in the bytes (its name, or its value) and where what it
// shows of them ends (a container shows its name only): find next goes on from
// captionEnd of the current node, find previous from its captionStart.
inline uint64_t captionStart(const Node& node)
{
    return node.isMember() ? node.keyStart : node.start;
}
inline uint64_t captionEnd(const Node& node)
{
    if (!node.isContainer())
        return node.end;
    return node.isMember() ? node.keyEnd : node.start + 1;
}

} // namespace tess::big
