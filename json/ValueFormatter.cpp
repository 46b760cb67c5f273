#include "json/ValueFormatter.h"

#include "platform/AsciiText.h"
#include "platform/StopPoint.h"

#include <cstring>

namespace tess {
namespace {

bool isStructure(char c)
{
    return c == '{' || c == '}' || c == '[' || c == ']' || c == ',' || c == ':';
}

class Formatter {
public:
    enum class Last { Structure, Closer, Bare }; // what was written last
    // Between two line breaks the output grows by at most twice the input read (": "),
    // and once the budget is reached the rest is copied: the total stays within
    // eight times the input plus 64 KiB.
    explicit Formatter(std::string_view in) : m_in(in), m_budget(in.size() * 6 + (64u << 10))
    {
        m_out.reserve(in.size() + in.size() / 2 + 64);
    }

    std::string run()
    {
        std::size_t i = 0;
        const std::size_t n = m_in.size();
        while (i < n) {
            if ((++m_steps & 0xFFF) == 0)
                stopPoint(); // a dropped formatting on a worker ends here
            if (m_flat) {
                m_out.append(m_in.substr(i));
                break;
            }
            const char c = m_in[i];
            if (m_depth == 0 && c != '{' && c != '[') {
                // Outside every container the text stays as it is: a scalar's value,
                // an HTTP head before the body, text after it, a stray closer. Only
                // blanks that end the text go.
                if (ascii::isBlank(c) && endsInBlanks(i))
                    break;
                i = c == '"' ? copyString(i, '"') : copyUnit(i);
                m_lineStart = false;
                continue;
            }
            if (ascii::isBlank(c)) {
                std::size_t e = i + 1;
                while (e < n && ascii::isBlank(m_in[e]))
                    ++e;
                // Blanks between two bare words stay, and so do those between bare text
                // and an opener ("HTTP/1.1 200 OK\n{") or a closer and bare text
                // ("} tail"); next to other structure they go.
                const bool nextBare = e < n && !isStructure(m_in[e]);
                const bool nextOpener = e < n && (m_in[e] == '{' || m_in[e] == '[');
                if (!m_lineStart && ((m_last == Last::Bare && (nextBare || nextOpener)) ||
                                     (m_last == Last::Closer && nextBare)))
                    m_out.append(m_in.substr(i, e - i));
                i = e;
                continue;
            }
            switch (c) {
            case '{':
            case '[':
                i = open(i);
                continue;
            case '}':
            case ']':
                if (m_depth > 0)
                    --m_depth;
                newLine();
                m_out.push_back(c);
                m_lineStart = false;
                m_last = Last::Closer;
                m_valueStart = false;
                ++i;
                continue;
            case ',':
                m_out.push_back(',');
                m_lineStart = false;
                newLine();
                m_valueStart = true;
                ++i;
                continue;
            case ':':
                m_out += ": ";
                m_last = Last::Structure;
                m_lineStart = false;
                m_valueStart = true;
                ++i;
                continue;
            case '"':
                i = copyString(i, '"');
                continue;
            case '\'':
                if (m_valueStart) {
                    i = copyString(i, '\'');
                    continue;
                }
                break;
            default:
                break;
            }
            // A bare character (or a two-byte unit).
            i = copyUnit(i);
            bare();
        }
        return std::move(m_out);
    }

private:
    // An opener: "{}" or "[]" when only blanks lie before the closer, else a new level.
    std::size_t open(std::size_t i)
    {
        const char c = m_in[i];
        const char closer = c == '{' ? '}' : ']';
        std::size_t e = i + 1;
        while (e < m_in.size() && ascii::isBlank(m_in[e]))
            ++e;
        m_out.push_back(c);
        m_lineStart = false;
        if (e < m_in.size() && m_in[e] == closer) {
            m_out.push_back(closer);
            m_last = Last::Closer;
            m_valueStart = false;
            return e + 1;
        }
        ++m_depth;
        newLine();
        m_valueStart = true;
        return i + 1;
    }

    bool endsInBlanks(std::size_t i) const
    {
        while (i < m_in.size() && ascii::isBlank(m_in[i]))
            ++i;
        return i == m_in.size();
    }

    // Copies one character (a two-byte unit whole); returns the position after it.
    std::size_t copyUnit(std::size_t i)
    {
        const std::size_t unit = static_cast<unsigned char>(m_in[i]) >= 0x80 && i + 1 < m_in.size() ? 2 : 1;
        m_out.append(m_in.substr(i, unit));
        return i + unit;
    }

    // Copies a string from its opening quote to its closing one (or to the end).
    std::size_t copyString(std::size_t i, char quote)
    {
        const std::size_t n = m_in.size();
        std::size_t e = i + 1;
        while (e < n) {
            const unsigned char b = static_cast<unsigned char>(m_in[e]);
            if (b == static_cast<unsigned char>(quote)) {
                ++e;
                break;
            }
            if (b == '\\' || b >= 0x80)
                e += 2; // an escape, or a two-byte unit
            else
                ++e;
        }
        if (e > n)
            e = n;
        m_out.append(m_in.substr(i, e - i));
        bare();
        return e;
    }

    void bare()
    {
        m_lineStart = false;
        m_last = Last::Bare;
        m_valueStart = false;
    }

    // Starts a line at the current depth; a line that holds only indentation is reused,
    // so a trailing comma or an empty element leaves no blank line.
    void newLine()
    {
        if (m_out.size() + 1 + m_depth * 2 > m_budget) {
            m_flat = true;
            return;
        }
        if (m_lineStart) {
            m_out.resize(m_lineBegin);
        } else {
            m_out.push_back('\n');
            m_lineBegin = m_out.size();
        }
        m_out.append(m_depth * 2, ' ');
        m_lineStart = true;
        m_last = Last::Structure;
    }

    std::string_view m_in;
    std::size_t m_budget;
    std::size_t m_steps = 0;
    std::string m_out;
    std::size_t m_depth = 0;
    std::size_t m_lineBegin = 0;  // where the current line starts in m_out
    bool m_flat = false;          // over the budget: the rest is copied as it stands
    bool m_lineStart = true;      // nothing but indentation on the current line yet
    Last m_last = Last::Structure;
    bool m_valueStart = true;     // a key or value may begin here
};

} // namespace

std::string formatValue(std::string_view raw)
{
    return Formatter(raw).run();
}

} // namespace tess
