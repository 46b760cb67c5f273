#include "json/TreeSearch.h"

#include "platform/AsciiText.h"
#include "platform/GbkText.h"
#include "platform/MessagePump.h"
#include "json/TreeContentBuffer.h"

#include <cstring>

namespace tess {

std::string wildcardToPattern(std::string_view text)
{
    static constexpr std::string_view kEscaped = "\\^$+.{}[]=()-\"";
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            out.push_back(c);
            if (i + 1 < text.size())
                out.push_back(text[++i]);
            continue;
        }
        if (c == '*') {
            out += ".*";
        } else if (c == '?') {
            out += ".?";
        } else {
            if (kEscaped.find(c) != std::string_view::npos)
                out.push_back('\\');
            out.push_back(c);
        }
    }
    return out;
}

std::string_view searchedPart(std::string_view caption)
{
    return caption.substr(0, gbk::prefixLength(caption, kSearchedCaptionBytes));
}

std::vector<std::string_view> blockCaptions(std::string_view block)
{
    std::vector<std::string_view> captions;
    std::size_t pos = 0;
    TreeRecordView r;
    while (readTreeRecord(block, pos, r))
        captions.push_back(searchedPart(r.caption));
    return captions;
}

CaptionMatcher::CaptionMatcher(std::string_view text, FindMode mode, bool ignoreCase)
    : m_mode(mode), m_ignoreCase(ignoreCase)
{
    switch (mode) {
    case FindMode::Plain:
        m_text = ignoreCase ? ascii::lowerUnits(text) : std::string(text);
        break;
    case FindMode::Wildcard:
        m_regex = Regex::compile(wildcardToPattern(text), {ignoreCase, true, false});
        break;
    case FindMode::Regex:
        m_regex = Regex::compile(text, {ignoreCase, true, false});
        break;
    }
}

bool CaptionMatcher::matches(std::string_view caption) const
{
    if (m_mode != FindMode::Plain)
        return m_regex.test(caption);
    if (m_text.empty())
        return true;
    if (m_ignoreCase)
        return gbk::contains(ascii::lowerUnits(caption), m_text);
    return gbk::contains(caption, m_text);
}

int searchItems(int count, const std::function<std::string_view(int)>& captionOf, int start, bool backward,
                const CaptionMatcher& matcher)
{
    if (!matcher.valid())
        return -1;
    if (backward) {
        for (int i = (start > count ? count : start) - 1; i >= 0; --i) {
            if ((i & 0x3FFF) == 0)
                pumpMessages();
            if (matcher.matches(captionOf(i)))
                return i;
        }
    } else {
        for (int i = (start < -1 ? -1 : start) + 1; i < count; ++i) {
            if ((i & 0x3FFF) == 0)
                pumpMessages();
            if (matcher.matches(captionOf(i)))
                return i;
        }
    }
    return -1;
}

int searchItems(const std::vector<std::string_view>& captions, int start, bool backward,
                const CaptionMatcher& matcher)
{
    return searchItems(
        static_cast<int>(captions.size()), [&](int i) { return captions[static_cast<std::size_t>(i)]; }, start,
        backward, matcher);
}

} // namespace tess
