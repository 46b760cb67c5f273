#pragma once
// Loads the viewer module next to the executable on first use.
#include "cli/Cli.h"

#include <string_view>

namespace tess {

// Runs the viewer from the module; a module that cannot be loaded is reported on
// standard error with exit status 2.
int runViewerFromModule(int argc, char** argv);

// The --url fetcher for the command line, through the module.
cli::UrlFetchResult fetchUrlFromModule(std::string_view url, std::string_view encoding);

} // namespace tess
