#include "app/InstallLayout.h"

#include "app/ModuleEntry.h"

#include <unistd.h>

// Path of the module folder relative to the executable's folder in an installed tree,
// set by the build from the install folders (for example "../lib/tessarine").
#ifndef TESS_MODULE_INSTALL_RELDIR
#define TESS_MODULE_INSTALL_RELDIR "../lib/tessarine"
#endif

namespace tess {
namespace {

std::string besideExecutable(const std::string& executableDir)
{
    return executableDir + "/" TESS_MODULE_FILE;
}

bool isFile(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

} // namespace

std::string viewerModulePath(const std::string& executableDir)
{
    const std::string beside = besideExecutable(executableDir);
    if (isFile(beside))
        return beside;
    const std::string installed = executableDir + "/" TESS_MODULE_INSTALL_RELDIR "/" TESS_MODULE_FILE;
    return isFile(installed) ? installed : beside;
}

bool runsPortable(const std::string& executableDir)
{
    return !executableDir.empty() && isFile(besideExecutable(executableDir));
}

} // namespace tess
