#include "app/BigTabs.h"

#include "json/ValueFormatter.h"
#include "tree/BigRoadTexts.h"
#include "platform/Codec.h"
#include "platform/FileIdentity.h"
#include "json/Decoders.h"
#include "platform/qt/QtText.h"
#include "tree/StatusText.h"
#include "tree/Stopwatch.h"
#include "tree/widgets/BigExpansion.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "json/big/BigDocument.h"
#include "json/big/BigSearch.h"
#include "json/big/BigWalk.h"
#include "tree/widgets/FindInTree.h"
#include "json/big/BigPaths.h"
#include "json/big/BigRoadRule.h"
#include "json/big/RecordJq.h"

#include <QLocale>
#include <QClipboard>
#include <QGuiApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <charconv>
#include <sys/stat.h>

namespace tess {

using qt::ui;

namespace {

// Whether to show `rows` more rows: asked, No by default.
bool askExpandMany(QWidget* window, uint64_t rows)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tessarine"),
                    ui(u8"展开后将显示 %1 个节点，会占用较多内存和时间（展开时可按 Esc 停止）。仍要展开吗？")
                        .arg(QLocale(QLocale::Chinese, QLocale::China).toString(static_cast<qulonglong>(rows))),
                    QMessageBox::Yes | QMessageBox::No, window);
    box.setObjectName(QStringLiteral("expandManyBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}


} // namespace

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

BigTabs::BigTabs(QWidget* window, BigTabsHost host)
    : QObject(window), m_host(std::move(host))
{
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { showProgress(); });
    // A file shown changes while the window waits: noticed within a second.
    m_fileTimer = new QTimer(this);
    m_fileTimer->setInterval(1000);
    connect(m_fileTimer, &QTimer::timeout, this, [this] {
        const int n = m_host.currentSlot();
        if (slot(n).big)
            checkFile(n);
    });
    m_fileTimer->start();
}

BigTabs::~BigTabs()
{
    stopAll();
}

void BigTabs::jobStarted()
{
    if (m_host.runningChanged)
        m_host.runningChanged();
    if (!m_progressTimer->isActive())
        m_progressTimer->start();
    showProgress();
}

bool BigTabs::loadRunning() const
{
    for (int n = 1; n <= kSlotCount; ++n)
        if (loading(n))
            return true;
    return false;
}

bool BigTabs::findRunning() const
{
    for (int n = 1; n <= kSlotCount; ++n)
        if (m_host.tab(n).running(TabJob::BigFind))
            return true;
    return false;
}

bool BigTabs::expandRunning() const
{
    for (int n = 1; n <= kSlotCount; ++n)
        if (expandRunning(n))
            return true;
    return false;
}

bool BigTabs::anyRunning() const
{
    for (int n = 1; n <= kSlotCount; ++n)
        if (m_host.tab(n).running(TabJob::Copy))
            return true;
    return loadRunning() || findRunning() || expandRunning();
}

void BigTabs::jobEnded()
{
    if (anyRunning())
        return;
    m_progressTimer->stop();
    if (m_host.runningChanged)
        m_host.runningChanged();
}

void BigTabs::showProgress()
{
    if (!anyRunning()) { // a job that failed ended without its result
        m_progressTimer->stop();
        return;
    }
    const int current = m_host.currentSlot();
    TabController& tab = m_host.tab(current);
    if (tab.running(TabJob::BigLoad))
        m_host.showStatus(ui(u8"正在读取大文件… %1%（Esc 停止）").arg(tab.percent(TabJob::BigLoad)));
    else if (tab.running(TabJob::BigFind))
        m_host.showStatus(ui(u8"正在查找… %1%（Esc 停止）").arg(tab.percent(TabJob::BigFind)));
    else if (tab.running(TabJob::Copy))
        m_host.showStatus(ui(u8"正在复制… %1%（Esc 停止）").arg(tab.percent(TabJob::Copy)));
    else if (tab.running(TabJob::BigCount))
        m_host.showStatus(ui(u8"正在清点要展开的节点…（Esc 停止）"));
    else if (tab.expansion)
        m_host.showStatus(ui(u8"正在展开… %1%（Esc 停止）")
                              .arg(tab.expandTotal == 0 ? 0 : std::min<uint64_t>(100, tab.expansion->itemsRead() * 100 / tab.expandTotal)));
}

void BigTabs::stopTab(int n)
{
    stopExpansion(n);
    m_host.tab(n).stop(TabJob::BigFind);
    m_host.tab(n).stop(TabJob::BigLoad);
    jobEnded();
}

void BigTabs::stopAll()
{
    for (int n = 1; n <= kSlotCount; ++n)
        stopTab(n);
}

void BigTabs::cancel()
{
    bool expansions = false;
    bool finds = false;
    for (int n = 1; n <= kSlotCount; ++n) {
        TabController& tab = m_host.tab(n);
        tab.cancel(TabJob::BigLoad);
        if (expandRunning(n)) {
            stopExpansion(n);
            expansions = true;
        }
        if (tab.running(TabJob::BigFind)) {
            // The search looks at the flag often: it ends at once, its result is dropped.
            tab.stop(TabJob::BigFind);
            finds = true;
        }
    }
    if (expansions)
        m_host.showStatus(ui(u8"已停止展开"));
    if (finds)
        m_host.showStatus(ui(u8"已停止查找"));
    jobEnded();
}

void BigTabs::startLoad(int n, FileSource source, int64_t selectAt)
{
    stopTab(n);
    m_host.tab(n).start(TabJob::BigLoad, [this, n, source = std::move(source), selectAt](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        const int64_t started = steadyMillis();
        control.total.store(static_cast<uint64_t>(source.size));
        auto document = std::make_shared<big::BigDocument>();
        document->setMessageText(bigRoadTextForWindow);
        big::OpenOptions options;
        options.index.lines = big::hasLinesExtension(source.path) ? big::LinesMode::Always : big::LinesMode::Detect;
        options.index.progress = [&control](uint64_t done, uint64_t total) {
            control.done.store(done);
            control.total.store(total);
            return !control.cancelled();
        };
        std::string error;
        // The file as it was opened; one that changes during the pass is not shown.
        const std::optional<FileIdentity> before = fileIdentityOf(source.path);
        bool opened = document->open(source.path, options, error);
        const std::optional<FileIdentity> identity = fileIdentityOf(source.path);
        if (opened && (!before || before != identity)) {
            opened = false;
            error = "the file changed while it was read";
        }
        const int64_t ms = steadyMillis() - started;
        const bool cancelled = control.cancelled();
        return [this, n, document, opened, error, source, cancelled, ms, selectAt, identity] {
            jobEnded();
            if (opened)
                m_host.tab(n).bigFile = identity;
            onLoaded(n, document, opened, error, source, cancelled, ms, selectAt);
        };
    });
    jobStarted();
}

void BigTabs::onLoaded(int n, const std::shared_ptr<big::BigDocument>& document, bool opened,
                       const std::string& error, FileSource source, bool cancelled, int64_t ms, int64_t selectAt)
{
    if (!opened) {
        m_host.showStatus(ui(u8"无法读取文件：%1").arg(qt::toQString(bigRoadTextForWindow(error))));
        return;
    }
    if (cancelled || document->index().cancelled) {
        if (n == m_host.currentSlot())
            m_host.showStatus(ui(u8"已停止读取大文件，树页保持原样"));
        return;
    }
    show(n, document, std::move(source), ms);
    selectPosition(n, selectAt);
}

int64_t BigTabs::selectedPosition(int n) const
{
    const Slot& tab = slot(n);
    if (!tab.big)
        return -1;
    const QModelIndex at = tab.view->selectedIndex();
    if (!at.isValid())
        return -1;
    if (!at.parent().isValid())
        return 0;
    return static_cast<int64_t>(big::captionStartOf(tab.big->nodeOf(at))) + 1;
}

void BigTabs::selectPosition(int n, int64_t position)
{
    BigTreeModel* model = slot(n).big;
    if (!model || position < 0)
        return;
    std::vector<big::Node> chain;
    if (position == 0) {
        big::Node root;
        if (model->document().root(root))
            chain.push_back(root);
    } else {
        // The deepest node whose span holds the caption's first byte is that node.
        chain = model->document().chainAt(static_cast<uint64_t>(position - 1));
        if (chain.size() < 2 || big::captionStartOf(chain.back()) != static_cast<uint64_t>(position - 1))
            return; // the file has no node there (any more)
    }
    const QModelIndex found = model->indexOfChain(chain);
    if (!found.isValid())
        return;
    TreeView& view = *slot(n).view;
    view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
    view.showWithContext(found);
    m_host.documentShown(n);
}

void BigTabs::drop(int n)
{
    Slot& tab = slot(n);
    if (!tab.big)
        return;
    m_host.tab(n).stop(TabJob::BigFind);
    stopExpansion(n);
    tab.view->showModel(nullptr);
    delete tab.big;
    tab.big = nullptr;
    jobEnded();
}

void BigTabs::show(int n, std::shared_ptr<const big::BigDocument> document, FileSource source, int64_t ms,
                   bool remember)
{
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    if (remember)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()});
    present(n, std::move(document), ms);
    // Nothing of the file is held as text: the data file of the tab stays small.
    view.sourceText = std::string();
    tab.bytes = source.size;
    tab.source = std::move(source);
    m_host.documentShown(n);
}

