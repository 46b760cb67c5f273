// compactWhitespace, and with escape protection in the same pass: a walk over 64-byte
// blocks that stops only where white space or a backslash run starts.
#include "json/JsonNode.h"
#include "json/PatternChars.h"
#include "json/QuoteParity.h"
#include "json/TextPatterns.h"
#include "platform/GbkText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <string>

namespace tess::patterns {
namespace {

// The first byte at or after i that the compacting walk has to look at (white space, a
// closer or a byte >= 0x80, and with Escapes a backslash), or n: sixteen bytes at a time.
template <bool Escapes = false>
inline std::size_t nextCompactClass(const u8* d, std::size_t i, std::size_t n)
{
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i below = _mm_sub_epi8(v, _mm_set1_epi8(0x09)); // 0x09-0x0D: at most 4 (unsigned)
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(below, _mm_set1_epi8(4)), below);
        const __m128i marked =
            _mm_or_si128(_mm_or_si128(control, _mm_cmpeq_epi8(v, _mm_set1_epi8(' '))),
                         _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(']')), _mm_cmpeq_epi8(v, _mm_set1_epi8('}')))));
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(marked) | _mm_movemask_epi8(v));
        if constexpr (Escapes)
            bits |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
        if (bits != 0)
            return i + static_cast<std::size_t>(std::countr_zero(bits));
    }
    while (i < n && !kCompactClass.v[d[i]] && !(Escapes && d[i] == '\\'))
        ++i;
    return i;
}

// The end of the white-space run starting at i: ASCII white space byte by byte, the
// general step from the first ideographic space on.
inline std::size_t wsRunEnd(std::string_view t, std::size_t i)
{
    const std::size_t n = t.size();
    while (i < n && isAsciiWs(at(t, i)))
        ++i;
    if (i < n && at(t, i) == 0xA1)
        return runEnd(t, i, wsLen);
    return i;
}

// One bit per byte of the 16 at p that is ASCII white space (0x09-0x0D, 0x20).
inline uint32_t asciiWsBits(const u8* p)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8(0x09)); // 0x09-0x0D: at most 4 (unsigned)
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(4)), d);
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(control, _mm_cmpeq_epi8(v, _mm_set1_epi8(' ')))));
}

// The first byte at or after i that is not ASCII white space, sixteen at a time.
inline std::size_t asciiWsEnd(const u8* d, std::size_t i, std::size_t n)
{
    for (; i + 16 <= n; i += 16) {
        const uint32_t bits = asciiWsBits(d + i);
        if (bits != 0xFFFF)
            return i + static_cast<std::size_t>(std::countr_zero(~bits));
    }
    while (i < n && isAsciiWs(d[i]))
        ++i;
    return i;
}

// The result of a compacting walk: the kept pieces of the input and the replacements
// between them. Short pieces are moved sixteen bytes at a time into a staging area that
// reaches the result in large appends; the result is only started at the first change.
class PieceWriter {
public:
    PieceWriter(std::string_view in, std::string& out, std::size_t reserve)
        : m_in(in.data()), m_n(in.size()), m_out(out), m_reserve(reserve)
    {
    }
    PieceWriter(const PieceWriter&) = delete;
    PieceWriter& operator=(const PieceWriter&) = delete;

    // Keeps the input up to from and drops it up to to.
    void cut(std::size_t from, std::size_t to)
    {
        keep(from);
        m_copied = to;
    }
    // Keeps the input up to from, writes with and skips the input up to to.
    void replace(std::size_t from, std::size_t to, std::string_view with)
    {
        keep(from);
        if (m_cursor + with.size() > m_stageEnd)
            flush();
        std::memcpy(m_cursor, with.data(), with.size());
        m_cursor += with.size();
        m_copied = to;
    }
    // Completes the result; false when nothing changed (the result is then not written).
    bool finish()
    {
        if (!m_started)
            return false;
        keepSlowly(m_n);
        flush();
        return true;
    }

private:
    static constexpr std::size_t kStage = 16384;

