#include "app/ModuleLoader.h"
#include "app/ViewerStart.h"
#include "cli/Cli.h"
#include "platform/HugePageStart.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    tess::restartWithHugePages(argv, tess::cli::inputFileSize(argc, argv));
    // A command-line mode runs without creating any GUI object, or even loading the GUI.
    if (tess::cli::hasMode(argc, argv))
        return tess::cli::run(argc, argv, &tess::fetchUrlFromModule);
#ifdef TESS_WITH_VIEWER
    // Everything the window would refuse is refused here, before the GUI is loaded.
    const tess::ViewerArguments viewer = tess::parseViewerArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!viewer.error.empty()) {
        std::fprintf(stderr, "tessarine: %s (see --help)\n", viewer.error.c_str());
        return 2;
    }
    if (!tess::displayConfigured()) {
        std::fprintf(stderr, "%s\n", tess::noDisplayMessage());
        return 2;
    }
    return tess::runViewerFromModule(argc, argv);
#else
    return tess::cli::run(argc, argv, &tess::fetchUrlFromModule);
#endif
}
