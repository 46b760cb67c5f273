#pragma once
// The text that link completion rewrites, with the spans that its steps have inserted
// (directories, hosts, the page URL). A step never starts a match inside such a span,
// so an inserted text is never rewritten again, however many steps follow: the work
// stays linear in the size of the result even when the page URL holds "src=" or "./".
// A match may still start before an inserted span and run into it (src=" followed by
// an inserted "http"), exactly as when the text is searched as a whole.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tess {

class LinkText {
public:
    explicit LinkText(std::string text) : m_text(std::move(text)) {}

    const std::string& text() const { return m_text; }
    std::string take() { return std::move(m_text); }

    // Replaces every occurrence of needle (ASCII; left to right, no overlap, stepping over
    // two-byte units) that starts outside inserted text by before + inserted + after.
    // Only "inserted" is marked; before and after are page text that later steps see.
    // noCase compares ASCII letters without case.
    void replace(std::string_view needle, std::string_view before, std::string_view inserted,
                 std::string_view after = {}, bool noCase = false);

    // Replaces the spans [offset, offset + length) of the text (ascending, disjoint) by
    // the given page texts.
    struct Edit {
        std::size_t offset;
        std::size_t length;
        std::string replacement;
    };
    void applyEdits(const std::vector<Edit>& edits);

    // [begin, end) of the inserted spans, ascending and disjoint.
    using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

private:
    std::string m_text;
    Spans m_inserted;
};

} // namespace tess
