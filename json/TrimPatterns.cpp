// trimKey and trimValue: the key-edge and line-edge patterns, and their quick views.
#include "json/PatternChars.h"
#include "json/TextPatterns.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace tess::patterns {
namespace {

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

// Tests on eight bytes at a time.
constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHigh = 0x8080808080808080ULL;

inline uint64_t load8(const char* p)
{
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

inline bool hasZeroByte(uint64_t w)
{
    return ((w - kOnes) & ~w & kHigh) != 0;
}

// A byte that is a blank or a control character, '"', or 0xA1 (half of an ideographic
// space).
inline bool hasKeyEdgeByte(uint64_t w)
{
    return (((w - kOnes * 0x21) & ~w & kHigh) != 0) || hasZeroByte(w ^ (kOnes * '"')) || hasZeroByte(w ^ (kOnes * 0xA1));
}

// True when none of the len bytes at p is at most ' ', '"' or 0xA1: trimKey then only
// removes the quotes around them. Other bytes from 0x80 up (Chinese names) cannot make a
// blank, and no character reaches past the closing quote (a quote is never a trail byte).
inline bool isPlainKey(const char* p, std::size_t len)
{
    if (len >= 8) {
        for (std::size_t i = 0; i + 8 <= len; i += 8)
            if (hasKeyEdgeByte(load8(p + i)))
                return false;
        return !hasKeyEdgeByte(load8(p + len - 8));
    }
    // Shorter keys in one word: two overlapping halves, or the first, middle and last
    // byte with plain letters around them.
    uint64_t w = kOnes * 'a';
    if (len >= 4) {
        uint32_t first, last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + len - 4, 4);
        w = first | static_cast<uint64_t>(last) << 32;
    } else if (len > 0) {
        w = (w & ~uint64_t(0xFFFFFF)) | static_cast<u8>(p[0]) | static_cast<uint64_t>(static_cast<u8>(p[len / 2])) << 8 |
            static_cast<uint64_t>(static_cast<u8>(p[len - 1])) << 16;
    }
    return !hasKeyEdgeByte(w);
}

inline bool hasLineBreak(std::string_view t)
{
    const char* p = t.data();
    const std::size_t n = t.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint64_t w = load8(p + i);
        if (hasZeroByte(w ^ (kOnes * '\n')) || hasZeroByte(w ^ (kOnes * '\r')))
            return true;
    }
    for (; i < n; ++i)
        if (p[i] == '\n' || p[i] == '\r')
            return true;
    return false;
}

// The general walk of the two trim views, out of line so that their quick paths need no
// stack frame.
[[gnu::noinline]] std::string_view generalView(std::string_view text, bool& contiguous,
                                               void (*scan)(std::string_view, Removals&))
{
    Removals r(text);
    scan(text, r);
    return r.contiguousView(contiguous);
}

} // namespace

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
    // Without a line break only the blanks at the two ends can go. The blanks at the end
    // are found backwards, which is exact for spaces and tabs; an A1 byte before them may
    // or may not end an ideographic space, and takes the general walk.
    if (!hasLineBreak(text)) {
        std::size_t begin = 0;
        const std::size_t n = text.size();
        while (begin < n) {
            const std::size_t l = blankLen(text, begin);
            if (l == 0)
                break;
            begin += l;
        }
        std::size_t end = n;
        while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
            --end;
        if (end == begin || at(text, end - 1) != 0xA1) {
            contiguous = true;
            return text.substr(begin, end - begin);
        }
    }
    return generalView(text, contiguous, scanTrimValue);
}

std::string_view trimKeyView(std::string_view text, bool& contiguous)
{
    // The usual key: a quote, plain characters, a quote. Only the two quotes go.
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
        isPlainKey(text.data() + 1, text.size() - 2)) {
        contiguous = true;
        return text.substr(1, text.size() - 2);
    }
    return generalView(text, contiguous, scanTrimKey);
}

} // namespace tess::patterns
