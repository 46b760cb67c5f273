#pragma once

namespace tess::cli {

// True when the arguments select a command-line mode (or --help), so no window is made.
bool hasMode(int argc, char** argv);

// Runs the command line; returns the process exit status.
int run(int argc, char** argv);

} // namespace tess::cli
