#include "json/TextPatterns.h"

#include <array>
#include <cstdint>

namespace tess::patterns {
namespace {

using u8 = unsigned char;

inline u8 at(std::string_view t, std::size_t i)
{
    return static_cast<u8>(t[i]);
}

inline bool isAsciiWs(u8 c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isIdeographicSpace(std::string_view t, std::size_t i)
{
    return i + 1 < t.size() && at(t, i) == 0xA1 && at(t, i + 1) == 0xA1;
}

inline bool isNewline(u8 c)
{
    return c == '\n' || c == '\r';
}

// Length of the white-space character at i (0 when it is none).
inline std::size_t wsLen(std::string_view t, std::size_t i)
{
    const u8 c = at(t, i);
    if (c < 0x80)
        return isAsciiWs(c) ? 1 : 0;
    return isIdeographicSpace(t, i) ? 2 : 0;
}

// Blank: space, tab or ideographic space (the line-edge set).
inline std::size_t blankLen(std::string_view t, std::size_t i)
{
    const u8 c = at(t, i);
    if (c == ' ' || c == '\t')
        return 1;
    return isIdeographicSpace(t, i) ? 2 : 0;
}

// Blank or double quote (the key-edge set).
inline std::size_t keyEdgeLen(std::string_view t, std::size_t i)
{
    return at(t, i) == '"' ? 1 : blankLen(t, i);
}

template <typename F>
inline std::size_t runEnd(std::string_view t, std::size_t i, F len)
{
    while (i < t.size()) {
        const std::size_t l = len(t, i);
        if (l == 0)
            break;
        i += l;
    }
    return i;
}

inline bool lineStart(std::string_view t, std::size_t i)
{
    return i == 0 || isNewline(at(t, i - 1));
}

inline bool lineEnd(std::string_view t, std::size_t i)
{
    return i >= t.size() || isNewline(at(t, i));
}

// Collects the removed ranges of a replace-all and builds the result lazily.
class Removals {
public:
    explicit Removals(std::string_view in) : m_in(in) {}
    void remove(std::size_t from, std::size_t to)
    {
        if (from == to)
            return;
        if (m_count == 0)
            m_out.reserve(m_in.size());
        m_out.append(m_in.substr(m_copied, from - m_copied));
        m_copied = to;
        if (m_count == 0)
            m_firstFrom = from, m_firstTo = to;
        m_lastFrom = from;
        m_lastTo = to;
        ++m_count;
    }
    std::string result()
    {
        if (m_count == 0)
            return std::string(m_in);
        m_out.append(m_in.substr(m_copied));
        return std::move(m_out);
    }
    // The remaining text is one contiguous span when at most a prefix and a suffix went.
    std::string_view contiguousView(bool& contiguous) const
    {
        contiguous = true;
        if (m_count == 0)
            return m_in;
        std::size_t begin = 0;
        std::size_t end = m_in.size();
        if (m_count == 1) {
            if (m_firstFrom == 0)
                begin = m_firstTo;
            else if (m_firstTo == m_in.size())
                end = m_firstFrom;
            else
                contiguous = false;
        } else if (m_count == 2 && m_firstFrom == 0 && m_lastTo == m_in.size()) {
            begin = m_firstTo;
            end = m_lastFrom;
        } else {
            contiguous = false;
        }
        if (!contiguous)
            return {};
        return m_in.substr(begin, end - begin);
    }
    bool changed() const { return m_count != 0; }

private:
    std::string_view m_in;
    std::string m_out;
    std::size_t m_copied = 0;
    std::size_t m_count = 0;
    std::size_t m_firstFrom = 0, m_firstTo = 0, m_lastFrom = 0, m_lastTo = 0;
};

// Run ends are cached: every position inside a maximal run has the same run end.
struct RunCache {
    std::size_t start = 1, end = 0;
    template <typename F>
    std::size_t get(std::string_view t, std::size_t i, F len)
    {
        if (i >= start && i < end)
            return end;
        start = i;
        end = runEnd(t, i, len);
        return end;
    }
};

void scanTrimKey(std::string_view t, Removals& r)
{
    RunCache ws, edge;
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n) {
        const u8 c = at(t, i);
        // [\s　]+"
        if (wsLen(t, i)) {
            const std::size_t j = ws.get(t, i, wsLen);
            if (j < n && at(t, j) == '"') {
                r.remove(i, j + 1);
                i = j + 1;
                continue;
            }
        }
        // "[\s　]+
        if (c == '"' && i + 1 < n && wsLen(t, i + 1)) {
            const std::size_t j = ws.get(t, i + 1, wsLen);
            r.remove(i, j);
            i = j;
            continue;
        }
        if (keyEdgeLen(t, i)) {
            const std::size_t j = edge.get(t, i, keyEdgeLen);
            // ^[ 　"\t]+  and  [ 　"\t]+$
            if (lineStart(t, i) || lineEnd(t, j)) {
                r.remove(i, j);
                i = j;
                continue;
            }
        }
        i += unitLength(t, i);
    }
}

void scanTrimValue(std::string_view t, Removals& r)
{
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n) {
        if (blankLen(t, i)) {
            const std::size_t j = runEnd(t, i, blankLen);
            if (lineStart(t, i) || lineEnd(t, j))
                r.remove(i, j);
            // No match can start inside the rest of this run: it is neither at a line
            // start nor does it reach a line end that the whole run did not reach.
            i = j;
            continue;
        }
        i += unitLength(t, i);
    }
}

// Bytes isCompact has to look at: white space, closers, and lead bytes (>= 0x80).
struct CompactClassTable {
    bool v[256];
    constexpr CompactClassTable() : v()
    {
        for (unsigned c : {' ', '\t', '\n', '\v', '\f', '\r', ']', '}', '"'})
            v[c] = true;
        for (unsigned c = 0x80; c < 256; ++c)
            v[c] = true;
    }
};

constexpr CompactClassTable kCompactClass;

inline bool isOpener(u8 c)
{
    return c == '[' || c == '{' || c == '"';
}

inline bool isCloser(u8 c)
{
    return c == ']' || c == '}' || c == '"';
}

void scanOpen(std::string_view t, Removals& r)
{
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n) {
        const u8 c = at(t, i);
        if (c < 0x80) {
            if (isAsciiWs(c)) {
                const std::size_t j = runEnd(t, i, wsLen);
                if (j < n && isOpener(at(t, j)))
                    r.remove(i, j);
                i = j;
                continue;
            }
            ++i;
            continue;
        }
        if (isIdeographicSpace(t, i)) {
            const std::size_t j = runEnd(t, i, wsLen);
            if (j < n && isOpener(at(t, j)))
                r.remove(i, j);
            i = j;
            continue;
        }
        i += unitLength(t, i);
    }
}

