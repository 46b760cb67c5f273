#include "app/MainWindow.h"

#include "app/AboutText.h"
#include "app/FormWidgets.h"
#include "app/ProgramObjects.h"
#include "app/SaveFile.h"
#include "app/SlotFiles.h"
#include "json/JsonDocument.h"
#include "json/UnclosedText.h"
#include "app/BigTabs.h"
#include "json/big/BigRoadRule.h"
#include "platform/Codec.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/QtText.h"
#include "settings/qt/QtControls.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/FindInTree.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeLoader.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"
#include "tree/Stopwatch.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <sys/stat.h>

namespace tess {

using qt::ui;

namespace {

// The size of a tab's text as UTF-8, the size a pasted text has for the user.
int64_t utf8Size(const SharedText& text)
{
    codec::Utf8Size size;
    text.forEachPiece([&size](std::string_view piece) {
        size.add(piece);
        return true;
    });
    return static_cast<int64_t>(size.finish());
}

} // namespace

MainWindow::MainWindow(ProgramObjects& objects, MainWindowSetup setup, QWidget* parent)
    : QWidget(parent), m_objects(objects), m_setup(std::move(setup)), m_icons(new TreeIcons)
{
    buildTabControllers();
    buildForm();
    buildBigTabs();
    wireCommands();
    buildCommands();
    buildTaskKeys();
    layoutMainWindow();
    onMainWindowCreated();
    restoreViewSettings();
}

MainWindow::~MainWindow()
{
    m_stopTaskKey = nullptr; // nothing to refresh from here on
    stopFind(true);
    stopFetch();
    // Gone while the window is whole: its workers' ends call back into the window.
    delete std::exchange(m_bigTabs, nullptr);
    for (TabController* controller : m_tabControllers) {
        controller->runningChanged = nullptr;
        controller->failed = nullptr;
        controller->waitAll();
    }
    for (int n = 1; n <= kSlots; ++n)
        tree(n)->treeModel().setIcons(nullptr);
    delete m_icons;
}

void MainWindow::wireCommands()
{
    connect(m_pasteTree, &QPushButton::clicked, this, &MainWindow::pasteIntoCurrentSlot);
    connect(m_pasteTree, &PressButton::rightButtonPressed, this, &MainWindow::onPasteButtonRightPressed);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        activateSlot();
        updateStatus();
    });
    connect(m_decodeFirst, &QCheckBox::clicked, this, &MainWindow::rerenderSlot);
    connect(m_singleQuote, &QCheckBox::clicked, this, &MainWindow::rerenderSlot);
    connect(m_zeroBased, &QCheckBox::clicked, this, &MainWindow::rerenderSlot);
    connect(m_arrayAsNode, &QCheckBox::clicked, this, [this] { showSelectedPath(true); });
    connect(m_textIcons, &QCheckBox::clicked, this, &MainWindow::applyIconSet);
    connect(m_onTop, &QCheckBox::clicked, this, &MainWindow::applyAlwaysOnTop);
    for (int n = 1; n <= kSlots; ++n) {
        TreeView* view = tree(n);
        connect(view, &TreeView::selectionChangedTo, this, [this] {
            showSelectedPath(true);
            updateStatus();
        });
        connect(view, &QTreeView::doubleClicked, this, &MainWindow::takeSelectedCaption);
        connect(view, &TreeView::itemMenuRequested, this, &MainWindow::openTreeMenu);
        connect(view, &TreeView::pasteRequested, this, &MainWindow::pasteIntoCurrentSlot);
    }
    connect(m_findNext, &QPushButton::clicked, this, [this] { findInTree(false); });
    connect(m_findNext, &PressButton::rightButtonPressed, this, [this] { findInTree(true); });
    connect(m_findPrevious, &QPushButton::clicked, this, [this] { findInTree(true); });
    connect(m_findPaste, &QPushButton::clicked, this, &MainWindow::pasteFindText);
    connect(m_aboutPicture, &PressLabel::clicked, this, &MainWindow::showAbout);
    connect(m_aboutLink, &PressLabel::leftButtonPressed, this, &MainWindow::showAbout);
    connect(m_logo, &PressLabel::clicked, this,
            [this] { openAddress(QStringLiteral("https://www.example.com/korvell/")); });
    connect(m_homePicture, &PressLabel::clicked, this,
            [this] { openAddress(m_homeLink->property("address").toString()); });
    connect(m_homeLink, &PressLabel::leftButtonPressed, this,
            [this] { openAddress(m_homeLink->property("address").toString()); });

    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_findText->setFocus(Qt::ShortcutFocusReason);
        m_findText->selectAll();
    });
    auto* nextKey = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(nextKey, &QShortcut::activated, this, [this] { findInTree(false); });
    auto* previousKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    connect(previousKey, &QShortcut::activated, this, [this] { findInTree(true); });
}

