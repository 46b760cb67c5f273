#pragma once
// The main window's information boxes (a single OK button, no owner window). Texts are
// GB18030. Tests install a hook that records the box instead of showing it.
#include <functional>
#include <string>

namespace tess {

using InformationBoxHook = std::function<void(const std::string& text, const std::string& caption)>;

// Replaces the box by the hook; an empty hook restores the real box.
void setInformationBoxHook(InformationBoxHook hook);

// Shows the box and returns when it is closed (or calls the hook instead).
void showInformationBox(const std::string& text, const std::string& caption);

} // namespace tess
