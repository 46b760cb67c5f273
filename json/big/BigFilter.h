#pragma once
// The filter over a big document: the nodes whose caption matches the find text (every
// mode of CaptionMatcher) with their ancestors, in tree order, streamed as the find
// streams them (the bytes searched first where they can stand for the captions, else the
// nodes walked). At most maxMatches matches are kept; past them the outcome says so.
// Runs off the window's thread: cancel and progress. No Qt.
#include "json/big/BigDocument.h"
#include "json/TreeSearch.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tess::big {

struct FilterRequest {
    std::string text; // engine text, as the find box gives it
    FindMode mode = FindMode::Plain;
    bool ignoreCase = false;
    bool zeroBased = false;
    std::string rootCaption = "JSON"; // engine text: what the root's item shows
    uint64_t maxMatches = 100000;
    const std::atomic<bool>* cancel = nullptr;
    // Called now and then with the bytes done and the bytes to do.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

// A node kept: the root is nodes[0] (parent -1); every other node's parent comes before it.
struct KeptNode {
    Node node;
    int64_t parent = -1;
    bool match = false;
};

enum class FilterStatus { Done, OverLimit, Cancelled, BadPattern };

struct BigFilterOutcome {
    std::vector<KeptNode> nodes;
    uint64_t matches = 0;
    FilterStatus status = FilterStatus::Done;
    std::string error; // BadPattern: why (English)
};

BigFilterOutcome filterNodes(const BigDocument& doc, const FilterRequest& request);

} // namespace tess::big
