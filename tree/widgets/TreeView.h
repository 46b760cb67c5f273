#pragma once
// A slot's tree view: a QTreeView over its own TreeModel, addressed by 0-based
// pre-order item indexes. Holds the slot's source text and loaded flag.
#include "tree/SharedText.h"

#include <QTreeView>

#include <cstdint>
#include <string>

namespace tess {

class TreeModel;
class TreeIcons;

// The text an empty tree shows in its empty area.
QString emptyTreeHint();

class TreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);

    TreeModel& treeModel() { return *m_model; }
    const TreeModel& treeModel() const { return *m_model; }

    // Shows another model instead of the view's own (a tab on the big-document road), or
    // the own one again with null. Item indexes and the commands built on them address
    // the own model only: selectedItem() is -1 while another model is shown.
    void showModel(QAbstractItemModel* other);
    bool showsOwnModel() const;
    QModelIndex selectedIndex() const;

    int itemCount() const;
    // The selected item's index, or -1 when none is selected.
    int selectedItem() const;
    // Selects the item (expanding its ancestors and scrolling to it, see showWithContext);
    // the selection-change signal runs. An index outside the tree clears the selection.
    void selectItem(int item);
    // Scrolls so that the item's row is wholly in view with a row of room above and below
    // (a row at the tree's very top or bottom needs none); a row without is centred, so
    // that its parent is in sight too where the view is tall enough.
    void showWithContext(const QModelIndex& idx);
    void expandItem(int item);

    // Expansion commands (TreeExpansion.cpp). They run in slices of the event loop, so
    // the window keeps answering: expansionProgress reports how far they are, and
    // stopExpansion() ends one early. Rows are laid out once, at the end, not after every
    // item. A new command, or a new document, ends a running one first.
    // Expands item and every item below it.
    void expandBelow(int item);
    // Collapses item and every item below it. The item closes at once; the expanded
    // states below it are dropped afterwards in steps of the event loop.
    void collapseBelow(int item);
    // Items of depth <= level are expanded, deeper ones collapsed: level 1 shows the
    // top-level items' children (as after a load), level 2 their children too.
    void expandToLevel(int level);
    // How many rows expandBelow(item) and expandToLevel(level) would show.
    int64_t rowsBelow(int item) const;
    int64_t rowsAtLevel(int level) const;
    bool expansionRunning() const { return m_job.running; }
    // Ends a running expansion: the item it opened (or, for a level, the top-level
    // items) shows its children, everything deeper is closed again.
    void stopExpansion();
    // Runs a running expansion to its end now.
    void finishExpansion();
    // How long one slice of the walk may take (20 ms; tests make it shorter).
    void setExpansionSliceMs(qint64 ms) { m_sliceMs = ms; }
    // Makes the column as wide as the widest caption of the items shown (those whose
    // ancestors are all expanded), at least as wide as the view, so the horizontal
    // scroll bar appears only when a caption does not fit. Runs by itself after every
    // expand and collapse; call it after replacing the items.
    void fitColumnToCaptions();
    int captionsWidth() const { return m_captionsWidth; }

    // True while expanded states below a collapsed item are still being dropped.
    bool collapsePending() const { return m_staleEnd > m_staleNext; }
    // Drops them now.
    void finishPendingCollapse();

    // Many expand() calls in a row: they record the states only, and the rows are laid
    // out once, at the next layout pass or finishBulkExpand().
    void beginBulkExpand() { scheduleDelayedItemsLayout(); }
    void finishBulkExpand() { executeDelayedItemsLayout(); }

    // The text last loaded into the slot, before any decoding (shared with the slot's
    // document when it parsed the text as it is), and whether the slot was loaded during
    // this run.
    SharedText sourceText;
    bool loaded = false;

signals:
    // The selected item changed (also to no item).
    void selectionChangedTo(int item);
    // A running expansion has done percent of its walk.
    void expansionProgress(int percent);
    // An expansion ended: done (or made void by a new document), or stopped early.
    void expansionEnded(bool stopped);
    // A right-button press on an item: the item is selected first, then this is emitted.
    void itemMenuRequested(const QPoint& globalPos);
    // The paste shortcut was pressed in the tree.
    void pasteRequested();

protected:
    // Ctrl with a click or with Space would deselect the item; a tree always keeps its
    // selected item until another one is chosen.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The menu key (or Shift+F10) opens the item menu at the selected item.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The column follows the viewport's width (a vertical scroll bar narrows it).
    bool viewportEvent(QEvent* event) override;
    // An empty tree says, quietly, how to fill it (EmptyTreeHint.cpp).
    void paintEvent(QPaintEvent* event) override;
    // Another model may guess that a row not read yet opens (so that laying out a million
    // rows reads none); a painted row's own branch follows what the model then knows.
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    // The walk of a running expansion: items [next, end) in pre-order. With top >= 0 every
    // container below top is expanded; otherwise (a level) containers of depth <= level
    // are expanded and those of depth level + 1 collapsed.
    struct ExpansionJob {
        bool running = false;
        bool queued = false;
        int top = -1;
        int level = 0;
        int next = 0;
        int end = 0;
        int begin = 0;
        int resets = 0;
    };
    void startExpansion(ExpansionJob job);
    void queueExpansionSlice();
    // Walks for about budgetMs (all of it when negative); true when the walk is done.
    bool expansionSlice(qint64 budgetMs);
    void endExpansion(bool stopped);
    void dropStaleStates(qint64 budgetMs);
    void scheduleStaleDrop(int from, int to, int minDepth);

    void scheduleColumnFit();
    void applyColumnWidth();
    void watchSelection();

    TreeModel* m_model;
    int m_captionsWidth = 0;
    bool m_fitQueued = false;
    // Items [m_staleNext, m_staleEnd) of depth >= m_staleMinDepth still to be collapsed.
    int m_staleNext = 0;
    int m_staleEnd = 0;
    int m_staleMinDepth = 0;
    bool m_staleTimerQueued = false;
    int m_resetCount = 0; // model resets so far: a long walk stops when the items change
    ExpansionJob m_job;
    qint64 m_sliceMs = 20;
};

} // namespace tess
