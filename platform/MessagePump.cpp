#include "platform/MessagePump.h"

namespace tess {
namespace detail {
PumpHook g_pumpHook = nullptr;
std::atomic<int> g_stoppableThreads{0};

namespace {
thread_local const std::atomic<bool>* t_stop = nullptr;
}

void throwIfStopped()
{
    if (t_stop && t_stop->load(std::memory_order_relaxed))
        throw WorkStopped{};
}
} // namespace detail

PumpHook setPumpHook(PumpHook hook)
{
    PumpHook old = detail::g_pumpHook;
    detail::g_pumpHook = hook;
    return old;
}

WorkerStopScope::WorkerStopScope(const std::atomic<bool>& stop) : m_previous(detail::t_stop)
{
    detail::t_stop = &stop;
    detail::g_stoppableThreads.fetch_add(1, std::memory_order_relaxed);
}

WorkerStopScope::~WorkerStopScope()
{
    detail::g_stoppableThreads.fetch_sub(1, std::memory_order_relaxed);
    detail::t_stop = m_previous;
}

} // namespace tess
