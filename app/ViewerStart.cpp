#include "app/ViewerStart.h"

#include <cstdlib>

namespace tess {

ViewerArguments parseViewerArguments(const std::vector<std::string>& args)
{
    ViewerArguments out;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && a == "--data-dir") {
            if (i + 1 >= args.size()) {
                out.error = "--data-dir needs a folder";
                return out;
            }
            out.dataDir = args[++i];
        } else if (!optionsEnded && a.starts_with("--data-dir=")) {
            out.dataDir = a.substr(11);
        } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            out.error = "unknown option " + a;
            return out;
        } else if (out.file.empty()) {
            out.file = a;
        } else {
            out.error = "only one file can be opened at start: " + a;
            return out;
        }
    }
    return out;
}

bool displayConfigured()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

const char* noDisplayMessage()
{
    return "tessarine: no display could be opened to show the window; the command-line modes --table, --tree, "
           "--paths, --get, --find, --decode and --stats (also with --url) run without one, see --help";
}

} // namespace tess