    void keep(std::size_t from)
    {
        const std::size_t length = from - m_copied;
        // A piece that fits, with 16 bytes of input after its start (the copy reads and
        // writes up to 15 bytes past it: inside the input, inside the staging margin).
        // Before the first change m_quickBelow is 0, so the first piece starts the result.
        if (from < m_quickBelow && m_cursor + length <= m_stageEnd) {
            const char* source = m_in + m_copied;
            for (std::size_t k = 0; k < length; k += 16)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(m_cursor + k),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k)));
            m_cursor += length;
            return;
        }
        keepSlowly(from);
    }
    [[gnu::noinline]] void keepSlowly(std::size_t from)
    {
        if (!m_started) {
            m_started = true;
            m_out.clear();
            m_out.reserve(m_reserve);
            m_quickBelow = m_n > 15 ? m_n - 15 : 0;
        }
        const std::size_t length = from - m_copied;
        const char* source = m_in + m_copied;
        if (length >= kStage / 4) {
            flush();
            m_out.append(source, length);
            return;
        }
        if (m_cursor + length > m_stageEnd)
            flush();
        std::memcpy(m_cursor, source, length);
        m_cursor += length;
    }
    void flush()
    {
        m_out.append(m_stage, static_cast<std::size_t>(m_cursor - m_stage));
        m_cursor = m_stage;
    }

    const char* m_in;
    std::size_t m_n;
    std::string& m_out;
    std::size_t m_reserve;
    std::size_t m_copied = 0;
    std::size_t m_quickBelow = 0;
    bool m_started = false;
    char m_stage[kStage + 16];
    char* m_cursor = m_stage;
    char* const m_stageEnd = m_stage + kStage;
};

constexpr std::size_t kNeedsLiteral = std::string_view::npos;

// Protects the backslash run at s as protectEscapes does (in two-byte units): the last
// backslash of an odd run and the quote after it become "#SYH#". Returns where the walk
// goes on (after the run, or after the quote), or kNeedsLiteral for an odd run before '|',
// which the literal steps pair differently. An escaped quote pairs with no other quote.
inline std::size_t protectBackslashRun(std::string_view t, std::size_t s, PieceWriter& out, QuoteParity& quotes)
{
    const std::size_t n = t.size();
    std::size_t end = s + 1;
    while (end < n && t[end] == '\\')
        ++end;
    // The run's first backslash may be the second byte of a unit.
    const std::size_t first = gbk::startsUnit(t, s) ? s : s + 1;
    if ((end - first) % 2 == 1 && end < n) {
        if (t[end] == '|')
            return kNeedsLiteral;
        if (t[end] == '"') {
            out.replace(end - 1, end + 1, kQuotePlaceholder);
            quotes.skipQuoteAt(end);
            ++end;
        }
    }
    return end;
}

// The exact compacting walk, character by character, from the character start i with
// afterCloser telling whether the character before i is a closer, until it stands on a
// character start at or after stop (white-space runs are taken whole, so it may go
// further). The open pass removes a white-space run followed by an opener; the close
// pass, on its result, one preceded by a closer. Removing a run only joins two characters
// that are not white space, so every other run keeps its neighbours (and the characters
// keep their boundaries): a run goes exactly when the character after it opens or the one
// before it closes, and the run lies outside strings: what is between a string's quotes
// is part of its value and stays as it is.
//
// With Escapes, backslash runs are protected on the way. Characters are those of the
// protected text, which are the same as the input's unless a backslash that ends a
// two-byte character starts a two-byte unit (possible only after 0x80 or 0xFF bytes);
// then the walk gives up with kNeedsLiteral.
template <bool Escapes>
std::size_t exactCompact(std::string_view t, std::size_t i, std::size_t stop, bool& afterCloser, PieceWriter& out,
                         QuoteParity& quotes)
{
    const std::size_t n = t.size();
    const auto* d = reinterpret_cast<const u8*>(t.data());
    while (i < n && i < stop) {
        const u8 c = at(t, i);
        if (Escapes && c == '\\') {
            i = protectBackslashRun(t, i, out, quotes);
            if (i == kNeedsLiteral)
                return kNeedsLiteral;
            afterCloser = false;
            continue;
        }
        if (!kCompactClass.v[c]) {
            i = nextCompactClass<Escapes>(d, i + 1, n);
            afterCloser = false;
            continue;
        }
        if (c < 0x80 && !isAsciiWs(c)) {
            ++i; // a closer
            afterCloser = true;
            continue;
        }
        if (c < 0x80 || isIdeographicSpace(t, i)) {
            const std::size_t j = wsRunEnd(t, i);
            if ((afterCloser || (j < n && isOpener(at(t, j)))) && !quotes.inside(i))
                out.cut(i, j);
            i = j;
        } else {
            const std::size_t length = unitLength(t, i);
            if (Escapes && length == 2 && d[i + 1] == '\\') {
                if (gbk::startsUnit(t, i + 1))
                    return kNeedsLiteral;
                // A backslash run that starts inside this character is protected whole
                // here: its start is where the walks over blocks look for runs.
                i = protectBackslashRun(t, i + 1, out, quotes);
                if (i == kNeedsLiteral)
                    return kNeedsLiteral;
                afterCloser = false;
                continue;
            }
            i += length;
        }
        afterCloser = false;
    }
    return i;
}

