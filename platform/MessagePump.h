#pragma once
// The message-pump step: long loops call pumpMessages() so a GUI can repaint.
// The command line and the tests leave the hook empty; the viewer installs one
// that rate-limits itself.
//
// The same step is where work on a worker thread stops when it was dropped: a thread that
// registered a stop flag (WorkerStopScope) and sees it set leaves its loop by throwing
// WorkStopped from pumpMessages(). Only the code that registered the flag catches it (the
// window's BackgroundJob); the engine holds everything it builds in RAII objects, so its
// unwinding frees what the dropped work made. No other thread sees the exception.

#include <atomic>

namespace tess {

using PumpHook = void (*)();

// Installs hook (nullptr removes it). Returns the previous hook.
PumpHook setPumpHook(PumpHook hook);

// Thrown at a pump step of a thread whose stop flag is set.
struct WorkStopped {};

// Registers stop as the calling thread's stop flag for the scope's life.
class WorkerStopScope {
public:
    explicit WorkerStopScope(const std::atomic<bool>& stop);
    ~WorkerStopScope();
    WorkerStopScope(const WorkerStopScope&) = delete;
    WorkerStopScope& operator=(const WorkerStopScope&) = delete;

private:
    const std::atomic<bool>* m_previous;
};

namespace detail {
extern PumpHook g_pumpHook;
// Threads with a stop flag registered: while none is, a pump step costs one load more.
extern std::atomic<int> g_stoppableThreads;
void throwIfStopped();
} // namespace detail

inline void pumpMessages()
{
    if (detail::g_stoppableThreads.load(std::memory_order_relaxed) != 0)
        detail::throwIfStopped();
    if (detail::g_pumpHook)
        detail::g_pumpHook();
}

} // namespace tess
