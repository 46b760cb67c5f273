// The paste button's right button: read JSON from the URL on the clipboard. The transfer
// runs on a worker thread so the window keeps repainting and answering; the result comes
// back to the GUI thread as a queued call.
#include "app/FormWidgets.h"
#include "app/InformationBox.h"
#include "app/MainWindow.h"
#include "fetch/UrlCommand.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/TreeLoader.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QTimer>

#include <system_error>

namespace tess {

void MainWindow::onPasteButtonRightPressed(int modifierState)
{
    if (m_fetchRunning || m_closingDone || m_closePending)
        return;
    std::string clip = qt::clipboardText();
    if (!isUrlText(clip)) {
        showInformationBox(notUrlMessage(), infoCaption());
        return;
    }
    const FetchEncoding encoding = encodingForModifiers(modifierState);
    // The previous worker has delivered its result and is ending (or has ended).
    if (m_fetchWorker.joinable())
        m_fetchWorker.join();
    m_fetchCancel.store(false);
    FetchOptions options = m_setup.fetchOptions;
    options.cancel = &m_fetchCancel;
    const QString caption = qt::toQString(fetchingCaption(clip));
    const unsigned generation = ++m_fetchGeneration;
    try {
        m_fetchWorker = std::thread([this, clip = std::move(clip), encoding, options, generation] {
            auto outcome = std::make_shared<FetchOutcome>(fetchJsonText(clip, encoding, options));
            QMetaObject::invokeMethod(
                this, [this, outcome, generation] { onFetchFinished(outcome, generation); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return; // no thread available: the click does nothing
    }
    // The slot current at the press receives the document, even if another tab is shown
    // when the answer arrives.
    m_fetchSlot = currentSlot();
    showFetchRunning(true);
    m_pasteTree->setText(caption);
}

void MainWindow::onFetchFinished(const std::shared_ptr<FetchOutcome>& outcome, unsigned generation)
{
    if (!m_fetchRunning || generation != m_fetchGeneration)
        return; // stopped (cancelled or closed); the worker has been joined
    if (loadRunning()) {
        // A load in progress pumps messages and got us here: load after it has ended.
        QTimer::singleShot(10, this, [this, outcome, generation] { onFetchFinished(outcome, generation); });
        return;
    }
    if (m_fetchWorker.joinable())
        m_fetchWorker.join();
    showFetchRunning(false);
    m_pasteTree->setText(qt::toQString(pasteButtonCaption()));
    if (m_closingDone || m_closePending)
        return;
    switch (outcome->status) {
    case FetchStatus::Ok:
        if (!outcome->text.empty())
            loadTextIntoSlot(m_fetchSlot, std::move(outcome->text));
        break;
    case FetchStatus::TooLarge:
    case FetchStatus::NotUrl:
        showInformationBox(outcome->message, outcome->messageCaption);
        break;
    case FetchStatus::Empty:
        reportLoadFailure(qt::ui(u8"网址没有读到数据，文档未改变"), true);
        break;
    case FetchStatus::Cancelled:
        break;
    }
}

void MainWindow::stopFetch()
{
    m_fetchCancel.store(true);
    // The transfer sees the flag within 50 ms, a pause within 10 ms.
    if (m_fetchWorker.joinable())
        m_fetchWorker.join();
    if (m_fetchRunning) {
        showFetchRunning(false);
        m_pasteTree->setText(qt::toQString(pasteButtonCaption()));
    }
}

void MainWindow::cancelFetch()
{
    if (m_fetchRunning)
        stopFetch();
}

void MainWindow::buildFetchCancel()
{
    // Shown only while a fetch runs; Esc stops it too (MainWindowTasks.cpp).
    m_cancelFetchEntry = m_treeMenu->addAction(qt::ui(u8"停止读取网址数据"), this, &MainWindow::cancelFetch);
    m_cancelFetchEntry->setVisible(false);
}

void MainWindow::showFetchRunning(bool running)
{
    m_fetchRunning = running;
    m_cancelFetchEntry->setVisible(running);
    refreshTaskKey();
}

} // namespace tess
