#pragma once
// A text held once and shared by its readers: a slot keeps its source text, and the engine
// that parsed it points to the same bytes instead of a copy.
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

    const std::string& str() const { return m_text ? *m_text : noText(); }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }
    bool empty() const { return str().empty(); }
    std::size_t size() const { return str().size(); }
    // The shared bytes, for a reader that keeps them alive (never null).
    std::shared_ptr<const std::string> shared() const
    {
        return m_text ? m_text : std::make_shared<const std::string>();
    }

    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }

private:
    static const std::string& noText()
    {
        static const std::string none;
        return none;
    }
    std::shared_ptr<const std::string> m_text;
};

} // namespace tess
