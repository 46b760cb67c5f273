#include "compare/DiffMarks.h"

#include <algorithm>

namespace tess::compare {

void DiffMarks::add(DiffKind kind, int32_t node)
{
    ++m_counts[static_cast<std::size_t>(kind)];
    m_marks.push_back({node, kind});
}

void DiffMarks::finish(const JsonNodeList& nodes)
{
    std::stable_sort(m_marks.begin(), m_marks.end(), [](const Mark& a, const Mark& b) { return a.node < b.node; });
    m_marks.erase(std::unique(m_marks.begin(), m_marks.end(),
                              [](const Mark& a, const Mark& b) { return a.node == b.node; }),
                  m_marks.end());
    // Each mark and its ancestors, the walk up stopping at a node already taken.
    std::vector<bool> taken(static_cast<std::size_t>(nodes.nodeCount()) + 1, false);
    std::vector<int32_t> found;
    for (const Mark& m : m_marks)
        for (int32_t n = m.node; n >= 1 && n <= nodes.nodeCount() && !taken[static_cast<std::size_t>(n)];
             n = nodes.parentOf(n)) {
            taken[static_cast<std::size_t>(n)] = true;
            found.push_back(n);
        }
    std::sort(found.begin(), found.end());
    m_holders = std::move(found);
}

std::optional<DiffKind> DiffMarks::markOf(int32_t node) const
{
    const auto it = std::lower_bound(m_marks.begin(), m_marks.end(), node,
                                     [](const Mark& m, int32_t n) { return m.node < n; });
    if (it == m_marks.end() || it->node != node)
        return std::nullopt;
    return it->kind;
}

bool DiffMarks::holdsDifference(int32_t node) const
{
    return std::binary_search(m_holders.begin(), m_holders.end(), node);
}

int32_t DiffMarks::next(int32_t node) const
{
    const auto it = std::upper_bound(m_marks.begin(), m_marks.end(), node,
                                     [](int32_t n, const Mark& m) { return n < m.node; });
    return it == m_marks.end() ? -1 : it->node;
}

int32_t DiffMarks::previous(int32_t node) const
{
    const auto it = std::lower_bound(m_marks.begin(), m_marks.end(), node,
                                     [](const Mark& m, int32_t n) { return m.node < n; });
    return it == m_marks.begin() ? -1 : std::prev(it)->node;
}

} // namespace tess::compare
