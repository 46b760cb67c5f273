#pragma once
// Link completion as a sequence of whole-text replacements, each searching the text the
// step before it produced (inserted text included). Its results are the reference for
// the one that never searches inserted text: the two agree whenever the URL and the base
// element's href hold nothing a later step looks for. Slow on purpose (it rescans), so
// for tests and the fuzz target only, on small inputs.
#include "fetch/HtmlScanner.h"
#include "fetch/TextMarkers.h"
#include "fetch/UrlParts.h"
#include "platform/GbkText.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tess::test {

// True when nothing derived from the URL or the base href can start or complete a match
// of a later step: no "=", quote, "&", "." before "/", "<" or ">" in either.
inline bool insertsNothingSearched(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=' || c == '"' || c == '\'' || c == '&' || c == '<' || c == '>')
            return false;
        if (c == '.' && i + 1 < text.size() && text[i + 1] == '/')
            return false;
    }
    return !text.ends_with(".");
}

struct ReferenceLinks {
    std::string text;
    // False when the URL or the base href holds something a later step searches for, or
    // a lazy img tag was not found where it stands (an img tag inside another one, or an
    // earlier tag equal to it without case): the text is then left empty or not comparable.
    bool comparable = true;
};

inline ReferenceLinks completeRelativeLinksByRescanning(std::string_view url, std::string_view pageText)
{
    auto isBareScheme = [](std::string_view up) {
        for (std::string_view bare : {"http:/", "https:/", "http:", "https:"})
            if (up.size() == bare.size() && findNoCase(up, bare) == 0)
                return true;
        return false;
    };
    ReferenceLinks out;
    if (!insertsNothingSearched(url)) {
        out.comparable = false;
        return out;
    }
    HtmlScanner scanner;
    std::string text = scanner.normalizeEquals(pageText);
    const std::string dir = directoryOf(url);
    for (int n = 5; n >= 1; --n) {
        std::string up = dir;
        for (int i = 0; i < n; ++i)
            up = directoryOf(up);
        std::string pattern;
        for (int i = 0; i < n; ++i)
            pattern += "../";
        const bool usable = !up.empty() && !isBareScheme(up);
        text = gbk::replaceAll(text, pattern, usable ? up + "/" : std::string("/"));
    }
    text = gbk::replaceAll(text, "\"//", "\"http://");
    text = gbk::replaceAll(text, "./", dir + "/");

    static constexpr std::array<std::string_view, 7> kSourceNames = {
        "zoomfile", "file", "data-src", "real_src", "original", "alt_src", "data-original"};
    const int count = scanner.findElements(
        text, "img", {"file", "zoomfile", "data-src", "real_src", "original", "alt_src", "data-original"});
    std::ptrdiff_t shift = 0;
    std::size_t previousEnd = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string tag = scanner.elementAt(i);
        std::string real;
        for (std::string_view name : kSourceNames) {
            real = scanner.attributeValue(tag, name);
            if (!real.empty())
                break;
        }
        if (real.empty())
            continue;
        const std::size_t own = scanner.elementOffset(i);
        const std::size_t at = findNoCase(text, tag);
        if (own < previousEnd || at != static_cast<std::size_t>(static_cast<std::ptrdiff_t>(own) + shift))
            out.comparable = false;
        previousEnd = own + tag.size();
        if (at != std::string::npos) {
            const std::string rewritten = scanner.setAttribute(tag, "src", real);
            text.replace(at, tag.size(), rewritten);
            shift += static_cast<std::ptrdiff_t>(rewritten.size()) - static_cast<std::ptrdiff_t>(tag.size());
        }
    }

    const std::string href = scanner.attributeValue(scanner.firstElement(text, "base", "href"), "href");
    if (!insertsNothingSearched(href)) {
        out.comparable = false;
        return out;
    }
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
        text = gbk::replaceAll(text, src + "/", src + host + "/");
        text = gbk::replaceAll(text, hrefEq + "/", hrefEq + host + "/");
        text = gbk::replaceAll(text, src + "#", src + page + "#");
        text = gbk::replaceAll(text, hrefEq + "#", hrefEq + page + "#");
        text = gbk::replaceAll(text, "src=\"http", "SRC=\"http");
        text = gbk::replaceAll(text, "href=\"http", "HREF=\"http");
        text = gbk::replaceAll(text, "src='http", "SRC='http");
        text = gbk::replaceAll(text, "href='http", "HREF='http");
        text = gbk::replaceAll(text, "src=http", "SRC=http");
        text = gbk::replaceAll(text, "href=http", "HREF=http");
        text = gbk::replaceAll(text, src, src + folder);
        text = gbk::replaceAll(text, hrefEq, hrefEq + folder);
    }
    for (std::string_view q : kQuotes) {
        text = gbk::replaceAll(text, "SRC=" + std::string(q) + "http", "src=" + std::string(q) + "http");
        text = gbk::replaceAll(text, "HREF=" + std::string(q) + "http", "href=" + std::string(q) + "http");
    }
    out.text = replaceAllNoCase(text, "&amp;", "&");
    return out;
}

} // namespace tess::test
