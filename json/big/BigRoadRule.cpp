#include "json/big/BigRoadRule.h"

#include <cstdlib>
#include <cstring>

namespace tess::big {

namespace {
constexpr uint64_t kDefaultThreshold = uint64_t(64) << 20;
}

uint64_t bigThreshold()
{
    if (const char* v = std::getenv("TESSARINE_BIG_THRESHOLD")) {
        char* end = nullptr;
        const unsigned long long n = std::strtoull(v, &end, 10);
        if (end != v && *end == '\0')
            return n;
    }
    return kDefaultThreshold;
}

bool hasLinesExtension(const std::string& path)
{
    auto endsWith = [&](const char* ext) {
        const std::size_t n = std::strlen(ext);
        return path.size() >= n && path.compare(path.size() - n, n, ext) == 0;
    };
    return endsWith(".jsonl") || endsWith(".ndjson");
}

bool takesBigRoad(const std::string& path, uint64_t size)
{
    return hasLinesExtension(path) || size >= bigThreshold();
}

} // namespace tess::big
