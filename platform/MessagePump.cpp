#include "platform/MessagePump.h"

namespace tess {
namespace detail {
PumpHook g_pumpHook = nullptr;
}

PumpHook setPumpHook(PumpHook hook)
{
    PumpHook old = detail::g_pumpHook;
    detail::g_pumpHook = hook;
    return old;
}

} // namespace tess
