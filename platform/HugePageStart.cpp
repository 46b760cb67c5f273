#include "platform/HugePageStart.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
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

void restartWithHugePages(char** argv)
{
    std::ifstream policyFile("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string policy((std::istreambuf_iterator<char>(policyFile)), std::istreambuf_iterator<char>());
    if (!hugePageRestartHelps(std::getenv("GLIBC_TUNABLES"), std::getenv("LD_PRELOAD"), policy))
        return;
    if (setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 0) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not restarted: the variable stays, which is harmless, and the program goes on.
}

} // namespace tess
