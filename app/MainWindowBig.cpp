// The window's big-document road: a file at or above the threshold is indexed on a worker
// thread (the tab keeps its document meanwhile; Esc stops the pass), then shown through a
// lazy model over the mapped file. The tab remembers it by name, size and time.
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "platform/Codec.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/StatusText.h"
#include "tree/Stopwatch.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"
#include "json/big/BigDocument.h"
#include "json/big/BigFind.h"
#include "json/big/BigPaths.h"
#include "json/big/BigRoadRule.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

#include <charconv>
#include <sys/stat.h>

namespace tess {

using qt::ui;

namespace {

// The value boxes show at most this much of a value, from its beginning.
constexpr uint64_t kValueBoxBytes = uint64_t(4) << 20;
// A file the engine can hold: one in another encoding than UTF-8 goes there.
constexpr uint64_t kEngineLimit = uint64_t(2) << 30;

} // namespace

// "SIZE,MTIME,PATH" (the path in GB18030, as the settings file holds texts).
std::string encodeBigSource(const FileSource& s)
{
    return std::to_string(s.size) + "," + std::to_string(s.modified) + "," + codec::utf8ToGb18030(s.path).text;
}

bool decodeBigSource(std::string_view text, FileSource& out)
{
    const std::size_t a = text.find(',');
    const std::size_t b = a == std::string_view::npos ? a : text.find(',', a + 1);
    if (b == std::string_view::npos || b + 1 >= text.size())
        return false;
    if (std::from_chars(text.data(), text.data() + a, out.size).ec != std::errc{} ||
        std::from_chars(text.data() + a + 1, text.data() + b, out.modified).ec != std::errc{})
        return false;
    out.path = codec::gb18030ToUtf8(text.substr(b + 1)).text;
    return true;
}

std::string MainWindow::bigFileKey(int n) const
{
    std::string key = qt::toGb(tree(n)->objectName());
    key += codec::gb(u8".大文件");
    return key;
}

void MainWindow::startBigLoad(int n, FileSource source)
{
    stopBigLoad();
    if (!m_bigProgressTimer) {
        m_bigProgressTimer = new QTimer(this);
        m_bigProgressTimer->setInterval(100);
        connect(m_bigProgressTimer, &QTimer::timeout, this, &MainWindow::showBigProgress);
        // Enabled only while a pass runs, so Esc keeps its other uses the rest of the time.
        m_cancelBigKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(m_cancelBigKey, &QShortcut::activated, this, &MainWindow::cancelBigLoad);
    }
    m_bigCancel.store(false);
    m_bigDone.store(0);
    m_bigTotal.store(static_cast<uint64_t>(source.size));
    m_bigRunning = true;
    m_bigSlot = n;
    const unsigned generation = ++m_bigGeneration;
    m_cancelBigKey->setEnabled(true);
    m_bigProgressTimer->start();
    showBigProgress();
    auto document = std::make_shared<big::BigDocument>();
    m_bigWorker = std::thread([this, n, document, source = std::move(source), generation] {
        const int64_t started = steadyMillis();
        big::OpenOptions options;
        options.index.lines = big::hasLinesExtension(source.path) ? big::LinesMode::Always : big::LinesMode::Detect;
        options.index.progress = [this](uint64_t done, uint64_t total) {
            m_bigDone.store(done);
            m_bigTotal.store(total);
            return !m_bigCancel.load();
        };
        std::string error;
        const bool opened = document->open(source.path, options, error);
        const int64_t ms = steadyMillis() - started;
        QMetaObject::invokeMethod(
            this,
            [this, n, document, opened, error, source, generation, ms] {
                onBigLoaded(n, document, opened, error, source, generation, ms);
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::showBigProgress()
{
    if (!m_bigRunning || m_bigSlot != currentSlot())
        return;
    const uint64_t total = m_bigTotal.load();
    const int percent = total == 0 ? 0 : static_cast<int>(m_bigDone.load() * 100 / total);
    showStatusMessage(ui(u8"正在读取大文件… %1%（Esc 停止）").arg(percent));
}

void MainWindow::cancelBigLoad()
{
    if (m_bigRunning)
        m_bigCancel.store(true);
    if (m_bigFindRunning) {
        // The search runs to its end in the background; its result is dropped.
        ++m_bigFindGeneration;
        m_bigFindRunning = false;
        m_cancelBigKey->setEnabled(false);
        showStatusMessage(ui(u8"已停止查找"));
    }
}

void MainWindow::stopBigFind()
{
    if (m_bigFindWorker.joinable())
        m_bigFindWorker.join();
    ++m_bigFindGeneration;
    m_bigFindRunning = false;
}

bool MainWindow::findInBigTab(bool backward)
{
    const int n = currentSlot();
    BigTreeModel* model = slot(n).big;
    if (!model)
        return false;
    const std::string text = m_findText->text().toStdString();
    if (text.empty())
        return true;
    const FindMode mode = m_modePlain->isChecked()      ? FindMode::Plain
                          : m_modeWildcard->isChecked() ? FindMode::Wildcard
                                                        : FindMode::Regex;
    const bool ignoreCase = m_ignoreCase->isChecked();
    std::shared_ptr<const big::BigDocument> doc = model->sharedDocument();
    if (!big::findSearchesBytes(*doc, text, mode, ignoreCase)) {
        showStatusMessage(ui(u8"大文件的树页暂只能查找普通文本：区分大小写，不含 [ ] : \" \\ #，不只是数字"));
        return true;
    }
    stopBigFind();
    const QModelIndex selected = tree(n)->selectedIndex();
    const bool zeroBased = model->zeroBased();
    uint64_t from = backward ? doc->bytes().size() : 0;
    if (selected.isValid() && selected.parent().isValid()) {
        const big::Node node = model->nodeOf(selected);
        from = backward ? big::captionStart(node) : big::captionEnd(node);
    }
    if (!m_cancelBigKey) {
        m_cancelBigKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(m_cancelBigKey, &QShortcut::activated, this, &MainWindow::cancelBigLoad);
        m_bigProgressTimer = new QTimer(this);
        m_bigProgressTimer->setInterval(100);
        connect(m_bigProgressTimer, &QTimer::timeout, this, &MainWindow::showBigProgress);
    }
    m_cancelBigKey->setEnabled(true);
    m_bigFindRunning = true;
    const unsigned generation = ++m_bigFindGeneration;
    showStatusMessage(ui(u8"正在查找…（Esc 停止）"));
    m_bigFindWorker = std::thread([this, doc, text, mode, ignoreCase, zeroBased, from, backward, generation, n] {
        const CaptionMatcher matcher(big::toEngineText(text), mode, ignoreCase);
        std::vector<big::Node> chain;
        if (backward) {
            if (!big::findPreviousInBytes(*doc, text, matcher, zeroBased, from, chain))
                chain.clear();
        } else {
            big::findInBytes(*doc, text, matcher, zeroBased, from, [&chain](const std::vector<big::Node>& found) {
                chain = found;
                return false;
            });
        }
        QMetaObject::invokeMethod(
            this,
            [this, chain = std::move(chain), generation, n] {
                if (generation != m_bigFindGeneration)
                    return;
                if (m_bigFindWorker.joinable())
                    m_bigFindWorker.join();
                m_bigFindRunning = false;
                if (!m_bigRunning)
                    m_cancelBigKey->setEnabled(false);
                BigTreeModel* model = slot(n).big;
                const QModelIndex found = model && !chain.empty() ? model->indexOfChain(chain) : QModelIndex();
                if (!found.isValid()) {
                    if (n == currentSlot())
                        showStatusMessage(ui(u8"找不到"));
                    return;
                }
                TreeView& view = *tree(n);
                view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
                view.showWithContext(found);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void MainWindow::stopBigLoad()
{
    stopBigFind();
    if (m_bigWorker.joinable()) {
        m_bigCancel.store(true);
        m_bigWorker.join();
    }
    // A result still queued from the stopped pass is dropped by its generation.
    ++m_bigGeneration;
    if (m_bigRunning) {
        m_bigRunning = false;
        m_bigProgressTimer->stop();
        m_cancelBigKey->setEnabled(false);
    }
}

void MainWindow::onBigLoaded(int n, const std::shared_ptr<big::BigDocument>& document, bool opened,
                             const std::string& error, FileSource source, unsigned generation, int64_t ms)
{
    if (generation != m_bigGeneration)
        return;
    if (m_bigWorker.joinable())
        m_bigWorker.join();
    m_bigRunning = false;
    m_bigProgressTimer->stop();
    m_cancelBigKey->setEnabled(false);
    if (!opened) {
        showStatusMessage(ui(u8"无法读取文件：%1").arg(qt::toQString(codec::utf8ToGb18030(error).text)));
        return;
    }
    if (document->index().cancelled) {
        if (n == currentSlot())
            showStatusMessage(ui(u8"已停止读取大文件，树页保持原样"));
        return;
    }
    // UTF-16 and GB18030 are read by the engine, as long as it can hold the file.
    if (document->error().encoding && !document->isLines() && static_cast<uint64_t>(source.size) <= kEngineLimit) {
        loadFileIntoSlot(n, source.path, false);
        return;
    }
    showBigDocument(n, document, std::move(source), ms);
}

void MainWindow::dropBigDocument(int n)
{
    Slot& tab = slot(n);
    if (!tab.big)
        return;
    tab.view->showModel(nullptr);
    delete tab.big;
    tab.big = nullptr;
}

void MainWindow::showBigDocument(int n, std::shared_ptr<const big::BigDocument> document, FileSource source, int64_t ms)
{
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    if (!tab.big)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source});
    dropBigDocument(n);
    auto* model = new BigTreeModel(std::move(document), m_zeroBased->isChecked(), &view);
    model->setIcons(m_icons);
    model->setRootCaption(ui(u8"Korvell·JSON（载入耗时 %1）").arg(qt::toQString(formatElapsed(ms))));
    tab.big = model;
    view.showModel(model);
    // Nothing of the file is held as text: the data file of the tab stays small.
    view.treeModel().clear();
    view.sourceText = std::string();
    view.loaded = true;
    tab.loadMs = ms;
    tab.depth = static_cast<int32_t>(model->document().index().depth);
    tab.bytes = source.size;
    tab.source = std::move(source);
    tab.unclosed.reset();
    if (model->rowCount() > 0)
        view.expand(model->index(0, 0));
    view.fitColumnToCaptions();
    if (n == currentSlot()) {
        showSelectedPath(true);
        updateStatus();
    }
}

void MainWindow::showBigSelection(bool alsoValue)
{
    const Slot& tab = slot(currentSlot());
    const std::vector<big::Node> chain = tab.big->chainOf(tab.view->selectedIndex());
    if (chain.empty()) {
        m_pathBox->setText(QString());
        m_valueBox->setValueText("");
        m_decodedBox->setValueText("");
        return;
    }
    const big::BigDocument& doc = tab.big->document();
    big::PathForm form;
    form.compactTree = !m_arrayAsNode->isChecked();
    form.zeroBased = tab.big->zeroBased();
    m_pathBox->setText(qt::toQString(big::pathOf(doc, chain, form)));
    if (!alsoValue)
        return;
    const big::Node& node = chain.back();
    m_valueBox->setShowFormatted(m_formatted->isChecked() &&
                                 (node.kind == big::Kind::Object || node.kind == big::Kind::Array));
    m_valueBox->setValueText(doc.value(node, kValueBoxBytes));
    m_decodedBox->setValueText(doc.decodedValue(node, kValueBoxBytes));
}

std::string MainWindow::bigStatusText(int n) const
{
    const Slot& tab = slot(n);
    const big::BigDocument& doc = tab.big->document();
    DocumentFacts facts;
    facts.nodes = static_cast<int64_t>(doc.index().nodeCount);
    facts.depth = tab.depth;
    facts.bytes = tab.bytes;
    facts.loadMs = tab.loadMs;
    NodeFacts node;
    const QModelIndex idx = tab.view->selectedIndex();
    if (idx.isValid()) {
        const big::Node selected = tab.big->nodeOf(idx);
        node.kind = BigTreeModel::imageOf(selected.kind);
        node.children = selected.isContainer() ? static_cast<int32_t>(doc.childCount(selected)) : 0;
        node.position = idx.row() + 1;
        node.siblings = tab.big->rowCount(idx.parent());
        if (idx.parent().isValid()) {
            const big::Node parent = tab.big->nodeOf(idx.parent());
            node.siblings = static_cast<int32_t>(doc.childCount(parent));
        }
    }
    std::string text = tess::statusText(facts, node);
    const big::ParseError& e = doc.error();
    auto add = [&text](const char8_t* part) { text += codec::gb(part); };
    if (e.present) {
        add(u8" · JSON 有误，只显示其前的内容：第 ");
        text += std::to_string(e.line);
        add(u8" 行第 ");
        text += std::to_string(e.column);
        add(u8" 列（第 ");
        text += std::to_string(e.offset + 1); // the window counts bytes as it counts lines: from 1
        add(u8" 字节）");
    } else if (!doc.index().lineErrors.empty()) {
        add(u8" · ");
        text += std::to_string(doc.index().lineErrors.size());
        add(u8" 行不是有效的 JSON，首个在第 ");
        text += std::to_string(doc.index().lineErrors.front().line);
        add(u8" 行");
    }
    return text;
}

bool MainWindow::goToBigPath()
{
    const int n = currentSlot();
    BigTreeModel* model = slot(n).big;
    if (!model)
        return false;
    std::vector<big::Node> chain;
    const QModelIndex found = big::resolvePath(model->document(), boxText(m_pathBox), std::nullopt, model->zeroBased(), chain)
                                  ? model->indexOfChain(chain)
                                  : QModelIndex();
    if (!found.isValid()) {
        flashBox(m_pathBox);
        showStatusMessage(ui(u8"路径没有对应的节点：%1").arg(m_pathBox->text()));
        return true;
    }
    TreeView& view = *tree(n);
    view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
    view.showWithContext(found);
    // The same node typed in another form: the selection did not change, the boxes must.
    showSelectedPath(true);
    updateStatus();
    return true;
}

bool MainWindow::copyBigPathAs(int style)
{
    const int n = currentSlot();
    BigTreeModel* model = slot(n).big;
    if (!model)
        return false;
    QModelIndex at = tree(n)->selectedIndex();
    if (!at.isValid())
        at = model->index(0, 0); // nothing selected: the root's path
    big::PathForm form;
    form.style = static_cast<PathStyle>(style);
    form.compactTree = !m_arrayAsNode->isChecked();
    form.zeroBased = model->zeroBased();
    const std::vector<big::Node> chain = model->chainOf(at);
    if (chain.empty())
        showStatusMessage(ui(u8"这个树页没有文档"));
    else
        qt::setClipboardText(big::pathOf(model->document(), chain, form));
    return true;
}

bool MainWindow::reopenRememberedBigFile(int n)
{
    SettingsStore& store = m_objects.settings;
    store.setSection(codec::gb(u8"JSON树"));
    const std::string stored = store.readText(bigFileKey(n), "");
    FileSource source;
    if (stored.empty() || !decodeBigSource(stored, source))
        return false;
    struct stat st {};
    QString notice;
    const QString shownPath = QString::fromStdString(source.path);
    if (::stat(source.path.c_str(), &st) != 0)
        notice = ui(u8"大文件已不在：%1").arg(shownPath);
    else if (static_cast<int64_t>(st.st_size) != source.size || static_cast<int64_t>(st.st_mtime) != source.modified)
        notice = ui(u8"大文件已改变（大小或修改时间不同），未重新打开：%1").arg(shownPath);
    if (!notice.isEmpty()) {
        // The tab stays unloaded, so its remembered file and data file are kept as they are.
        tree(n)->treeModel().addTopLevelItem(qt::toGb(notice));
        if (n == currentSlot())
            showStatusMessage(notice);
        return true;
    }
    startBigLoad(n, std::move(source));
    return true;
}

void MainWindow::applyRoadToOptions()
{
    // The tolerant engine's options do not apply to a file on the big road.
    const bool big = slot(currentSlot()).big != nullptr;
    m_decodeFirst->setEnabled(!big);
    m_singleQuote->setEnabled(!big);
}

} // namespace tess