void MainWindow::onMainWindowCreated()
{
    SettingsStore& store = m_objects.settings;
    restoreWindowControls(this, store, codec::gb(u8"JSON树"));
    const double t = store.readNumber(codec::gb(u8"选择夹"), m_tabs->currentIndex());
    const long tab = std::isfinite(t) ? std::lround(t) : 0;
    if (tab >= 0 && tab < kSlots)
        m_tabs->setCurrentIndex(static_cast<int>(tab));
    applyIconSet();
    applyAlwaysOnTop();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_firstActivationDone) {
        m_firstActivationDone = true;
        // After the window has been drawn once, so the parse notice can be seen.
        QTimer::singleShot(0, this, &MainWindow::onFirstActivation);
    }
}

void MainWindow::onFirstActivation()
{
    if (m_tabs->currentIndex() == 0)
        activateSlot();
    if (!m_setup.startFile.empty()) {
        const std::string path = std::move(m_setup.startFile);
        m_setup.startFile.clear();
        // The first empty page takes the file; only when none is empty does it replace the
        // current page's document (which undo brings back).
        const int empty = firstEmptySlot();
        const int before = m_tabs->currentIndex();
        if (empty > 0)
            m_tabs->setCurrentIndex(empty - 1);
        if (!loadFileIntoCurrentSlot(path)) {
            m_tabs->setCurrentIndex(before);
            std::fprintf(stderr, "tessarine: cannot read %s\n", path.c_str());
            reportLoadFailure(fileNotReadText(path), false);
        } else if (empty < 0) {
            const QString note = ui(u8"没有空的树页：文件替换了本页的文档（Ctrl+Z 撤销）");
            // A file parsed in the background says so when it is shown.
            if (parseRunning(currentSlot()))
                tab(currentSlot()).parseNote = note;
            else
                showStatusMessage(note);
        }
    }
}

int MainWindow::currentSlot() const
{
    const int index = m_tabs->currentIndex();
    return index >= 0 && index < kSlots ? index + 1 : 1;
}

void MainWindow::activateSlot()
{
    readSlotIfNeeded(currentSlot());
    showSelectedPath(true);
}

void MainWindow::readSlotIfNeeded(int n)
{
    TreeView& view = *tree(n);
    if (slot(n).big || m_bigTabs->loading(n))
        return;
    if (view.itemCount() == 0 && !view.loaded && reopenRememberedBigFile(n))
        return;
    if (view.itemCount() == 0) {
        std::string text = readSlotFile(slotFilePath(m_setup.programDir, n));
        view.loaded = true;
        if (text.empty()) {
            view.sourceText = std::string();
        } else {
            SettingsStore& store = m_objects.settings;
            store.setSection(codec::gb(u8"JSON树"));
            std::string key = qt::toGb(view.objectName());
            key += codec::gb(u8".现行选中项");
            const double sel = store.readNumber(key, 0);
            const int selection = std::isfinite(sel) && std::fabs(sel) < 2e9 ? static_cast<int>(std::lround(sel)) : 0;
            LoadRequest request;
            request.text = std::move(text);
            request.selection = selection;
            request.restoreSelection = true;
            request.remember = false;
            runLoad(n, std::move(request));
        }
    }
}

void MainWindow::rerenderSlot()
{
    const int n = currentSlot();
    TreeView& view = *tree(n);
    if (slot(n).holdsBigFile()) {
        // Only the numbering of elements applies to a big file: a new model over the same index.
        m_bigTabs->rerender(n);
        return;
    }
    const int selection = view.selectedItem();
    LoadRequest request;
    request.text = view.sourceText;
    request.remember = false;
    request.bytes = slot(n).bytes;
    request.source = slot(n).source;
    request.selection = selection;
    request.restoreSelection = true;
    runLoad(n, std::move(request));
    if (!parseRunning(n)) {
        view.selectItem(selection);
        showSelectedPath(false);
    }
}

