// Paste of large documents into the real main window (offscreen platform): time until
// the tree shows the root expanded and painted, time to fill the path and value boxes
// after selecting a node, and the peak resident memory of the process. Expanding and
// collapsing a million-node tree, and the formatted view of a 10 MB value.
//
// Documents are generated here with a fixed seed: the 1,000,000-number array, an
// API-style response of about 50 MB, and one of the same size whose strings hold what
// real responses hold: escaped quotes and backslashes (JSON inside a string, Windows
// paths) in about 2.5 % of all strings, keys included.
//
// The benchmark's own copy of a document is dropped once it is on the clipboard. The
// offscreen clipboard keeps its text (UTF-16) in this process, which a real clipboard
// owner would not: clipboard_MB says how much of the peak that is.
#include "bench/gui/BenchDocuments.h"
#include "app/BigTabs.h"
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "json/ValueFormatter.h"
#include "platform/qt/GuiPump.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/BigCollapse.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

using namespace tess::benchdocs;

// A figure of /proc/self/status in kB ("VmHWM: %ld", "RssAnon: %ld").
long statusKb(const char* format)
{
    long kb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, format, &kb) == 1)
                break;
        std::fclose(f);
    }
    return kb;
}

// The process's peak resident size since the last resetPeakRss().
long peakRssKb()
{
    return statusKb("VmHWM: %ld");
}

