#include "tree/widgets/FindInTree.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"
#include "tree/TreeSearch.h"
#include "tree/widgets/TreeView.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace tess {

void findInTree(const FindBar& bar, TreeView& view, bool backward)
{
    QPointer<QPushButton> button = backward ? bar.previous : bar.next;
    const QString normal = backward ? qt::ui(u8"上一个") : qt::ui(u8"下一个");
    button->setText(qt::ui(u8"寻找中.."));
    button->repaint();

    // The captions are searched where the model keeps them: reading a large tree back
    // into a block first would hold a second copy of all of them during the search.
    const TreeModel& model = view.treeModel();
    const int count = model.itemCount();
    auto captionOf = [&model](int item) { return searchedPart(model.itemCaption(item)); };

    const FindMode mode = bar.plain->isChecked()      ? FindMode::Plain
                          : bar.wildcard->isChecked() ? FindMode::Wildcard
                                                      : FindMode::Regex;
    const CaptionMatcher matcher(qt::toGb(bar.text->text()), mode, bar.ignoreCase->isChecked());

    int start = view.selectedItem();
    const int wrap = backward ? count : -1;
    int hit = searchItems(count, captionOf, start, backward, matcher);
    if (hit == -1 && wrap != start) {
        start = wrap;
        hit = searchItems(count, captionOf, start, backward, matcher);
    }

    if (hit == -1) {
        if (button)
            button->setText(qt::ui(u8"找不到"));
        // Wait while the window keeps handling events (another search may run meanwhile).
        QEventLoop loop;
        QTimer::singleShot(bar.notFoundMs, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        view.selectItem(hit);
        view.setFocus();
    }
    if (button)
        button->setText(normal);
}

} // namespace tess
