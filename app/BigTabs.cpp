#include "app/BigTabs.h"

#include "tree/BigRoadTexts.h"

#include "platform/Codec.h"
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

// Whether to show more than `above` items: asked, No by default.
bool askExpandMany(QWidget* window, uint64_t above)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tessarine"),
                    ui(u8"展开后要显示的节点超过 %1 个，会占用较多内存和时间。仍要展开吗？").arg(above),
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
    : QObject(window), m_host(std::move(host)), m_load(this), m_find(this), m_count(this)
{

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(100);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { showProgress(); });
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

void BigTabs::jobEnded()
{
    if (m_load.running() || m_find.running() || expandRunning())
        return;
    m_progressTimer->stop();
    if (m_host.runningChanged)
        m_host.runningChanged();
}

void BigTabs::showProgress()
{
    const int current = m_host.currentSlot();
    if (m_load.running() && m_loadSlot == current)
        m_host.showStatus(ui(u8"正在读取大文件… %1%（Esc 停止）").arg(m_load.percent()));
    else if (m_find.running() && m_findSlot == current)
        m_host.showStatus(ui(u8"正在查找… %1%（Esc 停止）").arg(m_find.percent()));
    else if (m_count.running() && m_expandSlot == current)
        m_host.showStatus(ui(u8"正在清点要展开的节点…（Esc 停止）"));
    else if (m_expansion && m_expandSlot == current)
        m_host.showStatus(ui(u8"正在展开… %1%（Esc 停止）")
                              .arg(m_expandTotal == 0 ? 0 : std::min<uint64_t>(100, m_expansion->itemsRead() * 100 / m_expandTotal)));
}

void BigTabs::stopAll()
{
    stopExpansion();
    m_find.stop();
    m_load.stop();
    jobEnded();
}

void BigTabs::cancel()
{
    m_load.cancel();
    if (expandRunning()) {
        stopExpansion();
        m_host.showStatus(ui(u8"已停止展开"));
    }
    if (m_find.running()) {
        // The search looks at the flag often: it ends at once, its result is dropped.
        m_find.stop();
        m_host.showStatus(ui(u8"已停止查找"));
        jobEnded();
    }
}

