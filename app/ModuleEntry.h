#pragma once
// The entry points of the viewer module (tessarine-viewer.so). The viewer and the URL
// fetch live there, so that the command line starts without loading the GUI and
// network libraries; the program loads the module only when it needs one of them.
#include <cstddef>
#include <string>

#define TESS_MODULE_FILE "tessarine-viewer.so"
#define TESS_ENTRY_RUN_VIEWER "tessRunViewer"
#define TESS_ENTRY_FETCH_URL "tessFetchUrl"

extern "C" {
// The viewer's whole run; returns the exit status.
using TessRunViewerFn = int (*)(int argc, char** argv);
// Fetches for --url; 1 with the text filled, 0 with the message filled.
using TessFetchUrlFn = int (*)(const char* url, std::size_t urlLen, const char* encoding, std::size_t encodingLen,
                               std::string* text, std::string* error);
}