void BigTabs::present(int n, std::shared_ptr<const big::BigDocument> document, int64_t ms)
{
    Slot& tab = slot(n);
    ++tab.shown;
    m_host.tab(n).notice.clear();
    tab.view->viewport()->installEventFilter(this); // rows are drawn only from an unchanged file
    TreeView& view = *tab.view;
    drop(n);
    auto* model = new BigTreeModel(std::move(document), m_host.zeroBased(), &view);
    model->setIcons(m_host.icons);
    model->setRootCaption(ui(u8"Korvell·JSON（载入耗时 %1）").arg(qt::toQString(formatElapsed(ms))));
    tab.big = model;
    view.showModel(model);
    view.treeModel().clear();
    view.loaded = true;
    tab.loadMs = ms;
    tab.depth = static_cast<int64_t>(model->document().index().depth);
    tab.unclosed.reset();
    if (model->rowCount() > 0)
        view.expand(model->index(0, 0));
    view.fitColumnToCaptions();
}

bool BigTabs::showLines(int n, LoadRequest& request)
{
    Stopwatch stopwatch;
    stopwatch.start();
    std::shared_ptr<const big::BigDocument> document = readLines(request.text);
    if (!document)
        return false;
    presentLines(n, std::move(document), request, stopwatch.elapsedMs());
    return true;
}

