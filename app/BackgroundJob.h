#pragma once
// One job at a time on a worker thread. The job looks at a cancel flag often and counts
// its progress; what it returns runs afterwards on the window's thread, unless the job
// was stopped, dropped or replaced meanwhile.
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
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

    explicit BackgroundJob(QObject* parent = nullptr);
    // Waits for every thread still running, dropped ones too.
    ~BackgroundJob() override;

    // Stops a running job first.
    void start(Work work);
    // Asks the job to end soon; its result still comes (the job tells it was cancelled).
    void cancel();
    // Asks the job to end and waits for it; its result is dropped.
    void stop();
    // Asks the job to end without waiting (for work that cannot stop half-way): its thread
    // runs to its end and its result is dropped.
    void drop();
    // Waits for every thread, dropped ones too; no result comes.
    void wait();
    bool running() const { return m_running; }
    // Progress in percent, 0 while the total is unknown.
    int percent() const;

private:
    std::shared_ptr<std::thread> m_current;
    std::vector<std::shared_ptr<std::thread>> m_threads; // not yet joined, the current one too
    std::shared_ptr<Control> m_control;
    unsigned m_generation = 0;
    bool m_running = false;
};

} // namespace tess