// Starts the peak afresh, so that each benchmark reports its own (the figures of one
// benchmark per process are cleaner still: freed memory may stay with the allocator).
void resetPeakRss()
{
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

struct Window {
    std::filesystem::path dir;
    std::unique_ptr<tess::ProgramObjects> objects;
    std::unique_ptr<tess::MainWindow> window;
    Window()
    {
        dir = std::filesystem::temp_directory_path() / ("tess-gui-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        objects = std::make_unique<tess::ProgramObjects>();
        tess::MainWindowSetup setup;
        setup.programDir = dir.string();
        setup.writeAtClose = false;
        setup.notFoundMs = 1;
        window = std::make_unique<tess::MainWindow>(*objects, setup);
        // The paste and value benchmarks measure the work itself, done at once on this
        // thread as for small texts; BM_NormalRoadCommands measures the window as it is.
        window->setBackgroundLoadBytes(-1);
        window->setBackgroundValueBytes(SIZE_MAX);
        window->show();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    ~Window()
    {
        window.reset();
        objects.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time of the calling thread in milliseconds: on a machine shared with other work,
// wall time also counts the time the thread waited for a core.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

long rssKb()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void pasteAndSelect(benchmark::State& state, std::string text, int selectItem)
{
    resetPeakRss();
    Window w;
    const double inputMB = static_cast<double>(text.size()) / 1e6;
    const long beforeClipboard = rssKb();
    QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    text = std::string();
    const double clipboardMB = static_cast<double>(rssKb() - beforeClipboard) / 1024.0;
    auto* paste = w.window->findChild<QPushButton*>(QString::fromUtf8(u8"按钮粘贴JSON树"));
    auto* pathBox = w.window->findChild<QLineEdit*>(QString::fromUtf8(u8"编辑框路径"));
    double pasteMs = 0, selectMs = 0, rootMs = 0;
    double firstPastePeakMB = 0, firstSelectPeakMB = 0;
    int items = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        paste->click();
        tess::TreeView& tree = *w.window->currentTree();
        tree.viewport()->repaint(); // lays out the expanded root and paints it
        QCoreApplication::processEvents();
        const auto t1 = Clock::now();
        if (firstPastePeakMB == 0)
            firstPastePeakMB = static_cast<double>(peakRssKb()) / 1024.0;
        if (!tree.isExpanded(tree.treeModel().indexOfItem(0)))
            state.SkipWithError("root not expanded");
        items = tree.itemCount();
        const int item = selectItem < items ? selectItem : items - 1;
        const auto t2 = Clock::now();
        tree.selectItem(item);
        tree.viewport()->repaint();
        const auto t3 = Clock::now();
        tree.finishPendingCollapse();
        if (pathBox->text().isEmpty() && item > 0)
            state.SkipWithError("path box not filled");
        // The root's value is the whole document: the worst case for the value boxes.
        tree.selectItem(0);
        tree.viewport()->repaint();
        w.window->repaint();
        const auto t4 = Clock::now();
        if (firstSelectPeakMB == 0)
            firstSelectPeakMB = static_cast<double>(peakRssKb()) / 1024.0;
        // The column fit that every load runs (already inside paste_to_tree_ms), alone.
        const double c0 = threadCpuMs();
        tree.fitColumnToCaptions();
        state.counters["fit_column_cpu_ms"] = threadCpuMs() - c0;
        pasteMs = ms(t1 - t0);
        selectMs = ms(t3 - t2);
        rootMs = ms(t4 - t3);
        state.SetIterationTime((ms(t1 - t0) + ms(t3 - t2)) / 1000.0);
    }
    state.counters["paste_to_tree_ms"] = pasteMs;
    state.counters["select_to_boxes_ms"] = selectMs;
    state.counters["select_root_ms"] = rootMs;
    state.counters["items"] = items;
    state.counters["input_MB"] = inputMB;
    state.counters["clipboard_MB"] = clipboardMB;
    state.counters["window_MB"] = static_cast<double>(beforeClipboard) / 1024.0; // before any document
    // The peak after the first paste, after the boxes showed the root's value (the whole
    // document) once, and over all iterations (a paste replacing a loaded document).
    state.counters["peak_paste_MB"] = firstPastePeakMB;
    state.counters["peak_boxes_MB"] = firstSelectPeakMB;
    state.counters["peak_rss_MB"] = static_cast<double>(peakRssKb()) / 1024.0;
}

void BM_PasteMillionNumbers(benchmark::State& state)
{
    pasteAndSelect(state, numberArray(1000000), 500001);
}
BENCHMARK(BM_PasteMillionNumbers)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PasteApiDocument50MB(benchmark::State& state)
{
    // A scalar in the middle of the document.
    pasteAndSelect(state, apiDocument(50u * 1000 * 1000), 1000003);
}
BENCHMARK(BM_PasteApiDocument50MB)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PasteEscapedDocument50MB(benchmark::State& state)
{
    pasteAndSelect(state, escapedDocument(50u * 1000 * 1000), 1000003);
}
BENCHMARK(BM_PasteEscapedDocument50MB)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same records without any escape: the document is parsed as it is.
void BM_PasteCleanDocument50MB(benchmark::State& state)
{
    pasteAndSelect(state, escapedDocument(50u * 1000 * 1000, false), 1000003);
}
BENCHMARK(BM_PasteCleanDocument50MB)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Expand everything below the root of an API-style document of about a million nodes,
// then collapse it again; each step includes laying out and painting the tree.
void BM_ExpandAllMillionNodes(benchmark::State& state)
{
    static const std::string text = apiDocument(20u * 1000 * 1000);
    Window w;
    QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    w.window->findChild<QPushButton*>(QString::fromUtf8(u8"按钮粘贴JSON树"))->click();
    tess::TreeView& tree = *w.window->currentTree();
    tree.selectItem(0);
    QCoreApplication::processEvents();
    double expandMs = 0, collapseMs = 0, levelMs = 0;
    tess::qt::installGuiPump();
    for (auto _ : state) {
        const double c0 = threadCpuMs();
        const auto t0 = Clock::now();
        tree.expandBelow(0);
        tree.finishExpansion(); // the walk's slices at once: its cost, not the event loop's
        tree.viewport()->repaint();
        const auto t1 = Clock::now();
        state.counters["expand_all_cpu_ms"] = threadCpuMs() - c0;
        tree.collapseBelow(0);
        tree.viewport()->repaint();
        const auto t2 = Clock::now();
        tree.finishPendingCollapse();
        const auto t2b = Clock::now();
        state.counters["dropping_states_ms"] = ms(t2b - t2);
        tree.expandToLevel(2);
        tree.finishExpansion();
        tree.viewport()->repaint();
        const auto t3 = Clock::now();
        tree.finishPendingCollapse();
        if (!tree.isExpanded(tree.treeModel().indexOfItem(tree.treeModel().itemCount() - 2)) &&
            tree.treeModel().itemChildCount(tree.treeModel().itemCount() - 2) > 0)
            state.SkipWithError("not expanded");
        tree.collapseBelow(0);
        tree.finishPendingCollapse();
        expandMs = ms(t1 - t0);
        collapseMs = ms(t2 - t1);
        levelMs = ms(t3 - t2b);
        state.SetIterationTime(ms(t1 - t0) / 1000.0);
    }
    tess::qt::removeGuiPump();
    state.counters["expand_all_ms"] = expandMs;
    state.counters["collapse_all_ms"] = collapseMs;
    state.counters["expand_to_level2_ms"] = levelMs;
    state.counters["items"] = tree.itemCount();
    state.counters["input_MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ExpandAllMillionNodes)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// The formatted view of a 10 MB object (the root of an API-style document): selecting it
// with the view on (only the displayed beginning is laid out), and the copy command,
// which lays out the whole value.
void BM_FormattedValue10MB(benchmark::State& state)
{
    static const std::string text = apiDocument(10u * 1000 * 1000);
    Window w;
    QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    w.window->findChild<QPushButton*>(QString::fromUtf8(u8"按钮粘贴JSON树"))->click();
    tess::TreeView& tree = *w.window->currentTree();
    auto* value = w.window->findChild<QPlainTextEdit*>(QString::fromUtf8(u8"编辑框路径数据"));
    w.window->setShowFormatted(true);
    double selectMs = 0, copyMs = 0;
    for (auto _ : state) {
        tree.selectItem(1);
        QCoreApplication::processEvents();
        const auto t0 = Clock::now();
        tree.selectItem(0);
        value->viewport()->repaint();
        const auto t1 = Clock::now();
        const double c1 = threadCpuMs();
        const std::string formatted = tess::formatValue(text);
        state.counters["format_10MB_cpu_ms"] = threadCpuMs() - c1;
        benchmark::DoNotOptimize(formatted.data());
        const auto t1b = Clock::now();
        w.window->copyFormattedValue();
        const auto t2 = Clock::now();
        state.counters["format_10MB_ms"] = ms(t1b - t1);
        if (!value->toPlainText().startsWith(QStringLiteral("{\n  \"status\": \"ok\"")))
            state.SkipWithError("root not shown formatted");
        selectMs = ms(t1 - t0);
        copyMs = ms(t2 - t1b);
        state.SetIterationTime(ms(t2 - t0) / 1000.0);
    }
    const QString copied = QApplication::clipboard()->text();
    state.counters["select_formatted_ms"] = selectMs;
    state.counters["copy_formatted_ms"] = copyMs;
    state.counters["value_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["formatted_MB"] = static_cast<double>(copied.toUtf8().size()) / 1e6;
}
BENCHMARK(BM_FormattedValue10MB)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A file at the big-document threshold opened in the window (TESS_BIG_FILE names it; the
// benchmark is skipped without it): the time until the tab shows the top level, and the
// longest time the window's thread went without handling its events meanwhile.
void BM_OpenBigFile(benchmark::State& state)
{
    const char* path = std::getenv("TESS_BIG_FILE");
    if (!path) {
        state.SkipWithError("TESS_BIG_FILE is not set");
        return;
    }
    double shownMs = 0, stallMs = 0;
    for (auto _ : state) {
        Window w;
        const auto t0 = Clock::now();
        w.window->loadFileIntoCurrentSlot(path);
        auto last = Clock::now();
        double stall = ms(last - t0);
        while (w.window->bigLoadRunning()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const auto now = Clock::now();
            stall = std::max(stall, ms(now - last));
            last = now;
        }
        w.window->currentTree()->viewport()->repaint();
        shownMs = ms(Clock::now() - t0);
        stallMs = stall;
        state.SetIterationTime(shownMs / 1000.0);
    }
    state.counters["top_level_shown_ms"] = shownMs;
    state.counters["longest_stall_ms"] = stallMs;
    state.counters["peak_rss_MB"] = static_cast<double>(peakRssKb()) / 1024.0;
}
BENCHMARK(BM_OpenBigFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The process's anonymous resident memory now (RssAnon), in kB.
long rssAnonKb()
{
    return statusKb("RssAnon: %ld");
}

// Opens TESS_BIG_FILE on the big road and waits for the top level.
bool openBig(Window& w, const char* path)
{
    if (!w.window->loadFileIntoCurrentSlot(path))
        return false;
    while (w.window->bigLoadRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    return w.window->slot(w.window->currentSlot()).big != nullptr;
}

// Find in a big file from the root: TESS_BIG_FIND (default the text the generated API
// document ends with), as a regular expression when TESS_BIG_FIND_REGEX is set, ignoring
// case when TESS_BIG_FIND_IGNORE_CASE is. Time to
// the node selected, the longest stall of the window meanwhile.
void BM_FindInBigFile(benchmark::State& state)
{
    const char* path = std::getenv("TESS_BIG_FILE");
    const char* text = std::getenv("TESS_BIG_FIND");
    const bool regex = std::getenv("TESS_BIG_FIND_REGEX") != nullptr;
    if (!path) {
        state.SkipWithError("TESS_BIG_FILE is not set");
        return;
    }
    for (auto _ : state) {
        Window w;
        if (!openBig(w, path)) {
            state.SkipWithError("not opened on the big road");
            return;
        }
        w.window->findChild<QLineEdit*>(tess::qt::ui(u8"编辑框查找文本"))->setText(QString::fromUtf8(text ? text : "needle-at-the-end"));
        w.window->findChild<QRadioButton*>(tess::qt::ui(regex ? u8"单选框正则" : u8"单选框默认"))->setChecked(true);
        w.window->findChild<QCheckBox*>(tess::qt::ui(u8"选择框忽略大小写"))->setChecked(std::getenv("TESS_BIG_FIND_IGNORE_CASE"));
        tess::TreeView& tree = *w.window->currentTree();
        tree.setCurrentIndex(tree.model()->index(0, 0));
        const auto t0 = Clock::now();
        w.window->findInTree(false);
        auto last = Clock::now();
        double stall = 0;
        while (w.window->bigFindRunning()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const auto now = Clock::now();
            stall = std::max(stall, ms(now - last));
            last = now;
        }
        QCoreApplication::processEvents();
        const double found = ms(Clock::now() - t0);
        const QString at = w.window->findChild<QLineEdit*>(tess::qt::ui(u8"编辑框路径"))->text();
        if (at.isEmpty())
            state.SkipWithError("nothing found");
        std::fprintf(stderr, "found at %s\n", qPrintable(at));
        state.SetIterationTime(found / 1000.0);
        state.counters["find_ms"] = found;
        state.counters["longest_stall_ms"] = stall;
    }
}
BENCHMARK(BM_FindInBigFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Expand all below the root of TESS_BIG_FILE (asked about never): time until every
// container is open, rows read, the longest stall, and RssAnon before and at its peak
// (sampled between the slices).
void BM_ExpandBigFile(benchmark::State& state)
{
    const char* path = std::getenv("TESS_BIG_FILE");
    if (!path) {
        state.SkipWithError("TESS_BIG_FILE is not set");
        return;
    }
    for (auto _ : state) {
        Window w;
        if (!openBig(w, path)) {
            state.SkipWithError("not opened on the big road");
            return;
        }
        w.window->bigTabs().askAbove = ~uint64_t(0);
        w.window->bigTabs().refuseAbove = ~uint64_t(0);
        tess::TreeView& tree = *w.window->currentTree();
        tree.setCurrentIndex(tree.model()->index(0, 0));
        const long before = rssAnonKb();
        long peak = before;
        const auto t0 = Clock::now();
        w.window->expandBelowSelected();
        auto last = Clock::now();
        double stall = 0;
        while (w.window->bigExpandRunning()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            peak = std::max(peak, rssAnonKb());
            const auto now = Clock::now();
            stall = std::max(stall, ms(now - last));
            last = now;
        }
        tree.viewport()->repaint();
        peak = std::max(peak, rssAnonKb());
        const double total = ms(Clock::now() - t0);
        state.SetIterationTime(total / 1000.0);
        state.counters["expand_ms"] = total;
        state.counters["longest_stall_ms"] = stall;
        state.counters["rows_read"] = static_cast<double>(w.window->slot(w.window->currentSlot()).big->itemsRead());
        state.counters["rss_anon_before_MB"] = static_cast<double>(before) / 1024.0;
        state.counters["rss_anon_peak_MB"] = static_cast<double>(peak) / 1024.0;
    }
}
BENCHMARK(BM_ExpandBigFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
// Ctrl+C on the value of TESS_BIG_FILE's node at TESS_BIG_COPY_PATH (a path the path box
// reads; default the root): the time until the clipboard holds it (or the copy is refused,
// over the window's bound), its size, and the longest stall of the window meanwhile.
void BM_CopyBigValue(benchmark::State& state)
{
    const char* path = std::getenv("TESS_BIG_FILE");
    const char* at = std::getenv("TESS_BIG_COPY_PATH");
    if (!path) {
        state.SkipWithError("TESS_BIG_FILE is not set");
        return;
    }
    for (auto _ : state) {
        Window w;
        if (!openBig(w, path)) {
            state.SkipWithError("not opened on the big road");
            return;
        }
        tess::TreeView& tree = *w.window->currentTree();
        tree.setCurrentIndex(tree.model()->index(0, 0));
        if (at) {
            w.window->findChild<QLineEdit*>(tess::qt::ui(u8"编辑框路径"))->setText(QString::fromUtf8(at));
            w.window->goToTypedPath();
        }
        QCoreApplication::processEvents();
        QGuiApplication::clipboard()->clear();
        const auto t0 = Clock::now();
        w.window->copyValue();
        auto last = Clock::now();
        double stall = ms(last - t0);
        while (w.window->taskRunning()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            const auto now = Clock::now();
            stall = std::max(stall, ms(now - last));
            last = now;
        }
        const double total = ms(Clock::now() - t0);
        std::fprintf(stderr, "%s\n", qPrintable(w.window->statusText()));
        state.SetIterationTime(total / 1000.0);
        state.counters["copy_ms"] = total;
        state.counters["longest_stall_ms"] = stall;
        state.counters["clipboard_MB"] = static_cast<double>(QGuiApplication::clipboard()->text().size()) / 1e6;
        state.counters["peak_rss_MB"] = static_cast<double>(peakRssKb()) / 1024.0;
    }
}
BENCHMARK(BM_CopyBigValue)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// A document under the big-document threshold (TESS_NORMAL_FILE names it; skipped
// without it) through the commands that walk every node: the load of a file named at
// start, expand all on the root, the whole tree to level 3, the root's value with the
// formatted view on and copied formatted, and a find that meets no hit. For each: the
// time until it is done, the longest time the window's own event loop went without
// running (input waits that long), and the peak resident memory while it ran.
struct Watched {
    double ms = 0;
    double stallMs = 0;
    double peakMB = 0;
};

template <typename Start, typename Done>
Watched watchUntil(tess::MainWindow& window, Start start, Done done)
{
    // A timer ticks every 10 ms in the window's own event loop (which sleeps between events,
    // as the program's does); the largest gap between ticks is the longest stall, the first
    // one counting from the start of the command. Ticks inside the command's own call are
    // not counted: they come from nested steps that keep keyboard and mouse input out.
    resetPeakRss();
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    const auto t0 = Clock::now();
    auto last = t0;
    double stall = 0;
    bool inside = true;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (inside)
            return;
        const auto now = Clock::now();
        stall = std::max(stall, ms(now - last));
        last = now;
        if (done())
            loop.quit();
    });
    tick.start();
    start();
    inside = false;
    loop.exec();
    window.currentTree()->viewport()->repaint();
    Watched w;
    w.ms = ms(Clock::now() - t0);
    w.stallMs = stall;
    w.peakMB = static_cast<double>(peakRssKb()) / 1024.0;
    return w;
}

template <typename Start>
Watched watch(tess::MainWindow& window, Start start)
{
    return watchUntil(window, start, [&window] { return !window.taskRunning(); });
}

void BM_NormalRoadCommands(benchmark::State& state)
{
    const char* path = std::getenv("TESS_NORMAL_FILE");
    if (!path) {
        state.SkipWithError("TESS_NORMAL_FILE is not set");
        return;
    }
    auto put = [&state](const char* name, const Watched& w) {
        state.counters[std::string(name) + "_ms"] = w.ms;
        state.counters[std::string(name) + "_stall_ms"] = w.stallMs;
        state.counters[std::string(name) + "_peak_MB"] = w.peakMB;
    };
    for (auto _ : state) {
        Window w;
        tess::MainWindow& window = *w.window;
        window.setExpandAskLimit(-1); // nobody answers a question here
        window.setExpandRefuseLimit(-1);
        window.setBackgroundLoadBytes(int64_t(2) << 20);
        window.setBackgroundValueBytes(std::size_t(2) << 20);
        const Watched load = watch(window, [&] { window.loadFileIntoCurrentSlot(path); });
        tess::TreeView& tree = *window.currentTree();
        state.counters["items"] = tree.itemCount();
        tree.selectItem(0);
        const Watched expand = watch(window, [&] { window.expandBelowSelected(); });
        if (!tree.isExpanded(tree.treeModel().indexOfItem(tree.itemCount() - 2)) &&
            tree.treeModel().itemChildCount(tree.itemCount() - 2) > 0)
            state.SkipWithError("not expanded");
        window.collapseBelowSelected();
        tree.finishPendingCollapse();
        const Watched level = watch(window, [&] { window.expandTreeToLevel(3); });
        tree.finishPendingCollapse();
        tree.selectItem(1);
        QCoreApplication::processEvents();
        const Watched root = watch(window, [&] { tree.selectItem(0); });
        const Watched formatted = watch(window, [&] { window.setShowFormatted(true); });
        const Watched copy = watch(window, [&] { window.copyFormattedValue(); });
        auto* findText = window.findChild<QLineEdit*>(QString::fromUtf8(u8"编辑框查找文本"));
        findText->setText(QStringLiteral("no-such-caption-anywhere"));
        const Watched find = watch(window, [&] { window.findInTree(false); });
        put("load", load);
        put("expand_all", expand);
        put("level3", level);
        put("select_root", root);
        put("formatted_on", formatted);
        put("copy_formatted", copy);
        put("find_miss", find);
        state.SetIterationTime(load.ms / 1000.0);
    }
}
BENCHMARK(BM_NormalRoadCommands)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The big road's sequences, each step watched as above (time, longest stall of the
// window's event loop). TESS_BIG_FILE names the file; TESS_BIG_SEQUENCE picks one:
//   expand (default): the node TESS_BIG_SUBTREE (default features.[71]) expanded all below,
//     collapsed, then a jump to TESS_BIG_DEEP inside it (default
//     features.[71].geometry.coordinates.[13].[1]); then expanded all again and stopped
//     (Esc) when 45 % of its rows are listed.
//   far: a path jump to TESS_BIG_FAR (default values.[10000000]) in a fresh window, then
//     to TESS_BIG_FAR2 (default values.[5000000]) with its container open.
//   end: the array TESS_BIG_ARRAY (default data.items) opened, then End; the row above the
//     tree's last rows is printed (the array's last child when it is followed by members).
std::string envOr(const char* name, const char* fallback)
{
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

void goToPath(tess::MainWindow& window, const std::string& path)
{
    window.findChild<QLineEdit*>(tess::qt::ui(u8"编辑框路径"))->setText(QString::fromStdString(path));
    window.goToTypedPath();
}

QString selectedCaption(tess::TreeView& tree)
{
    return tree.model()->data(tree.selectedIndex()).toString();
}

void BM_BigRoadSequence(benchmark::State& state)
{
    const char* path = std::getenv("TESS_BIG_FILE");
    if (!path) {
        state.SkipWithError("TESS_BIG_FILE is not set");
        return;
    }
    const std::string sequence = envOr("TESS_BIG_SEQUENCE", "expand");
    auto put = [&state](const char* name, const Watched& w) {
        state.counters[std::string(name) + "_ms"] = w.ms;
        state.counters[std::string(name) + "_stall_ms"] = w.stallMs;
    };
    for (auto _ : state) {
        Window w;
        tess::MainWindow& window = *w.window;
        if (!openBig(w, path)) {
            state.SkipWithError("not opened on the big road");
            return;
        }
        // Never asked, never refused (the count stops one past the larger limit).
        window.bigTabs().askAbove = uint64_t(1) << 40;
        window.bigTabs().refuseAbove = uint64_t(1) << 40;
        tess::TreeView& tree = *window.currentTree();
        tess::BigTreeModel& model = *window.slot(window.currentSlot()).big;
        const auto idle = [&window, &tree] { return !window.taskRunning() && !tess::BigCollapse::runningOn(tree); };
        if (sequence == "expand") {
            const std::string subtree = envOr("TESS_BIG_SUBTREE", "features.[71]");
            goToPath(window, subtree);
            std::fprintf(stderr, "expanding %s\n", qPrintable(selectedCaption(tree)));
            const Watched expand = watchUntil(window, [&] { window.expandBelowSelected(); }, idle);
            std::fprintf(stderr, "expanded in %.0f ms: %s\n", expand.ms, qPrintable(window.statusText()));
            const double rows = static_cast<double>(model.itemsRead());
            tree.setCurrentIndex(tree.selectedIndex());
            const Watched collapse = watchUntil(window, [&] { window.collapseBelowSelected(); }, idle);
            std::fprintf(stderr, "collapsed in %.0f ms\n", collapse.ms);
            const Watched jump = watchUntil(
                window, [&] { goToPath(window, envOr("TESS_BIG_DEEP", "features.[71].geometry.coordinates.[13].[1]")); },
                idle);
            std::fprintf(stderr, "jumped to %s\n", qPrintable(selectedCaption(tree)));
            // Expand all again and press Esc at 45 % of the rows listed.
            goToPath(window, subtree);
            bool escaped = false;
            const auto t0 = Clock::now();
            double escAt = 0;
            const Watched stopped = watchUntil(
                window, [&] { window.expandBelowSelected(); },
                [&] {
                    const QString status = window.statusText();
                    static QString said;
                    if (status != said && std::getenv("TESS_BIG_VERBOSE"))
                        std::fprintf(stderr, "%8.0f ms %s\n", ms(Clock::now() - t0), qPrintable(said = status));
                    const qsizetype percent = status.indexOf(QLatin1Char('%'));
                    if (!escaped && percent > 0 && status.left(percent).section(QLatin1Char(' '), -1).toInt() >= 45) {
                        escaped = true;
                        escAt = ms(Clock::now() - t0);
                        window.cancelBigLoad();
                    }
                    // Ended before 45 % was seen: nothing to stop.
                    return (escaped || !window.taskRunning()) && idle();
                });
            put("expand_all", expand);
            state.counters["expand_all_rows_read"] = rows;
            put("collapse", collapse);
            put("deep_jump", jump);
            put("expand_then_esc", stopped);
            state.counters["esc_after_ms"] = escAt; // 0: it ended before 45 %
            state.SetIterationTime(expand.ms / 1000.0);
        } else if (sequence == "far") {
            const Watched far = watchUntil(window, [&] { goToPath(window, envOr("TESS_BIG_FAR", "values.[10000000]")); }, idle);
            std::fprintf(stderr, "selected %s\n", qPrintable(selectedCaption(tree)));
            const Watched far2 = watchUntil(window, [&] { goToPath(window, envOr("TESS_BIG_FAR2", "values.[5000000]")); }, idle);
            std::fprintf(stderr, "selected %s\n", qPrintable(selectedCaption(tree)));
            put("far_jump", far);
            put("far_jump_open", far2);
            state.counters["rows_read"] = static_cast<double>(model.itemsRead());
            state.SetIterationTime(far.ms / 1000.0);
        } else {
            goToPath(window, envOr("TESS_BIG_ARRAY", "data.items"));
            const Watched open = watchUntil(window, [&] { tree.expand(tree.selectedIndex()); }, idle);
            const Watched end = watchUntil(
                window,
                [&] {
                    tree.setFocus();
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
                    QCoreApplication::sendEvent(&tree, &press);
                },
                idle);
            QModelIndex at = tree.currentIndex();
            std::fprintf(stderr, "End: %s\n", qPrintable(tree.model()->data(at).toString()));
            for (int k = 0; k < 4 && at.isValid(); ++k) {
                at = tree.indexAbove(at);
                std::fprintf(stderr, "  above: %s\n", qPrintable(tree.model()->data(at).toString()));
            }
            put("open_array", open);
            put("end_key", end);
            state.counters["rows_read"] = static_cast<double>(model.itemsRead());
            state.SetIterationTime(end.ms / 1000.0);
        }
        state.counters["peak_rss_MB"] = static_cast<double>(peakRssKb()) / 1024.0;
    }
}
BENCHMARK(BM_BigRoadSequence)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
