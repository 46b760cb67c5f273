#pragma once
// The message-pump step: long loops call pumpMessages() so a GUI can repaint.
// The command line and the tests leave the hook empty; the viewer installs one
// that rate-limits itself.

namespace tess {

using PumpHook = void (*)();

// Installs hook (nullptr removes it). Returns the previous hook.
PumpHook setPumpHook(PumpHook hook);

namespace detail {
extern PumpHook g_pumpHook;
}

inline void pumpMessages()
{
    if (detail::g_pumpHook)
        detail::g_pumpHook();
}

} // namespace tess