// Per 64-byte block: ASCII white space, 0xA1 bytes, backslashes.
struct WalkMasks {
    uint64_t space = 0;
    uint64_t a1 = 0;
    uint64_t backslash = 0;
};

// The closer bytes and the opener bytes of the 64 bytes at p.
inline void structureMasks(const u8* p, uint64_t& closers, uint64_t& openers)
{
    closers = 0;
    openers = 0;
    for (int lane = 0; lane < 4; ++lane) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
        const __m128i quote = _mm_cmpeq_epi8(v, _mm_set1_epi8('"'));
        const __m128i closer = _mm_or_si128(quote, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(']')),
                                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('}'))));
        const __m128i opener = _mm_or_si128(quote, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('[')),
                                                                _mm_cmpeq_epi8(v, _mm_set1_epi8('{'))));
        closers |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(closer))) << (16 * lane);
        openers |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(opener))) << (16 * lane);
    }
}

template <bool Escapes>
inline WalkMasks classifyWalk(const u8* p)
{
    WalkMasks m;
    for (int lane = 0; lane < 4; ++lane) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
        const int shift = 16 * lane;
        m.space |= static_cast<uint64_t>(asciiWsBits(p + 16 * lane)) << shift;
        m.a1 |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\xA1')))))
                << shift;
        if constexpr (Escapes)
            m.backslash |=
                static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\\')))))
                << shift;
    }
    return m;
}

enum class WalkResult { Unchanged, Changed, NeedsLiteral };

