#pragma once
// Where the program finds its viewer module. In the build folder, or in a folder the
// program was copied to as a whole, the module sits beside the executable; in an
// installed tree (bin/ and lib/) it sits in the program's library folder.
#include <string>

namespace tess {

// The module for an executable in executableDir: beside it when it is there, otherwise
// in the installed library folder when it is there; otherwise the path beside it (so that
// a failed load names the place the build puts it).
std::string viewerModulePath(const std::string& executableDir);

// True when the module sits beside the executable: the program runs from its build
// folder or a portable copy and may keep its files in its own folder. An installed
// program never writes beside its executable.
bool runsPortable(const std::string& executableDir);

} // namespace tess
