#pragma once
// The find command of the find bar: searches the current tree's captions forward or
// backward with one wrap-around, selects the hit, or shows "找不到" for a while. A
// pattern the engine rejects is no miss: the search does not run and says why.
#include <QString>

#include <functional>

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
    // A tree of more items than this is searched in slices of the event loop (about 25 ms
    // each): progress tells how far (in percent), ended that the search is over.
    int slicedFrom = 1'000'000;
    std::function<void(int percent)> progress;
    std::function<void(bool stopped)> ended;
};

// Empty, or why the wildcard or regular expression was rejected, with where.
// A hit is selected; the tree takes the keyboard focus unless the find box has it, so
// that every Enter pressed there is one more step.
// A search in slices has begun when this returns and findRunning() is true; a new search
// stops a running one first.
QString findInTree(const FindBar& bar, TreeView& view, bool backward);

bool findRunning();
// Ends a running search in slices: nothing is selected; ended is called unless quietly.
void stopFind(bool quietly = false);

} // namespace tess