std::shared_ptr<const big::BigDocument> BigTabs::readLines(const SharedText& text)
{
    // The first two lines decide (a line feed is never part of a GB18030 character). The
    // text may be held in pieces: only its beginning is put together, unless the lines are long.
    constexpr std::size_t kHead = std::size_t(1) << 20;
    std::string head = text.prefix(kHead);
    std::size_t first = head.find('\n');
    std::size_t second = first == std::string::npos ? first : head.find('\n', first + 1);
    if (first != std::string::npos && second == std::string::npos && head.size() < text.size()) {
        head = text.copy();
        first = head.find('\n');
        second = first == std::string::npos ? first : head.find('\n', first + 1);
    }
    if (first == std::string::npos || !big::looksLikeJsonLines(codec::gb18030ToUtf8(std::string_view(head).substr(0, second)).text))
        return nullptr;
    head = std::string();
    // The records are read from a UTF-8 copy of the text, held with the document.
    struct PastedLines {
        std::string utf8;
        big::BigDocument document;
    };
    auto pasted = std::make_shared<PastedLines>();
    pasted->document.setMessageText(bigRoadTextForWindow);
    pasted->utf8 = text.withWhole([](std::string_view whole) { return codec::gb18030ToUtf8(whole).text; });
    big::OpenOptions options;
    options.index.lines = big::LinesMode::Always;
    pasted->document.openBytes(pasted->utf8, options);
    return std::shared_ptr<const big::BigDocument>(pasted, &pasted->document);
}

