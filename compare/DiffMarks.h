#pragma once
// What a tab on the engine's road shows of a comparison: each node of the left document
// with its kind of difference (an added member or element marks the container it was
// added to), which containers hold a difference somewhere below (they stay open when
// unchanged subtrees fold away), the counts, and the differences in tree order for going
// to the next or the previous one. Nodes are the table's 1-based indexes. No Qt.
#include "compare/CompareTypes.h"
#include "json/JsonNodeList.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tess::compare {

class DiffMarks {
public:
    // One difference at a left node (Added: the container it was added to).
    void add(DiffKind kind, int32_t node);
    // After the last add: orders the marks and finds the containers above them.
    void finish(const JsonNodeList& nodes);

    // The node's own mark: the kind of its difference, Added for a container something was
    // added to (a node with a changed value and an added child keeps the first it got).
    std::optional<DiffKind> markOf(int32_t node) const;
    // True for a node with a mark or a mark below it.
    bool holdsDifference(int32_t node) const;
    // The next marked node after node in tree order (-1: none; node 0 starts at the top),
    // and the previous one before it (node past the last: starts at the end).
    int32_t next(int32_t node) const;
    int32_t previous(int32_t node) const;
    uint64_t count(DiffKind kind) const { return m_counts[static_cast<std::size_t>(kind)]; }
    std::size_t markedNodes() const { return m_marks.size(); }

private:
    struct Mark {
        int32_t node;
        DiffKind kind;
    };
    std::vector<Mark> m_marks;      // by node after finish
    std::vector<int32_t> m_holders; // sorted: marked nodes and their ancestors
    uint64_t m_counts[4] = {0, 0, 0, 0};
};

} // namespace tess::compare
