#pragma once
// One job at a time on a worker thread. The job looks at a cancel flag often and counts
// its progress; what it returns runs afterwards on the window's thread, unless the job
// was stopped, dropped or replaced meanwhile.
//
// A dropped or replaced job is asked to end: the engine's loops leave at their next pump
// step (platform/MessagePump.h), other work looks at the cancel flag. At most kMostPending
// threads of one BackgroundJob are kept; starting another first waits for the oldest,
// which was already asked to end. A job that throws (std::bad_alloc on a huge value) ends
// with no result: failed receives what went wrong on the window's thread instead.
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tess {

class BackgroundJob : public QObject {
public:
    struct Control {
        std::atomic<bool> cancel{false};
        std::atomic<uint64_t> done{0};
        std::atomic<uint64_t> total{0};
        bool cancelled() const { return cancel.load(std::memory_order_relaxed); }
    };
    using Finish = std::function<void()>;
    using Work = std::function<Finish(Control&)>;
    // Threads of one job kept at once, the running one included.
    static constexpr std::size_t kMostPending = 3;

    explicit BackgroundJob(QObject* parent = nullptr);
    // Waits for every thread still running, dropped ones too.
    ~BackgroundJob() override;

    // Drops a running job first (see drop()).
    void start(Work work);
    // Asks the job to end soon; its result still comes (the job tells it was cancelled).
    void cancel();
    // Asks the job to end and waits for it; its result is dropped.
    void stop();
    // Asks the job to end without waiting: its thread ends at its next pump step or
    // cancel check, and its result is dropped.
    void drop();
    // Waits for every thread, dropped ones too; no result comes.
    void wait();
    bool running() const { return m_running; }
    // Progress in percent, 0 while the total is unknown.
    int percent() const;
    // Threads not yet joined, the running one included.
    std::size_t pendingThreads() const { return m_threads.size(); }
    // Called on the window's thread when the latest job threw (its text for a person).
    std::function<void(const std::string& what)> failed;

private:
    std::shared_ptr<std::thread> m_current;
    std::vector<std::shared_ptr<std::thread>> m_threads; // not yet joined, the current one too
    std::shared_ptr<Control> m_control;
    unsigned m_generation = 0;
    bool m_running = false;
};

} // namespace tess
