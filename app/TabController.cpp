#include "app/TabController.h"

#include "app/BigTabs.h"
#include "app/MainWindow.h"
#include "app/TabCompare.h"
#include "json/JsonDocument.h"
#include "json/big/BigDocument.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"

namespace tess {

using qt::ui;

TabParse::TabParse() : document(std::make_unique<JsonDocument>()), model(std::make_unique<TreeModel>()) {}
TabParse::~TabParse() = default;

QString jobFailureText(const std::string& what)
{
    if (what == "bad_alloc")
        return ui(u8"内存不足，未能完成：树页保持原样");
    return ui(u8"出错了，未能完成：%1").arg(QString::fromStdString(what));
}

TabController::TabController(int number, QObject* parent) : QObject(parent), m_number(number) {}

TabController::~TabController()
{
    waitAll();
}

BackgroundJob& TabController::job(TabJob kind)
{
    std::unique_ptr<BackgroundJob>& made = m_jobs[static_cast<std::size_t>(kind)];
    if (!made) {
        made = std::make_unique<BackgroundJob>();
        made->failed = [this, kind](const std::string& what) {
            if (kind == TabJob::Parse)
                m_parse.reset();
            if (failed)
                failed(jobFailureText(what));
            if (runningChanged)
                runningChanged();
        };
    }
    return *made;
}

void TabController::start(TabJob kind, BackgroundJob::Work work)
{
    job(kind).start(std::move(work));
    if (runningChanged)
        runningChanged();
}

void TabController::drop(TabJob kind)
{
    if (BackgroundJob* j = m_jobs[static_cast<std::size_t>(kind)].get(); j && j->running()) {
        j->drop();
        if (runningChanged)
            runningChanged();
    }
}

void TabController::cancel(TabJob kind)
{
    if (BackgroundJob* j = m_jobs[static_cast<std::size_t>(kind)].get())
        j->cancel();
}

void TabController::stop(TabJob kind)
{
    if (BackgroundJob* j = m_jobs[static_cast<std::size_t>(kind)].get(); j && j->running()) {
        j->stop();
        if (runningChanged)
            runningChanged();
    }
}

bool TabController::running(TabJob kind) const
{
    const BackgroundJob* j = existing(kind);
    return j && j->running();
}

bool TabController::anyJobRunning() const
{
    for (const auto& j : m_jobs)
        if (j && j->running())
            return true;
    return false;
}

int TabController::percent(TabJob kind) const
{
    const BackgroundJob* j = existing(kind);
    return j ? j->percent() : 0;
}

std::size_t TabController::pendingThreads(TabJob kind) const
{
    const BackgroundJob* j = existing(kind);
    return j ? j->pendingThreads() : 0;
}

void TabController::dropAll()
{
    m_parse.reset();
    parseNote.clear();
    for (auto& j : m_jobs)
        if (j)
            j->drop();
}

void TabController::waitAll()
{
    m_parse.reset();
    for (auto& j : m_jobs)
        if (j)
            j->wait();
}

void TabController::startParse(LoadRequest request, const LoadOptions& options, const Stopwatch& stopwatch,
                               std::function<void(std::shared_ptr<TabParse>)> parsed)
{
    auto parse = std::make_shared<TabParse>();
    parse->request = std::move(request);
    parse->options = options;
    parse->stopwatch = stopwatch;
    parse->stopwatch.start();
    parse->started = steadyMillis();
    m_parse = parse;
    // The worker holds the parse alone until its result comes: the window reads only the
    // request (set above, never written again by the worker).
    start(TabJob::Parse, [this, parse, parsed = std::move(parsed)](BackgroundJob::Control& control) -> BackgroundJob::Finish {
        auto done = [this, parse, parsed] {
            if (m_parse != parse)
                return; // dropped meanwhile
            m_parse.reset();
            if (runningChanged)
                runningChanged();
            parsed(parse);
        };
        if (BigTabs::linesShown(parse->options) && (parse->lines = BigTabs::readLines(parse->request.text)))
            return done;
        if (control.cancelled())
            return nullptr;
        parse->source = parseText(parse->request.text, *parse->document, parse->options);
        fillTreeModel(*parse->model, *parse->document);
        parse->unclosed = unclosedValueOf(parse->source, parse->options.singleQuoteFormat);
        return done;
    });
}

void TabController::dropParse()
{
    parseNote.clear();
    if (m_parse) {
        m_parse.reset();
        drop(TabJob::Parse);
    }
}

} // namespace tess
