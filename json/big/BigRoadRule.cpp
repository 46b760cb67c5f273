#include "json/big/BigRoadRule.h"

#include "json/big/BigDocument.h"

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

bool looksLikeJsonLines(std::string_view bytes)
{
    const std::size_t nl = bytes.find('\n');
    if (nl == std::string_view::npos)
        return false;
    std::size_t next = nl + 1;
    while (next < bytes.size() && (bytes[next] == ' ' || bytes[next] == '\t' || bytes[next] == '\r' || bytes[next] == '\n'))
        ++next;
    if (next >= bytes.size())
        return false;
    // The first line must be one value, the second line must begin another.
    const std::size_t secondEnd = bytes.find('\n', next);
    const std::string_view head = bytes.substr(0, secondEnd == std::string_view::npos ? bytes.size() : secondEnd);
    OpenOptions options;
    options.index.lines = LinesMode::Detect;
    BigDocument doc;
    doc.openBytes(head, options);
    return doc.isLines() && doc.index().lineErrors.empty() && doc.index().recordCount >= 2;
}

} // namespace tess::big
