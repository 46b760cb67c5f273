// The jq query: a program run by the jq library on the current tab's document (its tree
// written out as standard JSON, or a big file's bytes; JSON Lines record by record), off
// the window's thread; the results, one compact JSON text a line, open as a tree in the
// first empty tab.
#include "app/MainWindow.h"
#include "json/JsonDocument.h"
#include "json/StrictWriter.h"
#include "json/big/BigDocument.h"
#include "json/jq/JqProgram.h"
#include "platform/ChildProcess.h"
#include "platform/Codec.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/BigTreeModel.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QTabWidget>

#include <unistd.h>

namespace tess {
namespace {

using qt::ui;

// jq holds a single document whole, at several times its size: above this it is refused.
// JSON Lines are queried a record at a time at any size.
constexpr uint64_t kQueryBound = uint64_t(256) << 20;
// Results past this are not kept (they would not fit a tree either).
constexpr std::size_t kMostResultBytes = std::size_t(512) << 20;

struct QueryOutcome {
    std::string results; // UTF-8, one result a line
    std::string error;   // jq's message, with the record's line for JSON Lines
    bool cut = false;
};

} // namespace

void MainWindow::openQueryField()
{
    static QString last;
    bool ok = false;
    const QString program = QInputDialog::getText(this, ui(u8"jq 查询"), ui(u8"jq 程序（结果在第一个空的树页中打开）："),
                                                  QLineEdit::Normal, last, &ok);
    if (!ok || program.trimmed().isEmpty())
        return;
    last = program;
    startQuery(program);
}

void MainWindow::startQuery(const QString& program)
{
    const std::string text = program.toStdString();
    {
        jq::JqProgram check;
        std::string error;
        if (!check.compile(text, error)) {
            while (!error.empty() && error.back() == '\n')
                error.pop_back();
            showStatusMessage(ui(u8"jq 程序有错：%1").arg(QString::fromStdString(error)));
            return;
        }
    }
    const int n = currentSlot();
    const Slot& tab = slot(n);
    std::shared_ptr<const big::BigDocument> document;
    std::shared_ptr<const std::string> strict;
    uint64_t size = 0;
    bool lines = false;
    if (tab.big) {
        document = tab.big->sharedDocument();
        big::Node root;
        if (!document->root(root)) {
            showStatusMessage(ui(u8"这个树页没有文档"));
            return;
        }
        lines = document->isLines();
        size = root.end - root.start;
    } else {
        if (tab.document->nodes().nodeCount() == 0) {
            showStatusMessage(ui(u8"这个树页没有文档"));
            return;
        }
        strict = std::make_shared<const std::string>(strictJson(tab.document->nodes(), 1));
        size = strict->size();
    }
    if (!lines && size > kQueryBound) {
        showStatusMessage(ui(u8"文档超过 %1 MiB，不能查询：jq 要把整个文档放进内存（需要其大小的数倍）。JSON Lines 文件逐条记录查询，不限大小")
                              .arg(kQueryBound >> 20));
        return;
    }
    // The program runs in a process of the command line: Esc, a newer query or the window
    // closing kill it at once, and jq running out of memory ends that process, not ours.
    std::vector<std::string> argv{m_setup.queryProgram, "--query", text};
    if (argv[0].empty()) {
        char path[4096];
        const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
        argv[0] = n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
    }
    std::string_view input;
    if (strict) {
        input = *strict;
        argv.push_back("-");
    } else if (tab.holdsBigFile()) {
        argv.push_back(std::get<FileSource>(tab.source).path);
    } else {
        big::Node root;
        document->root(root);
        input = document->bytes().substr(root.start, root.end - root.start);
        argv.push_back("-");
    }
    showStatusMessage(ui(u8"正在查询…（Esc 停止）"));
    this->tab(n).start(TabJob::Query, [this, n, argv, document, strict, input](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        ChildRun run = runChild(argv, input, kMostResultBytes, [&control] { return control.cancelled(); });
        if (control.cancelled())
            return {};
        auto outcome = std::make_shared<QueryOutcome>();
        outcome->cut = run.outCut;
        outcome->results = std::move(run.out);
        switch (run.outcome) {
        case ChildRun::Outcome::Exited:
            outcome->error = std::move(run.err);
            break;
        case ChildRun::Outcome::Signalled:
            outcome->error = "jq: the query ended abnormally (signal " + std::to_string(run.status) + ")";
            break;
        case ChildRun::Outcome::Stopped:
            break;
        case ChildRun::Outcome::NotStarted:
            outcome->error = "jq: cannot start " + argv[0] + ": " + run.error;
            break;
        }
        // Everything before a cut result's last line feed is whole results.
        if (outcome->cut)
            outcome->results.resize(outcome->results.rfind('\n') + 1);
        return [this, n, outcome] { showQueryResult(n, std::move(outcome->results), outcome->error, outcome->cut); };
    });
}

void MainWindow::showQueryResult(int from, std::string results, const std::string& error, bool cut)
{
    QString message = QString::fromStdString(error);
    while (message.endsWith(QLatin1Char('\n')))
        message.chop(1);
    if (results.empty()) {
        showStatusMessage(message.isEmpty() ? ui(u8"查询没有结果") : message);
        return;
    }
    int target = firstEmptySlot();
    if (target < 0) {
        target = from % kSlots + 1;
        const QString question = ui(u8"没有空的树页。要用查询结果替换“%1”中的文档吗？\n（替换后可用 Ctrl+Z 撤销）")
                                     .arg(m_tabs->tabText(target - 1).trimmed());
        if (QMessageBox::question(this, ui(u8"jq 查询"), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
            QMessageBox::Yes)
            return;
    }
    m_tabs->setCurrentIndex(target - 1);
    loadTextIntoSlot(target, codec::utf8ToGb18030(results).text);
    if (!message.isEmpty())
        showStatusMessage(message);
    else if (cut)
        showStatusMessage(ui(u8"查询结果超过 %1 MiB，只显示了前面的部分").arg(kMostResultBytes >> 20));
}

} // namespace tess
