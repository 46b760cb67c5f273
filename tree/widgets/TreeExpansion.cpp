// Expanding and collapsing whole subtrees of a tree view.
//
// QTreeView lays out its rows after each expand() or collapse() unless a full layout is
// already pending; with one pending, they only record the state. The commands below
// therefore schedule the layout first and then walk the model's items (pre-order, O(1)
// per item). The walked subtree is kept closed while it is walked, so the repaints in
// between lay out only the rows outside it; it opens once, at the end.
//
// Recording and dropping an expanded state costs Qt a persistent index each, a few
// hundred milliseconds for a million items. Collapsing therefore closes the item at once
// and drops the states below it afterwards, a few milliseconds per event-loop step.
#include "platform/qt/GuiPump.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QElapsedTimer>
#include <QTimer>

namespace tess {
namespace {

constexpr qint64 kPaintEveryMs = 50;
constexpr qint64 kDropStepMs = 15;

} // namespace

void TreeView::expandBelow(int item)
{
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (item < 0 || item >= model.itemCount())
        return;
    const QModelIndex top = model.indexOfItem(item);
    if (isExpanded(top))
        collapse(top);
    const int resets = m_resetCount;
    const int end = model.subtreeEnd(item);
    QElapsedTimer sincePaint;
    sincePaint.start();
    scheduleDelayedItemsLayout();
    for (int i = item + 1; i < end; ++i) {
        if (model.itemChildCount(i) > 0)
            expand(model.indexOfItem(i));
        if ((i & 1023) == 0 && sincePaint.elapsed() >= kPaintEveryMs) {
            qt::pumpNow();
            if (resets != m_resetCount)
                return; // another document was loaded meanwhile
            scheduleDelayedItemsLayout();
            sincePaint.restart();
        }
    }
    expand(top);
    executeDelayedItemsLayout();
}

void TreeView::collapseBelow(int item)
{
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (item < 0 || item >= model.itemCount())
        return;
    collapse(model.indexOfItem(item));
    scheduleStaleDrop(item + 1, model.subtreeEnd(item), 0);
}

void TreeView::expandToLevel(int level)
{
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (model.itemCount() == 0)
        return;
    // Close the top-level items, record the states above the level, open them again,
    // and drop the deeper states afterwards.
    std::vector<QModelIndex> tops;
    for (int row = 0; row < model.rowCount(); ++row)
        tops.push_back(model.index(row, 0));
    for (const QModelIndex& top : tops)
        collapse(top);
    scheduleDelayedItemsLayout();
    std::vector<int> pending;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        pending.push_back(model.itemOfIndex(*it));
    while (!pending.empty()) {
        const int i = pending.back();
        pending.pop_back();
        const int children = model.itemChildCount(i);
        if (children == 0 || model.itemDepth(i) > level)
            continue;
        const QModelIndex idx = model.indexOfItem(i);
        expand(idx);
        for (int row = children - 1; row >= 0; --row) {
            const int child = model.itemOfIndex(model.index(row, 0, idx));
            if (model.itemDepth(child) > level) {
                // A shown item below the level: closed now, so its old subtree is not laid out.
                if (model.itemChildCount(child) > 0)
                    collapse(model.indexOfItem(child));
            } else {
                pending.push_back(child);
            }
        }
    }
    executeDelayedItemsLayout();
    // Everything deeper is hidden now; its states are dropped afterwards.
    scheduleStaleDrop(0, model.itemCount(), (level < 0 ? 0 : level) + 2);
}

void TreeView::scheduleStaleDrop(int from, int to, int minDepth)
{
    m_staleNext = from;
    m_staleEnd = to;
    m_staleMinDepth = minDepth;
    if (collapsePending() && !m_staleTimerQueued) {
        m_staleTimerQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_staleTimerQueued = false;
            dropStaleStates(kDropStepMs);
            if (collapsePending())
                scheduleStaleDrop(m_staleNext, m_staleEnd, m_staleMinDepth);
        });
    }
}

void TreeView::finishPendingCollapse()
{
    dropStaleStates(-1);
}

void TreeView::dropStaleStates(qint64 budgetMs)
{
    if (!collapsePending())
        return;
    const TreeModel& model = treeModel();
    QElapsedTimer timer;
    timer.start();
    scheduleDelayedItemsLayout();
    // A state dropped from a hidden item changes no row; the pending layout of the rows
    // that are shown runs once afterwards.
    while (m_staleNext < m_staleEnd) {
        const int i = m_staleNext++;
        if (model.itemChildCount(i) > 0 && model.itemDepth(i) >= m_staleMinDepth)
            collapse(model.indexOfItem(i));
        if (budgetMs >= 0 && (i & 1023) == 0 && timer.elapsed() >= budgetMs)
            break;
    }
    executeDelayedItemsLayout();
}

} // namespace tess
