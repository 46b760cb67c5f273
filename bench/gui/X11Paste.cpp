// A paste from a clipboard that another process owns, as on a real X11 desktop: how much
// of the clipboard text stays in the viewer's process. Run it under an X server (see
// x11_paste.sh):
//   tess_x11_paste own [clean]  generates the escaped 50 MB document (or the same records
//                               without escapes), puts it on the clipboard, prints "ready"
//                               and keeps the clipboard until it is stopped;
//   tess_x11_paste paste        opens the main window, waits for clipboard text, presses
//                               the paste button and prints the resident sizes.
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "bench/gui/BenchDocuments.h"
#include "tree/widgets/TreeView.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPushButton>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// VmRSS or VmHWM of this process in MiB.
double statusMB(const char* field)
{
    long kb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const std::size_t n = std::strlen(field);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, field, n) == 0 && std::sscanf(line + n, ": %ld", &kb) == 1)
                break;
        std::fclose(f);
    }
    return static_cast<double>(kb) / 1024.0;
}

void resetPeak()
{
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

int own(bool clean)
{
    std::string text = tess::benchdocs::escapedDocument(50u * 1000 * 1000, !clean);
    QApplication::clipboard()->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    std::printf("ready %zu\n", text.size());
    std::fflush(stdout);
    text = std::string();
    return QApplication::exec();
}

int paste()
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tess-x11-paste-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int items = 0;
    {
        tess::ProgramObjects objects;
        tess::MainWindowSetup setup;
        setup.programDir = dir.string();
        setup.writeAtClose = false;
        tess::MainWindow window(objects, setup);
        window.show();
        QElapsedTimer wait;
        wait.start();
        while (!QApplication::clipboard()->mimeData()->hasText() && wait.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 100);
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        const double windowMB = statusMB("VmRSS");
        resetPeak();
        auto* button = window.findChild<QPushButton*>(QString::fromUtf8(u8"按钮粘贴JSON树"));
        QElapsedTimer t;
        t.start();
        button->click();
        tess::TreeView& tree = *window.currentTree();
        tree.viewport()->repaint();
        QApplication::processEvents();
        const qint64 ms = t.elapsed();
        items = tree.itemCount();
        std::printf("window_MB=%.1f paste_to_tree_ms=%lld items=%d peak_paste_MB=%.1f rss_after_MB=%.1f\n", windowMB,
                    static_cast<long long>(ms), items, statusMB("VmHWM"), statusMB("VmRSS"));
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return items > 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "own")
        return own(argc > 2 && std::string(argv[2]) == "clean");
    if (mode == "paste")
        return paste();
    std::fprintf(stderr, "usage: %s own [clean] | paste\n", argv[0]);
    return 2;
}
