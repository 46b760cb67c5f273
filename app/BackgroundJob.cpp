#include "app/BackgroundJob.h"

#include "platform/MessagePump.h"

#include <algorithm>
#include <exception>
#include <new>

namespace tess {

namespace {

// What went wrong in a job, for the status line.
std::string failureText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "bad_alloc";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown";
    }
}

} // namespace

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob()
{
    wait();
}

void BackgroundJob::start(Work work)
{
    drop();
    // Dropped threads end at their next pump step or cancel check: the oldest is waited
    // for only when too many are still on their way out.
    while (m_threads.size() >= kMostPending) {
        if (m_threads.front()->joinable())
            m_threads.front()->join();
        m_threads.erase(m_threads.begin());
    }
    auto control = std::make_shared<Control>();
    m_control = control;
    m_running = true;
    const unsigned generation = ++m_generation;
    auto thread = std::make_shared<std::thread>();
    m_threads.push_back(thread);
    m_current = thread;
    // The result is queued to this thread, which finishes the assignment below before it
    // runs anything queued.
    *thread = std::thread([this, control, generation, thread, work = std::move(work)] {
        Finish finish;
        std::string failure;
        bool threw = false;
        {
            const WorkerStopScope stopAtPump(control->cancel);
            try {
                finish = work(*control);
            } catch (const WorkStopped&) {
                finish = nullptr; // dropped: nobody waits for a result
            } catch (...) {
                threw = true;
                failure = failureText(std::current_exception());
                finish = nullptr;
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, thread, finish = std::move(finish), threw, failure = std::move(failure)] {
                if (thread->joinable())
                    thread->join();
                std::erase(m_threads, thread);
                if (generation != m_generation)
                    return;
                m_current.reset();
                m_running = false;
                if (threw) {
                    if (failed)
                        failed(failure);
                } else if (finish) {
                    finish();
                }
            },
            Qt::QueuedConnection);
    });
}

void BackgroundJob::cancel()
{
    if (m_running && m_control)
        m_control->cancel.store(true);
}

void BackgroundJob::stop()
{
    if (m_control)
        m_control->cancel.store(true);
    if (m_current) {
        if (m_current->joinable())
            m_current->join();
        std::erase(m_threads, m_current);
        m_current.reset();
    }
    ++m_generation; // a result still queued is dropped
    m_running = false;
}

void BackgroundJob::drop()
{
    if (m_control)
        m_control->cancel.store(true);
    m_current.reset(); // joined when its result comes, or by wait()
    ++m_generation;
    m_running = false;
}

void BackgroundJob::wait()
{
    drop();
    for (const auto& thread : m_threads)
        if (thread->joinable())
            thread->join();
    m_threads.clear();
}

int BackgroundJob::percent() const
{
    if (!m_control)
        return 0;
    const uint64_t total = m_control->total.load();
    const uint64_t done = m_control->done.load();
    return total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(done, total) * 100 / total);
}

} // namespace tess
