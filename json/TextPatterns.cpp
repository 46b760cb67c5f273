#include "json/TextPatterns.h"

#include "json/JsonNode.h"
#include "json/QuoteParity.h"
#include "platform/GbkText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace tess::patterns {
namespace {

using u8 = unsigned char;

inline u8 at(std::string_view t, std::size_t i)
{
    return static_cast<u8>(t[i]);
}

inline bool isAsciiWs(u8 c)
{
    // '\t' '\n' '\v' '\f' '\r' are 0x09-0x0D.
    return c == ' ' || static_cast<u8>(c - 0x09) <= 0x04;
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



inline bool isOpener(u8 c)
{
    return c == '[' || c == '{' || c == '"';
}

inline bool isCloser(u8 c)
{
    return c == ']' || c == '}' || c == '"';
}

// Bytes the exact compactness step has to look at: white space, closers, lead bytes.
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

struct OpenerTable {
    bool v[256];
    constexpr OpenerTable() : v()
    {
        for (unsigned c : {'[', '{', '"'})
            v[c] = true;
    }
};

constexpr OpenerTable kOpenerByte;

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
        WalkMasks m;
        if (b + 64 <= n) {
            m = classifyWalk<Escapes>(d + b);
        } else {
            u8 tail[64] = {}; // zero padding is none of the classes
            std::memcpy(tail, d + b, n - b);
            m = classifyWalk<Escapes>(tail);
        }
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
        while (events != 0) {
            const std::size_t s = b + static_cast<std::size_t>(std::countr_zero(events));
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

// A byte that is a blank or a control character, '"', or 0x80 and above.
inline bool hasKeyEdgeByte(uint64_t w)
{
    return (w & kHigh) != 0 || (((w - kOnes * 0x21) & ~w & kHigh) != 0) || hasZeroByte(w ^ (kOnes * '"'));
}

// True when none of the len bytes at p is at most ' ', '"' or 0x80 and above: trimKey
// then only removes the quotes around them.
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
