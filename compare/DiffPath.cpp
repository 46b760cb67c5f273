#include "compare/DiffPath.h"

#include "json/PathNames.h"
#include "platform/Codec.h"

namespace tess::compare {
namespace {

// The characters of a UTF-8 name, for the path writers (which quote and escape them).
void charsOf(std::string_view utf8, pathnames::NameChars& out)
{
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + len > utf8.size())
            break;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back({cp, {}});
        i += len;
    }
}

} // namespace

std::string formatPath(const Path& path, PathStyle style, bool zeroBased, bool compactTree)
{
    std::string out;
    if (style == PathStyle::Tree) {
        for (std::size_t k = 0; k < path.size(); ++k) {
            const PathStep& s = path[k];
            if (k > 0 && !(compactTree && s.isIndex))
                out.push_back('.');
            if (s.isIndex) {
                out.push_back('[');
                out += std::to_string(s.index + (zeroBased ? 0 : 1));
                out.push_back(']');
            } else {
                out += codec::utf8ToGb18030(s.name).text;
            }
        }
        return out;
    }
    if (style == PathStyle::JsonPath)
        out.push_back('$');
    if (path.empty() && style == PathStyle::Jq)
        out.push_back('.');
    pathnames::NameChars chars;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const PathStep& s = path[k];
        if (s.isIndex) {
            appendIndexStep(out, style, k == 0, static_cast<long long>(s.index));
        } else {
            charsOf(s.name, chars);
            appendNameStep(out, style, k == 0, chars);
        }
    }
    return out;
}

} // namespace tess::compare
