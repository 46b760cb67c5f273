#include "tree/widgets/TreeView.h"

#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

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
    // Resizing the column to its contents would measure every row; a wide fixed column
    // with a horizontal scroll bar keeps a million-row tree fast.
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->resizeSection(0, 4000);
    // On the selection, not the current index: a mouse press makes the item current
    // before it selects it.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChangedTo(selectedItem()); });
}

int TreeView::itemCount() const
{
    return m_model->itemCount();
}

int TreeView::selectedItem() const
{
    // One column and single selection: at most one selected index.
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
    scrollTo(idx, QAbstractItemView::EnsureVisible);
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
        if (idx.isValid()) {
            selectItem(m_model->itemOfIndex(idx));
            emit itemMenuRequested(event->globalPosition().toPoint());
        }
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

} // namespace tess
