#include "json/JsonScanner.h"

#include "json/ScanBuffer.h"
#include "json/ScanOps.h"
#include "json/TextPatterns.h"
#include "platform/GbkText.h"
#include "platform/MessagePump.h"

#include <cstring>

namespace tess {

class ScanBuffer {
public:
    ScanView view;
};

namespace {

const char* const kEscapedBackslash = "\\\\";
const char* const kBackslashPlaceholder = "\\|\\|";
const char* const kEscapedQuote = "\\\"";

// Matches \[\d+\] at i; returns the end offset or 0.
std::size_t matchIndexSegment(std::string_view t, std::size_t i)
{
    if (i >= t.size() || t[i] != '[')
        return 0;
    std::size_t j = i + 1;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9')
        ++j;
    if (j == i + 1 || j >= t.size() || t[j] != ']')
        return 0;
    return j + 1;
}

} // namespace

JsonScanner::JsonScanner() : m_buffer(std::make_unique<ScanBuffer>())
{
    loadText({});
}

JsonScanner::~JsonScanner() = default;

std::string JsonScanner::convertSingleQuotes(std::string_view text)
{
    const std::string t = gbk::replaceAll(text, kEscapedBackslash, kBackslashPlaceholder);
    std::string out;
    out.reserve(t.size() + t.size() / 16);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '\'') {
            // A quote escaped by the byte before it stays; every other one becomes '"'.
            out.push_back(i > 0 && t[i - 1] == '\\' ? '\'' : '"');
        } else if (c == '"') {
            // A double quote that was already in the text is escaped, unless it already is.
            if (out.empty() || out.back() != '\\')
                out.push_back('\\');
            out.push_back('"');
        } else {
            out.push_back(c);
        }
    }
    const std::size_t nul = out.find('\0');
    if (nul != std::string::npos)
        out.resize(nul);
    return gbk::replaceAll(out, kBackslashPlaceholder, kEscapedBackslash);
}

std::string JsonScanner::protectEscapes(std::string_view text)
{
    std::string out;
    if (!protectEscapesInto(text, out))
        return std::string(text);
    return out;
}

bool JsonScanner::protectEscapesInto(std::string_view text, std::string& out)
{
    // The three replacements change nothing unless the text holds \\, \" or \| (found
    // byte-wise here, which finds every match the unit-wise search finds).
    bool touched = false;
    for (std::size_t at = text.find('\\'); at != std::string_view::npos && !touched; at = text.find('\\', at + 1))
        touched = at + 1 < text.size() && (text[at + 1] == '\\' || text[at + 1] == '"' || text[at + 1] == '|');
    if (!touched)
        return false;
    // One pass over the units. The first replacement pairs the backslashes of every run
    // from its start, the second takes an unpaired last one with the quote after it, and
    // the third undoes the pairing. So when no unpaired backslash is followed by '|'
    // (which the third replacement could pair with a placeholder), the result is the text
    // with the last backslash and the quote after every odd run replaced by "#SYH#".
    std::string result;
    std::size_t copied = 0;
    const std::size_t n = text.size();
    const char* data = text.data();
    for (std::size_t from = 0; from < n;) {
        const void* hit = std::memchr(data + from, '\\', n - from);
        if (!hit)
            break;
        std::size_t run = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        std::size_t end = run;
        while (end < n && data[end] == '\\')
            ++end;
        // The run's first backslash may be the second byte of a unit. The look back
        // stops at the previous run at the latest (the byte before 'from' is a backslash
        // or a quote), so it stays linear.
        if (!gbk::startsUnit(text, run))
            ++run;
        from = end;
        if ((end - run) % 2 == 0 || end == n)
            continue;
        if (data[end] == '|') {
            std::string t = gbk::replaceAll(text, kEscapedBackslash, kBackslashPlaceholder);
            t = gbk::replaceAll(t, kEscapedQuote, kQuotePlaceholder);
            out = gbk::replaceAll(t, kBackslashPlaceholder, kEscapedBackslash);
            return out != text;
        }
        if (data[end] == '"') {
            if (result.empty())
                result.reserve(n + n / 64);
            result.append(text.substr(copied, end - 1 - copied));
            result.append(kQuotePlaceholder);
            copied = end + 1;
            from = end + 1;
        }
    }
    if (copied == 0)
        return false;
    result.append(text.substr(copied));
    out = std::move(result);
    return true;
}

