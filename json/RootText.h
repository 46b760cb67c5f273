#pragma once
// The root's text (the input as it came) kept as its prepared copy plus the few pieces in
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
    // A piece of the original: bytes [from, from + length) of the prepared copy, or of
    // m_removed when removed is set.
    struct Piece {
        uint32_t from;
        uint32_t length : 31;
        uint32_t removed : 1;
    };
    std::shared_ptr<const std::string> m_prepared;
    std::vector<Piece> m_pieces;
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
    for (const Piece& piece : m_pieces) {
        const std::string_view from = piece.removed ? std::string_view(m_removed) : prepared;
        if (!visit(from.substr(piece.from, piece.length)))
            return false;
    }
    return true;
}

} // namespace tess
