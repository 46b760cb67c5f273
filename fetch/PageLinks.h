#pragma once
// Page-level steps on a decoded text (HTML or not): follow a meta refresh or a script
// location assignment, and make relative links and lazy image sources absolute.
#include <string>
#include <string_view>

namespace tess {

// When the page redirects, sets url to the absolute target and returns it; otherwise
// returns empty text and leaves url unchanged.
std::string findHtmlRedirect(std::string_view text, std::string& url);

// Returns the text with links completed against url. Some rewrites act on the whole text:
// blanks around "=" go, "../", "./" and "\"//" are expanded, "&amp;" becomes "&".
std::string completeRelativeLinks(std::string_view url, std::string_view text);

} // namespace tess
