#pragma once
// A small tag scanner for fetched pages: finds elements by tag name (without case),
// reads and sets attribute values, and removes blanks around "=".
// Elements: a start tag is "<name" followed by a blank, "/" or ">". For head, script,
// noscript and other non-void names the element text runs from the start tag through the
// matching end tag "</name>"; for void names (meta, img, base, link, input, br, hr) it is
// the start tag alone. Without an end tag, firstElement runs to the end of the text (a
// head never closed, a page cut off inside a script), while removeElements removes the
// start tag alone.
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class HtmlScanner {
public:
    // Removes up to ten blanks (regex \s and the full-width space) on each side of "=".
    std::string normalizeEquals(std::string_view text) const;

    std::string removeElements(std::string_view text, std::string_view tag) const;

    // The first element of that name; with attribute given, the first one carrying it,
    // and with value given too, the first one whose value equals it (without case).
    std::string firstElement(std::string_view text, std::string_view tag,
                             std::string_view attribute = {},
                             std::optional<std::string_view> value = std::nullopt) const;

    // Remembers every element of that name carrying at least one of the attributes;
    // returns their count. elementAt(i) is the i-th (1-based) start tag as in the text.
    int findElements(std::string_view text, std::string_view tag,
                     std::initializer_list<std::string_view> attributes);
    std::string elementAt(int index) const;
    // Where the i-th remembered element starts in the searched text (npos when none).
    std::size_t elementOffset(int index) const;

    // The value of the attribute: " name=" looked for first, then "name="; double-quoted,
    // apostrophe-quoted or unquoted (ending at a blank or ">"); blanks trimmed.
    std::string attributeValue(std::string_view element, std::string_view name) const;

    // The element with the attribute's value replaced, quote style kept; an element
    // without the attribute first gains ' name=""' before its closing "/>" or ">".
    std::string setAttribute(std::string_view element, std::string_view name,
                             std::string_view value) const;

private:
    std::vector<std::string> m_found;
    std::vector<std::size_t> m_offsets;
};

} // namespace tess
