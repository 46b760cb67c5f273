// Expanding and collapsing whole subtrees of a tree view.
//
// QTreeView lays out its rows after each expand() or collapse() unless a full layout is
// already pending; with one pending, they only record the state. The commands below
// therefore schedule the layout first and then walk the model's items (pre-order, O(1)
// per item). The walked subtree is kept closed while it is walked, so the layouts in
// between lay out only the rows outside it; it opens once, at the end.
//
// The walk runs in slices of the event loop (about 20 ms each), so the window answers
// and can stop it; a walk that fits into the first slice ends before the command returns.
//
// Recording and dropping an expanded state costs Qt a persistent index each, a few
// hundred milliseconds for a million items. Collapsing therefore closes the item at once
// and drops the states below it afterwards, a few milliseconds per event-loop step.
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QElapsedTimer>
#include <QTimer>

namespace tess {
namespace {

constexpr qint64 kDropStepMs = 15;

} // namespace

int64_t TreeView::rowsBelow(int item) const
{
    const TreeModel& model = treeModel();
    if (item < 0 || item >= model.itemCount())
        return 0;
    return model.subtreeEnd(item) - item - 1;
}

int64_t TreeView::rowsAtLevel(int level) const
{
    // Shown are the items of depth <= level + 1; the subtree of one at level + 1 is skipped.
    const TreeModel& model = treeModel();
    int64_t rows = 0;
    for (int i = 0; i < model.itemCount(); ++rows)
        i = model.itemDepth(i) > level ? model.subtreeEnd(i) : i + 1;
    return rows;
}

void TreeView::expandBelow(int item)
{
    stopExpansion();
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (item < 0 || item >= model.itemCount())
        return;
    const QModelIndex top = model.indexOfItem(item);
    if (isExpanded(top))
        collapse(top);
    ExpansionJob job;
    job.top = item;
    job.begin = job.next = item + 1;
    job.end = model.subtreeEnd(item);
    startExpansion(job);
}

void TreeView::expandToLevel(int level)
{
    stopExpansion();
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (model.itemCount() == 0)
        return;
    // The top-level items stay closed while the walk records the states above the level
    // and closes the shown items below it; the deeper states are dropped afterwards.
    for (int row = 0; row < model.rowCount(); ++row)
        collapse(model.index(row, 0));
    ExpansionJob job;
    job.level = level;
    job.end = model.itemCount();
    startExpansion(job);
}

void TreeView::startExpansion(ExpansionJob job)
{
    job.running = true;
    job.resets = m_resetCount;
    m_job = job;
    scheduleDelayedItemsLayout();
    if (expansionSlice(m_sliceMs))
        endExpansion(false);
    else
        queueExpansionSlice();
}

void TreeView::queueExpansionSlice()
{
    if (m_job.queued)
        return;
    m_job.queued = true;
    emit expansionProgress(static_cast<int>(int64_t(m_job.next - m_job.begin) * 100 /
                                            std::max(1, m_job.end - m_job.begin)));
    QTimer::singleShot(0, this, [this] {
        m_job.queued = false;
        if (!m_job.running)
            return;
        if (m_job.resets != m_resetCount) {
            m_job.running = false; // another document came: its items are not ours
            emit expansionEnded(false);
            return;
        }
        scheduleDelayedItemsLayout();
        if (expansionSlice(m_sliceMs))
            endExpansion(false);
        else
            queueExpansionSlice();
    });
}

bool TreeView::expansionSlice(qint64 budgetMs)
{
    const TreeModel& model = treeModel();
    QElapsedTimer timer;
    timer.start();
    const int level = m_job.level;
    while (m_job.next < m_job.end) {
        const int i = m_job.next++;
        if (model.itemChildCount(i) > 0) {
            if (m_job.top >= 0 || model.itemDepth(i) <= level)
                expand(model.indexOfItem(i));
            else if (model.itemDepth(i) == level + 1)
                collapse(model.indexOfItem(i)); // shown below the level: its old subtree is not laid out
        }
        if (budgetMs >= 0 && (i & 255) == 0 && timer.elapsed() >= budgetMs)
            return m_job.next >= m_job.end;
    }
    return true;
}

void TreeView::endExpansion(bool stopped)
{
    const TreeModel& model = treeModel();
    const ExpansionJob job = m_job;
    m_job = ExpansionJob();
    if (job.resets != m_resetCount) {
        emit expansionEnded(false);
        return;
    }
    scheduleDelayedItemsLayout();
    // The items the walk kept closed open again; after a stop their children stay closed.
    std::vector<int> opened;
    if (job.top >= 0) {
        opened.push_back(job.top);
    } else {
        for (int row = 0; row < model.rowCount(); ++row)
            opened.push_back(model.itemOfIndex(model.index(row, 0)));
    }
    for (const int item : opened) {
        const QModelIndex idx = model.indexOfItem(item);
        if (stopped) {
            for (int row = 0; row < model.rowCount(idx); ++row)
                collapse(model.index(row, 0, idx));
        }
        expand(idx);
    }
    executeDelayedItemsLayout();
    if (stopped)
        scheduleStaleDrop(job.top >= 0 ? job.top + 1 : 0, job.top >= 0 ? model.subtreeEnd(job.top) : model.itemCount(),
                          (job.top >= 0 ? model.itemDepth(job.top) : 1) + 2);
    else if (job.top < 0)
        scheduleStaleDrop(0, model.itemCount(), (job.level < 0 ? 0 : job.level) + 2);
    emit expansionEnded(stopped);
}

void TreeView::stopExpansion()
{
    if (m_job.running)
        endExpansion(true);
}

void TreeView::finishExpansion()
{
    if (!m_job.running)
        return;
    if (m_job.resets == m_resetCount)
        expansionSlice(-1);
    endExpansion(false);
}

void TreeView::collapseBelow(int item)
{
    stopExpansion();
    finishPendingCollapse();
    const TreeModel& model = treeModel();
    if (item < 0 || item >= model.itemCount())
        return;
    collapse(model.indexOfItem(item));
    scheduleStaleDrop(item + 1, model.subtreeEnd(item), 0);
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