void BigTabs::presentLines(int n, std::shared_ptr<const big::BigDocument> document, LoadRequest& request, int64_t ms)
{
    Slot& tab = slot(n);
    TreeView& view = *tab.view;
    if (request.remember)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()});
    const auto utf8Bytes = static_cast<int64_t>(document->bytes().size());
    m_host.tab(n).bigFile.reset(); // the records are read from the tab's own text
    present(n, std::move(document), ms);
    tab.bytes = request.bytes >= 0 ? request.bytes : utf8Bytes;
    view.sourceText = std::move(request.text);
    tab.source = std::move(request.source);
    if (request.restoreSelection)
        selectPosition(n, request.selection);
    m_host.documentShown(n);
}

void BigTabs::rerender(int n)
{
    Slot& tab = slot(n);
    if (tab.big) {
        present(n, tab.big->sharedDocument(), tab.loadMs);
        m_host.documentShown(n);
    }
}

void BigTabs::find(int n, const BigFindRequest& request)
{
    if (!checkFile(n))
        return;
    BigTreeModel* model = slot(n).big;
    if (!model || request.text.empty())
        return;
    const CaptionMatcher matcher(request.text, request.mode, request.ignoreCase);
    if (!matcher.valid()) {
        m_host.showStatus(rejectedPatternText(matcher, qt::toQString(request.text)));
        return;
    }
    std::shared_ptr<const big::BigDocument> doc = model->sharedDocument();
    big::SearchRequest search;
    search.text = request.text;
    search.mode = request.mode;
    search.ignoreCase = request.ignoreCase;
    search.backward = request.backward;
    search.zeroBased = model->zeroBased();
    search.rootCaption = qt::toGb(model->data(model->index(0, 0)).toString());
    const std::vector<big::Node> from = model->chainOf(slot(n).view->selectedIndex());
    m_host.tab(n).start(TabJob::BigFind, [this, doc, search, from, n](BackgroundJob::Control& control) mutable -> BackgroundJob::Finish {
        search.progress = [&control](uint64_t done, uint64_t total) {
            control.done.store(done);
            control.total.store(total);
            return !control.cancelled();
        };
        std::vector<big::Node> hit;
        const big::SearchResult result = big::searchCaptions(*doc, search, from, hit);
        return [this, result, hit = std::move(hit), n] {
            jobEnded();
            if (result == big::SearchResult::Stopped)
                return; // Esc said so already
            BigTreeModel* model = slot(n).big;
            const QModelIndex found =
                model && result == big::SearchResult::Found ? model->indexOfChain(hit) : QModelIndex();
            if (!found.isValid()) {
                if (n == m_host.currentSlot())
                    m_host.showStatus(ui(u8"找不到"));
                return;
            }
            TreeView& view = *slot(n).view;
            view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
            view.showWithContext(found);
            m_host.documentShown(n); // the progress shown below gives way to the node's facts
        };
    });
    jobStarted();
}

void BigTabs::expandBelow(int n)
{
    BigTreeModel* model = slot(n).big;
    if (!model || model->rowCount() == 0)
        return;
    const QModelIndex selected = slot(n).view->selectedIndex();
    expand(n, selected.isValid() ? selected : model->index(0, 0), 0, false);
}

void BigTabs::expandToLevel(int n, int level)
{
    BigTreeModel* model = slot(n).big;
    if (!model || model->rowCount() == 0 || level < 1)
        return;
    expand(n, model->index(0, 0), static_cast<uint64_t>(level), true);
}

