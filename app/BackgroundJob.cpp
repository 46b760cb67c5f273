#include "app/BackgroundJob.h"

#include <algorithm>

namespace tess {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob()
{
    wait();
}

void BackgroundJob::start(Work work)
{
    stop();
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
        Finish finish = work(*control);
        QMetaObject::invokeMethod(
            this,
            [this, generation, thread, finish = std::move(finish)] {
                if (thread->joinable())
                    thread->join();
                std::erase(m_threads, thread);
                if (generation != m_generation)
                    return;
                m_current.reset();
                m_running = false;
                if (finish)
                    finish();
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