void scanClose(std::string_view t, Removals& r)
{
    std::size_t i = 0;
    const std::size_t n = t.size();
    while (i < n) {
        const u8 c = at(t, i);
        if (c < 0x80) {
            if (isCloser(c) && i + 1 < n && wsLen(t, i + 1)) {
                const std::size_t j = runEnd(t, i + 1, wsLen);
                r.remove(i + 1, j);
                i = j;
                continue;
            }
            ++i;
            continue;
        }
        i += unitLength(t, i);
    }
}

} // namespace

std::size_t unitLength(std::string_view t, std::size_t i)
{
    const u8 c = at(t, i);
    if (c < 0x81 || c == 0xFF)
        return 1;
    if (i + 1 >= t.size())
        return 1;
    const u8 c2 = at(t, i + 1);
    if (c2 >= 0x30 && c2 <= 0x39) {
        if (i + 3 < t.size()) {
            const u8 c3 = at(t, i + 2);
            const u8 c4 = at(t, i + 3);
            if (c3 >= 0x81 && c3 <= 0xFE && c4 >= 0x30 && c4 <= 0x39)
                return 4;
        }
        return 1;
    }
    if ((c2 >= 0x40 && c2 <= 0x7E) || (c2 >= 0x80 && c2 <= 0xFE))
        return 2;
    return 1;
}

std::string trimKey(std::string_view text)
{
    Removals r(text);
    scanTrimKey(text, r);
    return r.result();
}

std::string trimValue(std::string_view text)
{
    Removals r(text);
    scanTrimValue(text, r);
    return r.result();
}

std::string_view trimValueView(std::string_view text, bool& contiguous)
{
    // The usual value: no blank at either end and no line break, so nothing goes.
    if (!text.empty() && !blankLen(text, 0) && at(text, 0) != 0xA1) {
        const u8 last = at(text, text.size() - 1);
        bool lineBreak = false;
        for (const char c : text)
            lineBreak |= c == '\r' || c == '\n';
        if (last != ' ' && last != '\t' && last != 0xA1 && !lineBreak) {
            contiguous = true;
            return text;
        }
    }
    Removals r(text);
    scanTrimValue(text, r);
    return r.contiguousView(contiguous);
}

std::string_view trimKeyView(std::string_view text, bool& contiguous)
{
    // The usual key: a quote, plain characters, a quote. Only the two quotes go.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        bool plain = true;
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            const u8 c = at(text, i);
            if (c <= ' ' || c == '"' || c >= 0x80) {
                plain = false;
                break;
            }
        }
        if (plain) {
            contiguous = true;
            return text.substr(1, text.size() - 2);
        }
    }
    Removals r(text);
    scanTrimKey(text, r);
    return r.contiguousView(contiguous);
}

std::string compactWhitespace(std::string_view text)
{
    Removals open(text);
    scanOpen(text, open);
    if (!open.changed()) {
        Removals close(text);
        scanClose(text, close);
        return close.result();
    }
    const std::string mid = open.result();
    Removals close(mid);
    scanClose(mid, close);
    return close.result();
}

bool isCompact(std::string_view text)
{
    // One pass: the open pass changes nothing when no white-space run is followed by an
    // opener, and then the close pass runs on the same text, changing nothing when no
    // closer is followed by white space. Bytes of no interest are skipped by a table.
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const u8 c = at(text, i);
        if (!kCompactClass.v[c]) {
            ++i;
            continue;
        }
        if (c < 0x80) {
            if (isAsciiWs(c)) {
                const std::size_t j = runEnd(text, i, wsLen);
                if (j < n && isOpener(at(text, j)))
                    return false;
                i = j;
                continue;
            }
            // A closer.
            if (i + 1 < n && wsLen(text, i + 1))
                return false;
            ++i;
            continue;
        }
        if (isIdeographicSpace(text, i)) {
            const std::size_t j = runEnd(text, i, wsLen);
            if (j < n && isOpener(at(text, j)))
                return false;
            i = j;
            continue;
        }
        i += unitLength(text, i);
    }
    return true;
}

} // namespace tess::patterns
