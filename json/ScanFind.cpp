// The scan buffer's searches: the next token at the same nesting, jumping over blocks
// whose counts say the token cannot be there.
#include "json/ScanBuffer.h"

#include "json/ScanDeltas.h"
#include "platform/MessagePump.h"

#include <algorithm>
#include <cstring>

namespace tess {
using namespace scandeltas;

void ScanBase::buildBlockIndex() const
{
    const int64_t blocks = size() / kBlock + 1;
    m_leaves = 1;
    while (m_leaves < blocks)
        m_leaves *= 2;
    const BlockRange empty{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN};
    m_tree.assign(static_cast<std::size_t>(2 * m_leaves), empty);
    const auto* m = reinterpret_cast<const unsigned char*>(m_masked.data());
    // Released blocks stay empty: no search starts before them any more.
    for (int64_t b = std::max<int64_t>(m_releasedBlock, 0); b < blocks; ++b) {
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

} // namespace tess
