#pragma once
// Message boxes the settings store asks for. The store is plain C++; the GUI installs
// a hook that shows them, tests install one that records them. Without a hook the
// messages are dropped.
#include <functional>
#include <string>

namespace tess {

struct SettingsMessage {
    enum class Icon { None, Warning };
    enum class Modality { Task, System };
    std::string text;    // GB18030
    std::string caption; // GB18030
    Icon icon = Icon::None;
    Modality modality = Modality::Task;
};

using SettingsMessageHook = std::function<void(const SettingsMessage&)>;

// Installs hook (empty removes it); returns the previous one.
SettingsMessageHook setSettingsMessageHook(SettingsMessageHook hook);
// Shows message through the installed hook.
void showSettingsMessage(const SettingsMessage& message);

} // namespace tess
