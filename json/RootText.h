#pragma once
// The root's text (the input as it came) kept as its prepared copy plus the few places in
// which the two differ, so that a parse holds one copy of a large input instead of two.
// The input is made again, once, only when someone asks for the root's value.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class RootText {
public:
    // Describes original in terms of prepared (which must stay unchanged): runs of equal
    // bytes, "#SYH#" standing for an escaped quote, and bytes the preparation removed.
    // Empty when the description would not be much smaller than the original itself.
    static std::optional<RootText> describe(std::string_view original, std::shared_ptr<const std::string> prepared);

    // The original text, made on first use and kept from then on.
    std::string_view view() const { return text(); }
    const std::string& text() const;
    // The original text in runs of bytes, in order, without making it: visit(run) for
    // each run until it returns false. False when a visit stopped the walk.
    template <typename Visit>
    bool forEachPiece(Visit&& visit) const;
    // A fresh copy of the original (not kept), for a reader that needs it once.
    std::string copy() const;
    // The first at most n bytes of the original.
    std::string prefix(std::size_t n) const;
    // The prepared copy that stands in for it.
    std::string_view prepared() const { return *m_prepared; }
    const std::shared_ptr<const std::string>& preparedText() const { return m_prepared; }
    std::size_t size() const { return m_size; }

private:
    // Bytes the preparation removed: they stood in the original right before byte at of
    // the prepared copy (before an escaped quote there too); bytes [from, from + length)
    // of m_removed.
    struct Removed {
        uint32_t at;
        uint32_t from;
        uint32_t length;
    };
    static constexpr std::string_view kEscapedQuote = "\\\"";
    static constexpr std::size_t kPlaceholderSize = 5; // "#SYH#"

    std::shared_ptr<const std::string> m_prepared;
    // Where the original differs from the prepared copy, by position in the copy, both
    // ascending: every "#SYH#" that stands for an escaped quote (4 bytes each, so that a
    // text with many of them is still described well below its size), and the removed runs.
    std::vector<uint32_t> m_quotes;
    std::vector<Removed> m_removedRuns;
    std::string m_removed;
    std::size_t m_size = 0;
    mutable std::unique_ptr<std::string> m_made;
};

template <typename Visit>
bool RootText::forEachPiece(Visit&& visit) const
{
    if (m_made)
        return m_made->empty() || visit(std::string_view(*m_made));
    const std::string_view prepared = *m_prepared;
    const std::string_view removed = m_removed;
    std::size_t pos = 0;
    std::size_t q = 0;
    std::size_t r = 0;
    while (true) {
        const std::size_t nextQuote = q < m_quotes.size() ? m_quotes[q] : prepared.size();
        const std::size_t nextRemoved = r < m_removedRuns.size() ? m_removedRuns[r].at : prepared.size();
        const std::size_t next = nextQuote < nextRemoved ? nextQuote : nextRemoved;
        if (next > pos && !visit(prepared.substr(pos, next - pos)))
            return false;
        pos = next;
        if (nextRemoved == next && r < m_removedRuns.size()) {
            const Removed& run = m_removedRuns[r++];
            if (!visit(removed.substr(run.from, run.length)))
                return false;
        } else if (q < m_quotes.size()) {
            ++q;
            pos += kPlaceholderSize;
            if (!visit(kEscapedQuote))
                return false;
        } else {
            return true;
        }
    }
}

} // namespace tess