std::string JsonScanner::restoreQuotes(std::string_view text)
{
    if (text.find(kQuotePlaceholder) == std::string_view::npos)
        return std::string(text);
    return gbk::replaceAll(text, kQuotePlaceholder, kEscapedQuote);
}

char* JsonScanner::restoreQuotesTo(std::string_view text, char* out)
{
    const std::string_view quote = kEscapedQuote;
    std::size_t from = 0;
    // Most texts hold no placeholder at all, which a search byte by byte settles quickest.
    std::size_t hit = text.find(kQuotePlaceholder);
    if (hit != std::string_view::npos)
        hit = gbk::find(text, kQuotePlaceholder, 0);
    for (; hit != std::string_view::npos; hit = gbk::find(text, kQuotePlaceholder, from)) {
        std::memcpy(out, text.data() + from, hit - from);
        out += hit - from;
        std::memcpy(out, quote.data(), quote.size());
        out += quote.size();
        from = hit + kQuotePlaceholder.size();
    }
    if (from < text.size())
        std::memcpy(out, text.data() + from, text.size() - from);
    return out + (text.size() - from);
}

std::string JsonScanner::compactWhitespace(std::string_view text)
{
    return patterns::compactWhitespace(text);
}

std::string JsonScanner::trimKey(std::string_view text)
{
    return patterns::trimKey(text);
}

std::string JsonScanner::trimValue(std::string_view text)
{
    return patterns::trimValue(text);
}

NodeKind JsonScanner::kindOfValue(std::string_view value)
{
    if (value.empty())
        return NodeKind::Scalar;
    if (value[0] == '[')
        return NodeKind::Array;
    if (value[0] == '{')
        return NodeKind::Object;
    return NodeKind::Scalar;
}

void JsonScanner::loadText(std::string_view text)
{
    auto base = std::make_shared<const ScanBase>(std::make_shared<const std::string>(prepareText(text)));
    m_buffer->view = ScanView{base, 0, base->size()};
}

SplitResult JsonScanner::splitTopLevel(std::string_view text)
{
    SplitResult result;
    loadText(text);
    int64_t o = find('{', 0);
    int64_t a = find('[', 0);
    if (o == -1 && a == -1) {
        std::string wrapped;
        wrapped.reserve(text.size() + 2);
        wrapped.push_back('[');
        wrapped.append(text);
        wrapped.push_back(']');
        loadText(wrapped);
        o = find('{', 0);
        a = find('[', 0);
    }
    if (a != -1 && o == -1)
        result.kind = NodeKind::Array;
    else if (o != -1 && a == -1)
        result.kind = NodeKind::Object;
    else
        result.kind = o < a ? NodeKind::Object : NodeKind::Array;
    if (result.kind == NodeKind::Object)
        result.pairs = splitObject({}, false);
    else
        result.elements = splitArray({}, false);
    return result;
}

std::vector<std::pair<std::string, std::string>> JsonScanner::splitObject(std::string_view text, bool reload)
{
    if (reload)
        loadText(text);
    const ScanView& v = m_buffer->view;
    std::vector<std::pair<std::string, std::string>> pairs;
    int64_t pos = v.find('{', 0);
    while (pos != -1) {
        pumpMessages();
        std::string_view rawKey;
        pos = scan::readKey(v, pos, rawKey);
        if (pos == -1)
            break;
        const int64_t colon = pos;
        pos = scan::readValue(v, colon);
        if (pos == -1)
            break;
        pairs.emplace_back(patterns::trimKey(rawKey), patterns::trimValue(v.between(colon, pos, false)));
    }
    return pairs;
}

std::vector<std::string> JsonScanner::splitArray(std::string_view text, bool reload)
{
    if (reload)
        loadText(text);
    const ScanView& v = m_buffer->view;
    std::vector<std::string> elements;
    int64_t pos = v.find('[', 0);
    while (pos != -1) {
        pumpMessages();
        const int64_t start = pos;
        pos = scan::elementEnd(v, start);
        if (pos == -1)
            break;
        elements.push_back(patterns::trimValue(v.between(start, pos, false)));
    }
    if (elements.size() == 1 && patterns::isWhiteSpace(elements[0]))
        elements.clear();
    return elements;
}

