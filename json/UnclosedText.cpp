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

    // strings: quotes open and close strings; without, every bracket counts (what
    // follows a last quote without a partner). from starts a unit.
    void run(std::size_t from, bool strings)
    {
        const std::string_view t = m_text;
        const std::size_t n = t.size();
        const auto* d = reinterpret_cast<const unsigned char*>(t.data());
        std::size_t escapeAt = SIZE_MAX; // the unit after an unescaped backslash
        std::size_t i = from;
        // 64 bytes at a time: only the bytes the walk acts on are looked at. In a run of
        // bytes >= 0x80 that starts a unit (the byte before it is ASCII, or it starts the
        // block at a unit start) every other byte leads a unit, so the ASCII byte after
        // the run belongs to the unit before it exactly when the run's length is odd.
        for (; i + 64 <= n;) {
            uint64_t high = 0, acted = 0, quoted = 0;
            classify(d + i, high, acted, quoted);
            if (high == 0 && quoted == 0 && !m_inString) {
                // Only brackets, outside strings (no quote or backslash in the block to
                // start one): each opens or closes a value.
                for (uint64_t events = acted; events != 0; events &= events - 1)
                    bracket(i + static_cast<std::size_t>(std::countr_zero(events)));
                i += 64;
                continue;
            }
            for (uint64_t events = acted & ~high; events != 0; events &= events - 1) {
                const int k = std::countr_zero(events);
                const int run = k == 0 ? 0 : std::countl_one(high << (64 - k));
                if (run % 2 == 1)
                    continue; // the second byte of a two-byte unit
                act(i + static_cast<std::size_t>(k), strings, escapeAt);
            }
            i += 64 + static_cast<std::size_t>(std::countl_one(high) % 2);
        }
        for (; i < n;) {
            if (d[i] >= 0x80) {
                i += 2;
                continue;
            }
            act(i, strings, escapeAt);
            ++i;
        }
    }

    std::optional<UnclosedValue> result()
    {
        if (m_inString) {
            // The last quote has no partner: it opens no string, and nothing was pushed or
            // popped since; what follows it is read as structure.
            m_inString = false;
            run(m_lastOpen + 1, false);
        }
        if (m_open.size() < 2)
            return std::nullopt;
        UnclosedValue found = m_open[1];
        found.line = lineAt(static_cast<std::size_t>(found.offset));
        return found;
    }

private:
    // The line of the unit at offset: one more than the line breaks (LF, or CR without LF
    // after it) among the units before it. Asked once, for the opener found.
    int64_t lineAt(std::size_t offset) const
    {
        const std::string_view t = m_text;
        int64_t line = 1;
        for (std::size_t i = 0; i < offset;) {
            const auto c = static_cast<unsigned char>(t[i]);
            if (c >= 0x80) {
                i += 2;
                continue;
            }
            if (c == '\n' || (c == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n')))
                ++line;
            ++i;
        }
        return line;
    }

    // The bytes >= 0x80 of the 64 at p, those the walk acts on (a quote, a backslash or a
    // bracket), and of those the quotes and backslashes.
    void classify(const unsigned char* p, uint64_t& high, uint64_t& acted, uint64_t& quoted) const
    {
        for (int lane = 0; lane < 4; ++lane) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
            const auto eq = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
            const __m128i quotes = _mm_or_si128(eq(m_quote), eq('\\'));
            const __m128i marked = _mm_or_si128(quotes, _mm_or_si128(_mm_or_si128(eq('['), eq(']')), _mm_or_si128(eq('{'), eq('}'))));
            const int shift = 16 * lane;
            acted |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(marked))) << shift;
            quoted |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(quotes))) << shift;
            high |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(v))) << shift;
        }
    }

    // The bracket at i, outside strings.
    void bracket(std::size_t i)
    {
        const auto c = static_cast<unsigned char>(m_text[i]);
        if (c == '{' || c == '[')
            m_open.push_back({static_cast<int64_t>(i), 0, c == '{' ? NodeKind::Object : NodeKind::Array});
        else if (!m_open.empty())
            m_open.pop_back();
    }

    // The ASCII unit at i. Any other unit in between ends an escape, so the unit at i is
    // escaped exactly when an unescaped backslash stands right before it.
    void act(std::size_t i, bool strings, std::size_t& escapeAt)
    {
        const std::string_view t = m_text;
        const auto c = static_cast<unsigned char>(t[i]);
        if (c == static_cast<unsigned char>(m_quote) && escapeAt != i && strings) {
            m_inString = !m_inString;
            if (m_inString)
                m_lastOpen = i;
        } else if (c == '\\') {
            if (escapeAt != i)
                escapeAt = i + 1;
        } else if (!m_inString && (c == '{' || c == '[' || c == '}' || c == ']')) {
            bracket(i);
        }
    }

    std::string_view m_text;
    char m_quote;
    std::vector<UnclosedValue> m_open;
    bool m_inString = false;
    std::size_t m_lastOpen = 0;
};

} // namespace

std::optional<UnclosedValue> findUnclosedValue(std::string_view text, char quote)
{
    BracketWalk walk(text, quote);
    walk.run(0, true);
    return walk.result();
}

} // namespace tess
