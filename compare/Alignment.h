#pragma once
// The alignment of two arrays' elements, given as one hash per element: the longest
// common subsequence (Myers' difference walk) after the common start and end are set
// aside, so that one inserted element does not make every later one look changed. No Qt.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tess::compare {

// The walk costs about (elements between the common start and end) x (edits) steps and
// keeps about edits^2 numbers: it looks for at most maxEdits insertions plus removals, and
// fewer where the stretch is so long that the steps would pass maxWork.
struct AlignLimits {
    std::size_t maxEdits = 1000;
    std::size_t maxWork = 200000000;
};

// A stretch of both sequences: equal elements one to one (same), or elements of the
// left side without a partner followed by elements of the right side without one.
struct AlignedRun {
    uint64_t left = 0;
    uint64_t right = 0;
    uint64_t leftCount = 0;
    uint64_t rightCount = 0;
    bool same = false;
};

struct Alignment {
    std::vector<AlignedRun> runs; // in order, covering both sequences
    // False when the edits were past the limits: the middle is one run of differing elements,
    // which the caller compares position by position.
    bool aligned = true;
};

Alignment alignSequences(std::span<const uint64_t> a, std::span<const uint64_t> b, const AlignLimits& limits = {});

} // namespace tess::compare
