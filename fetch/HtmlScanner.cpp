#include "fetch/HtmlScanner.h"

#include "fetch/TextMarkers.h"
#include "platform/Codec.h"
#include "platform/Regex.h"

#include <array>

namespace tess {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool isSpaceChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isVoidTag(std::string_view tag)
{
    static constexpr std::array<std::string_view, 7> kVoid = {"meta", "img", "base", "link", "input", "br", "hr"};
    for (std::string_view v : kVoid) {
        if (v.size() == tag.size() && findNoCase(tag, v) == 0)
            return true;
    }
    return false;
}

// Offset of the next start tag "<tag" followed by a blank, "/", ">" or the end.
std::size_t findStartTag(std::string_view text, std::string_view tag, std::size_t from)
{
    const std::string open = "<" + std::string(tag);
    for (std::size_t at = findNoCase(text, open, from); at != kNone; at = findNoCase(text, open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after == text.size() || isSpaceChar(text[after]) || text[after] == '/' || text[after] == '>')
            return at;
    }
    return kNone;
}

// Offset just past the ">" that closes the start tag at "at" (the text end without one).
std::size_t startTagEnd(std::string_view text, std::size_t at)
{
    const std::size_t gt = text.find('>', at);
    return gt == kNone ? text.size() : gt + 1;
}

// What an element without its end tag covers.
enum class Unclosed {
    StartTagOnly, // removing it must not take the rest of the page with it
    RestOfText,   // its content (an unclosed head, a script cut off) runs to the end
};

// Offset just past the element that starts at "at".
std::size_t elementEnd(std::string_view text, std::string_view tag, std::size_t at, Unclosed unclosed)
{
    const std::size_t tagEnd = startTagEnd(text, at);
    if (isVoidTag(tag))
        return tagEnd;
    const std::size_t close = findNoCase(text, "</" + std::string(tag), tagEnd);
    if (close == kNone)
        return unclosed == Unclosed::RestOfText ? text.size() : tagEnd;
    return startTagEnd(text, close);
}

// Offset of the value (just past "=") of an attribute whose whole name is given: the name
// follows a blank, a quote or "/". kNone when the element does not carry it.
std::size_t locateWholeAttribute(std::string_view element, std::string_view name)
{
    const std::string needle = std::string(name) + "=";
    for (std::size_t at = findNoCase(element, needle); at != kNone; at = findNoCase(element, needle, at + 1)) {
        const char before = at == 0 ? ' ' : element[at - 1];
        if (isSpaceChar(before) || before == '"' || before == '\'' || before == '/')
            return at + needle.size();
    }
    return kNone;
}

// Offset of the value of an attribute as attributeValue reads it: " name=" first, then
// "name=" anywhere.
std::size_t locateAttribute(std::string_view element, std::string_view name)
{
    const std::string needle = std::string(name) + "=";
    std::size_t at = findNoCase(element, " " + needle);
    if (at != kNone)
        return at + needle.size() + 1;
    at = findNoCase(element, needle);
    return at == kNone ? kNone : at + needle.size();
}

// [begin, end) of the value at valueAt, without its quotes.
std::pair<std::size_t, std::size_t> valueSpan(std::string_view element, std::size_t valueAt)
{
    if (valueAt < element.size() && (element[valueAt] == '"' || element[valueAt] == '\'')) {
        const std::size_t close = element.find(element[valueAt], valueAt + 1);
        return {valueAt + 1, close == kNone ? element.size() : close};
    }
    std::size_t end = valueAt;
    while (end < element.size() && element[end] != ' ' && element[end] != '>')
        ++end;
    return {valueAt, end};
}

} // namespace

std::string HtmlScanner::normalizeEquals(std::string_view text) const
{
    if (text.find('=') == kNone)
        return std::string(text);
    static const std::string pattern = std::string(codec::gb(u8"[\\s　]{0,10}=[\\s　]{0,10}"));
    const Regex regex = Regex::compile(pattern, {.ignoreCase = true, .multiLine = true, .global = true});
    if (!regex.valid())
        return std::string(text);
    return regex.replace(text, "=");
}

std::string HtmlScanner::removeElements(std::string_view text, std::string_view tag) const
{
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at = findStartTag(text, tag, 0); at != kNone; at = findStartTag(text, tag, pos)) {
        out.append(text.substr(pos, at - pos));
        pos = elementEnd(text, tag, at, Unclosed::StartTagOnly);
    }
    out.append(text.substr(pos));
    return out;
}

std::string HtmlScanner::firstElement(std::string_view text, std::string_view tag,
                                      std::string_view attribute,
                                      std::optional<std::string_view> value) const
{
    for (std::size_t at = findStartTag(text, tag, 0); at != kNone; at = findStartTag(text, tag, at + 1)) {
        if (!attribute.empty()) {
            const std::string_view startTag = text.substr(at, startTagEnd(text, at) - at);
            if (locateWholeAttribute(startTag, attribute) == kNone)
                continue;
            if (value) {
                const std::string actual = attributeValue(startTag, attribute);
                if (actual.size() != value->size() || findNoCase(actual, *value) != 0)
                    continue;
            }
        }
        return std::string(text.substr(at, elementEnd(text, tag, at, Unclosed::RestOfText) - at));
    }
    return {};
}

int HtmlScanner::findElements(std::string_view text, std::string_view tag,
                              std::initializer_list<std::string_view> attributes)
{
    m_found.clear();
    m_offsets.clear();
    for (std::size_t at = findStartTag(text, tag, 0); at != kNone; at = findStartTag(text, tag, at + 1)) {
        const std::string_view startTag = text.substr(at, startTagEnd(text, at) - at);
        for (std::string_view attribute : attributes) {
            if (locateWholeAttribute(startTag, attribute) != kNone) {
                m_found.emplace_back(startTag);
                m_offsets.push_back(at);
                break;
            }
        }
    }
    return static_cast<int>(m_found.size());
}

std::string HtmlScanner::elementAt(int index) const
{
    if (index < 1 || index > static_cast<int>(m_found.size()))
        return {};
    return m_found[static_cast<std::size_t>(index - 1)];
}

std::size_t HtmlScanner::elementOffset(int index) const
{
    if (index < 1 || index > static_cast<int>(m_offsets.size()))
        return kNone;
    return m_offsets[static_cast<std::size_t>(index - 1)];
}

std::string HtmlScanner::attributeValue(std::string_view element, std::string_view name) const
{
    const std::size_t valueAt = locateAttribute(element, name);
    if (valueAt == kNone)
        return {};
    const auto [begin, end] = valueSpan(element, valueAt);
    const std::string_view value = element.substr(begin, end - begin);
    if (value == "\"\"" || value == "''")
        return {};
    return trimSpaces(value);
}

std::string HtmlScanner::setAttribute(std::string_view element, std::string_view name,
                                      std::string_view value) const
{
    std::string out(element);
    std::size_t valueAt = locateWholeAttribute(out, name);
    if (valueAt == kNone) {
        std::size_t insertAt = out.size();
        if (out.ends_with("/>"))
            insertAt = out.size() - 2;
        else if (out.ends_with(">"))
            insertAt = out.size() - 1;
        out.insert(insertAt, " " + std::string(name) + "=\"\"");
        valueAt = locateWholeAttribute(out, name);
        if (valueAt == kNone) // cannot happen: the attribute was just inserted
            return std::string(element);
    }
    const auto [begin, end] = valueSpan(out, valueAt);
    out.replace(begin, end - begin, value);
    return out;
}

} // namespace tess