void MainWindow::pasteIntoCurrentSlot()
{
    LoadRequest request;
    request.fromClipboard = true;
    runLoad(currentSlot(), std::move(request));
}

void MainWindow::loadTextIntoCurrentSlot(std::string text)
{
    loadTextIntoSlot(currentSlot(), std::move(text));
}

void MainWindow::loadTextIntoSlot(int n, std::string text)
{
    LoadRequest request;
    request.text = std::move(text);
    runLoad(n, std::move(request));
}

void MainWindow::runLoad(int n, LoadRequest request)
{
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    if (m_bigTabs->loading(n))
        m_bigTabs->stopTab(n);
    dropParse(n); // a later load wins over one still parsing
    if (request.fromClipboard) {
        request.text = qt::clipboardText();
        request.fromClipboard = false;
    }
    const LoadOptions options{m_decodeFirst->isChecked(), m_zeroBased->isChecked(), m_singleQuote->isChecked()};
    // A large text is read on a worker, JSON Lines too.
    if (m_backgroundLoadBytes >= 0 && static_cast<int64_t>(request.text.size()) >= m_backgroundLoadBytes) {
        startParse(n, std::move(request), options);
        return;
    }
    // JSON Lines show as their records (the tolerant engine would merge them into one value).
    if (BigTabs::linesShown(options) && m_bigTabs->showLines(n, request)) {
        if (m_closePending)
            QTimer::singleShot(0, this, &MainWindow::requestClose);
        return;
    }
    // A big file is kept for undo by name (the tab holds none of its text).
    if (request.remember)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()});
    m_bigTabs->drop(n);
    const int64_t started = steadyMillis();
    loadDocument(std::move(request.text), true, view, *tab.document, m_objects.stopwatch, options, request.selection,
                 request.restoreSelection);
    finishLoad(n, request, started, unclosedValueOf(view.sourceText, options.singleQuoteFormat));
    if (m_closePending)
        QTimer::singleShot(0, this, &MainWindow::requestClose);
}

std::optional<UnclosedValue> unclosedValueOf(const SharedText& source, bool singleQuoteFormat)
{
    return source.withWhole([&](std::string_view text) {
        std::optional<UnclosedValue> found = findUnclosedValue(text, singleQuoteFormat ? '\'' : '"');
        if (found) // an offset the user knows: in the text as UTF-8
            found->offset = static_cast<int64_t>(codec::utf8SizeOf(text.substr(0, static_cast<std::size_t>(found->offset))));
        return found;
    });
}

void MainWindow::startStrictCheck(int n)
{
    // Off the window's thread: the check reads the shared text only, and stops on Esc or
    // when the next document replaces this one (starting the kind again drops it).
    slot(n).strictError.reset();
    const SharedText text = tree(n)->sourceText;
    tab(n).start(TabJob::Strict, [this, n, text](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        auto check = std::make_shared<big::StrictCheck>(text.withWhole([&](std::string_view whole) {
            return big::checkStrictEngineText(whole, [&](uint64_t done, uint64_t total) {
                control.done = done;
                control.total = total;
                return !control.cancelled();
            });
        }));
        return [this, n, check] {
            if (check->cancelled || !check->error)
                return;
            slot(n).strictError = check->error;
            if (n == currentSlot())
                updateStatus();
        };
    });
}

void MainWindow::finishLoad(int n, LoadRequest& request, int64_t started, std::optional<UnclosedValue> unclosed)
{
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    tab.loadMs = steadyMillis() - started;
    ++tab.shown;
    this->tab(n).notice.clear();
    tab.source = std::move(request.source);
    tab.depth = tab.document->nodes().deepestLevel();
    tab.bytes = request.bytes >= 0 ? request.bytes : utf8Size(view.sourceText);
    tab.unclosed = std::move(unclosed);
    startStrictCheck(n);
    view.fitColumnToCaptions();
    if (n == currentSlot()) {
        // The model's reset dropped the old selection without a word: boxes that still
        // showed a node of the previous document are emptied unless one was restored.
        if (view.selectedItem() < 0)
            showSelectedPath(true);
        updateStatus();
    }
}

