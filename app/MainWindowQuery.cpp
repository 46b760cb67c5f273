// The jq query: a program run by the jq library on the current tab's document (its tree
// written out as standard JSON, or a big file's bytes; JSON Lines record by record), off
// the window's thread; the results, one compact JSON text a line, open as a tree in the
// first empty tab.
#include "app/MainWindow.h"
#include "json/JsonDocument.h"
#include "json/StrictWriter.h"
#include "json/big/BigDocument.h"
#include "json/jq/JqProgram.h"
#include "platform/Codec.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/BigTreeModel.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QTabWidget>

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
    showStatusMessage(ui(u8"正在查询…（Esc 停止）"));
    this->tab(n).start(TabJob::Query, [this, n, text, document, strict](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        auto outcome = std::make_shared<QueryOutcome>();
        jq::JqProgram program;
        std::string error;
        if (!program.compile(text, error))
            return {};
        const auto runOn = [&](std::string_view json, uint64_t line) {
            const jq::RunResult r = program.run(json, [&](std::string_view result) {
                if (outcome->results.size() + result.size() >= kMostResultBytes) {
                    outcome->cut = true;
                    return false;
                }
                outcome->results.append(result);
                outcome->results.push_back('\n');
                return !control.cancelled();
            });
            if (r.outcome == jq::RunOutcome::Failed || r.outcome == jq::RunOutcome::Halted) {
                outcome->error = line > 0 ? "jq: error (at line " + std::to_string(line) + "): " + r.message
                                          : "jq: error: " + r.message;
                return false;
            }
            return !control.cancelled() && !outcome->cut;
        };
        if (strict) {
            runOn(*strict, 0);
        } else {
            big::Node root;
            document->root(root);
            const std::string_view bytes = document->bytes();
            if (document->isLines()) {
                control.total = root.end;
                big::ChildCursor records = document->children(root);
                big::Node record;
                while (records.next(record)) {
                    control.done = record.start;
                    if (record.kind != big::Kind::Error &&
                        !runOn(bytes.substr(record.start, record.end - record.start), record.line))
                        break;
                }
            } else {
                runOn(bytes.substr(root.start, root.end - root.start), 0);
            }
        }
        if (control.cancelled())
            return {};
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
