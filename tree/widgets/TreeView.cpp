#include "tree/widgets/TreeView.h"

#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace tess {

TreeView::TreeView(QWidget* parent) : QTreeView(parent), m_model(new TreeModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(TreeIcons::kSize, TreeIcons::kSize));
    setExpandsOnDoubleClick(true);
    setAnimated(false);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The column's width is set from the captions shown (fitColumnToCaptions): Qt's own
    // fit to contents would measure every row of a million-row tree.
    header()->setSectionResizeMode(QHeaderView::Fixed);
    // On the selection, not the current index: a mouse press makes the item current
    // before it selects it.
    watchSelection();
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        ++m_resetCount;
        m_staleNext = m_staleEnd = 0;
        // A running expansion is void: the items it walks are going.
        if (m_job.running) {
            m_job.running = false;
            emit expansionEnded(false);
        }
    });
    // An item opened by hand must not show states that a collapse is still dropping.
    connect(this, &QTreeView::expanded, this, [this] {
        finishPendingCollapse();
        scheduleColumnFit();
    });
    connect(this, &QTreeView::collapsed, this, &TreeView::scheduleColumnFit);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TreeView::scheduleColumnFit);
}

void TreeView::watchSelection()
{
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChangedTo(selectedItem()); });
}

void TreeView::showModel(QAbstractItemModel* other)
{
    QAbstractItemModel* next = other ? other : m_model;
    if (model() == next)
        return;
    QItemSelectionModel* old = selectionModel();
    setModel(next);
    delete old;
    watchSelection();
    scheduleColumnFit();
}

bool TreeView::showsOwnModel() const
{
    return model() == m_model;
}

QModelIndex TreeView::selectedIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

int TreeView::itemCount() const
{
    return m_model->itemCount();
}

int TreeView::selectedItem() const
{
    // One column and single selection: at most one selected index.
    if (!showsOwnModel())
        return -1;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : m_model->itemOfIndex(selected.first());
}

void TreeView::selectItem(int item)
{
    const QModelIndex idx = m_model->indexOfItem(item);
    if (!idx.isValid()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    showWithContext(idx);
}

void TreeView::showWithContext(const QModelIndex& idx)
{
    scrollTo(idx, QAbstractItemView::EnsureVisible); // opens its ancestors
    const QRect row = visualRect(idx);
    const QRect area = viewport()->rect();
    if (row.isEmpty() || area.isEmpty())
        return;
    // A row with a whole row of room above and below it stays where it is, so the tree
    // does not jump; so does one at the very top or bottom of the tree.
    const QScrollBar* bar = verticalScrollBar();
    const bool roomAbove = row.top() - row.height() >= area.top() || bar->value() == bar->minimum();
    const bool roomBelow = row.bottom() + row.height() <= area.bottom() || bar->value() == bar->maximum();
    if (!roomAbove || !roomBelow)
        scrollTo(idx, QAbstractItemView::PositionAtCenter);
}

void TreeView::expandItem(int item)
{
    const QModelIndex idx = m_model->indexOfItem(item);
    if (idx.isValid())
        expand(idx);
}

QItemSelectionModel::SelectionFlags TreeView::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags flags = QTreeView::selectionCommand(index, event);
    if (flags.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void TreeView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Paste)) {
        emit pasteRequested();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TreeView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        const QModelIndex idx = indexAt(event->position().toPoint());
        if (idx.isValid())
            selectItem(m_model->itemOfIndex(idx));
        // Below the items too: the menu holds commands for the whole slot (open, undo).
        emit itemMenuRequested(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void TreeView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse)
        return; // the right-button press has opened it already
    const QModelIndex idx = m_model->indexOfItem(selectedItem());
    if (!idx.isValid())
        return;
    scrollTo(idx);
    const QRect r = visualRect(idx);
    emit itemMenuRequested(viewport()->mapToGlobal(QPoint(r.x() + 20, r.bottom())));
}

void TreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    const QVariant opens = showsOwnModel() ? QVariant() : index.data(BigTreeModel::kOpensRole);
    if (!opens.isValid() || opens.toBool() || isExpanded(index)) {
        QTreeView::drawBranches(painter, rect, index);
        return;
    }
    // The row's own branch is the innermost column of rect: drawn here without the
    // expand mark, the outer ones by the base class.
    const int indent = indentation();
    const QRect own(isRightToLeft() ? rect.left() : rect.right() + 1 - indent, rect.top(), indent, rect.height());
    painter->save();
    painter->setClipRegion(QRegion(rect).subtracted(QRegion(own)), Qt::IntersectClip);
    QTreeView::drawBranches(painter, rect, index);
    painter->restore();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = own;
    option.state = QStyle::State_Item;
    if (isEnabled())
        option.state |= QStyle::State_Enabled;
    if (selectionModel()->isSelected(index))
        option.state |= QStyle::State_Selected;
    if (index.row() + 1 < model()->rowCount(index.parent()))
        option.state |= QStyle::State_Sibling;
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
}

} // namespace tess
