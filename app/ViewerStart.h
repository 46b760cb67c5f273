#pragma once
// What the program checks before it starts the window, without loading the GUI: the
// viewer's own arguments and whether there is a display to show the window on.
#include <string>
#include <vector>

namespace tess {

struct ViewerArguments {
    std::string dataDir; // --data-dir DIR or --data-dir=DIR
    std::string file;    // one optional file to load at start
    std::string error;   // one-line English message when the arguments are wrong
};

// The arguments after the program name. "--" ends the options.
ViewerArguments parseViewerArguments(const std::vector<std::string>& args);

// True when the environment names a display or a Qt platform (DISPLAY, WAYLAND_DISPLAY
// or QT_QPA_PLATFORM set and not empty). A named display may still fail to open; the
// viewer catches that when Qt starts.
bool displayConfigured();

// The one line shown, with exit status 2, when the window cannot be shown.
const char* noDisplayMessage();

} // namespace tess