void BigTabs::expand(int n, const QModelIndex& top, uint64_t openDepth, bool levels)
{
    stopExpansion(n);
    if (!checkFile(n))
        return;
    BigTreeModel* model = slot(n).big;
    std::shared_ptr<const big::BigDocument> doc = model->sharedDocument();
    const std::vector<big::Node> chain = model->chainOf(top);
    QPointer<BigTreeModel> guard(model);
    const QPersistentModelIndex at(top);
    const uint64_t above = askAbove;
    const uint64_t most = std::max(refuseAbove, above);
    m_host.tab(n).start(TabJob::BigCount, [this, doc, chain, openDepth, guard, at, n, levels, above, most](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        const uint64_t items = big::countBelow(*doc, chain, openDepth, most + 1, [&control] { return !control.cancelled(); });
        const bool cancelled = control.cancelled();
        return [this, items, cancelled, guard, at, n, openDepth, levels, above, most] {
            if (cancelled || !guard || slot(n).big != guard.data() || !at.isValid()) {
                jobEnded();
                return;
            }
            if (items > most) {
                // The view keeps some 200 bytes a shown row and lays them all out at once.
                jobEnded();
                m_host.showStatus(ui(u8"展开后要显示的节点超过 %1 个，太多了：请展开到较浅的层或逐个展开节点").arg(most));
                return;
            }
            if (items > above && !askExpandMany(static_cast<QWidget*>(parent()), items)) {
                jobEnded();
                m_host.showStatus(ui(u8"未展开"));
                return;
            }
            // The question's loop ran everything queued: a load may have replaced the model.
            if (!guard || slot(n).big != guard.data() || !at.isValid()) {
                jobEnded();
                return;
            }
            TreeView& view = *slot(n).view;
            if (levels)
                view.collapseAll(); // deeper levels close
            TabController& tab = m_host.tab(n);
            tab.expandTotal = items;
            tab.expansion = new BigExpansion(view, *guard, at, openDepth, [this, n](bool finished) {
                TabController& tab = m_host.tab(n);
                tab.expansion->deleteLater();
                tab.expansion = nullptr;
                jobEnded();
                if (finished)
                    m_host.documentShown(n);
            }, this);
            tab.expansion->start();
            jobStarted();
        };
    });
    jobStarted();
}

void BigTabs::stopExpansion(int n)
{
    TabController& tab = m_host.tab(n);
    tab.stop(TabJob::BigCount);
    if (tab.expansion) {
        // Stopped now: what it opened closes again, then the node shows its children.
        tab.expansion->stop();
        tab.expansion->deleteLater();
        tab.expansion = nullptr;
    }
}

BigTabs::FileState BigTabs::fileState(int n) const
{
    const Slot& tab = slot(n);
    const TabController& controller = m_host.tab(n);
    if (!tab.big || !controller.bigFile || !std::holds_alternative<FileSource>(tab.source))
        return FileState::Same;
    std::string cut;
    const std::optional<FileIdentity> now = fileIdentityOf(std::get<FileSource>(tab.source).path);
    if (!now)
        return FileState::Gone;
    return *now == *controller.bigFile && !tab.big->document().fileCut(cut) ? FileState::Same : FileState::Changed;
}

bool BigTabs::checkFile(int n)
{
    const FileState state = fileState(n);
    if (state == FileState::Same)
        return true;
    fileChanged(n, state == FileState::Gone);
    return false;
}

void BigTabs::fileChanged(int n, bool gone)
{
    Slot& tab = slot(n);
    TabController& controller = m_host.tab(n);
    const FileSource source = std::get<FileSource>(tab.source);
    controller.bigFile.reset();
    controller.drop(TabJob::Copy);
    drop(n);
    ++tab.shown;
    const QString path = QString::fromStdString(source.path);
    controller.notice = gone ? ui(u8"大文件已不在，不再显示它的内容：%1").arg(path)
                             : ui(u8"大文件已改变（被改写或截短），不再显示它的内容：%1").arg(path);
    tab.view->treeModel().clear();
    tab.view->treeModel().addTopLevelItem(qt::toGb(controller.notice));
    tab.view->loaded = true;
    m_host.documentShown(n);
    if (n == m_host.currentSlot())
        m_host.showStatus(controller.notice);
    if (gone)
        return;
    // Asked outside whatever noticed it (a paint, a command).
    QTimer::singleShot(0, this, [this, n, source] {
        if (slot(n).big || m_host.tab(n).running(TabJob::BigLoad) || m_host.tab(n).notice.isEmpty())
            return;
        QMessageBox box(QMessageBox::Question, QStringLiteral("Tessarine"),
                        ui(u8"大文件已改变：%1\n要重新读取吗？").arg(QString::fromStdString(source.path)),
                        QMessageBox::Yes | QMessageBox::No, static_cast<QWidget*>(parent()));
        box.setObjectName(QStringLiteral("bigFileChangedBox"));
        box.setDefaultButton(QMessageBox::Yes);
        if (box.exec() != QMessageBox::Yes || slot(n).big || m_host.tab(n).running(TabJob::BigLoad))
            return;
        const std::optional<FileIdentity> now = fileIdentityOf(source.path);
        if (!now)
            return;
        FileSource again = source;
        again.size = now->size;
        again.modified = now->modifiedNs / 1'000'000'000;
        startLoad(n, std::move(again));
    });
}

