#include "fetch/PageLinks.h"

#include "fetch/HtmlScanner.h"
#include "fetch/LinkText.h"
#include "fetch/TextMarkers.h"
#include "fetch/UrlParts.h"
#include "platform/GbkText.h"

#include <array>
#include <vector>

namespace tess {
namespace {

// "http:", "https:" and the same with one "/": what directoryOf leaves of a bare host.
bool isBareScheme(std::string_view up)
{
    for (std::string_view bare : {"http:/", "https:/", "http:", "https:"}) {
        if (up.size() == bare.size() && findNoCase(up, bare) == 0)
            return true;
    }
    return false;
}

} // namespace

std::string findHtmlRedirect(std::string_view text, std::string& url)
{
    HtmlScanner scanner;
    const std::string page = scanner.removeElements(text, "noscript");
    std::string head = scanner.firstElement(page, "head");
    if (head.empty())
        head = std::string(text);

    const std::string meta = scanner.firstElement(head, "meta", "http-equiv", "Refresh");
    if (!meta.empty()) {
        const std::string content = scanner.attributeValue(meta, "content");
        std::size_t position = 0;
        std::string target = textBetweenMarkers(content, "URL='", "'", position);
        if (target.empty()) {
            const std::size_t at = findNoCase(content, "URL=");
            if (at != std::string::npos)
                target = content.substr(at + 4);
        }
        if (!target.empty()) {
            url = resolveUrl(url, target);
            return url;
        }
    }

    std::string script = scanner.firstElement(text, "script");
    if (script.empty())
        return {};
    std::string target = scanner.attributeValue(script, "location.href");
    if (target.empty())
        target = scanner.attributeValue(script, "self.location");
    if (target.empty())
        target = scanner.attributeValue(script, "top.location");
    if (target.empty()) {
        // window.navigate("x") reads like an attribute once "(" becomes "=".
        target = scanner.attributeValue(gbk::replaceAll(script, "(", "="), "window.navigate");
    }
    target = trimSpaces(target);
    if (containsAnyOf(script, {"if(", "if ("}))
        return {}; // a redirect inside a condition is not followed
    if (target.empty())
        return {};
    url = resolveUrl(url, target);
    return url;
}

std::string completeRelativeLinks(std::string_view url, std::string_view pageText)
{
    HtmlScanner scanner;
    LinkText text(scanner.normalizeEquals(pageText));
    const std::string dir = directoryOf(url);

    // Parent references, deepest first.
    for (int n = 5; n >= 1; --n) {
        std::string up = dir;
        for (int i = 0; i < n; ++i)
            up = directoryOf(up);
        std::string pattern;
        for (int i = 0; i < n; ++i)
            pattern += "../";
        const bool usable = !up.empty() && !isBareScheme(up);
        text.replace(pattern, {}, usable ? up + "/" : std::string("/"));
    }

    text.replace("\"//", "\"", "http:", "//");
    text.replace("./", {}, dir + "/");

    // Lazy images: give each img the first non-empty source attribute as its src. Each
    // tag is rewritten where it stands; the rewritten tag is page text for what follows.
    static constexpr std::array<std::string_view, 7> kSourceNames = {
        "zoomfile", "file", "data-src", "real_src", "original", "alt_src", "data-original"};
    const int count = scanner.findElements(
        text.text(), "img", {"file", "zoomfile", "data-src", "real_src", "original", "alt_src", "data-original"});
    std::vector<LinkText::Edit> edits;
    std::size_t editedUpTo = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string tag = scanner.elementAt(i);
        const std::size_t at = scanner.elementOffset(i);
        if (at < editedUpTo)
            continue; // an img start tag inside the previous one's text
        std::string real;
        for (std::string_view name : kSourceNames) {
            real = scanner.attributeValue(tag, name);
            if (!real.empty())
                break;
        }
        if (real.empty())
            continue;
        edits.push_back({at, tag.size(), scanner.setAttribute(tag, "src", real)});
        editedUpTo = at + tag.size();
    }
    text.applyEdits(edits);

    // Base element: host and folder for root-relative and relative links.
    const std::string href = scanner.attributeValue(scanner.firstElement(text.text(), "base", "href"), "href");
    std::string host;
    std::string folder;
    if (href.empty()) {
        host = schemeAndHost(url);
        folder = dir + "/";
    } else if (href.ends_with("/")) {
        host = href.substr(0, href.size() - 1);
        folder = href;
    } else {
        host = href;
        folder = href + "/";
    }

    static constexpr std::array<std::string_view, 3> kQuotes = {"\"", "'", ""};
    const std::string page(url);
    for (std::string_view q : kQuotes) {
        const std::string src = "src=" + std::string(q);
        const std::string hrefEq = "href=" + std::string(q);
        text.replace(src + "/", src, host, "/");
        text.replace(hrefEq + "/", hrefEq, host, "/");
        text.replace(src + "#", src, page, "#");
        text.replace(hrefEq + "#", hrefEq, page, "#");
        // Absolute links are marked by upper-case names so the next step skips them.
        for (std::string_view mark : {"src=\"http", "href=\"http", "src='http", "href='http", "src=http", "href=http"}) {
            std::string upper(mark);
            for (std::size_t c = 0; upper[c] != '='; ++c)
                upper[c] = static_cast<char>(upper[c] - 'a' + 'A');
            text.replace(mark, upper, {});
        }
        text.replace(src, src, folder);
        text.replace(hrefEq, hrefEq, folder);
    }
    for (std::string_view q : kQuotes) {
        text.replace("SRC=" + std::string(q) + "http", "src=" + std::string(q) + "http", {});
        text.replace("HREF=" + std::string(q) + "http", "href=" + std::string(q) + "http", {});
    }
    text.replace("&amp;", "&", {}, {}, true);
    return text.take();
}

} // namespace tess