bool MainWindow::loadFileIntoCurrentSlot(const std::string& path)
{
    return loadFileIntoSlot(currentSlot(), path, true);
}

bool MainWindow::loadFileIntoSlot(int n, const std::string& path, bool bigRoad)
{
    struct stat st {};
    if (bigRoad && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        big::takesBigRoad(path, static_cast<uint64_t>(st.st_size))) {
        startBigLoad(n, FileSource{path, static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime)});
        return true;
    }
    std::string text;
    if (!readTextFile(path, text))
        return false;
    LoadRequest request;
    request.text = std::move(text);
    if (::stat(path.c_str(), &st) == 0) {
        request.source = FileSource{path, static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtime)};
        // The size the user knows: the file's, not that of its text converted for the engine.
        request.bytes = static_cast<int64_t>(st.st_size);
    }
    runLoad(n, std::move(request));
    return true;
}

void MainWindow::showSelectedPath(bool alsoValue)
{
    const int n = currentSlot();
    if (slot(n).big) {
        showBigSelection(alsoValue);
        return;
    }
    // The formatted view lays out objects and arrays only: a string that starts with a
    // bracket ("[INFO] ...") stays as it is.
    const TreeView& view = *tree(n);
    const int kind = view.itemCount() > 0 ? view.treeModel().itemImage(std::max(0, view.selectedItem())) : 0;
    m_valueBox->setShowFormatted(m_formatted->isChecked() && (kind == 1 || kind == 2));
    PathBoxes boxes{m_pathBox, m_valueBox, m_decodedBox};
    if (alsoValue) {
        // A newer value replaces the one still being decoded.
        dropWork(TabJob::Boxes);
        boxes.laterFrom = m_backgroundValueBytes;
        boxes.later = [this](BoxWork work) {
            startWork(TabJob::Boxes, ui(u8"正在解码…（Esc 停止）"), std::move(work));
        };
    }
    tess::showSelectedPath(boxes, *tree(n), *slot(n).document,
                           m_objects.pathConverter, m_arrayAsNode->isChecked(), alsoValue);
}

void MainWindow::showValueAtPath()
{
    const int n = currentSlot();
    const PathBoxes boxes{m_pathBox, m_valueBox, m_decodedBox};
    tess::showValueAtPath(boxes, *slot(n).document, m_objects.pathConverter,
                          m_arrayAsNode->isChecked());
}

void MainWindow::copyPath()
{
    qt::setClipboardText(boxText(m_pathBox));
}

void MainWindow::copyValue()
{
    // A big value the box holds only the beginning of is read whole from its file.
    if (!m_bigTabs->copyWhole(currentSlot(), BigCopy::Value))
        qt::setClipboardText(boxText(m_valueBox));
}

void MainWindow::copyDecodedValue()
{
    if (!m_bigTabs->copyWhole(currentSlot(), BigCopy::Decoded))
        qt::setClipboardText(boxText(m_decodedBox));
}

void MainWindow::openTreeMenu(const QPoint& globalPos)
{
    m_treeMenu->popup(globalPos);
}

void MainWindow::takeSelectedCaption()
{
    const TreeView& view = *currentTree();
    const int item = view.selectedItem();
    if (item >= 0)
        m_findText->setText(qt::toQString(view.treeModel().itemCaption(item)));
}

void MainWindow::pasteFindText()
{
    m_findText->setText(qt::toQString(qt::clipboardText()));
}