bool BigTabs::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Paint)
        return false;
    for (int n = 1; n <= kSlotCount; ++n) {
        const Slot& tab = slot(n);
        if (tab.view->viewport() != watched || !tab.big)
            continue;
        if (fileState(n) == FileState::Same)
            return false;
        // The rows of a changed file are not drawn; the tab says why once the paint is over.
        QTimer::singleShot(0, this, [this, n] { checkFile(n); });
        return true;
    }
    return false;
}

BigSelection BigTabs::selection(int n, bool compactTree, bool alsoValue)
{
    BigSelection out;
    if (!checkFile(n))
        return out;
    const Slot& tab = slot(n);
    const std::vector<big::Node> chain = tab.big->chainOf(tab.view->selectedIndex());
    if (chain.empty())
        return out;
    const big::BigDocument& doc = tab.big->document();
    big::PathForm form;
    form.compactTree = compactTree;
    form.zeroBased = tab.big->zeroBased();
    const big::Node& node = chain.back();
    out.present = true;
    out.container = node.kind == big::Kind::Object || node.kind == big::Kind::Array;
    out.path = big::pathOf(doc, chain, form);
    if (!alsoValue)
        return out;
    bool cut = false;
    out.value = doc.value(node, kValueBoxBytes, &cut);
    out.decoded = doc.decodedValue(node, kValueBoxBytes);
    if (cut)
        out.wholeBytes = node.end - node.start;
    return out;
}

bool BigTabs::copyWhole(int n, BigCopy form)
{
    Slot& tab = slot(n);
    if (!tab.big)
        return false;
    if (!checkFile(n))
        return true;
    const std::vector<big::Node> chain = tab.big->chainOf(tab.view->selectedIndex());
    if (chain.empty())
        return false;
    const big::Node node = chain.back();
    const uint64_t size = node.end - node.start;
    // The boxes hold up to kValueBoxBytes of engine text, which a file span of half that
    // always fits (a character grows at most twice from UTF-8).
    if (size <= kValueBoxBytes / 2)
        return false;
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    if (size > copyMostBytes) {
        m_host.showStatus(ui(u8"值有 %1 字节，超过复制的上限 %2 字节：未复制（剪贴板放不下这么多）")
                              .arg(chinese.toString(static_cast<qulonglong>(size)))
                              .arg(chinese.toString(static_cast<qulonglong>(copyMostBytes))));
        return true;
    }
    std::shared_ptr<const big::BigDocument> doc = tab.big->sharedDocument();
    m_host.tab(n).start(TabJob::Copy, [this, doc, node, form, size, n](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        control.total.store(size);
        std::string gb;
        doc->forEachValuePiece(node, [&](std::string_view piece) {
            gb.append(piece);
            control.done.fetch_add(piece.size());
            return !control.cancelled();
        });
        std::string cutShort;
        if (control.cancelled() || doc->fileCut(cutShort))
            return [this, n, cutShort] {
                jobEnded();
                if (!cutShort.empty() && n == m_host.currentSlot())
                    m_host.showStatus(ui(u8"大文件已改变（被截短），未复制"));
            };
        if (form == BigCopy::Decoded)
            gb = decodeHtmlEntities(decodeUnicodeEscapes(gb));
        else if (form == BigCopy::Formatted)
            gb = formatValue(gb);
        const auto bytes = static_cast<qulonglong>(gb.size());
        auto text = std::make_shared<QString>(qt::toQString(gb));
        gb = std::string();
        return [this, text, bytes, n] {
            jobEnded();
            QGuiApplication::clipboard()->setText(*text);
            if (n == m_host.currentSlot())
                m_host.showStatus(ui(u8"已复制全部 %1 字节").arg(QLocale(QLocale::Chinese, QLocale::China).toString(bytes)));
        };
    });
    jobStarted();
    return true;
}

