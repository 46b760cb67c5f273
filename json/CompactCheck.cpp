// isCompact: whether compacting would change a text, from a block filter over byte pairs
// and a character walk around the pairs it flags.
#include "json/PatternChars.h"
#include "json/QuoteParity.h"
#include "json/TextPatterns.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace tess::patterns {
namespace {

// One step of the exact compactness check at the character start i: i moves past what
// was looked at, and the result is the start of a white-space run that the open or close
// pass would remove there, or npos. Without a change the open pass leaves the text as it
// is, so the close pass sees the same text and both can be checked in one walk.
inline std::size_t compactStep(std::string_view t, std::size_t& i)
{
    constexpr std::size_t kNone = std::string_view::npos;
    const std::size_t n = t.size();
    const u8 c = at(t, i);
    if (!kCompactClass.v[c]) {
        ++i;
        return kNone;
    }
    if (c < 0x80) {
        if (isAsciiWs(c)) {
            const std::size_t start = i;
            const std::size_t j = runEnd(t, i, wsLen);
            i = j;
            return j < n && isOpener(at(t, j)) ? start : kNone;
        }
        // A closer.
        ++i;
        return i < n && wsLen(t, i) ? i : kNone;
    }
    if (isIdeographicSpace(t, i)) {
        const std::size_t start = i;
        const std::size_t j = runEnd(t, i, wsLen);
        i = j;
        return j < n && isOpener(at(t, j)) ? start : kNone;
    }
    i += unitLength(t, i);
    return kNone;
}

// Never the 2nd, 3rd or 4th byte of a character (those are 0x30-0x39 and 0x40-0xFE), so
// a walk from the text's start always steps on such a byte.
inline bool startsCharacter(u8 c)
{
    return c < 0x30 || (c >= 0x3A && c < 0x40);
}

// The exact check, run only around byte pairs the block filter flags.
//
// Walking compactStep from the text's start finds a change only (a) at a white-space run
// ending right before an opener, or (b) at a closer right before white space. Both show
// in two adjacent bytes: the run's last byte (white space, or the second A1 of A1 A1)
// before the opener, or the closer before white space (or the A1 starting A1 A1). The
// filter flags every such pair (p, p + 1), including pairs across block edges; many are
// false alarms (a lone A1, trail bytes 0x5B or 0x7D, a character ending in A1) that only
// a walk in step with the characters can tell apart.
//
// A walk started at any character start is in step: each step covers whole characters
// (1, 2 or 4 bytes, or a run of them), so a character start is either where the full walk
// decides or inside one of its white-space runs, and a run entered in the middle has the
// same end. The verdict on pair p is reached at or before p (at the closer, or where the
// run reaching p + 1 starts), so walking until past p settles it; a run that began
// before the walk's start contains that start and is judged the same. Runs and runEnd's
// look-ahead read the whole text, not a block. The walk starts at the nearest byte at or
// before p that always starts a character, else where the previous walk stopped (a
// character start too; pairs before it are settled), else at 0. Walks never overlap, so
// the check stays linear however many false alarms there are.
class LocalCheck {
public:
    explicit LocalCheck(std::string_view t) : m_t(t), m_quotes(t) {}
    bool pairIsCompact(std::size_t p)
    {
        if (p < m_done)
            return true;
        std::size_t i = p;
        while (i > m_done && !startsCharacter(at(m_t, i)))
            --i;
        while (i <= p) {
            const std::size_t removed = compactStep(m_t, i);
            if (removed != std::string_view::npos && !insideString(removed))
                return false;
        }
        m_done = i;
        return true;
    }

private:
    // A run is inside a string when an odd number of quotes lies before it and one more
    // follows; without one it follows the text's last, unpaired quote. Runs are asked for
    // in increasing order (walks never overlap).
    bool insideString(std::size_t run)
    {
        if (!m_quotes.inside(run))
            return false;
        if (m_nextQuote == std::string_view::npos || m_nextQuote < run)
            m_nextQuote = m_t.find('"', run);
        return m_nextQuote != std::string_view::npos;
    }

    std::string_view m_t;
    std::size_t m_done = 0;
    QuoteParity m_quotes;
    std::size_t m_nextQuote = std::string_view::npos;
};

// One bit per byte of a 64-byte block for each class the filter needs.
struct BlockMasks {
    uint64_t space = 0;  // 0x09-0x0D, 0x20, 0xA1
    uint64_t opener = 0; // [ { "
    uint64_t closer = 0; // ] } "
    uint64_t backslash = 0;
    uint64_t quoteOrBar = 0; // " |
};

inline uint64_t bitsOf(__m128i m, int lane)
{
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(m))) << (16 * lane);
}

inline __m128i equal(__m128i v, char c)
{
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
}

template <bool Escapes>
BlockMasks classify(const u8* p)
{
    BlockMasks m;
    for (int lane = 0; lane < 4; ++lane) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
        // 0x09-0x0D: v - 9 is at most 4 (unsigned).
        const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(0x09));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(4)), d);
        const __m128i quote = equal(v, '"');
        m.space |= bitsOf(_mm_or_si128(control, _mm_or_si128(equal(v, ' '), equal(v, '\xA1'))), lane);
        m.opener |= bitsOf(_mm_or_si128(quote, _mm_or_si128(equal(v, '['), equal(v, '{'))), lane);
        m.closer |= bitsOf(_mm_or_si128(quote, _mm_or_si128(equal(v, ']'), equal(v, '}'))), lane);
        if constexpr (Escapes) {
            m.backslash |= bitsOf(equal(v, '\\'), lane);
            m.quoteOrBar |= bitsOf(_mm_or_si128(quote, equal(v, '|')), lane);
        }
    }
    return m;
}

// Bit k of the result: the byte before byte k of the block is in the class; the block's
// first byte takes the previous block's last.
inline uint64_t before(uint64_t current, uint64_t previous)
{
    return (current << 1) | (previous >> 63);
}

// isCompact, and with Escapes also false at a backslash before " or | (byte-wise).
template <bool Escapes>
bool compactScan(std::string_view t)
{
    const std::size_t n = t.size();
    const auto* data = reinterpret_cast<const u8*>(t.data());
    LocalCheck local(t);
    BlockMasks prev;
    for (std::size_t b = 0; b < n; b += 64) {
        BlockMasks m;
        if (b + 64 <= n) {
            m = classify<Escapes>(data + b);
        } else {
            // Zero padding belongs to no class, so the last byte pairs with nothing.
            u8 tail[64] = {};
            std::memcpy(tail, data + b, n - b);
            m = classify<Escapes>(tail);
        }
        if constexpr (Escapes)
            if (before(m.backslash, prev.backslash) & m.quoteOrBar)
                return false;
        // Bit k: bytes b + k - 1 and b + k may be white space next to structure.
        uint64_t pairs = (before(m.space, prev.space) & m.opener) | (before(m.closer, prev.closer) & m.space);
        for (; pairs != 0; pairs &= pairs - 1)
            if (!local.pairIsCompact(b + static_cast<std::size_t>(std::countr_zero(pairs)) - 1))
                return false;
        prev = m;
    }
    return true;
}

} // namespace

bool isWhiteSpace(std::string_view text)
{
    return runEnd(text, 0, wsLen) == text.size();
}

bool isCompact(std::string_view text)
{
    return compactScan<false>(text);
}

bool isCompactWithoutEscapes(std::string_view text)
{
    return compactScan<true>(text);
}

} // namespace tess::patterns
