#pragma once
// Plain URL text operations; no "." or ".." segment is resolved.
#include <string>
#include <string_view>

namespace tess {

// The text before the last "/"; empty when there is none.
std::string directoryOf(std::string_view url);
// Up to and including "://", then the host part up to the next "/"; empty without "://".
std::string schemeAndHost(std::string_view url);
// link when it contains "://"; base's scheme + link for "//host/..."; base's scheme and
// host + link for "/..."; otherwise directoryOf(base) + "/" + link.
std::string resolveUrl(std::string_view base, std::string_view link);

} // namespace tess
