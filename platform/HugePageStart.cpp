#include "platform/HugePageStart.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/auxv.h>
#include <unistd.h>

namespace tess {

bool hugePageRestartHelps(const char* tunables, const char* preload, std::string_view thpPolicy)
{
    if (tunables)
        return false;
    if (preload && std::string_view(preload).find("vgpreload") != std::string_view::npos)
        return false;
    return thpPolicy.find("[madvise]") != std::string_view::npos;
}

bool inputWorthHugePages(std::optional<std::uint64_t> inputBytes)
{
    return !inputBytes || *inputBytes >= kHugePageInputMin;
}

namespace {
// Set for the restarted program only, which takes both variables away again: the
// allocator has read its tunable by then, and programs the viewer starts (a browser for
// a link) get the environment as it was.
constexpr const char* kRestarted = "TESSARINE_RESTARTED_FOR_HUGE_PAGES";
} // namespace

void restartWithHugePages(char** argv, std::optional<std::uint64_t> inputBytes)
{
    if (std::getenv(kRestarted)) {
        unsetenv(kRestarted);
        unsetenv("GLIBC_TUNABLES");
        return;
    }
    if (!inputWorthHugePages(inputBytes))
        return;
    std::ifstream policyFile("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string policy((std::istreambuf_iterator<char>(policyFile)), std::istreambuf_iterator<char>());
    if (!hugePageRestartHelps(std::getenv("GLIBC_TUNABLES"), std::getenv("LD_PRELOAD"), policy))
        return;
    // The program's own file by its real path, so that the process keeps its name (the
    // kernel names it after the file run). Started through the loader by hand, the
    // process's file is the loader: no restart then (it has no interpreter of its own).
    if (getauxval(AT_BASE) == 0)
        return;
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof self) - 1)
        return;
    self[n] = '\0';
    if (setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 0) != 0 || setenv(kRestarted, "1", 1) != 0)
        return;
    execv(self, argv);
    // Not restarted: the program goes on as it is.
    unsetenv(kRestarted);
    unsetenv("GLIBC_TUNABLES");
}

} // namespace tess
