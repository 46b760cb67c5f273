#pragma once
// Return and Enter pressed in one widget, taken from the key presses the widget receives.
// A key press goes to the widget with the focus even when Qt has lost track of the active
// window, which a widget shortcut needs: a dialog closed by Return while its completer
// list was open leaves the application without an active window (the activation that
// follows is dropped while the list is still up), and such a shortcut never fires again.
#include <functional>

class QWidget;

namespace tess {

// run(backward) for every Return or Enter press in widget (backward with Shift); the key
// goes no further.
void onEnterKey(QWidget* widget, std::function<void(bool backward)> run);

} // namespace tess
