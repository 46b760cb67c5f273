#include "json/ScanBuffer.h"

#include "json/JsonScanner.h"
#include "json/TextPatterns.h"
#include "platform/GbkText.h"
#include "platform/MessagePump.h"
#include "platform/Prefault.h"

#include <algorithm>
#include <cstring>
#include <emmintrin.h>

namespace tess {
namespace {

struct Delta {
    int8_t brace;
    int8_t bracket;
    uint8_t quote;
};

constexpr Delta makeDelta(unsigned c)
{
    return Delta{static_cast<int8_t>(c == '{' ? 1 : c == '}' ? -1 : 0),
                 static_cast<int8_t>(c == '[' ? 1 : c == ']' ? -1 : 0), static_cast<uint8_t>(c == '"' ? 1 : 0)};
}

struct DeltaTable {
    Delta d[256];
    constexpr DeltaTable() : d()
    {
        for (unsigned c = 0; c < 256; ++c)
            d[c] = makeDelta(c);
    }
};

constexpr DeltaTable kDeltas;

// Bytes that change a count: structure characters, quotes, backslashes, line breaks.
struct InterestingTable {
    bool v[256];
    constexpr InterestingTable() : v()
    {
        for (unsigned char c : {'{', '}', '[', ']', '"', ',', '\\', '\n', '\r'})
            v[c] = true;
    }
};

constexpr InterestingTable kInteresting;

inline int32_t popcount(uint64_t v)
{
    return static_cast<int32_t>(__builtin_popcountll(v));
}

// 64 bytes in four SSE2 registers; equal(c) gives one bit per byte that is c.
struct Block64 {
    __m128i v[4];
    explicit Block64(const unsigned char* p)
    {
        for (int i = 0; i < 4; ++i)
            v[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    }
    uint64_t equal(char c) const
    {
        const __m128i needle = _mm_set1_epi8(c);
        uint64_t r = 0;
        for (int i = 0; i < 4; ++i)
            r |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[i], needle)))) << (16 * i);
        return r;
    }
};

struct DeltaNonZeroTable {
    bool v[256];
    constexpr DeltaNonZeroTable() : v()
    {
        for (unsigned char c : {'{', '}', '[', ']', '"'})
            v[c] = true;
    }
};

constexpr DeltaNonZeroTable kDeltaNonZero;

inline void apply(ScanState& s, unsigned char c)
{
    const Delta& d = kDeltas.d[c];
    s.brace += d.brace;
    s.bracket += d.bracket;
    s.quotes += d.quote;
}

inline bool blankish(unsigned char c)
{
    return c == ' ' || c == '\t' || c == 0xA1;
}

} // namespace

ScanBase::ScanBase(std::shared_ptr<const std::string> prepared) : m_plain(std::move(prepared))
{
    // The prefix counts' pages come in on a second thread while this one copies the text.
    m_checkpoints.reserve(m_plain->size() / kBlock + 1);
    BackgroundPrefault prefault;
    prefault.start(m_checkpoints.data(), m_checkpoints.capacity() * sizeof(Checkpoint));
    if (!std::memchr(m_plain->data(), '"', m_plain->size())) {
        m_masked = *m_plain;
        countStructure();
        return;
    }
    m_maskedCopy = *m_plain;
    m_masked = m_maskedCopy;

    // Blank the contents of every pair of double quotes; a last unpaired quote leaves
    // the rest as it is. Quotes stay, so both copies keep the same length.
    char* data = m_maskedCopy.data();
    const std::size_t n = m_maskedCopy.size();
    int64_t open = -1;
    auto quoteAt = [&](int64_t q) {
        if (open == -1) {
            open = q;
        } else {
            std::memset(data + open + 1, ' ', static_cast<std::size_t>(q - open - 1));
            open = -1;
        }
    };
    std::size_t w = 0;
    for (; w + 64 <= n; w += 64)
        for (uint64_t bits = Block64(reinterpret_cast<const unsigned char*>(data + w)).equal('"'); bits; bits &= bits - 1)
            quoteAt(static_cast<int64_t>(w) + __builtin_ctzll(bits));
    for (; w < n; ++w)
        if (data[w] == '"')
            quoteAt(static_cast<int64_t>(w));
    m_unpairedQuote = open;
    countStructure();
}

