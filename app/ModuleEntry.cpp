#include "app/ModuleEntry.h"

#include "fetch/CommandLineFetch.h"

#ifdef TESS_WITH_VIEWER
#include "app/Viewer.h"
#endif

#include <string_view>

#define TESS_EXPORT __attribute__((visibility("default")))

extern "C" {

#ifdef TESS_WITH_VIEWER
TESS_EXPORT int tessRunViewer(int argc, char** argv)
{
    return tess::runViewer(argc, argv);
}
#endif

TESS_EXPORT int tessFetchUrl(const char* url, std::size_t urlLen, const char* encoding, std::size_t encodingLen,
                             std::string* text, std::string* error)
{
    tess::CommandLineFetchResult r =
        tess::fetchForCommandLine(std::string_view(url, urlLen), std::string_view(encoding, encodingLen));
    if (r.ok)
        *text = std::move(r.text);
    else
        *error = std::move(r.error);
    return r.ok ? 1 : 0;
}

} // extern "C"
