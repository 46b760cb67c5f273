#pragma once
// The find command of the find bar: searches the current tree's captions forward or
// backward with one wrap-around, selects the hit, or shows "找不到" for a while.
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tess {

class TreeView;

struct FindBar {
    QLineEdit* text = nullptr;
    QPushButton* next = nullptr;
    QPushButton* previous = nullptr;
    QRadioButton* plain = nullptr;
    QRadioButton* wildcard = nullptr;
    QCheckBox* ignoreCase = nullptr;
    int notFoundMs = 500; // how long "找不到" stays on the button
};

void findInTree(const FindBar& bar, TreeView& view, bool backward);

} // namespace tess
