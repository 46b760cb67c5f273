// Loads of large texts: the parse (or, for JSON Lines, the reading of the records) runs on
// a worker thread into a document of its own,
// while the tab keeps showing (and the window keeps reading) its current document; the
// window's thread then fills the tree from it and takes it as the tab's document. Esc
// drops the parse and the tab stays as it was; a later load into the tab drops it too.
// The tree's items are made on the worker too, into a model no view
// shows, and handed over at once. The engine cannot be stopped half-way: a dropped parse runs to its end on its thread
// and its document is thrown away then.
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

struct MainWindow::ParseJob {
    int slot = 1;
    LoadRequest request;
    LoadOptions options;
    Stopwatch stopwatch;
    int64_t started = 0;
    std::unique_ptr<JsonDocument> document = std::make_unique<JsonDocument>();
    // Made on the window's thread, filled by the worker; no view shows it.
    std::unique_ptr<TreeModel> model = std::make_unique<TreeModel>();
    // Written by the worker: the text the view keeps, and where a cut-off text stops.
    SharedText source;
    std::optional<UnclosedValue> unclosed;
    // A text of JSON Lines is not parsed: its records are read instead.
    std::shared_ptr<const big::BigDocument> lines;
};

void MainWindow::startParse(int n, LoadRequest request, const LoadOptions& options)
{
    auto job = std::make_shared<ParseJob>();
    job->slot = n;
    job->request = std::move(request);
    job->options = options;
    job->stopwatch = m_objects.stopwatch;
    job->stopwatch.start();
    job->started = steadyMillis();
    m_parses[static_cast<std::size_t>(n - 1)] = job;
    BackgroundJob*& worker = m_parseJobs[static_cast<std::size_t>(n - 1)];
    if (!worker)
        worker = new BackgroundJob(this);
    worker->drop(); // a parse still running for the tab cannot stop half-way: it is dropped
    worker->start([this, job](BackgroundJob::Control&) -> BackgroundJob::Finish {
        if (BigTabs::linesShown(job->options) && (job->lines = BigTabs::readLines(job->request.text)))
            return [this, job] { onParsed(job); };
        job->source = parseText(job->request.text, *job->document, job->options);
        fillTreeModel(*job->model, *job->document);
        job->unclosed = unclosedValueOf(job->source, job->options.singleQuoteFormat);
        return [this, job] { onParsed(job); };
    });
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
    if (std::none_of(m_parses.begin(), m_parses.end(), [](const auto& job) { return job != nullptr; })) {
        m_parseTimer->stop();
        return;
    }
    // Other messages (a selection in the tree shown meanwhile) are written over again.
    if (parseRunning(currentSlot()))
        showStatusMessage(ui(u8"正在解析…（Esc 停止）"));
}

void MainWindow::dropParse(int n)
{
    if (std::exchange(m_parses[static_cast<std::size_t>(n - 1)], nullptr))
        m_parseJobs[static_cast<std::size_t>(n - 1)]->drop();
    m_parseNotes[static_cast<std::size_t>(n - 1)].clear();
    refreshTaskKey();
}

void MainWindow::onParsed(const std::shared_ptr<ParseJob>& job)
{
    const int n = job->slot;
    if (m_parses[static_cast<std::size_t>(n - 1)] != job || m_closingDone)
        return; // stopped, or a later load came
    const QString note = std::exchange(m_parseNotes[static_cast<std::size_t>(n - 1)], QString());
    dropParse(n);
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

void MainWindow::joinParseWorkers()
{
    m_parses = {};
    for (BackgroundJob* worker : m_parseJobs)
        if (worker)
            worker->wait();
}

SharedText MainWindow::closingText(int n) const
{
    if (const auto& job = m_parses[static_cast<std::size_t>(n - 1)])
        return job->request.text;
    return tree(n)->sourceText;
}

int MainWindow::closingSelection(int n) const
{
    if (const auto& job = m_parses[static_cast<std::size_t>(n - 1)])
        return job->request.restoreSelection ? job->request.selection : -1;
    return tree(n)->selectedItem();
}

} // namespace tess