bool JsonScanner::isBalanced(int64_t from, int64_t to) const
{
    return m_buffer->view.isBalanced(from, to);
}

std::string JsonScanner::readKey(int64_t a, int64_t& next) const
{
    std::string_view rawKey;
    next = scan::readKey(m_buffer->view, a, rawKey);
    if (next == -1)
        return "超出";
    return patterns::trimKey(rawKey);
}

std::string JsonScanner::readValue(int64_t a, int64_t& next) const
{
    next = scan::readValue(m_buffer->view, a);
    if (next == -1)
        return "超出";
    return std::string(m_buffer->view.between(a, next, false));
}

std::string JsonScanner::textBetween(int64_t from, int64_t to, bool inclusive) const
{
    return std::string(m_buffer->view.between(from, to, inclusive));
}

int64_t JsonScanner::find(char token, int64_t from) const
{
    return m_buffer->view.find(token, from);
}

const std::string& JsonScanner::plainBuffer() const
{
    return *m_buffer->view.base->plainShared();
}

std::string JsonScanner::convertPath(std::string_view path, int32_t mode) const
{
    std::string out;
    out.reserve(path.size() + 8);
    std::size_t i = 0;
    if (mode == 0) {
        // \.(\[\d+\]) -> $1
        while (i < path.size()) {
            if (path[i] == '.') {
                const std::size_t e = matchIndexSegment(path, i + 1);
                if (e) {
                    out.append(path.substr(i + 1, e - i - 1));
                    i = e;
                    continue;
                }
            }
            const std::size_t u = patterns::unitLength(path, i);
            out.append(path.substr(i, u));
            i += u;
        }
        return out;
    }
    if (mode == 1) {
        // ([^\.])(\[\d+\])(\.?) -> $1.$2$3
        while (i < path.size()) {
            const std::size_t u = patterns::unitLength(path, i);
            if (path[i] != '.') {
                std::size_t e = matchIndexSegment(path, i + u);
                if (e) {
                    if (e < path.size() && path[e] == '.')
                        ++e;
                    out.append(path.substr(i, u));
                    out.push_back('.');
                    out.append(path.substr(i + u, e - i - u));
                    i = e;
                    continue;
                }
            }
            out.append(path.substr(i, u));
            i += u;
            // Like the regex service, a failed match never restarts between CR and LF.
            if (u == 1 && path[i - 1] == '\r' && i < path.size() && path[i] == '\n') {
                out.push_back('\n');
                ++i;
            }
        }
        return out;
    }
    return {};
}

int32_t JsonScanner::parsePath(std::string_view pathText)
{
    const std::string path = gbk::replaceAll(pathText, "''", "\"");
    m_pathSegments.clear();
    const int64_t len = static_cast<int64_t>(path.size());
    // 1-based positions as the path syntax is described; s and d are the segment start
    // (the dot before it) and the dot after it.
    int64_t s = 0;
    int64_t d = 0;
    for (;;) {
        const std::size_t hit = gbk::find(path, ".", static_cast<std::size_t>(d));
        bool last = hit == std::string::npos;
        d = last ? len + 1 : static_cast<int64_t>(hit) + 1;
        int count = 0;
        const std::size_t q1 = gbk::find(path, "\"", static_cast<std::size_t>(s));
        if (q1 != std::string::npos && static_cast<int64_t>(q1) + 1 < d) {
            count = 1;
            const std::size_t q2 = gbk::find(path, "\"", q1 + 1);
            if (q2 != std::string::npos && static_cast<int64_t>(q2) + 1 < d)
                count = 2;
        }
        if (count != 1) {
            const std::string_view seg = std::string_view(path).substr(static_cast<std::size_t>(s),
                                                                       static_cast<std::size_t>(d - s - 1));
            m_pathSegments.push_back(patterns::trimKey(seg));
            s = d;
        }
        if (last)
            break;
    }
    return static_cast<int32_t>(m_pathSegments.size());
}

} // namespace tess
