#include "json/UnclosedText.h"

#include <string_view>
#include <vector>

namespace tess {
namespace {

// Walks the text's units from `from` (a byte >= 0x80 takes the next byte with it, as the
// escape protection reads them) and keeps the stack of open brackets outside strings.
class BracketWalk {
public:
    BracketWalk(std::string_view text, char quote) : m_text(text), m_quote(quote) {}

    // strings: quotes open and close strings; without, every bracket counts (what
    // follows a last quote without a partner).
    void run(std::size_t from, bool strings)
    {
        const std::string_view t = m_text;
        const std::size_t n = t.size();
        bool escaped = false; // an odd run of backslashes ends right before the unit
        for (std::size_t i = from; i < n;) {
            const auto c = static_cast<unsigned char>(t[i]);
            if (c >= 0x80) {
                i += 2;
                escaped = false;
                continue;
            }
            if (c == '\n' || (c == '\r' && (i + 1 >= n || t[i + 1] != '\n'))) {
                ++m_line;
            } else if (c == static_cast<unsigned char>(m_quote) && !escaped && strings) {
                m_inString = !m_inString;
                if (m_inString) {
                    m_lastOpen = i;
                    m_lineAtOpen = m_line;
                }
            } else if (!m_inString) {
                if (c == '{' || c == '[')
                    m_open.push_back({static_cast<int64_t>(i), m_line, c == '{' ? NodeKind::Object : NodeKind::Array});
                else if ((c == '}' || c == ']') && !m_open.empty())
                    m_open.pop_back();
            }
            escaped = c == '\\' && !escaped;
            ++i;
        }
    }

    std::optional<UnclosedValue> result()
    {
        if (m_inString) {
            // The last quote has no partner: it opens no string, and nothing was pushed or
            // popped since; what follows it is read as structure.
            m_inString = false;
            m_line = m_lineAtOpen;
            run(m_lastOpen + 1, false);
        }
        if (m_open.size() < 2)
            return std::nullopt;
        return m_open[1];
    }

private:
    std::string_view m_text;
    char m_quote;
    std::vector<UnclosedValue> m_open;
    bool m_inString = false;
    int64_t m_line = 1;
    std::size_t m_lastOpen = 0;
    int64_t m_lineAtOpen = 1;
};

} // namespace

std::optional<UnclosedValue> findUnclosedValue(std::string_view text, char quote)
{
    BracketWalk walk(text, quote);
    walk.run(0, true);
    return walk.result();
}

} // namespace tess