void MainWindow::findInTree(bool backward)
{
    if (findInBigTab(backward))
        return;
    FindBar bar;
    bar.text = m_findText;
    bar.next = m_findNext;
    bar.previous = m_findPrevious;
    bar.plain = m_modePlain;
    bar.wildcard = m_modeWildcard;
    bar.ignoreCase = m_ignoreCase;
    bar.notFoundMs = m_setup.notFoundMs;
    bar.slicedFrom = m_findSlicedFrom;
    bar.progress = [this](int percent) {
        refreshTaskKey();
        showStatusMessage(ui(u8"正在查找… %1%（Esc 停止）").arg(percent));
    };
    bar.ended = [this](bool stopped) {
        refreshTaskKey();
        updateStatus();
        if (stopped)
            showStatusMessage(ui(u8"已停止查找"));
    };
    const QString rejected = tess::findInTree(bar, *currentTree(), backward);
    if (findRunning()) {
        refreshTaskKey();
        showStatusMessage(ui(u8"正在查找… 0%（Esc 停止）"));
    }
    if (!rejected.isEmpty()) {
        // Marked as the path box is for a path that names nothing: no miss, a fault.
        flashBox(m_findText);
        showStatusMessage(rejected);
    }
}

void MainWindow::showAbout()
{
    showInfoDialog(m_objects.infoParams, aboutText());
}

void MainWindow::applyIconSet()
{
    m_icons->setGlyphs(m_textIcons->isChecked());
    for (int n = 1; n <= kSlots; ++n) {
        TreeView* view = tree(n);
        view->treeModel().iconsChanged();
        // A tree with one top-level item gets a one-index change, which repaints that
        // row only; the visible children need their new icons too.
        view->viewport()->update();
    }
}

void MainWindow::applyAlwaysOnTop()
{
    const bool onTop = m_onTop->isChecked();
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        show();
}

void MainWindow::openAddress(const QString& address)
{
    if (!address.isEmpty())
        QDesktopServices::openUrl(QUrl(address));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutMainWindow();
}

void MainWindow::requestClose()
{
    if (loadRunning()) {
        m_closePending = true;
        m_fetchCancel.store(true);
        return;
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (loadRunning()) {
        // A half-built document must not be saved; close when the load is over.
        m_closePending = true;
        m_fetchCancel.store(true);
        event->ignore();
        return;
    }
    if (!m_closingDone && m_setup.writeAtClose && !saveSlotsAtClose()) {
        m_closeBySignal = false;
        event->ignore();
        return;
    }
    onMainWindowClosing();
    event->accept();
}

void MainWindow::onMainWindowClosing()
{
    if (m_closingDone)
        return;
    m_closingDone = true;
    m_logoTimer->stop();
    stopFetch();
    m_bigTabs->stopAll();
    // A close by signal can come while About or a message box is open; left open, such a
    // dialog would keep the program running without its main window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
            dialog->reject();
    }
    if (!m_setup.writeAtClose)
        return;
    SettingsStore& store = m_objects.settings;
    saveWindowControls(this, store, codec::gb(u8"JSON树"));

    store.writeNumber(codec::gb(u8"选择夹"), m_tabs->currentIndex());
    for (int n = 1; n <= kSlots; ++n) {
        const TreeView& view = *tree(n);
        std::string key = qt::toGb(view.objectName());
        key += codec::gb(u8".现行选中项");
        // A slot not loaded during this run keeps the selection it had stored.
        // A big tab keeps its selected node's place in the file instead of an item number.
        const double selected = slot(n).big ? static_cast<double>(bigSelection(n)) : closingSelection(n);
        store.writeNumber(key, view.loaded || parseRunning(n) ? selected : store.readNumber(key, -1));
        // A big file is remembered by name, size and time; an unloaded tab keeps what it had.
        // The key is written only where a big file is or was, so other settings files keep their keys.
        if (view.loaded && slot(n).holdsBigFile())
            store.writeText(bigFileKey(n), encodeBigSource(std::get<FileSource>(slot(n).source)));
        else if (view.loaded && !store.readText(bigFileKey(n), "").empty())
            store.writeText(bigFileKey(n), "");
    }
    // Last, in a section of its own: a new file lists the slots' section first.
    saveViewSettings();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (mime && mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!mime || !mime->hasUrls() || mime->urls().isEmpty() || !mime->urls().first().isLocalFile())
        return;
    event->acceptProposedAction();
    const std::string path = mime->urls().first().toLocalFile().toStdString();
    // Load after the drop has finished, outside the drag-and-drop machinery.
    QTimer::singleShot(0, this, [this, path] {
        if (!loadFileIntoCurrentSlot(path))
            reportLoadFailure(fileNotReadText(path), true);
    });
}

} // namespace tess
