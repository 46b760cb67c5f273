#pragma once
// A place in long work that may also run on the window's thread (decoding, laying out a
// value) where a dropped job on a worker stops, as the engine does at its pump step
// (platform/MessagePump.h), but without the pump's hook: the window's thread must not
// handle its events in the middle of such work.
#include "platform/MessagePump.h"

namespace tess {

inline void stopPoint()
{
    if (detail::g_stoppableThreads.load(std::memory_order_relaxed) != 0)
        detail::throwIfStopped();
}

} // namespace tess
