// Loads of large texts: the parse (or, for JSON Lines, the reading of the records) runs on
// a worker thread into a document of its own,
// while the tab keeps showing (and the window keeps reading) its current document; the
// window's thread then fills the tree from it and takes it as the tab's document. Esc
// drops the parse and the tab stays as it was; a later load into the tab drops it too.
// The tree's items are made on the worker too, into a model no view shows, and handed
// over at once. The tab's controller runs the job (app/TabController.h): a dropped parse
// leaves the engine at its next pump step and its document is thrown away.
#include "app/BackgroundJob.h"
#include "app/BigTabs.h"
#include "app/MainWindow.h"

#include "app/ProgramObjects.h"
#include "json/JsonDocument.h"
#include "platform/qt/QtText.h"
#include "tree/Stopwatch.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QShortcut>
#include <QTimer>

#include <utility>

namespace tess {

using qt::ui;

void MainWindow::startParse(int n, LoadRequest request, const LoadOptions& options)
{
    tab(n).startParse(std::move(request), options, m_objects.stopwatch,
                      [this, n](std::shared_ptr<TabParse> parse) { onParsed(n, parse); });
    if (!m_parseTimer) {
        m_parseTimer = new QTimer(this);
        m_parseTimer->setInterval(250);
        connect(m_parseTimer, &QTimer::timeout, this, &MainWindow::showParseProgress);
    }
    m_parseTimer->start();
    refreshTaskKey();
    showParseProgress();
}

void MainWindow::showParseProgress()
{
    bool any = false;
    for (int n = 1; n <= kSlots; ++n)
        any = any || parseRunning(n);
    if (!any) {
        m_parseTimer->stop();
        return;
    }
    // Other messages (a selection in the tree shown meanwhile) are written over again.
    if (parseRunning(currentSlot()))
        showStatusMessage(ui(u8"正在解析…（Esc 停止）"));
}

void MainWindow::dropParse(int n)
{
    tab(n).dropParse();
    refreshTaskKey();
}

void MainWindow::onParsed(int n, const std::shared_ptr<TabParse>& job)
{
    if (m_closingDone)
        return;
    const QString note = std::exchange(tab(n).parseNote, QString());
    if (job->lines) {
        m_bigTabs->presentLines(n, std::move(job->lines), job->request, job->stopwatch.elapsedMs());
        if (!note.isEmpty() && n == currentSlot())
            showStatusMessage(note);
        return;
    }
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    LoadRequest& request = job->request;
    // Undo keeps what the tab showed until now (a big file by name: the tab holds none of its text).
    if (request.remember)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()});
    m_bigTabs->drop(n);
    view.sourceText = std::move(job->source);
    view.loaded = true;
    request.text = SharedText();
    // The new document becomes the tab's; the one it had is let go.
    JsonDocument* shared = &m_objects.documents[static_cast<std::size_t>(n - 1)];
    tab.ownDocument = std::move(job->document);
    tab.document = tab.ownDocument.get();
    std::string none;
    shared->parse(none, false, false);
    view.treeModel().takeItems(*job->model);
    showLoadedTree(view, job->stopwatch, request.selection, request.restoreSelection);
    finishLoad(n, request, job->started, job->unclosed);
    if (!note.isEmpty() && n == currentSlot())
        showStatusMessage(note);
}

SharedText MainWindow::closingText(int n) const
{
    if (const LoadRequest* parsing = tab(n).parseRequest())
        return parsing->text;
    return tree(n)->sourceText;
}

int MainWindow::closingSelection(int n) const
{
    if (const LoadRequest* parsing = tab(n).parseRequest())
        return parsing->restoreSelection ? parsing->selection : -1;
    return tree(n)->selectedItem();
}

} // namespace tess
