#include "settings/SettingsMessages.h"

#include <utility>

namespace tess {

namespace {
SettingsMessageHook& hookSlot()
{
    static SettingsMessageHook hook;
    return hook;
}
} // namespace

SettingsMessageHook setSettingsMessageHook(SettingsMessageHook hook)
{
    return std::exchange(hookSlot(), std::move(hook));
}

void showSettingsMessage(const SettingsMessage& message)
{
    // Copy so a hook that replaces itself stays alive while it runs.
    SettingsMessageHook hook = hookSlot();
    if (hook)
        hook(message);
}

} // namespace tess