// Inlined into both variants below, so that the bit counts compile to the instruction
// where the processor has it.
[[gnu::always_inline]] inline void ScanBase::countStructureBody()
{
    const int64_t size = static_cast<int64_t>(m_masked.size());
    Checkpoint cp;
    std::size_t opens = 0;
    const bool track = size < static_cast<int64_t>(kNoMatch);
    std::vector<uint32_t> stack;
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    const auto* p = reinterpret_cast<const unsigned char*>(m_plain->data());
    auto bracket = [&](int64_t j) {
        const unsigned char c = m[j];
        if (c == '{' || c == '[') {
            stack.push_back(static_cast<uint32_t>(m_opens.size()));
            m_opens.push_back(static_cast<uint32_t>(j));
            m_closes.push_back(kNoMatch);
            return;
        }
        const unsigned char want = c == '}' ? '{' : '[';
        if (!stack.empty() && m[m_opens[stack.back()]] == want) {
            m_closes[stack.back()] = static_cast<uint32_t>(j);
            stack.pop_back();
        } else {
            // A closer of the wrong kind: no opener still open can be properly nested.
            stack.clear();
        }
    };
    auto countByte = [&](int64_t j) {
        // Most bytes are none of the counted ones: one table look-up each.
        if (!kInteresting.v[m[j]] && !kInteresting.v[p[j]])
            return;
        const unsigned char c = m[j];
        apply(cp.state, c);
        cp.commas += c == ',';
        cp.closeBraces += c == '}';
        opens += c == '{' || c == '[';
        if (track && (c == '{' || c == '[' || c == '}' || c == ']'))
            bracket(j);
        const unsigned char q = p[j];
        if (q == '\\')
            noteEscape(j);
        else if (q == '\n' || q == '\r')
            cp.trims += isTrimHazard(j);
    };
    for (int64_t k = 0; k * kBlock <= size; ++k) {
        m_checkpoints.push_back(cp);
        const int64_t begin = k * kBlock;
        const int64_t end = std::min(size, begin + kBlock);
        if (end - begin < kBlock) {
            for (int64_t j = begin; j < end; ++j)
                countByte(j);
            continue;
        }
        // A whole block: compare 64 bytes at a time and count the bits.
        const Block64 mb(m + begin);
        const Block64 pb(p + begin);
        const uint64_t openBrace = mb.equal('{'), closeBrace = mb.equal('}');
        const uint64_t openBracket = mb.equal('['), closeBracket = mb.equal(']');
        const uint64_t quotes = mb.equal('"'), commas = mb.equal(',');
        cp.state.brace += popcount(openBrace) - popcount(closeBrace);
        cp.state.bracket += popcount(openBracket) - popcount(closeBracket);
        cp.state.quotes += static_cast<uint32_t>(popcount(quotes));
        cp.commas += static_cast<uint32_t>(popcount(commas));
        cp.closeBraces += static_cast<uint32_t>(popcount(closeBrace));
        opens += static_cast<std::size_t>(popcount(openBrace | openBracket));
        if (track)
            for (uint64_t bits = openBrace | closeBrace | openBracket | closeBracket; bits; bits &= bits - 1)
                bracket(begin + __builtin_ctzll(bits));
        for (uint64_t bits = pb.equal('\\'); bits; bits &= bits - 1)
            noteEscape(begin + __builtin_ctzll(bits));
        for (uint64_t bits = pb.equal('\n') | pb.equal('\r'); bits; bits &= bits - 1)
            cp.trims += isTrimHazard(begin + __builtin_ctzll(bits));
    }
    m_nodeEstimate = cp.commas + opens + 2;
    m_totalTrims = cp.trims;
}

void ScanBase::countStructure()
{
    static const bool popcnt = __builtin_cpu_supports("popcnt");
    if (popcnt)
        countStructurePopcnt();
    else
        countStructurePlain();
}

void ScanBase::countStructurePopcnt()
{
    countStructureBody();
}

void ScanBase::countStructurePlain()
{
    countStructureBody();
}

