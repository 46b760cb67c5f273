// Comparing the current tab with another tab, a file or its previous document: the work
// runs on a worker (TabJob::Compare), the tree shows the marks, F7 goes from one
// difference to the next, and leaving gives the tree back as it was.
#include "app/MainWindow.h"
#include "app/SlotFiles.h"
#include "app/TabCompare.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QFileInfo>
#include <QTimer>

namespace tess {

using qt::ui;

void MainWindow::buildCompareCommands(QMenu* menu)
{
    addCommand(menu, ui(u8"比较…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), [this] { compareWithChosenTab(); });
    addCommand(menu, ui(u8"与文件比较…"), QKeySequence(), [this] { compareWithFile(); });
    addCommand(menu, ui(u8"与上次载入比较"), QKeySequence(), [this] { compareWithPrevious(); });
    addCommand(menu, ui(u8"下一处不同"), QKeySequence(Qt::Key_F7), [this] { goToDifference(false); });
    addCommand(menu, ui(u8"上一处不同"), QKeySequence(Qt::SHIFT | Qt::Key_F7), [this] { goToDifference(true); });
    auto* fold = new QAction(ui(u8"折叠相同的部分"), this);
    fold->setObjectName(QStringLiteral("foldUnchanged"));
    fold->setCheckable(true);
    fold->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
    fold->setShortcutVisibleInContextMenu(true);
    addAction(fold);
    menu->addAction(fold);
    connect(fold, &QAction::triggered, this, [this](bool on) { foldUnchanged(on); });
    addCommand(menu, ui(u8"结束比较"), QKeySequence(), [this] { leaveComparison(currentSlot()); });
}

void MainWindow::compareWithChosenTab()
{
    const int n = currentSlot();
    QStringList names;
    std::vector<int> numbers;
    for (int other = 1; other <= kSlots; ++other) {
        if (other == n || tree(other)->sourceText.empty() || slot(other).big)
            continue;
        names << ui(u8"树页 %1").arg(other);
        numbers.push_back(other);
    }
    if (numbers.empty()) {
        showStatusMessage(ui(u8"没有别的树页可比较：先在另一个树页载入 JSON"));
        return;
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, ui(u8"比较"), ui(u8"与哪个树页比较："), names, 0, false, &ok);
    if (!ok)
        return;
    const int other = numbers[static_cast<std::size_t>(names.indexOf(chosen))];
    startComparison(tree(other)->sourceText, ui(u8"树页 %1").arg(other), other);
}

void MainWindow::compareWithFile()
{
    const QString path = QFileDialog::getOpenFileName(this, ui(u8"与文件比较"));
    if (path.isEmpty())
        return;
    startComparison(SharedText(), ui(u8"文件 %1").arg(QFileInfo(path).fileName()), 0, path.toStdString());
}

void MainWindow::compareWithPrevious()
{
    const SlotDocument* previous = slot(currentSlot()).previous();
    if (!previous || previous->big || previous->text.empty()) {
        showStatusMessage(ui(u8"这个树页没有上次载入的文档可比较"));
        return;
    }
    startComparison(previous->text, ui(u8"上次载入"), 0);
}

void MainWindow::startComparison(SharedText other, const QString& against, int otherTab, std::string otherPath)
{
    const int n = currentSlot();
    if (slot(n).big || (otherTab > 0 && slot(otherTab).big)) {
        showStatusMessage(ui(u8"大文件模式下的树页暂不支持比较"));
        return;
    }
    if (tree(n)->sourceText.empty()) {
        showStatusMessage(ui(u8"这个树页是空的，没有可比较的内容"));
        return;
    }
    leaveComparison(n);
    const LoadOptions options{m_decodeFirst->isChecked(), m_zeroBased->isChecked(), m_singleQuote->isChecked()};
    const uint64_t leftShown = slot(n).shown;
    const uint64_t otherShown = otherTab > 0 ? slot(otherTab).shown : 0;
    SharedText left = tree(n)->sourceText;
    tab(n).start(TabJob::Compare, [this, n, left = std::move(left), other = std::move(other), options, against, otherTab,
                                   otherPath = std::move(otherPath), leftShown,
                                   otherShown](BackgroundJob::Control& control) mutable -> BackgroundJob::Finish {
        // A file is read here, off the window's thread.
        if (!otherPath.empty()) {
            std::string text;
            if (!readTextFile(otherPath, text))
                return [this, n, otherPath] {
                    refreshTaskKey();
                    if (n == currentSlot())
                        showStatusMessage(ui(u8"无法读取文件：%1").arg(QString::fromStdString(otherPath)));
                };
            other = SharedText(std::move(text));
        }
        std::shared_ptr<TabComparison> result =
            compareTexts(left, other, options, &control.cancel, [&control](uint64_t done, uint64_t total) {
                control.total.store(total, std::memory_order_relaxed);
                control.done.store(done, std::memory_order_relaxed);
            });
        if (result) {
            result->against = against;
            result->otherTab = otherTab;
            result->leftShown = leftShown;
            result->otherShown = otherShown;
        }
        return [this, n, result] {
            refreshTaskKey();
            if (!result) {
                if (n == currentSlot())
                    showStatusMessage(ui(u8"已停止比较"));
                return;
            }
            showComparison(n, result);
        };
    });
    refreshTaskKey();
    showStatusMessage(ui(u8"正在比较…（Esc 停止）"));
    // Progress in the status line while it runs.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, n, timer] {
        if (!tab(n).running(TabJob::Compare)) {
            timer->deleteLater();
            return;
        }
        if (n == currentSlot())
            showStatusMessage(ui(u8"正在比较… %1%（Esc 停止）").arg(tab(n).percent(TabJob::Compare)));
    });
    timer->start(200);
}

void MainWindow::showComparison(int n, std::shared_ptr<TabComparison> comparison)
{
    TreeView& view = *tree(n);
    TreeModel& model = view.treeModel();
    if (slot(n).shown != comparison->leftShown ||
        (comparison->otherTab > 0 && slot(comparison->otherTab).shown != comparison->otherShown) ||
        model.itemCount() != comparison->leftNodes) {
        if (n == currentSlot())
            showStatusMessage(ui(u8"比较期间文档已改变，请重新比较"));
        return;
    }
    tab(n).comparison = comparison;
    model.setItemMarks([comparison](int item) { return markOfItem(*comparison, item); });
    view.viewport()->update();
    if (n == currentSlot())
        updateStatus();
}

void MainWindow::leaveComparison(int n)
{
    tab(n).drop(TabJob::Compare);
    std::shared_ptr<TabComparison> comparison = std::move(tab(n).comparison);
    if (!comparison)
        return;
    TreeView& view = *tree(n);
    TreeModel& model = view.treeModel();
    const bool sameDocument = slot(n).shown == comparison->leftShown;
    if (sameDocument) {
        model.setItemMarks({});
        if (comparison->folded) {
            view.collapseAll();
            for (const int item : comparison->expandedBefore)
                view.expand(model.indexOfItem(item));
            if (comparison->selectedBefore >= 0)
                view.selectItem(comparison->selectedBefore);
        }
    }
    if (auto* fold = findChild<QAction*>(QStringLiteral("foldUnchanged")))
        fold->setChecked(false);
    view.viewport()->update();
    if (n == currentSlot())
        updateStatus();
}

TabComparison* MainWindow::currentComparison()
{
    const int n = currentSlot();
    TabComparison* c = tab(n).comparison.get();
    if (!c)
        return nullptr;
    if (slot(n).shown != c->leftShown || (c->otherTab > 0 && slot(c->otherTab).shown != c->otherShown)) {
        // A new document in either tab ends the comparison.
        leaveComparison(n);
        return nullptr;
    }
    return c;
}

void MainWindow::goToDifference(bool backward)
{
    const TabComparison* c = currentComparison();
    if (!c) {
        showStatusMessage(slot(currentSlot()).big ? ui(u8"大文件模式下的树页暂不支持比较")
                                                  : ui(u8"没有正在进行的比较：先用“比较…”"));
        return;
    }
    TreeView& view = *tree(currentSlot());
    const int selected = view.selectedItem();
    // Nodes are items + 1; before the first item is node 0, past the last is count + 1.
    const int32_t from = backward ? (selected >= 0 ? selected + 1 : c->leftNodes + 1) : (selected >= 0 ? selected + 1 : 0);
    const int32_t node = backward ? c->marks.previous(from) : c->marks.next(from);
    if (node < 1) {
        showStatusMessage(backward ? ui(u8"前面没有别的不同了") : ui(u8"后面没有别的不同了"));
        return;
    }
    view.selectItem(node - 1);
    view.scrollTo(view.treeModel().indexOfItem(node - 1));
}

void MainWindow::foldUnchanged(bool fold)
{
    TabComparison* c = currentComparison();
    if (!c) {
        if (auto* action = findChild<QAction*>(QStringLiteral("foldUnchanged")))
            action->setChecked(false);
        return;
    }
    TreeView& view = *tree(currentSlot());
    TreeModel& model = view.treeModel();
    if (fold == c->folded)
        return;
    if (fold) {
        c->expandedBefore.clear();
        for (int item = 0; item < model.itemCount(); ++item)
            if (model.itemChildCount(item) > 0 && view.isExpanded(model.indexOfItem(item)))
                c->expandedBefore.push_back(item);
        c->selectedBefore = view.selectedItem();
        view.collapseAll();
        for (int item = 0; item < model.itemCount(); ++item)
            if (model.itemChildCount(item) > 0 && c->marks.holdsDifference(item + 1))
                view.expand(model.indexOfItem(item));
    } else {
        view.collapseAll();
        for (const int item : c->expandedBefore)
            view.expand(model.indexOfItem(item));
        if (c->selectedBefore >= 0)
            view.selectItem(c->selectedBefore);
    }
    c->folded = fold;
}

} // namespace tess
