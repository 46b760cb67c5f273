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

// "正则表达式无效（第 5 个字符处）：missing closing parenthesis": the engine's reason, and
// where in the find text (a wildcard text is searched as a pattern made from it, so only
// a regular expression's position is the user's).
QString rejectedPatternText(const CaptionMatcher& matcher, const QString& text)
{
    QString where;
    if (matcher.mode() == FindMode::Regex) {
        const std::size_t at = matcher.errorPosition();
        where = at >= static_cast<std::size_t>(text.toUcs4().size()) ? qt::ui(u8"（末尾处）")
                                                                      : qt::ui(u8"（第 %1 个字符处）").arg(at + 1);
    }
    const QString kind = matcher.mode() == FindMode::Regex ? qt::ui(u8"正则表达式") : qt::ui(u8"通配符");
    return qt::ui(u8"%1无效%2：%3").arg(kind, where, QString::fromStdString(matcher.error()));
}

QString findInTree(const FindBar& bar, TreeView& view, bool backward)
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
    if (!matcher.valid()) {
        button->setText(normal);
        return rejectedPatternText(matcher, bar.text->text());
    }

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
        if (bar.text->window()->focusWidget() != bar.text)
            view.setFocus();
    }
    if (button)
        button->setText(normal);
    return {};
}

} // namespace tess
