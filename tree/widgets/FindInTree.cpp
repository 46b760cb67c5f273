#include "tree/widgets/FindInTree.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"
#include "json/TreeSearch.h"
#include "tree/widgets/TreeView.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <memory>

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

namespace {

// A search in slices: items visited from the one after the start on, wrapping around
// once, so that every item is visited and the start item last.
struct SlicedFind {
    FindBar bar;
    QPointer<TreeView> view;
    QPointer<QPushButton> button;
    QString normal;
    std::unique_ptr<CaptionMatcher> matcher;
    bool backward = false;
    int count = 0;
    int next = 0;      // the item visited next
    int remaining = 0; // items still to visit
    QMetaObject::Connection reset;
};

std::unique_ptr<SlicedFind> g_find;

void endFind(int hit, bool stopped)
{
    std::unique_ptr<SlicedFind> job = std::move(g_find);
    QObject::disconnect(job->reset);
    if (hit >= 0 && job->view) {
        job->view->selectItem(hit);
        if (job->bar.text->window()->focusWidget() != job->bar.text)
            job->view->setFocus();
    }
    if (job->button) {
        if (hit < 0 && !stopped) {
            job->button->setText(qt::ui(u8"找不到"));
            QTimer::singleShot(job->bar.notFoundMs, job->button, [b = job->button, normal = job->normal] {
                if (b && b->text() == qt::ui(u8"找不到"))
                    b->setText(normal);
            });
        } else {
            job->button->setText(job->normal);
        }
    }
    if (job->bar.ended)
        job->bar.ended(stopped);
}

void findSlice()
{
    SlicedFind& job = *g_find;
    const TreeModel& model = job.view->treeModel();
    QElapsedTimer timer;
    timer.start();
    while (job.remaining > 0) {
        const int i = job.next;
        --job.remaining;
        job.next = job.backward ? (i == 0 ? job.count - 1 : i - 1) : (i + 1 == job.count ? 0 : i + 1);
        if (job.matcher->matches(searchedPart(model.itemCaption(i)))) {
            endFind(i, false);
            return;
        }
        if ((job.remaining & 4095) == 0 && timer.elapsed() >= 25)
            break;
    }
    if (job.remaining == 0) {
        endFind(-1, false);
        return;
    }
    if (job.bar.progress)
        job.bar.progress(static_cast<int>(int64_t(job.count - job.remaining) * 100 / job.count));
    QTimer::singleShot(0, job.view, [] {
        if (g_find)
            findSlice();
    });
}

} // namespace

bool findRunning()
{
    return g_find != nullptr;
}

void stopFind(bool quietly)
{
    if (!g_find)
        return;
    if (quietly)
        g_find->bar.ended = nullptr;
    endFind(-1, true);
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
    CaptionMatcher matcher(qt::toGb(bar.text->text()), mode, bar.ignoreCase->isChecked());
    if (!matcher.valid()) {
        button->setText(normal);
        return rejectedPatternText(matcher, bar.text->text());
    }

    stopFind();
    if (count > bar.slicedFrom) {
        auto job = std::make_unique<SlicedFind>();
        job->bar = bar;
        job->view = &view;
        job->button = button;
        job->normal = normal;
        job->matcher = std::make_unique<CaptionMatcher>(std::move(matcher));
        job->backward = backward;
        job->count = count;
        const int selected = view.selectedItem();
        job->next = backward ? (selected <= 0 ? count - 1 : selected - 1) : (selected + 1 >= count ? 0 : selected + 1);
        job->remaining = count;
        // A new document ends the search: its items are not the ones searched.
        job->reset = QObject::connect(&model, &QAbstractItemModel::modelAboutToBeReset, [] { stopFind(); });
        g_find = std::move(job);
        QTimer::singleShot(0, &view, [] {
            if (g_find)
                findSlice();
        });
        return {};
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
