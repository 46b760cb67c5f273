#include "fetch/UrlParts.h"

namespace tess {

std::string directoryOf(std::string_view url)
{
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(url.substr(0, slash));
}

std::string schemeAndHost(std::string_view url)
{
    const std::size_t sep = url.find("://");
    if (sep == std::string_view::npos)
        return {};
    const std::size_t hostStart = sep + 3;
    const std::size_t hostEnd = url.find('/', hostStart);
    return std::string(url.substr(0, hostEnd == std::string_view::npos ? url.size() : hostEnd));
}

std::string resolveUrl(std::string_view base, std::string_view link)
{
    if (link.find("://") != std::string_view::npos)
        return std::string(link);
    if (link.starts_with("//")) {
        // A scheme-relative link keeps the page's scheme ("https:" + "//host/x").
        const std::size_t colon = base.find("://");
        const std::string_view scheme = colon == std::string_view::npos ? "http:" : base.substr(0, colon + 1);
        return std::string(scheme) + std::string(link);
    }
    if (link.starts_with("/"))
        return schemeAndHost(base) + std::string(link);
    return directoryOf(base) + "/" + std::string(link);
}

} // namespace tess
