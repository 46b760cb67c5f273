#pragma once
// The command line on the big-document road (json/big): --stats, --tree, --paths,
// --get and --find on a file above the size threshold or on JSON Lines, printing as it
// goes. Which input takes that road is decided here.
#include "cli/CliOptions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tess::cli {

// Files of at least this many bytes take the big road: 64 MiB, or the value of the
// environment variable TESSARINE_BIG_THRESHOLD (bytes).
uint64_t bigThreshold();

// True when the mode and options can run on the big road (the five modes above, without
// the tolerant engine's options and without --raw).
bool bigRoadApplies(const Options& o);

// A named file (or a redirected standard input) that takes the big road: the mode runs
// and the exit status is stored in status. False when the input is for the normal road.
bool runBigRoadOnFile(const Options& o, int& status);


// Bytes already read (from a pipe or a small file) that are JSON Lines, in UTF-8 or, as
// the engine decides, in GB18030 when they are not UTF-8: the mode runs and the exit
// status is stored in status. False when they are no JSON Lines.
bool runBigRoadOnLines(const Options& o, std::string_view bytes, const std::string& inputName, int& status);

} // namespace tess::cli
