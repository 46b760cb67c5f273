#pragma once
// Find over a big document as the window's find searches a tree: the captions the tree
// shows ("name:value", at most the part find searches), in tree order from a node,
// forward or backward, once around. Every mode of CaptionMatcher works. Where every
// caption the search can match holds a literal part of the find text in its bytes (or one
// of a few, for the alternatives of a regular expression), the bytes are searched for
// those first (memmem, or a case-folded copy of the bytes) and only the nodes holding one
// are read; otherwise the nodes are walked. No Qt.
#include "json/big/BigDocument.h"
#include "json/TreeSearch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::big {

struct SearchRequest {
    std::string text; // engine text, as the find box gives it
    FindMode mode = FindMode::Plain;
    bool ignoreCase = false;
    bool backward = false;
    bool zeroBased = false;          // element names count from 0
    std::string rootCaption = "JSON"; // engine text: what the root's item shows
    // Called now and then with the bytes done and the bytes to do; false stops the search.
    std::function<bool(uint64_t done, uint64_t total)> progress;
};

enum class SearchResult { Found, NotFound, Stopped, BadPattern };

// Searches from the node `from` (root ... node; empty: nothing selected, so forward
// starts at the root and backward at the last node) and, when nothing is found, once more
// from the other end up to `from` itself. On Found, hit holds the chain of the node.
SearchResult searchCaptions(const BigDocument& doc, const SearchRequest& request, const std::vector<Node>& from,
                            std::vector<Node>& hit);

// The longest run of the find text (UTF-8) that every caption it can match holds in the
// node's own bytes (its name or value as written), ASCII letters lowered when ignoring
// case; empty when there is none and the nodes must be walked. A regular expression
// gives its runs of plain characters outside groups and classes, unless it has
// alternatives or inline options.
std::string literalPart(std::string_view textUtf8, FindMode mode, bool ignoreCase);
// The same as a set of which every caption the find text can match holds one: one run of
// each alternative of a regular expression ('|' outside groups), or literalPart alone.
// Empty when some alternative has none.
std::vector<std::string> literalParts(std::string_view textUtf8, FindMode mode, bool ignoreCase);

} // namespace tess::big
