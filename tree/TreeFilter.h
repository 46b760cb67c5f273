#pragma once
// The filter's rule: which tree items stay when the tree shows only what matches the find
// text (CaptionMatcher: plain, wildcard, regex, ignoring case or not): every item whose
// caption matches, and every ancestor of one. Items come in tree order (pre-order) with
// their depth, as the tree model and the tree content block give them. No Qt.
#include "json/TreeSearch.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tess {

class JsonDocument;

enum class FilterMark : uint8_t { Hidden = 0, Ancestor = 1, Match = 2 };

struct FilterOutcome {
    std::vector<FilterMark> marks; // per item
    uint64_t matches = 0;
    uint64_t kept = 0; // matches and their ancestors
    bool cancelled = false;
};

struct FilterControl {
    const std::atomic<bool>* cancel = nullptr;
    // Called about every 65,536 items with the items done and the count.
    std::function<void(uint64_t done, uint64_t total)> progress;
};

// Over count items: captionOf(i) cut as find cuts it (searchedPart), depthOf(i) >= 1.
FilterOutcome filterItems(int count, const std::function<std::string_view(int)>& captionOf,
                          const std::function<int(int)>& depthOf, const CaptionMatcher& matcher,
                          const FilterControl& control = {});

// Over a document's tree (item i is node i + 1), reading the captions of its tree content
// block; rootCaption stands for the root's (the window shows the load time there).
FilterOutcome filterDocument(const JsonDocument& doc, const CaptionMatcher& matcher, std::string_view rootCaption,
                             const FilterControl& control = {});

} // namespace tess
