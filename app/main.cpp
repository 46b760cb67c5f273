#include "app/ModuleLoader.h"
#include "cli/Cli.h"

int main(int argc, char** argv)
{
    // A command-line mode runs without creating any GUI object, or even loading the GUI.
#ifdef TESS_WITH_VIEWER
    if (!tess::cli::hasMode(argc, argv))
        return tess::runViewerFromModule(argc, argv);
#endif
    return tess::cli::run(argc, argv, &tess::fetchUrlFromModule);
}
