#include "app/ModuleLoader.h"

#include "app/InstallLayout.h"
#include "app/ModuleEntry.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TESS_LEAK_CHECKED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESS_LEAK_CHECKED_BUILD 1
#endif
#endif

namespace tess {
namespace {

std::string executableDirectory()
{
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0)
        return ".";
    path.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

#ifdef TESS_LEAK_CHECKED_BUILD
int taskCount()
{
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return -1;
    int n = 0;
    while (const dirent* e = readdir(dir))
        n += e->d_name[0] != '.';
    closedir(dir);
    return n;
}

// The GUI libraries stop some helper threads from their static destructors, by waiting
// for a signal the thread sends while it is still running, not by joining it. The leak
// check runs after those destructors and reads every thread's dynamic TLS, which a thread
// half-way through its exit has already freed, so the check could crash. Sanitizer builds
// register this to run between the two and let such threads finish first.
void letExitingThreadsFinish()
{
    for (int i = 0; i < 200 && taskCount() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
#endif

// The entry named name, or nullptr with error filled.
void* moduleEntry(const char* name, std::string& error)
{
    static void* handle = nullptr;
    static std::string loadError;
    if (!handle && loadError.empty()) {
#ifdef TESS_LEAK_CHECKED_BUILD
        // Registered before the module is loaded, so it runs after the libraries' own exit handlers.
        std::atexit(letExitingThreadsFinish);
#endif
        const std::string path = viewerModulePath(executableDirectory());
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            loadError = std::string("cannot load the viewer module: ") + (why ? why : path.c_str());
        }
    }
    if (!handle) {
        error = loadError;
        return nullptr;
    }
    void* entry = dlsym(handle, name);
    if (!entry)
        error = std::string("the viewer module has no entry ") + name;
    return entry;
}

} // namespace

int runViewerFromModule(int argc, char** argv)
{
    std::string error;
    auto run = reinterpret_cast<TessRunViewerFn>(moduleEntry(TESS_ENTRY_RUN_VIEWER, error));
    if (!run) {
        std::fprintf(stderr, "tessarine: %s\n", error.c_str());
        return 2;
    }
    return run(argc, argv);
}

cli::UrlFetchResult fetchUrlFromModule(std::string_view url, std::string_view encoding)
{
    cli::UrlFetchResult result;
    auto fetch = reinterpret_cast<TessFetchUrlFn>(moduleEntry(TESS_ENTRY_FETCH_URL, result.error));
    if (!fetch)
        return result;
    result.ok = fetch(url.data(), url.size(), encoding.data(), encoding.size(), &result.text, &result.error) != 0;
    return result;
}

} // namespace tess
