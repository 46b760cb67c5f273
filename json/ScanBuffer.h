#pragma once
// Internal to the engine: a prepared text with its blanked copy and the prefix counts
// that make the scanner's primitives cheap, and a view (a 1-based window) onto it.
#include "platform/FrontRelease.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// Running counts over a prefix of the blanked buffer.
struct ScanState {
    int32_t brace = 0;   // '{' minus '}'
    int32_t bracket = 0; // '[' minus ']'
    uint32_t quotes = 0; // '"'
    bool operator==(const ScanState& o) const
    {
        return brace == o.brace && bracket == o.bracket && ((quotes ^ o.quotes) & 1u) == 0;
    }
};

class ScanBase {
public:
    // Takes a prepared text, blanks string contents, and builds the prefix counts.
    explicit ScanBase(std::shared_ptr<const std::string> prepared);
    ScanBase(const ScanBase&) = delete; // m_masked may point into m_maskedCopy
    ScanBase& operator=(const ScanBase&) = delete;

    const std::shared_ptr<const std::string>& plainShared() const { return m_plain; }
    std::string_view plain() const { return *m_plain; }
    std::string_view masked() const { return m_masked; }
    int64_t size() const { return static_cast<int64_t>(m_masked.size()); }
    // The first opener whose container nests deeper than kMaxNesting levels (counted
    // over properly nested brackets outside strings), or -1.
    int64_t tooDeepOpener() const { return m_tooDeep; }
    // The closers of the brackets still open at that opener, innermost first.
    const std::string& tooDeepClosers() const { return m_tooDeepClosers; }
    // Upper bound of the nodes a parse of this text can add (structure characters + 1).
    std::size_t nodeEstimate() const { return m_nodeEstimate; }

    // Counts over [0, offset).
    ScanState stateAt(int64_t offset) const;
    // True when the bytes in [from, to) hold as many '{' as '}', '[' as ']', and an even
    // number of '"'.
    bool balancedBetween(int64_t from, int64_t to) const;
    // Places in [from, to) where protecting escapes would change a text cut there: a
    // backslash that ends a run of an odd number of backslashes (counted in two-byte
    // units) and is followed by '"' or '|' inside [from, to). An even run before a quote
    // ("C:\\dir\\") is left alone by the protection, so it is no hazard.
    uint32_t escapeHazards(int64_t from, int64_t to) const;
    bool hasEscapeHazards() const { return !m_escapeAt.empty(); }
    // Line breaks next to a blank, in [from, to).
    uint32_t trimHazards(int64_t from, int64_t to) const;
    bool hasTrimHazards() const { return m_totalTrims != 0; }

    // For the '{' or '[' at openOffset: the offset of the closer that ends it when the span
    // between them is properly nested (every bracket and brace inside closed by its own
    // kind); -1 otherwise.
    int64_t matchingClose(int64_t openOffset) const;
    // True when the span [openOffset, closeOffset] of an opener and its matching closer
    // also holds an even number of quotes, so that it balances: strings lie wholly inside
    // such a span unless the text's last, unpaired quote falls within it.
    bool nestedSpanBalances(int64_t openOffset, int64_t closeOffset) const
    {
        return m_unpairedQuote < openOffset || m_unpairedQuote > closeOffset;
    }

    // First offset o in [from, limit) whose byte is one of tokens and whose prefix state
    // equals s; -1 when there is none. Builds a block index on first use.
    int64_t findBalanced(int64_t from, int64_t limit, const char* tokens, const ScanState& s) const;

    // First offset in [from, limit) holding token, or -1. Remembers the last answer per
    // token, so the forward searches of nested windows cost linear time in total.
    int64_t find(char token, int64_t from, int64_t limit) const
    {
        // Fast path: the remembered answer still holds.
        const int slot = tokenSlot(token);
        if (slot >= 0) {
            const FindCache& c = m_findCache[slot];
            if (c.hit && c.from <= from && from <= c.upto)
                return c.upto < std::min(limit, size()) ? c.upto : -1;
        }
        return findSlow(token, from, limit);
    }
    int64_t findSlow(char token, int64_t from, int64_t limit) const;
    // The parse reads nothing before offset any more: the blanked copy, the prefix counts
    // and the closer table before it go back to the system. Every question after this
    // one must be about offsets from there on.
    void releaseBefore(int64_t offset) const;
    // Last offset in [from, limit) holding ',' (commasOnly) or one of ',' '}', or -1.
    int64_t findLast(int64_t from, int64_t limit, bool commasOnly) const;

private:
    struct Checkpoint {
        ScanState state;
        uint32_t trims = 0;
        uint32_t commas = 0;
        uint32_t closeBraces = 0;
    };
    struct FindCache {
        int64_t from = 1;  // no occurrence in [from, upto)
        int64_t upto = 0;
        bool hit = false;  // and one at upto
    };
    struct BlockRange {
        int32_t minBrace, maxBrace, minBracket, maxBracket;
    };
    static constexpr int64_t kBlock = 64;
    // Hazards of one kind before offset: a checkpoint's counter plus a short scan.
    uint32_t hazardsBefore(int64_t offset, uint32_t Checkpoint::*counter,
                           bool (ScanBase::*isHazard)(int64_t) const) const;
    bool isEscapeHazard(int64_t i) const;
    void noteEscape(int64_t i);
    bool isTrimHazard(int64_t i) const;
    void buildBlockIndex() const;
    // The counting pass of the constructor. Its variant with the popcnt instruction is
    // picked at run time, so the program still runs on any x86-64.
    void countStructure();
    [[gnu::always_inline]] inline void countStructureBody();
    [[gnu::target("popcnt")]] void countStructurePopcnt();
    void countStructurePlain();
    int64_t nextCandidateBlock(int64_t block, const ScanState& s) const;