void BigTabs::startLoad(int n, FileSource source, int64_t selectAt)
{
    stopAll();
    m_loadSlot = n;
    m_load.start([this, n, source = std::move(source), selectAt](BackgroundJob::Control& control) -> BackgroundJob::Finish {
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
        const bool opened = document->open(source.path, options, error);
        const int64_t ms = steadyMillis() - started;
        const bool cancelled = control.cancelled();
        return [this, n, document, opened, error, source, cancelled, ms, selectAt] {
            jobEnded();
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
    const Slot& tab = m_host.slot(n);
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
    BigTreeModel* model = m_host.slot(n).big;
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
    TreeView& view = *m_host.slot(n).view;
    view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
    view.showWithContext(found);
    m_host.documentShown(n);
}

void BigTabs::drop(int n)
{
    Slot& tab = m_host.slot(n);
    if (!tab.big)
        return;
    if (m_findSlot == n)
        m_find.stop();
    if (m_expandSlot == n)
        stopExpansion();
    tab.view->showModel(nullptr);
    delete tab.big;
    tab.big = nullptr;
    jobEnded();
}

void BigTabs::show(int n, std::shared_ptr<const big::BigDocument> document, FileSource source, int64_t ms,
                   bool remember)
{
    Slot& tab = m_host.slot(n);
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
    Slot& tab = m_host.slot(n);
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
    Slot& tab = m_host.slot(n);
    TreeView& view = *tab.view;
    if (request.remember)
        tab.remember(SlotDocument{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()});
    const auto utf8Bytes = static_cast<int64_t>(document->bytes().size());
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
    Slot& tab = m_host.slot(n);
    if (tab.big) {
        present(n, tab.big->sharedDocument(), tab.loadMs);
        m_host.documentShown(n);
    }
}

void BigTabs::find(int n, const BigFindRequest& request)
{
    BigTreeModel* model = m_host.slot(n).big;
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
    const std::vector<big::Node> from = model->chainOf(m_host.slot(n).view->selectedIndex());
    m_findSlot = n;
    m_find.start([this, doc, search, from, n](BackgroundJob::Control& control) mutable -> BackgroundJob::Finish {
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
            BigTreeModel* model = m_host.slot(n).big;
            const QModelIndex found =
                model && result == big::SearchResult::Found ? model->indexOfChain(hit) : QModelIndex();
            if (!found.isValid()) {
                if (n == m_host.currentSlot())
                    m_host.showStatus(ui(u8"找不到"));
                return;
            }
            TreeView& view = *m_host.slot(n).view;
            view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
            view.showWithContext(found);
            m_host.documentShown(n); // the progress shown below gives way to the node's facts
        };
    });
    jobStarted();
}

void BigTabs::expandBelow(int n)
{
    BigTreeModel* model = m_host.slot(n).big;
    if (!model || model->rowCount() == 0)
        return;
    const QModelIndex selected = m_host.slot(n).view->selectedIndex();
    expand(n, selected.isValid() ? selected : model->index(0, 0), 0, false);
}

void BigTabs::expandToLevel(int n, int level)
{
    BigTreeModel* model = m_host.slot(n).big;
    if (!model || model->rowCount() == 0 || level < 1)
        return;
    expand(n, model->index(0, 0), static_cast<uint64_t>(level), true);
}

void BigTabs::expand(int n, const QModelIndex& top, uint64_t openDepth, bool levels)
{
    stopExpansion();
    BigTreeModel* model = m_host.slot(n).big;
    std::shared_ptr<const big::BigDocument> doc = model->sharedDocument();
    const std::vector<big::Node> chain = model->chainOf(top);
    QPointer<BigTreeModel> guard(model);
    const QPersistentModelIndex at(top);
    m_expandSlot = n;
    const uint64_t above = askAbove;
    const uint64_t most = std::max(refuseAbove, above);
    m_count.start([this, doc, chain, openDepth, guard, at, n, levels, above, most](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        const uint64_t items = big::countBelow(*doc, chain, openDepth, most + 1, [&control] { return !control.cancelled(); });
        const bool cancelled = control.cancelled();
        return [this, items, cancelled, guard, at, n, openDepth, levels, above, most] {
            if (cancelled || !guard || m_host.slot(n).big != guard.data() || !at.isValid()) {
                jobEnded();
                return;
            }
            if (items > most) {
                // The view keeps some 200 bytes a shown row and lays them all out at once.
                jobEnded();
                m_host.showStatus(ui(u8"展开后要显示的节点超过 %1 个，太多了：请展开到较浅的层或逐个展开节点").arg(most));
                return;
            }
            if (items > above && !askExpandMany(static_cast<QWidget*>(parent()), above)) {
                jobEnded();
                m_host.showStatus(ui(u8"未展开"));
                return;
            }
            TreeView& view = *m_host.slot(n).view;
            if (levels)
                view.collapseAll(); // deeper levels close
            m_expandTotal = items;
            m_expansion = new BigExpansion(view, *guard, at, openDepth, [this, n](bool finished) {
                m_expansion->deleteLater();
                m_expansion = nullptr;
                jobEnded();
                if (finished)
                    m_host.documentShown(n);
            }, this);
            m_expansion->start();
            jobStarted();
        };
    });
    jobStarted();
}

void BigTabs::stopExpansion()
{
    m_count.stop();
    if (m_expansion) {
        // Stopped now: what was opened shows.
        m_expansion->stop();
        m_expansion->deleteLater();
        m_expansion = nullptr;
    }
}

BigSelection BigTabs::selection(int n, bool compactTree, bool alsoValue) const
{
    BigSelection out;
    const Slot& tab = m_host.slot(n);
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
    out.value = doc.value(node, kValueBoxBytes);
    out.decoded = doc.decodedValue(node, kValueBoxBytes);
    return out;
}

std::string BigTabs::statusText(int n) const
{
    const Slot& tab = m_host.slot(n);
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
    std::string text = tess::statusText(facts, node);
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
    return text;
}

QModelIndex BigTabs::indexOfPath(int n, std::string_view typed)
{
    BigTreeModel* model = m_host.slot(n).big;
    std::vector<big::Node> chain;
    if (!model || !big::resolvePath(model->document(), typed, std::nullopt, model->zeroBased(), chain))
        return {};
    return model->indexOfChain(chain);
}

std::optional<std::string> BigTabs::pathOf(int n, PathStyle style, bool compactTree) const
{
    const Slot& tab = m_host.slot(n);
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
