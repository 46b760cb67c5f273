#include "json/UnclosedText.h"

#include <bit>
#include <cstdint>
#include <emmintrin.h>
#include <string_view>
#include <vector>

namespace tess {
namespace {

// Walks the text's units from `from` (a byte >= 0x80 takes the next byte with it, as the
// escape protection reads them) and keeps the stack of open brackets outside strings.
class BracketWalk {
public:
    BracketWalk(std::string_view text, char quote) : m_text(text), m_quote(quote) {}

    // Whether the walk acts on the byte: a quote, a backslash, a bracket, a line break or a
    // byte >= 0x80.
    bool isEvent(unsigned char c) const
    {
        return c >= 0x80 || c == static_cast<unsigned char>(m_quote) || c == '\\' || c == '\n' || c == '\r' ||
               c == '[' || c == ']' || c == '{' || c == '}';
    }

    // The first byte at or after i that the walk acts on, or the first of the last 15
    // bytes: sixteen bytes at a time, so that indentation and plain text cost a compare
    // per block.
    std::size_t nextEvent(std::size_t i) const
    {
        const std::size_t n = m_text.size();
        const char* d = m_text.data();
        for (; i + 16 <= n; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const auto eq = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
            const __m128i marked =
                _mm_or_si128(_mm_or_si128(_mm_or_si128(eq(m_quote), eq('\\')), _mm_or_si128(eq('\n'), eq('\r'))),
                             _mm_or_si128(_mm_or_si128(eq('['), eq(']')), _mm_or_si128(eq('{'), eq('}'))));
            const auto bits = static_cast<uint32_t>(_mm_movemask_epi8(marked) | _mm_movemask_epi8(v));
            if (bits != 0)
                return i + static_cast<std::size_t>(std::countr_zero(bits));
        }
        return i;
    }

    // strings: quotes open and close strings; without, every bracket counts (what
    // follows a last quote without a partner).
    void run(std::size_t from, bool strings)
    {
        const std::string_view t = m_text;
        const std::size_t n = t.size();
        bool escaped = false; // an odd run of backslashes ends right before the unit
        for (std::size_t i = from; i < n;) {
            auto c = static_cast<unsigned char>(t[i]);
            if (!isEvent(c)) {
                // Bytes the walk does not act on only end an escape.
                escaped = false;
                i = nextEvent(i + 1);
                if (i >= n)
                    break;
                c = static_cast<unsigned char>(t[i]);
                if (!isEvent(c)) { // one of the last 15 bytes
                    ++i;
                    continue;
                }
            }
            if (c >= 0x80) {
                i += 2;
                escaped = false;
                continue;
            }
            if (c == '\n' || (c == '\r' && (i + 1 >= n || t[i + 1] != '\n'))) {
                ++m_line;
            } else if (c == static_cast<unsigned char>(m_quote) && !escaped && strings) {
                m_inString = !m_inString;
                if (m_inString) {
                    m_lastOpen = i;
                    m_lineAtOpen = m_line;
                }
            } else if (!m_inString) {
                if (c == '{' || c == '[')
                    m_open.push_back({static_cast<int64_t>(i), m_line, c == '{' ? NodeKind::Object : NodeKind::Array});
                else if ((c == '}' || c == ']') && !m_open.empty())
                    m_open.pop_back();
            }
            escaped = c == '\\' && !escaped;
            ++i;
        }
    }

    std::optional<UnclosedValue> result()
    {
        if (m_inString) {
            // The last quote has no partner: it opens no string, and nothing was pushed or
            // popped since; what follows it is read as structure.
            m_inString = false;
            m_line = m_lineAtOpen;
            run(m_lastOpen + 1, false);
        }
        if (m_open.size() < 2)
            return std::nullopt;
        return m_open[1];
    }

private:
    std::string_view m_text;
    char m_quote;
    std::vector<UnclosedValue> m_open;
    bool m_inString = false;
    int64_t m_line = 1;
    std::size_t m_lastOpen = 0;
    int64_t m_lineAtOpen = 1;
};

} // namespace

std::optional<UnclosedValue> findUnclosedValue(std::string_view text, char quote)
{
    BracketWalk walk(text, quote);
    walk.run(0, true);
    return walk.result();
}

} // namespace tess
