#pragma once
// A slot's tree view: a QTreeView over its own TreeModel, addressed by 0-based
// pre-order item indexes. Holds the slot's source text and loaded flag.
#include "tree/SharedText.h"

#include <QTreeView>

#include <string>

namespace tess {

class TreeModel;
class TreeIcons;

class TreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);

    TreeModel& treeModel() { return *m_model; }
    const TreeModel& treeModel() const { return *m_model; }

    int itemCount() const;
    // The selected item's index, or -1 when none is selected.
    int selectedItem() const;
    // Selects the item (expanding its ancestors and scrolling to it); the selection-change
    // signal runs. An index outside the tree clears the selection.
    void selectItem(int item);
    void expandItem(int item);

    // The text last loaded into the slot, before any decoding (shared with the slot's
    // document when it parsed the text as it is), and whether the slot was loaded during
    // this run.
    SharedText sourceText;
    bool loaded = false;

signals:
    // The selected item changed (also to no item).
    void selectionChangedTo(int item);
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

private:
    TreeModel* m_model;
};

} // namespace tess
