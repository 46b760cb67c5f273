#include "fetch/TextMarkers.h"

#include "platform/AsciiText.h"

namespace tess {
namespace {

bool isLead(char c)
{
    return static_cast<unsigned char>(c) >= 0x80;
}

// Compares needle at text[at..] unit by unit; only single-byte units fold case.
bool matchesAt(std::string_view text, std::size_t at, std::string_view needle)
{
    for (std::size_t j = 0; j < needle.size();) {
        if (isLead(needle[j])) {
            if (text[at + j] != needle[j])
                return false;
            if (j + 1 < needle.size() && text[at + j + 1] != needle[j + 1])
                return false;
            j += 2;
        } else {
            if (ascii::lower(text[at + j]) != ascii::lower(needle[j]))
                return false;
            ++j;
        }
    }
    return true;
}

} // namespace

std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from)
{
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n)
        return std::string_view::npos;
    if (m == 0)
        return from;
    if (m > n)
        return std::string_view::npos;
    const std::size_t last = n - m;
    for (std::size_t i = from; i <= last;) {
        if (matchesAt(text, i, needle))
            return i;
        i += isLead(text[i]) ? 2 : 1;
    }
    return std::string_view::npos;
}

std::string replaceAllNoCase(std::string_view text, std::string_view needle,
                             std::string_view replacement)
{
    if (needle.empty())
        return std::string(text);
    std::size_t hit = findNoCase(text, needle, 0);
    if (hit == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (hit != std::string_view::npos) {
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + needle.size();
        hit = findNoCase(text, needle, pos);
    }
    out.append(text.substr(pos));
    return out;
}

bool containsAnyOf(std::string_view text, std::initializer_list<std::string_view> alternatives)
{
    for (std::string_view alternative : alternatives) {
        if (!alternative.empty() && findNoCase(text, alternative) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string textBetweenMarkers(std::string_view text, std::string_view left,
                               std::string_view right, std::size_t& position, bool* found)
{
    if (found)
        *found = false;
    const std::size_t l = findNoCase(text, left, position);
    if (l == std::string_view::npos)
        return {};
    const std::size_t start = l + left.size();
    const std::size_t r = findNoCase(text, right, start);
    if (r == std::string_view::npos)
        return {};
    position = r + right.size();
    if (found)
        *found = true;
    return std::string(text.substr(start, r - start));
}

std::string trimSpaces(std::string_view text)
{
    // Leading blanks: step over units from the front.
    std::size_t begin = 0;
    while (begin < text.size()) {
        if (text[begin] == ' ')
            begin += 1;
        else if (text.substr(begin, 2) == "\xA1\xA1")
            begin += 2;
        else
            break;
    }
    // Trailing blanks: walk the units once, remembering where the last non-blank ends.
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size();) {
        const std::size_t width = (isLead(text[i]) && i + 1 < text.size()) ? 2 : 1;
        const bool blank = text[i] == ' ' || text.substr(i, width) == "\xA1\xA1";
        i += width;
        if (!blank)
            end = i;
    }
    return std::string(text.substr(begin, end - begin));
}

} // namespace tess
