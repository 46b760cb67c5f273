#include "json/ScanBuffer.h"

#include "json/NestingLimit.h"

#include "json/ScanDeltas.h"
#include "platform/MessagePump.h"
#include "platform/Prefault.h"

#include <algorithm>
#include <cstring>
#include <emmintrin.h>

namespace tess {
using namespace scandeltas;
namespace {

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
    // One bit per byte that is { } [ ] , or : (a bracket is a brace with bit 5 clear).
    uint64_t scanned() const
    {
        uint64_t r = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i folded = _mm_or_si128(v[i], _mm_set1_epi8(0x20));
            const __m128i hit = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(folded, _mm_set1_epi8('{')), _mm_cmpeq_epi8(folded, _mm_set1_epi8('}'))),
                _mm_or_si128(_mm_cmpeq_epi8(v[i], _mm_set1_epi8(',')), _mm_cmpeq_epi8(v[i], _mm_set1_epi8(':'))));
            r |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hit))) << (16 * i);
        }
        return r;
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

// Bit k set when an odd number of the bits 0..k of q are set.
inline uint64_t prefixXor(uint64_t q)
{
    for (int shift = 1; shift < 64; shift *= 2)
        q ^= q << shift;
    return q;
}

inline bool isScanned(unsigned char c)
{
    return c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':';
}

// True when no string of the text (the bytes after a quote up to its partner, or to the
// end after a last quote without one) holds a byte the scan looks for: { } [ ] , or :.
// Blanking the strings then changes nothing the scan sees, and the text serves as its
// own blanked copy. lastQuote gets the offset of the text's last quote, odd whether the
// quotes are odd in number.
bool stringsHoldNothingScanned(std::string_view text, int64_t& lastQuote, bool& odd)
{
    const auto* d = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    uint64_t inside = 0; // all ones while a string is open at the block's start
    std::size_t w = 0;
    for (; w + 64 <= n; w += 64) {
        const Block64 b(d + w);
        const uint64_t quotes = b.equal('"');
        if (!quotes && !inside)
            continue; // no string here
        const uint64_t open = prefixXor(quotes) ^ inside; // set from an opening quote to its partner
        if (b.scanned() & open & ~quotes)
            return false;
        if (quotes)
            lastQuote = static_cast<int64_t>(w) + 63 - __builtin_clzll(quotes);
        inside = (open >> 63) ? ~uint64_t(0) : 0;
    }
    bool in = inside != 0;
    for (; w < n; ++w) {
        if (d[w] == '"') {
            in = !in;
            lastQuote = static_cast<int64_t>(w);
        } else if (in && isScanned(d[w])) {
            return false;
        }
    }
    odd = in;
    return true;
}

} // namespace

ScanBase::ScanBase(std::shared_ptr<const std::string> prepared) : m_plain(std::move(prepared))
{
    // The prefix counts' pages come in on a second thread while this one copies the text.
    m_checkpoints.reserve(m_plain->size() / kBlock + 1);
    BackgroundPrefault prefault;
    prefault.start(m_checkpoints.data(), m_checkpoints.capacity() * sizeof(Checkpoint));
    int64_t lastQuote = -1;
    bool oddQuotes = false;
    if (!std::memchr(m_plain->data(), '"', m_plain->size()) ||
        stringsHoldNothingScanned(*m_plain, lastQuote, oddQuotes)) {
        m_masked = *m_plain;
        m_unpairedQuote = oddQuotes ? lastQuote : -1;
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
            if (__builtin_expect(stack.size() > kMaxNesting, 0) && m_tooDeep < 0) {
                m_tooDeep = j;
                for (std::size_t k = stack.size() - 1; k-- > 0;)
                    m_tooDeepClosers.push_back(m[m_opens[stack[k]]] == '{' ? '}' : ']');
            }
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
    if (!m_maskedCopy.empty())
        m_maskedRelease.reset(m_maskedCopy.data(), m_maskedCopy.size());
    m_checkpointRelease.reset(m_checkpoints.data(), m_checkpoints.size() * sizeof(Checkpoint));
    m_opensRelease.reset(m_opens.data(), m_opens.size() * sizeof(uint32_t));
    m_closesRelease.reset(m_closes.data(), m_closes.size() * sizeof(uint32_t));
}

void ScanBase::releaseBefore(int64_t offset) const
{
    // A question at an offset reads its block's checkpoint and the bytes from the block's
    // start: the block before it stays too.
    const int64_t block = std::min(offset, size()) / kBlock - 1;
    if (block <= m_releasedBlock)
        return;
    m_releasedBlock = block;
    const int64_t from = block * kBlock;
    m_maskedRelease.releaseBefore(static_cast<std::size_t>(from));
    m_checkpointRelease.releaseBefore(static_cast<std::size_t>(block) * sizeof(Checkpoint));
    const auto first = m_opens.begin() + static_cast<std::ptrdiff_t>(m_releasedOpens);
    m_releasedOpens = static_cast<std::size_t>(
        std::lower_bound(first, m_opens.end(), static_cast<uint64_t>(from), [](uint32_t a, uint64_t b) { return a < b; }) -
        m_opens.begin());
    m_openHint = std::max(m_openHint, m_releasedOpens);
    m_opensRelease.releaseBefore(m_releasedOpens * sizeof(uint32_t));
    m_closesRelease.releaseBefore(m_releasedOpens * sizeof(uint32_t));
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
        const auto it = std::lower_bound(m_opens.begin() + static_cast<std::ptrdiff_t>(m_releasedOpens), m_opens.end(),
                                         static_cast<uint64_t>(openOffset),
                                         [](uint32_t a, uint64_t b) { return a < b; });
        if (it == m_opens.end() || *it != static_cast<uint64_t>(openOffset))
            return -1;
        k = static_cast<std::size_t>(it - m_opens.begin());
    }
    m_openHint = k + 1;
    const uint32_t close = m_closes[k];
    return close == kNoMatch ? -1 : static_cast<int64_t>(close);
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

} // namespace tess
