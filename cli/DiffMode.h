#pragma once
// --diff A B: the differences between two documents, one line each, on the engine's road
// or, when either input takes it, on the big-document road for both.
#include "cli/CliOptions.h"

namespace tess::cli {

// Exit status: 0 equal, 1 different, 2 an input that cannot be read (or a write error).
int runDiff(const Options& o);

} // namespace tess::cli
