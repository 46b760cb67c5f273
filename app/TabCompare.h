#pragma once
// A tab's comparison with another document on the engine's road: both texts are parsed
// again on a worker (a worker may not read a tab's document), compared, and what the tab
// shows of it is kept: each item's mark, the counts, the next and previous difference.
#include "compare/Comparison.h"
#include "compare/DiffMarks.h"
#include "tree/SharedText.h"
#include "tree/widgets/TreeLoader.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tess {

struct TabComparison {
    compare::DiffMarks marks;
    compare::CompareSummary summary;
    int32_t leftNodes = 0;  // nodes of the left document as parsed again
    QString against;        // what the tab is compared with, for the status line
    int otherTab = 0;       // the tab compared with, 0 for a file or the previous document
    uint64_t leftShown = 0; // the tabs' document counters when the comparison began
    uint64_t otherShown = 0;
    // The expansion and selection before unchanged subtrees were folded away.
    std::vector<int> expandedBefore;
    int selectedBefore = -1;
    bool folded = false;
};

// Parses both texts as a tab with options would and compares right against left; null
// when cancel was set. Touches no window object.
std::shared_ptr<TabComparison> compareTexts(const SharedText& left, const SharedText& right,
                                            const LoadOptions& options, const std::atomic<bool>* cancel,
                                            const std::function<void(uint64_t, uint64_t)>& progress);

// The tree model's mark of a difference (TreeModel::setItemMarks): -1 for none.
int markOfItem(const TabComparison& c, int item);

// The counts for the status line, and the selected item's word when it has a mark.
QString comparisonStatus(const TabComparison& c, int selectedItem);

// The word of a kind of difference.
QString diffWord(compare::DiffKind kind);

} // namespace tess