std::string BigTabs::statusText(int n) const
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
        node.children = selected.isContainer() ? static_cast<int64_t>(doc.childCount(selected)) : 0;
        node.position = idx.row() + 1;
        node.siblings = tab.big->rowCount(idx.parent());
        if (idx.parent().isValid()) {
            const big::Node parent = tab.big->nodeOf(idx.parent());
            node.siblings = static_cast<int64_t>(doc.childCount(parent));
        }
    }
    // The document's facts and its error come first and the selected node's last, so that
    // a status line too long for the window cuts the node's part, never the error's place.
    std::string text = tess::statusText(facts, NodeFacts{});
    const std::string nodePart = tess::statusText(facts, node).substr(text.size());
    const big::ParseError& e = doc.error();
    auto add = [&text](const char8_t* part) { text += codec::gb(part); };
    if (e.present) {
        add(u8" · JSON 有误，只显示其前的内容：第 ");
        text += std::to_string(e.line);
        add(u8" 行第 ");
        text += std::to_string(e.column);
        add(u8" 列（第 ");
        // The window counts bytes as it counts lines: from 1, in the file as it is stored.
        text += std::to_string(doc.errorFileOffset() + 1);
        add(u8" 字节）：");
        text += bigRoadTextForWindow(e.message);
    } else if (!doc.index().lineErrors.empty()) {
        add(u8" · ");
        text += std::to_string(doc.index().lineErrors.size());
        add(u8" 行不是有效的 JSON，首个在第 ");
        text += std::to_string(doc.index().lineErrors.front().line);
        add(u8" 行");
    }
    text += nodePart;
    return text;
}

QModelIndex BigTabs::indexOfPath(int n, std::string_view typed)
{
    if (!checkFile(n))
        return {};
    BigTreeModel* model = slot(n).big;
    std::vector<big::Node> chain;
    if (!model || !big::resolvePath(model->document(), typed, std::nullopt, model->zeroBased(), chain))
        return {};
    return model->indexOfChain(chain);
}

std::optional<std::string> BigTabs::pathOf(int n, PathStyle style, bool compactTree) const
{
    const Slot& tab = slot(n);
    QModelIndex at = tab.view->selectedIndex();
    if (!at.isValid())
        at = tab.big->index(0, 0); // nothing selected: the root's path
    big::PathForm form;
    form.style = style;
    form.compactTree = compactTree;
    form.zeroBased = tab.big->zeroBased();
    const std::vector<big::Node> chain = tab.big->chainOf(at);
    if (chain.empty())
        return std::nullopt;
    // jq reads JSON Lines as a stream, where an index names nothing: a command that reads
    // the record's line instead.
    if (style == PathStyle::Jq)
        if (std::string command = big::jqRecordCommand(tab.big->document(), chain); !command.empty())
            return command;
    return big::pathOf(tab.big->document(), chain, form);
}

QString BigTabs::reopen(int n, FileSource source, int64_t selectAt)
{
    struct stat st {};
    const QString shownPath = QString::fromStdString(source.path);
    if (::stat(source.path.c_str(), &st) != 0)
        return ui(u8"大文件已不在：%1").arg(shownPath);
    if (static_cast<int64_t>(st.st_size) != source.size || static_cast<int64_t>(st.st_mtime) != source.modified)
        return ui(u8"大文件已改变（大小或修改时间不同），未重新打开：%1").arg(shownPath);
    startLoad(n, std::move(source), selectAt);
    return {};
}

} // namespace tess
