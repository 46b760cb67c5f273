#pragma once
// The viewer's entry: options, program directory, program-wide objects, main window,
// message loop.

namespace tess {

// Options: --data-dir DIR (or --data-dir=DIR) and one optional FILE to load at start.
int runViewer(int argc, char** argv);

} // namespace tess
