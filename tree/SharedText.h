#pragma once
// A text held once and shared by its readers: a slot keeps its source text, and the engine
// that parsed it points to the same bytes instead of a copy. The bytes are either a string
// or, when the engine keeps a parsed text as its prepared copy plus the differences, that
// RootText; the common readers (size, writing in pieces, parsing again) never make the
// text itself from a RootText.
#include "json/RootText.h"

#include <memory>
#include <string>
#include <string_view>

namespace tess {

class SharedText {
public:
    SharedText() = default;
    SharedText(std::string text) // NOLINT: taking a string is the point
        : m_text(std::make_shared<const std::string>(std::move(text)))
    {
    }
    explicit SharedText(std::shared_ptr<const RootText> described) : m_described(std::move(described)) {}
    explicit SharedText(std::shared_ptr<const std::string> text) : m_text(std::move(text)) {}

    // The whole text. From a RootText it is made on first use and kept as long as the
    // RootText is (RootText::text); prefer the readers below for large texts.
    const std::string& str() const
    {
        if (m_described)
            return m_described->text();
        return m_text ? *m_text : noText();
    }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }
    bool empty() const { return size() == 0; }
    std::size_t size() const { return m_described ? m_described->size() : str().size(); }

    // The text in runs of bytes, in order: visit(run) until it returns false. False when
    // a visit stopped the walk.
    template <typename Visit>
    bool forEachPiece(Visit&& visit) const
    {
        if (m_described)
            return m_described->forEachPiece(visit);
        return str().empty() || visit(std::string_view(str()));
    }
    // A copy of the whole text that is not kept.
    std::string copy() const { return m_described ? m_described->copy() : str(); }
    // use(the whole text), which from a RootText is made for this call only and not kept.
    template <typename Use>
    decltype(auto) withWhole(Use&& use) const
    {
        if (m_described) {
            const std::string made = m_described->copy();
            return use(std::string_view(made));
        }
        return use(std::string_view(str()));
    }
    // The first at most n bytes.
    std::string prefix(std::size_t n) const
    {
        return m_described ? m_described->prefix(n) : str().substr(0, n);
    }

    // The text as a RootText, or null when it is held as a string.
    const std::shared_ptr<const RootText>& described() const { return m_described; }
    // The shared bytes, for a reader that keeps them alive (never null). From a RootText
    // this makes the text (see str()).
    std::shared_ptr<const std::string> shared() const
    {
        if (m_described)
            return std::shared_ptr<const std::string>(m_described, &m_described->text());
        return m_text ? m_text : std::make_shared<const std::string>();
    }
    // True when both hold the same bytes object (not merely equal bytes).
    bool sameAs(const SharedText& other) const
    {
        return m_described ? m_described == other.m_described : (!other.m_described && m_text == other.m_text);
    }

    friend bool operator==(const SharedText& a, std::string_view b)
    {
        if (a.size() != b.size())
            return false;
        std::size_t at = 0;
        return a.forEachPiece([&](std::string_view run) {
            const bool same = b.substr(at, run.size()) == run;
            at += run.size();
            return same;
        });
    }

private:
    static const std::string& noText()
    {
        static const std::string none;
        return none;
    }
    std::shared_ptr<const std::string> m_text;
    std::shared_ptr<const RootText> m_described;
};

} // namespace tess
