#include "json/ScanOps.h"

#include "platform/MessagePump.h"

#include <algorithm>
#include <cstring>
#include <emmintrin.h>

namespace tess::scan {
namespace {

// Literal steps are cheap; after this many steps of one search a long run of failing
// candidates is likely (deep nesting), and the block index finds the first balanced one.
constexpr int kLiteralSteps = 48;
// Below this many bytes up to the next opener, plain steps are cheaper than the index.
constexpr int64_t kIndexedRegion = 512;

// Bit k set when byte k of the 16 at p is one of , } " [ { ].
inline uint32_t structureBits(const unsigned char* p)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto eq = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i any = _mm_or_si128(_mm_or_si128(_mm_or_si128(eq(','), eq('}')), _mm_or_si128(eq('"'), eq('['))),
                                     _mm_or_si128(eq('{'), eq(']')));
    return static_cast<uint32_t>(_mm_movemask_epi8(any));
}

// Calls visit(p, c) for the window positions p in [from, last] (last <= v.len) whose
// masked byte c is one of , } " [ { ], in order, until visit returns true; returns that
// position or -1. Sixteen bytes at a time while they lie inside the base.
template <typename Visit>
inline int64_t visitStructure(const ScanView& v, int64_t from, int64_t last, Visit visit)
{
    const auto* m = reinterpret_cast<const unsigned char*>(v.base->masked().data()) + v.off; // m[p - 1]: position p
    const int64_t end = v.base->size() - v.off + 1; // positions p with p + 15 < end can be loaded whole
    int64_t p = from;
    for (; p <= last && p + 16 <= end; p += 16) {
        uint32_t bits = structureBits(m + p - 1);
        if (last - p < 15)
            bits &= (1u << (last - p + 1)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            const int64_t q = p + __builtin_ctz(bits);
            if (visit(q, m[q - 1]))
                return q;
        }
    }
    for (; p <= last; ++p) {
        const unsigned char c = m[p - 1];
        if ((c == ',' || c == '}' || c == '"' || c == '[' || c == '{' || c == ']') && visit(p, c))
            return p;
    }
    return -1;
}

// Last ',' (or ',' and '}') at window positions in (from, to), or from when none.
int64_t lastBefore(const ScanView& v, int64_t from, int64_t to, bool commasOnly)
{
    const int64_t hit = v.base->findLast(v.off + from, v.off + to - 1, commasOnly);
    return hit == -1 ? from : hit - v.off + 1;
}

// When the text after position p starts with a '{' or '[' whose span is properly nested,
// the walks can go on from its closer: no position inside the span balances (the opener
// is still open there), and every step from inside lands inside the span or on a
// position the walk from the closer reaches too. Returns p when that does not apply.
// spanBalances tells whether the bytes from the opener to the closer balance, so that a
// walk stopping right after the closer needs no count.
int64_t skipNestedValue(const ScanView& v, int64_t p, bool& spanBalances)
{
    spanBalances = false;
    if (p + 1 > v.len)
        return p;
    const unsigned char c = v.maskedAt(p + 1);
    if (c != '{' && c != '[')
        return p;
    const int64_t close = v.base->matchingClose(v.off + p);
    if (close == -1 || close >= v.off + v.len)
        return p;
    spanBalances = v.base->nestedSpanBalances(v.off + p, close);
    return close - v.off + 1;
}

} // namespace

int64_t readKey(const ScanView& v, int64_t a, std::string_view& rawKey)
{
    rawKey = {};
    // From the window's last byte on (the object's closing brace, after its last member)
    // the colon search below starts past the end: no key.
    if (a >= v.len)
        return -1;
    const bool inRange = a >= 1 && a <= v.len;
    if (!inRange || (v.maskedAt(a) != '{' && v.maskedAt(a) != ',')) {
        const int64_t g = v.find('{', a);
        if (g != -1 && g > a)
            a = g;
    }
    // The usual key is a quoted name right after the brace or comma, its colon right
    // after the closing quote: then that colon is the one the search below finds, since
    // nothing lies between a and the opening quote.
    if (inRange && a + 1 <= v.len && v.maskedAt(a + 1) == '"') {
        // The closing quote is usually close: look at the next bytes before searching.
        int64_t q2 = visitStructure(v, a + 2, std::min(v.len, a + 65), [](int64_t, unsigned char c) { return c == '"'; });
        if (q2 == -1)
            q2 = v.find('"', a + 2);
        if (q2 != -1 && q2 + 1 <= v.len && v.maskedAt(q2 + 1) == ':') {
            rawKey = v.between(a, q2 + 1, false);
            return q2 + 1;
        }
    }
    const int64_t q1 = v.find('"', a);
    // With no quote from a on, the one a search from the window's start finds lies before
    // a, and so before any colon below: it cannot matter, and the walk never looks back.
    const int64_t q2 = q1 == -1 ? -1 : v.find('"', q1 + 1);
    int64_t pos = a;
    do {
        pos = v.find(':', pos + 1);
    } while (pos != -1 && pos >= q1 && pos <= q2);
    if (pos == -1)
        return -1;
    rawKey = v.between(a, pos, false);
    return pos;
}

