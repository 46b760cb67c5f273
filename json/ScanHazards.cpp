// The scan buffer's answers about a range: escapes and trims that preparing the range's
// text again would change, and whether its brackets balance.
#include "json/ScanBuffer.h"

#include "json/PatternChars.h"
#include "json/ScanDeltas.h"
#include "platform/GbkText.h"
#include "platform/MessagePump.h"

#include <algorithm>

namespace tess {
using namespace scandeltas;

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
    if (i > 0 && patterns::isBlankByte(static_cast<unsigned char>(p[static_cast<std::size_t>(i - 1)])))
        return true;
    return i + 1 < static_cast<int64_t>(p.size()) && patterns::isBlankByte(static_cast<unsigned char>(p[static_cast<std::size_t>(i + 1)]));
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

} // namespace tess
