// The normal road's long commands (expanding, and the others that run in the background
// or in slices): their progress in the status line, Esc to stop them, and the question
// before an expansion that would show very many rows.
#include "app/BackgroundJob.h"
#include "app/BigTabs.h"
#include "app/MainWindow.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/FindInTree.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QLocale>
#include <QMessageBox>
#include <QShortcut>

namespace tess {

using qt::ui;

void MainWindow::buildTaskKeys()
{
    // Enabled only while a command runs, so Esc keeps its other uses the rest of the time.
    m_stopTaskKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopTaskKey->setEnabled(false);
    connect(m_stopTaskKey, &QShortcut::activated, this, &MainWindow::stopTask);
    for (int n = 1; n <= kSlots; ++n) {
        TreeView* view = tree(n);
        connect(view, &TreeView::expansionProgress, this, [this, view](int percent) {
            refreshTaskKey();
            if (view == currentTree())
                showStatusMessage(ui(u8"正在展开… %1%（Esc 停止）").arg(percent));
        });
        connect(view, &TreeView::expansionEnded, this, [this, view](bool stopped) {
            refreshTaskKey();
            if (view != currentTree())
                return;
            updateStatus();
            if (stopped)
                showStatusMessage(ui(u8"已停止展开"));
            else if (const int selected = view->selectedItem(); selected >= 0)
                view->scrollTo(view->treeModel().indexOfItem(selected)); // shown only if its parents are open
        });
    }
}

bool MainWindow::taskRunning() const
{
    if (m_fetchRunning || m_bigTabs->loadRunning() || m_bigTabs->findRunning() || m_bigTabs->expandRunning() ||
        findRunning() || workRunning(TabJob::Boxes) || workRunning(TabJob::Copy) || workRunning(TabJob::Compare))
        return true;
    for (int n = 1; n <= kSlots; ++n)
        if (tree(n)->expansionRunning() || parseRunning(n) || tab(n).running(TabJob::Query))
            return true;
    return false;
}

void MainWindow::refreshTaskKey()
{
    // One Esc for everything that runs: two shortcuts on one key would both be ambiguous.
    if (m_stopTaskKey) // made last by buildTaskKeys
        m_stopTaskKey->setEnabled(taskRunning());
}

void MainWindow::stopTask()
{
    if (m_fetchRunning)
        cancelFetch();
    m_bigTabs->cancel();
    stopFind();
    for (const TabJob kind : {TabJob::Boxes, TabJob::Copy}) {
        if (workRunning(kind)) {
            dropWork(kind);
            showStatusMessage(kind == TabJob::Copy ? ui(u8"已停止复制") : ui(u8"已停止解码"));
        }
    }
    if (workRunning(TabJob::Compare)) {
        dropWork(TabJob::Compare);
        showStatusMessage(ui(u8"已停止比较"));
    }
    for (int n = 1; n <= kSlots; ++n) {
        tree(n)->stopExpansion();
        if (tab(n).running(TabJob::Query)) {
            tab(n).drop(TabJob::Query); // its process is killed at once
            showStatusMessage(ui(u8"已停止查询"));
        }
        if (parseRunning(n)) {
            dropParse(n); // the tab keeps the document it shows
            if (n == currentSlot())
                showStatusMessage(ui(u8"已停止载入"));
        }
    }
    refreshTaskKey();
}

void MainWindow::buildTabControllers()
{
    for (int n = 1; n <= kSlots; ++n) {
        auto* controller = new TabController(n, this);
        controller->runningChanged = [this] { refreshTaskKey(); };
        controller->failed = [this, n](const QString& text) {
            if (n == currentSlot())
                showStatusMessage(text);
        };
        m_tabControllers[static_cast<std::size_t>(n - 1)] = controller;
    }
}

void MainWindow::startWork(TabJob kind, const QString& label, std::function<std::function<void()>()> work)
{
    dropWork(kind); // newer work of the kind wins, in whichever tab it ran
    const int n = currentSlot();
    tab(n).start(kind, [this, n, work = std::move(work)](BackgroundJob::Control&) -> BackgroundJob::Finish {
        std::function<void()> finish = work();
        return [this, n, finish = std::move(finish)] {
            refreshTaskKey();
            if (n != currentSlot())
                return; // the boxes and the clipboard serve the tab shown
            finish();
            updateStatus();
        };
    });
    refreshTaskKey();
    showStatusMessage(label);
}

bool MainWindow::workRunning(TabJob kind) const
{
    for (int n = 1; n <= kSlots; ++n)
        if (tab(n).running(kind))
            return true;
    return false;
}

void MainWindow::dropWork(TabJob kind)
{
    for (int n = 1; n <= kSlots; ++n)
        tab(n).drop(kind);
    refreshTaskKey();
}

bool MainWindow::askBeforeExpanding(int64_t rows)
{
    if (m_expandRefuseLimit >= 0 && rows > m_expandRefuseLimit) {
        // The view lays every shown row out at once: beyond this, seconds without an answer.
        showStatusMessage(ui(u8"展开后要显示的节点超过 %1 个，太多了：请展开到较浅的层或逐个展开节点")
                              .arg(m_expandRefuseLimit));
        return false;
    }
    if (m_expandAskLimit < 0 || rows <= m_expandAskLimit)
        return true;
    const QString question = ui(u8"展开后将显示 %1 项，需要较长时间和较多内存（展开时可按 Esc 停止）。\n仍要展开吗？")
                                 .arg(QLocale(QLocale::Chinese, QLocale::China).toString(static_cast<qlonglong>(rows)));
    return QMessageBox::question(this, ui(u8"展开"), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

} // namespace tess
