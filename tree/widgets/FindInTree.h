#pragma once
// The find command of the find bar: searches the current tree's captions forward or
// backward with one wrap-around, selects the hit, or shows "找不到" for a while. A
// pattern the engine rejects is no miss: the search does not run and says why.
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tess {

class CaptionMatcher;
class TreeView;

// Why the find text's pattern was rejected and where, for the user.
QString rejectedPatternText(const CaptionMatcher& matcher, const QString& text);

struct FindBar {
    QLineEdit* text = nullptr;
    QPushButton* next = nullptr;
    QPushButton* previous = nullptr;
    QRadioButton* plain = nullptr;
    QRadioButton* wildcard = nullptr;
    QCheckBox* ignoreCase = nullptr;
    int notFoundMs = 500; // how long "找不到" stays on the button
};

// Empty, or why the wildcard or regular expression was rejected, with where.
// A hit is selected; the tree takes the keyboard focus unless the find box has it, so
// that every Enter pressed there is one more step.
QString findInTree(const FindBar& bar, TreeView& view, bool backward);

} // namespace tess