int64_t ScanBase::matchingClose(int64_t openOffset) const
{
    // The parse asks for the openers in text order, so the one after the last answer is
    // the usual question; anything else is searched.
    std::size_t k = m_openHint;
    if (k >= m_opens.size() || m_opens[k] != static_cast<uint64_t>(openOffset)) {
        const auto it = std::lower_bound(m_opens.begin(), m_opens.end(), static_cast<uint64_t>(openOffset),
                                         [](uint32_t a, uint64_t b) { return a < b; });
        if (it == m_opens.end() || *it != static_cast<uint64_t>(openOffset))
            return -1;
        k = static_cast<std::size_t>(it - m_opens.begin());
    }
    m_openHint = k + 1;
    const uint32_t close = m_closes[k];
    return close == kNoMatch ? -1 : static_cast<int64_t>(close);
}

bool ScanBase::isEscapeHazard(int64_t i) const
{
    const std::string& p = *m_plain;
    const int64_t n = static_cast<int64_t>(p.size());
    if (p[static_cast<std::size_t>(i)] != '\\' || i + 1 >= n)
        return false;
    const char next = p[static_cast<std::size_t>(i + 1)];
    if (next != '"' && next != '|')
        return false;
    // The protection walks the text in units (a byte >= 0x80 with the byte after it)
    // and pairs backslashes from the start of each run.
    int64_t r = i;
    while (r > 0 && p[static_cast<std::size_t>(r - 1)] == '\\')
        --r;
    const bool runStartsUnit = gbk::startsUnit(p, static_cast<std::size_t>(r));
    const int64_t units = runStartsUnit ? i - r + 1 : i - r; // the first is a trail byte otherwise
    return units % 2 == 1;
}

void ScanBase::noteEscape(int64_t i)
{
    // Offsets arrive in order, once each; only the last backslash of a run can qualify.
    if (isEscapeHazard(i))
        m_escapeAt.push_back(static_cast<uint32_t>(i));
}

bool ScanBase::isTrimHazard(int64_t i) const
{
    const std::string& p = *m_plain;
    const unsigned char c = static_cast<unsigned char>(p[static_cast<std::size_t>(i)]);
    if (c != '\n' && c != '\r')
        return false;
    if (i > 0 && blankish(static_cast<unsigned char>(p[static_cast<std::size_t>(i - 1)])))
        return true;
    return i + 1 < static_cast<int64_t>(p.size()) && blankish(static_cast<unsigned char>(p[static_cast<std::size_t>(i + 1)]));
}

ScanState ScanBase::stateAt(int64_t offset) const
{
    offset = std::clamp<int64_t>(offset, 0, size());
    const int64_t k = offset / kBlock;
    int64_t from = k * kBlock;
    ScanState s = m_checkpoints[static_cast<std::size_t>(k)].state;
    // Start from a cached state when it lies between the checkpoint and the offset.
    for (int i = 0; i < 2; ++i) {
        const StateCache& c = m_stateCache[i];
        if (c.offset == offset) {
            m_stateCacheNext = i ^ 1; // keep this one, replace the other next time
            return c.state;
        }
        if (c.offset > from && c.offset < offset) {
            from = c.offset;
            s = c.state;
        }
    }
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    for (int64_t j = from; j < offset; ++j)
        if (kDeltaNonZero.v[m[j]])
            apply(s, m[j]);
    StateCache& slot = m_stateCache[m_stateCacheNext];
    m_stateCacheNext ^= 1;
    slot.offset = offset;
    slot.state = s;
    return s;
}

uint32_t ScanBase::hazardsBefore(int64_t offset, uint32_t Checkpoint::*counter,
                                 bool (ScanBase::*isHazard)(int64_t) const) const
{
    offset = std::clamp<int64_t>(offset, 0, size());
    const int64_t k = offset / kBlock;
    uint32_t count = m_checkpoints[static_cast<std::size_t>(k)].*counter;
    for (int64_t j = k * kBlock; j < offset; ++j)
        count += (this->*isHazard)(j);
    return count;
}

// Ranges shorter than this are counted directly instead of through two checkpoints.
constexpr int64_t kDirectRange = 96;

uint32_t ScanBase::escapeHazards(int64_t from, int64_t to) const
{
    if (to - 1 <= from || m_escapeAt.empty())
        return 0;
    // Hazards at offsets in [from, to - 1): the backslash and the byte after it inside.
    const auto lo = std::lower_bound(m_escapeAt.begin(), m_escapeAt.end(), static_cast<uint64_t>(std::max<int64_t>(from, 0)),
                                     [](uint32_t a, uint64_t b) { return a < b; });
    const auto hi = std::lower_bound(lo, m_escapeAt.end(), static_cast<uint64_t>(to - 1),
                                     [](uint32_t a, uint64_t b) { return a < b; });
    return static_cast<uint32_t>(hi - lo);
}