// compactWhitespace, and with Escapes compactWhitespace of protectEscapes, in one walk over
// 64-byte blocks that stops only where white space or a backslash run starts.
//
// ASCII white space and '"' always start characters (trail bytes are 0x30-0x39 and
// 0x40-0xFE) and are characters of their own, so the byte after them starts one too. So a
// run of ASCII white space is a run of whole characters, and the character after it is
// judged by its first byte. The ideographic space A1 A1 needs two A1 bytes in a row: a run ending
// before one takes it (and any more) with it; a block holding such a pair anywhere else
// goes through the exact character walk, which decides where characters start. A closer
// ']' or '}' before a run is one only when it starts a character, which is sure unless the
// byte before it may lead a two-byte character; then the characters are walked from the
// last known start. That start ("resume") is kept everywhere: every position before it is
// decided, and nothing after it but bytes that are neither white space nor backslashes.
//
// With Escapes, backslash runs are protected on the way (protectBackslashRun); an escaped
// quote becomes part of "#SYH#" and closes nothing. The rare texts the walk cannot protect
// exactly are left to the literal steps (NeedsLiteral).
//
// Runs inside strings stay. quoteTotal is the number of quotes of the whole text when it
// is known; quotesSeen receives the number counted (escaped ones left out).
template <bool Escapes>
WalkResult blockCompactOnce(std::string_view t, std::string& result, std::size_t quoteTotal, std::size_t& quotesSeen)
{
    const std::size_t n = t.size();
    const auto* d = reinterpret_cast<const u8*>(t.data());
    PieceWriter out(t, result, Escapes ? n + n / 64 + 64 : n);
    QuoteParity quotes(t, quoteTotal);
    std::size_t resume = 0;
    bool afterCloser = false;

    // Whether the byte at p - 1 (p > resume) is a closer that starts a character.
    auto closerBefore = [&](std::size_t p) {
        if (p == resume)
            return afterCloser;
        const u8 c = d[p - 1];
        if (c == '"')
            return true;
        if (c != ']' && c != '}')
            return false;
        if (p - 1 == resume || d[p - 2] < 0x81 || d[p - 2] == 0xFF)
            return true;
        std::size_t i = resume;
        while (i < p - 1)
            i += unitLength(t, i);
        return i == p - 1;
    };

    for (std::size_t b = 0; b < n; b = std::max(b + 64, resume & ~std::size_t(63))) {
        u8 tail[64]; // the last bytes, padded with zeros, which are none of the classes
        const u8* block = d + b;
        if (b + 64 > n) {
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, d + b, n - b);
            block = tail;
        }
        const WalkMasks m = classifyWalk<Escapes>(block);
        const uint64_t live = resume > b ? ~uint64_t(0) << (resume - b) : ~uint64_t(0);
        const uint64_t nextA1 = b + 64 < n && d[b + 64] == 0xA1 ? uint64_t(1) << 63 : 0;
        if (m.a1 & ((m.a1 >> 1) | nextA1) & live) {
            resume = exactCompact<Escapes>(t, resume, std::min(n, b + 64), afterCloser, out, quotes);
            if (resume == kNeedsLiteral)
                return WalkResult::NeedsLiteral;
            continue;
        }
        const uint64_t spaceBefore = b > 0 && isAsciiWs(d[b - 1]) ? 1 : 0;
        uint64_t events = m.space & ~((m.space << 1) | spaceBefore);
        if constexpr (Escapes) {
            const uint64_t backslashBefore = b > 0 && d[b - 1] == '\\' ? 1 : 0;
            events |= m.backslash & ~((m.backslash << 1) | backslashBefore);
        }
        events &= live;
        // A lone white-space byte with no closer byte before it and no opener byte after
        // it always stays (the blanks between the words of long strings): such runs are
        // taken off the events in bulk, and the walk only moves its start past them. An
        // ideographic space after one sends the block to the exact walk, or, across the
        // block's end, keeps the run an event.
        uint64_t quiet = events & m.space;
        if (quiet != 0) {
            uint64_t closers = 0;
            uint64_t openers = 0;
            structureMasks(block, closers, openers);
            const u8 after = b + 64 < n ? d[b + 64] : 0;
            const uint64_t spaceAfter = (m.space >> 1) | (isAsciiWs(after) ? uint64_t(1) << 63 : 0);
            const uint64_t opensAfter =
                (openers >> 1) | (kOpenerByte.v[after] || after == 0xA1 ? uint64_t(1) << 63 : 0);
            const uint64_t closesBefore = (closers << 1) | (b > 0 && isCloser(d[b - 1]) ? 1 : 0);
            quiet &= ~(spaceAfter | opensAfter | closesBefore);
            events &= ~quiet;
        }
        // Moves the walk's start past the quiet runs of the mask: to the character after
        // the last of them.
        auto passQuiet = [&](uint64_t passed) {
            quiet &= ~passed;
            const std::size_t next = b + 64 - static_cast<std::size_t>(std::countl_zero(passed));
            if (passed != 0 && next > resume) {
                resume = next;
                afterCloser = false;
            }
        };
        while (events != 0) {
            const std::size_t s = b + static_cast<std::size_t>(std::countr_zero(events));
            passQuiet(quiet & ~(~uint64_t(0) << (s - b)));
            if (Escapes && d[s] == '\\') {
                resume = protectBackslashRun(t, s, out, quotes);
                if (resume == kNeedsLiteral)
                    return WalkResult::NeedsLiteral;
                afterCloser = false;
            } else {
                const uint64_t after = ~m.space >> (s - b);
                std::size_t e = after != 0 ? s + static_cast<std::size_t>(std::countr_zero(after))
                                           : asciiWsEnd(d, b + 64, n);
                u8 next = e < n ? d[e] : 0;
                if (next == 0xA1 && e + 1 < n && d[e + 1] == 0xA1) {
                    e = runEnd(t, e, wsLen); // e starts a character: an ideographic space
                    next = e < n ? d[e] : 0;
                }
                if ((kOpenerByte.v[next] || closerBefore(s)) && !quotes.inside(s))
                    out.cut(s, e);
                resume = e;
                afterCloser = false;
            }
            // Runs do not overlap, so the next event lies past this one, unless the run
            // went past the block's end (only ideographic spaces could join two runs of
            // one block, and a block holding them takes the exact walk).
            if (resume >= b + 64)
                break;
            events &= events - 1;
        }
        passQuiet(quiet);
    }
    quotesSeen = quotes.quotesBefore(n);
    return out.finish() ? WalkResult::Changed : WalkResult::Unchanged;
}

// The walk, once more when the text ends inside a string: its last quote has no partner,
// so what follows it is no string content and is compacted like the rest.
template <bool Escapes>
WalkResult blockCompact(std::string_view t, std::string& result)
{
    std::size_t quotes = 0;
    const WalkResult first = blockCompactOnce<Escapes>(t, result, QuoteParity::kUnknown, quotes);
    if (first == WalkResult::NeedsLiteral || quotes % 2 == 0)
        return first;
    // The second walk removes what the first did and more.
    return blockCompactOnce<Escapes>(t, result, quotes, quotes);
}

} // namespace

std::string compactWhitespace(std::string_view text)
{
    std::string out;
    if (blockCompact<false>(text, out) == WalkResult::Unchanged)
        return std::string(text);
    return out;
}

int protectAndCompactInto(std::string_view text, std::string& out)
{
    switch (blockCompact<true>(text, out)) {
    case WalkResult::Unchanged:
        return 0;
    case WalkResult::Changed:
        return 1;
    case WalkResult::NeedsLiteral:
        break;
    }
    std::string().swap(out);
    return -1;
}

} // namespace tess::patterns
