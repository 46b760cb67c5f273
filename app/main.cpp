#include "cli/Cli.h"

#ifdef TESS_WITH_VIEWER
#include "app/Viewer.h"
#endif

int main(int argc, char** argv)
{
    // A command-line mode runs without creating any GUI object.
#ifdef TESS_WITH_VIEWER
    if (!tess::cli::hasMode(argc, argv))
        return tess::runViewer(argc, argv);
#endif
    return tess::cli::run(argc, argv);
}