uint32_t ScanBase::trimHazards(int64_t from, int64_t to) const
{
    if (to <= from || m_totalTrims == 0)
        return 0;
    if (to - from <= kDirectRange) {
        uint32_t n = 0;
        for (int64_t j = from; j < to; ++j)
            n += isTrimHazard(j);
        return n;
    }
    return hazardsBefore(to, &Checkpoint::trims, &ScanBase::isTrimHazard) -
           hazardsBefore(from, &Checkpoint::trims, &ScanBase::isTrimHazard);
}

bool ScanBase::balancedBetween(int64_t from, int64_t to) const
{
    if (to <= from)
        return true;
    if (to - from <= kDirectRange) {
        ScanState s;
        const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
        for (int64_t j = from; j < to; ++j)
            if (kDeltaNonZero.v[m[j]])
                apply(s, m[j]);
        return s == ScanState{};
    }
    return stateAt(from) == stateAt(to);
}

void ScanBase::buildBlockIndex() const
{
    const int64_t blocks = size() / kBlock + 1;
    m_leaves = 1;
    while (m_leaves < blocks)
        m_leaves *= 2;
    const BlockRange empty{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN};
    m_tree.assign(static_cast<std::size_t>(2 * m_leaves), empty);
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    for (int64_t b = 0; b < blocks; ++b) {
        ScanState s = m_checkpoints[static_cast<std::size_t>(b)].state;
        BlockRange r = empty;
        const int64_t end = std::min(size(), (b + 1) * kBlock);
        for (int64_t j = b * kBlock; j < end; ++j) {
            r.minBrace = std::min(r.minBrace, s.brace);
            r.maxBrace = std::max(r.maxBrace, s.brace);
            r.minBracket = std::min(r.minBracket, s.bracket);
            r.maxBracket = std::max(r.maxBracket, s.bracket);
            apply(s, m[j]);
        }
        m_tree[static_cast<std::size_t>(m_leaves + b)] = r;
    }
    for (int64_t i = m_leaves - 1; i >= 1; --i) {
        const BlockRange& a = m_tree[static_cast<std::size_t>(2 * i)];
        const BlockRange& c = m_tree[static_cast<std::size_t>(2 * i + 1)];
        m_tree[static_cast<std::size_t>(i)] = BlockRange{std::min(a.minBrace, c.minBrace), std::max(a.maxBrace, c.maxBrace),
                                                         std::min(a.minBracket, c.minBracket),
                                                         std::max(a.maxBracket, c.maxBracket)};
    }
}

int64_t ScanBase::nextCandidateBlock(int64_t block, const ScanState& s) const
{
    auto holds = [&](int64_t node) {
        const BlockRange& r = m_tree[static_cast<std::size_t>(node)];
        return r.minBrace <= s.brace && s.brace <= r.maxBrace && r.minBracket <= s.bracket && s.bracket <= r.maxBracket;
    };
    if (block >= m_leaves)
        return -1;
    // Walk up from the leaf until a right sibling subtree can hold a candidate, then down.
    int64_t node = m_leaves + block;
    if (holds(node))
        return block;
    for (;;) {
        while (node > 1 && (node & 1))
            node >>= 1;
        if (node == 1)
            return -1;
        ++node; // right sibling
        if (holds(node))
            break;
    }
    while (node < m_leaves)
        node = holds(2 * node) ? 2 * node : 2 * node + 1;
    return node - m_leaves;
}

int64_t ScanBase::findBalanced(int64_t from, int64_t limit, const char* tokens, const ScanState& s) const
{
    if (m_tree.empty())
        buildBlockIndex();
    limit = std::min(limit, size());
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    int64_t o = std::max<int64_t>(from, 0);
    while (o < limit) {
        int64_t b = o / kBlock;
        const int64_t candidate = nextCandidateBlock(b, s);
        if (candidate == -1 || candidate * kBlock >= limit)
            return -1;
        if (candidate != b) {
            b = candidate;
            o = b * kBlock;
        }
        ScanState st = stateAt(o);
        const int64_t end = std::min(limit, (b + 1) * kBlock);
        for (; o < end; ++o) {
            const unsigned char c = m[o];
            if (st == s && std::strchr(tokens, c) && c != 0)
                return o;
            apply(st, c);
        }
        pumpMessages();
    }
    return -1;
}