    std::shared_ptr<const std::string> m_plain;
    // The blanked copy, or the text itself when blanking would change nothing the scan
    // looks at (no string holds a structure character, a comma or a colon).
    std::string m_maskedCopy;
    std::string_view m_masked;
    std::vector<Checkpoint> m_checkpoints; // state of [0, k * kBlock)
    mutable std::vector<BlockRange> m_tree; // segment tree over blocks, built lazily
    mutable int64_t m_leaves = 0;
    std::size_t m_nodeEstimate = 1;
    int64_t m_unpairedQuote = -1; // offset of a last quote without a partner
    int64_t m_tooDeep = -1;
    std::string m_tooDeepClosers;
    std::vector<uint32_t> m_escapeAt; // escape hazards by offset, in order
    uint32_t m_totalTrims = 0;
    std::vector<uint32_t> m_opens;  // offsets of every '{' and '[', in order
    std::vector<uint32_t> m_closes; // their properly nested closers, or kNoMatch
    mutable std::size_t m_openHint = 0; // where matchingClose looks first
    // What releaseBefore gave back: blocks before m_releasedBlock, openers before
    // m_releasedOpens.
    mutable int64_t m_releasedBlock = 0;
    mutable std::size_t m_releasedOpens = 0;
    mutable FrontRelease m_maskedRelease, m_checkpointRelease, m_opensRelease, m_closesRelease;
    static constexpr uint32_t kNoMatch = UINT32_MAX;
    mutable FindCache m_findCache[8]; // one per structure character
    // The last two states computed: the walks ask for one fixed start and a moving end.
    struct StateCache {
        int64_t offset = -1;
        ScanState state;
    };
    mutable StateCache m_stateCache[2];
    mutable int m_stateCacheNext = 0;
    static int tokenSlot(char token)
    {
        switch (token) {
        case '{': return 0;
        case '}': return 1;
        case '[': return 2;
        case ']': return 3;
        case '"': return 4;
        case ':': return 5;
        case ',': return 6;
        default: return -1;
        }
    }
};

// A window [off, off + len) of a base, addressed with 1-based positions like the scanner.
struct ScanView {
    std::shared_ptr<const ScanBase> base;
    int64_t off = 0;
    int64_t len = 0;

    unsigned char maskedAt(int64_t p) const { return static_cast<unsigned char>(base->masked()[off + p - 1]); }
    int64_t find(char token, int64_t from) const
    {
        if (from < 1)
            from = 1;
        if (from > len)
            return -1;
        const int64_t hit = base->find(token, off + from - 1, off + len);
        return hit == -1 ? -1 : hit - off + 1;
    }
    bool isBalanced(int64_t from, int64_t to) const;
    inline std::string_view between(int64_t from, int64_t to, bool inclusive) const;
    // Prefix state of the window before position p (p in 1..len+1), relative to the base.
    ScanState stateBefore(int64_t p) const { return base->stateAt(off + p - 1); }
};

inline std::string_view ScanView::between(int64_t from, int64_t to, bool inclusive) const
{
    int64_t first = inclusive ? from : from + 1;
    int64_t last = inclusive ? to : to - 1;
    first = std::max<int64_t>(first, 1);
    last = std::min<int64_t>(last, len);
    if (last < first)
        return {};
    return base->plain().substr(static_cast<std::size_t>(off + first - 1), static_cast<std::size_t>(last - first + 1));
}

// Prepares a text for scanning: escaped quotes protected, then white space compacted.
std::string prepareText(std::string_view text);
// The same, but leaves out untouched and returns false when preparing changes nothing.
bool prepareTextInto(std::string_view text, std::string& out);

} // namespace tess
