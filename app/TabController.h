#pragma once
// One tab's house: its Slot (view, document on either road, source, undo), and every job
// that works for the tab off the window's thread, one BackgroundJob per kind.
//
// Thread rules
// - The controller, its Slot and everything the view shows live on the window's thread;
//   only that thread calls the controller.
// - A job's work runs on a worker thread and touches only what it was given: copies, the
//   shared read-only texts (SharedText), a shared BigDocument (read only, its own
//   mapping), and what the job itself made (a parse's document and model). It never
//   reads the Slot, the view or a model a view shows.
// - What the work returns runs on the window's thread afterwards, through the event loop.
//   It comes only from the latest start of its kind: starting a kind again, drop(),
//   stop() or the tab's dropAll() throw away the result of the job before.
// - A dropped job is asked to end and is not waited for: the engine's loops leave at their
//   next pump step (WorkStopped), a big-road pass, find or count at its next look at the
//   cancel flag. A BackgroundJob keeps at most kMostPending threads on their way out.
// - A job that throws (bad_alloc on a huge value) gives no result; the tab's `failed`
//   is told on the window's thread, and the window says it in the status line.
// - The window joins every thread when it is destroyed (waitAll).
//
// A new kind of per-tab work (compare, filter, table, query) adds its name to TabJob and
// calls start(kind, work): the newest of a kind wins, Esc and a new document drop it,
// and the status line learns of failures, with nothing more to write.
#include "app/BackgroundJob.h"
#include "app/Slot.h"
#include "platform/FileIdentity.h"
#include "tree/Stopwatch.h"
#include "tree/widgets/TreeLoader.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace tess {

namespace big {
class BigDocument;
}
class BigExpansion;
struct TabComparison;
class TreeModel;

enum class TabJob {
    Parse,    // a large text into a document of its own (or a JSON Lines text's records)
    Boxes,    // decoding a large value for the value boxes
    Copy,     // the formatted copy, or a big value's copy, for the clipboard
    BigLoad,  // the big road's index pass over a file
    BigFind,  // find on the big road
    BigCount, // counting the rows an expansion on the big road would show
    Strict,   // whether the text shown is standard JSON (the status line's note)
    Query,    // a jq program on the tab's document
    Compare,  // comparing the tab's document with another
};
inline constexpr std::size_t kTabJobKinds = 9;

// A parse of a large text for the tab: made on the window's thread, filled by the worker.
struct TabParse {
    LoadRequest request;
    LoadOptions options;
    Stopwatch stopwatch;
    int64_t started = 0;
    std::unique_ptr<JsonDocument> document;
    std::unique_ptr<TreeModel> model; // no view shows it
    // Written by the worker: the text the view keeps, and where a cut-off text stops.
    SharedText source;
    std::optional<UnclosedValue> unclosed;
    // A text of JSON Lines is not parsed: its records are read instead.
    std::shared_ptr<const big::BigDocument> lines;
    TabParse();
    ~TabParse();
};

class TabController : public QObject {
public:
    TabController(int number, QObject* parent);
    ~TabController() override;

    int number() const { return m_number; }
    Slot& slot() { return m_slot; }
    const Slot& slot() const { return m_slot; }

    // Starts work of a kind; the tab's earlier job of that kind is dropped.
    void start(TabJob kind, BackgroundJob::Work work);
    // Its result is thrown away; the thread ends at its next pump step or cancel check.
    void drop(TabJob kind);
    // Asks it to end soon; its result still comes (work that reports being stopped).
    void cancel(TabJob kind);
    // Asks it to end and waits (work that looks at the flag often); no result comes.
    void stop(TabJob kind);
    bool running(TabJob kind) const;
    bool anyJobRunning() const;
    int percent(TabJob kind) const;
    // Threads of a kind not yet joined, the running one included.
    std::size_t pendingThreads(TabJob kind) const;
    // Drops every job of the tab (a new document on another road, the window closing).
    void dropAll();
    // Joins every thread, dropped ones too.
    void waitAll();

    // Parses request's text on a worker (or reads its JSON Lines records); parsed runs on
    // the window's thread with the result unless a later load, Esc or dropParse came first.
    void startParse(LoadRequest request, const LoadOptions& options, const Stopwatch& stopwatch,
                    std::function<void(std::shared_ptr<TabParse>)> parsed);
    void dropParse();
    bool parseRunning() const { return m_parse != nullptr; }
    // The running parse's request (what the tab's data file receives at close).
    const LoadRequest* parseRequest() const { return m_parse ? &m_parse->request : nullptr; }
    // Said in the status line when the running parse is shown.
    QString parseNote;

    // The big file shown, as it was when opened (nothing for a pasted text of JSON Lines).
    std::optional<FileIdentity> bigFile;
    // Why the tab shows no document (a big file changed or gone): the status line's text
    // while the tab has none.
    QString notice;

    // The comparison the tab's tree shows marks of (app/TabCompare.h), or null.
    std::shared_ptr<TabComparison> comparison;

    // The big road's expansion in slices, while one runs for the tab.
    BigExpansion* expansion = nullptr;
    uint64_t expandTotal = 0;

    // A job started or ended: the window's Esc key follows.
    std::function<void()> runningChanged;
    // A job of the tab threw; the text is for the status line.
    std::function<void(const QString&)> failed;

private:
    BackgroundJob& job(TabJob kind);
    const BackgroundJob* existing(TabJob kind) const { return m_jobs[static_cast<std::size_t>(kind)].get(); }

    int m_number;
    Slot m_slot;
    std::array<std::unique_ptr<BackgroundJob>, kTabJobKinds> m_jobs; // made when first used
    std::shared_ptr<TabParse> m_parse;
};

// The status line's text for a job that threw.
QString jobFailureText(const std::string& what);

} // namespace tess