int64_t ScanBase::findSlow(char token, int64_t from, int64_t limit) const
{
    limit = std::min(limit, size());
    if (from >= limit)
        return -1;
    const char* data = m_masked.data();
    const int slot = tokenSlot(token);
    if (slot < 0) {
        const void* hit = std::memchr(data + from, token, static_cast<std::size_t>(limit - from));
        return hit ? static_cast<const char*>(hit) - data : -1;
    }
    FindCache& c = m_findCache[slot];
    if (c.from <= from && from <= c.upto) {
        if (c.hit)
            return c.upto < limit ? c.upto : -1;
        if (limit <= c.upto)
            return -1;
        const void* hit = std::memchr(data + c.upto, token, static_cast<std::size_t>(limit - c.upto));
        if (hit) {
            c.upto = static_cast<const char*>(hit) - data;
            c.hit = true;
            return c.upto;
        }
        c.upto = limit;
        return -1;
    }
    const void* hit = std::memchr(data + from, token, static_cast<std::size_t>(limit - from));
    c.from = from;
    if (hit) {
        c.upto = static_cast<const char*>(hit) - data;
        c.hit = true;
        return c.upto;
    }
    c.upto = limit;
    c.hit = false;
    return -1;
}

int64_t ScanBase::findLast(int64_t from, int64_t limit, bool commasOnly) const
{
    limit = std::min(limit, size());
    from = std::max<int64_t>(from, 0);
    if (from >= limit)
        return -1;
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    auto isToken = [&](unsigned char c) { return c == ',' || (!commasOnly && c == '}'); };
    auto countAt = [&](std::size_t k) {
        const Checkpoint& cp = m_checkpoints[k];
        return commasOnly ? cp.commas : cp.commas + cp.closeBraces;
    };
    auto countBefore = [&](int64_t offset) {
        const int64_t k = offset / kBlock;
        uint32_t n = countAt(static_cast<std::size_t>(k));
        for (int64_t j = k * kBlock; j < offset; ++j)
            n += isToken(m[j]);
        return n;
    };
    const uint32_t target = countBefore(limit);
    if (target == countBefore(from))
        return -1;
    // The last occurrence lies in the last block whose starting count is below target.
    std::size_t lo = static_cast<std::size_t>(from / kBlock);
    std::size_t hi = static_cast<std::size_t>(limit / kBlock);
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (countAt(mid) < target)
            lo = mid;
        else
            hi = mid - 1;
    }
    const int64_t blockEnd = std::min(limit, static_cast<int64_t>(lo + 1) * kBlock);
    const int64_t blockStart = std::max(from, static_cast<int64_t>(lo) * kBlock);
    for (int64_t j = blockEnd - 1; j >= blockStart; --j)
        if (isToken(m[j]))
            return j;
    return -1;
}

bool ScanView::isBalanced(int64_t from, int64_t to) const
{
    if (from == -1 || to == -1)
        return false;
    pumpMessages();
    if (to - 1 <= from)
        return true;
    // Bytes strictly between the two positions: offsets [off + from, off + to - 1).
    return base->balancedBetween(off + from, off + std::min(to, len + 1) - 1);
}

std::string prepareText(std::string_view text)
{
    return JsonScanner::compactWhitespace(JsonScanner::protectEscapes(text));
}

bool prepareTextInto(std::string_view text, std::string& out)
{
    // Protecting escapes can only change a text holding \" or \| (byte-wise, so this
    // errs on the safe side); compacting only one with white space next to structure.
    // One pass looks for both.
    if (patterns::isCompactWithoutEscapes(text))
        return false;
    // Usually both steps in one pass, with one copy.
    const int fused = patterns::protectAndCompactInto(text, out);
    if (fused >= 0)
        return fused == 1;
    std::string protectedText;
    const bool escaped = JsonScanner::protectEscapesInto(text, protectedText);
    const std::string_view step = escaped ? std::string_view(protectedText) : text;
    if (patterns::isCompact(step)) {
        if (!escaped)
            return false;
        out = std::move(protectedText);
        return true;
    }
    out = patterns::compactWhitespace(step);
    return out != text;
}

} // namespace tess
