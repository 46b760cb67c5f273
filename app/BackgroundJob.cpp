#include "app/BackgroundJob.h"

namespace tess {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob()
{
    stop();
}

void BackgroundJob::start(Work work)
{
    stop();
    auto control = std::make_shared<Control>();
    m_control = control;
    m_running = true;
    const unsigned generation = ++m_generation;
    m_thread = std::thread([this, control, generation, work = std::move(work)] {
        Finish finish = work(*control);
        QMetaObject::invokeMethod(
            this,
            [this, generation, finish = std::move(finish)] {
                if (generation != m_generation)
                    return;
                if (m_thread.joinable())
                    m_thread.join();
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
    if (m_thread.joinable())
        m_thread.join();
    ++m_generation; // a result still queued is dropped
    m_running = false;
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