// The usual scalar value: from a, the first of , } [ { is a ',' or '}' with an even
// number of quotes and no ']' before it. Then the first step of the walk stops there
// (no opener comes before it, and the span between balances). Returns -1 otherwise.
int64_t shortScalarEnd(const ScanView& v, int64_t a)
{
    const int64_t limit = std::min(v.len, a + 256);
    uint32_t quotes = 0;
    int64_t result = -1;
    visitStructure(v, a + 1, limit, [&](int64_t p, unsigned char c) {
        if (c == '"') {
            ++quotes;
            return false;
        }
        if ((c == ',' || c == '}') && (quotes & 1u) == 0)
            result = p;
        return true;
    });
    return result;
}

int64_t readValue(const ScanView& v, int64_t a)
{
    const int64_t scalarEnd = shortScalarEnd(v, a);
    if (scalarEnd != -1)
        return scalarEnd;
    int64_t lastEnd = 0;
    bool spanBalances = false;
    int64_t pos = skipNestedValue(v, a, spanBalances);
    // Between a and the position right after the skipped value lies exactly that value.
    const int64_t balancedStop = spanBalances ? pos + 1 : -1;
    // The usual nested value, followed right away by ',' or '}': the walk's first step
    // stops there.
    if (balancedStop != -1 && balancedStop <= v.len && (v.maskedAt(balancedStop) == ',' || v.maskedAt(balancedStop) == '}'))
        return balancedStop;
    int steps = 0;
    ScanState start;
    bool haveStart = false;
    for (;;) {
        if (++steps > kLiteralSteps) {
            // Between pos and the next opener every ',' and '}' is visited in order, so
            // the first balanced one among them is the answer; otherwise the walk ends on
            // the last of them and goes on with the opener.
            const int64_t h = v.find('[', pos + 1);
            const int64_t t = v.find('{', pos + 1);
            int64_t opener = v.len + 1;
            if (h != -1)
                opener = h;
            if (t != -1 && t < opener)
                opener = t;
            if (opener - pos > kIndexedRegion) {
                if (!haveStart) {
                    start = v.stateBefore(a + 1);
                    haveStart = true;
                }
                const int64_t hit = v.base->findBalanced(v.off + pos, v.off + opener - 1, ",}", start);
                if (hit != -1) {
                    pumpMessages();
                    return hit - v.off + 1;
                }
                const int64_t z = lastBefore(v, pos, opener, false);
                if (z != pos) {
                    pos = z;
                    lastEnd = z;
                }
            }
        }
        const int64_t h = v.find('[', pos + 1);
        const int64_t t = v.find('{', pos + 1);
        const int64_t c = v.find(',', pos + 1);
        const int64_t f = v.find('}', pos + 1);
        if (c != -1 && (c < f || f == -1))
            pos = c;
        else if (f != -1)
            pos = f;
        else
            pos = v.len + 1;
        bool balanceNext = false;
        if (h != -1 && pos > h) {
            pos = v.find(']', h + 1);
            balanceNext = pos != -1;
        } else if (t != -1 && pos > t) {
            pos = v.find('}', t + 1);
            balanceNext = pos != -1;
        }
        if (!balanceNext) {
            if (pos == lastEnd || pos == -1 || pos < lastEnd)
                return -1;
            lastEnd = pos;
        }
        if (pos == balancedStop || v.isBalanced(a, pos))
            return pos;
    }
}

int64_t elementEnd(const ScanView& v, int64_t start)
{
    // From the window's last byte on, there is no comma or ']' left to find.
    if (start >= v.len)
        return -1;
    // The usual element before a comma: the walk's first step takes the next comma, and
    // with no structure character and an even number of quotes before it, it balances.
    // The same holds for the last element, before the window's closing ']': no comma
    // follows, so the walk takes that bracket.
    {
        uint32_t quotes = 0;
        int64_t result = -1;
        visitStructure(v, start + 1, std::min(v.len, start + 256), [&](int64_t p, unsigned char c) {
            if (c == '"') {
                ++quotes;
                return false;
            }
            if ((c == ',' || (c == ']' && p == v.len)) && (quotes & 1u) == 0)
                result = p;
            return true;
        });
        if (result != -1)
            return result;
    }
    bool spanBalances = false;
    int64_t pos = skipNestedValue(v, start, spanBalances);
    const int64_t balancedStop = spanBalances ? pos + 1 : -1;
    int steps = 0;
    for (;;) {
        if (++steps > kLiteralSteps) {
            // Commas are visited in order while any remains, then the closing brackets.
            const ScanState s = v.stateBefore(start + 1);
            const int64_t hit = v.base->findBalanced(v.off + pos, v.off + v.len, ",", s);
            if (hit != -1)
                return hit - v.off + 1;
            const int64_t lastComma = lastBefore(v, pos, v.len + 1, true);
            const int64_t close = v.base->findBalanced(v.off + lastComma, v.off + v.len, "]", s);
            pumpMessages();
            return close == -1 ? -1 : close - v.off + 1;
        }
        const int64_t c = v.find(',', pos + 1);
        pos = c != -1 ? c : v.find(']', pos + 1);
        pumpMessages();
        if (pos == -1)
            return -1;
        if (pos == balancedStop || v.isBalanced(start, pos))
            return pos;
    }
}

} // namespace tess::scan
