#pragma once
// The comparison of two documents, on either road (EngineSide, BigSide) and across them.
//
// Objects pair their members by name, whatever their order (a name given twice pairs its
// first with the other side's first, and so on); members that come in the same order on
// both sides are paired as the walk goes, so only the rest of an object whose order
// differs is held (its members' names), and an object with more than maxMembers such
// members is paired in stored order instead, with a note. Arrays are aligned by the
// longest common subsequence of their elements (compare/Alignment.h, by a hash of each
// element) when they have at most maxHashedElements elements and the alignment is within
// its limits, else compared element by element (with a note when the limits were the
// cause); elements without a partner in one stretch are compared pairwise in order, the
// rest are added or removed.
// Numbers compare by value, strings by their characters.
//
// The differences come one at a time, in the left document's order, to a callback that
// may stop the walk. The walk runs on a thread of its own with a large stack (nesting of
// any depth); the call returns when it is done. cancel is read as the walk goes, and
// progress is called about every 16,384 values with the left side's position. No Qt.
#include "compare/Alignment.h"
#include "compare/CompareTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace tess::compare {

struct CompareOptions {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(uint64_t done, uint64_t total)> progress;
    AlignLimits align;
    uint64_t maxHashedElements = 10000000; // 80 MB of hashes a side at most
    uint64_t maxMembers = 100000;
    std::size_t maxNotes = 100; // notes kept; the count goes on
};

struct CompareSummary {
    uint64_t added = 0;
    uint64_t removed = 0;
    uint64_t changed = 0;
    uint64_t typeChanged = 0;
    std::vector<Note> notes;
    uint64_t noteCount = 0;
    bool cancelled = false; // cancel was set
    bool stopped = false;   // the callback stopped the walk
    uint64_t differences() const { return added + removed + changed + typeChanged; }
};

template <class L, class R>
struct Difference {
    DiffKind kind;
    const Path& path;
    const typename L::Item* left;  // null for Added
    const typename R::Item* right; // null for Removed
    // The left container the difference lies in (for Added: the one it would be in); null
    // for the root.
    const typename L::Item* leftContainer;
};

template <class L, class R>
using DifferenceSink = std::function<bool(const Difference<L, R>&)>;

// Compares right against left; false from found stops the walk.
template <class L, class R>
CompareSummary compareDocuments(const L& left, const R& right, const CompareOptions& options,
                                const DifferenceSink<L, R>& found);

} // namespace tess::compare
