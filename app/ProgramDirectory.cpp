#include "app/ProgramDirectory.h"

#include "app/InstallLayout.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tess {
namespace {

std::string ensureDirectory(const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec))
        return {};
    std::filesystem::path abs = std::filesystem::absolute(dir, ec);
    if (ec)
        abs = dir;
    std::string s = abs.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

std::string resolveProgramDirectory(const std::string& executableDir, const std::string& dataDir)
{
    if (!dataDir.empty())
        return ensureDirectory(dataDir);
    if (runsPortable(executableDir) && ::access(executableDir.c_str(), W_OK | X_OK) == 0)
        return ensureDirectory(executableDir);
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return ensureDirectory(base / "tessarine");
}

} // namespace tess
