#include "json/JsonLayout.h"

namespace tess {

namespace {
constexpr std::size_t kPieceBytes = std::size_t(1) << 20;

// The first byte from i on that is a quote or backslash (in a string) or a quote or blank
// (outside), or the end. (find_first_of calls memchr once per byte.)
template <bool InString>
std::size_t nextStop(std::string_view s, std::size_t i)
{
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"' || (InString ? c == '\\' : (c == ' ' || c == '\n' || c == '\t' || c == '\r')))
            return i;
    }
    return s.size();
}
}

JsonLayout::JsonLayout(int indent, std::function<void(std::string_view)> out) : m_indent(indent), m_out(std::move(out))
{
}

void JsonLayout::newLine(int depth)
{
    m_buffer.push_back('\n');
    m_buffer.append(static_cast<std::size_t>(depth) * static_cast<std::size_t>(m_indent), ' ');
}

void JsonLayout::feedCompact(std::string_view piece)
{
    std::size_t i = 0;
    while (i < piece.size()) {
        if (m_inString) {
            if (m_escape) {
                m_buffer.push_back(piece[i++]);
                m_escape = false;
                continue;
            }
            const std::size_t stop = nextStop<true>(piece, i);
            m_buffer.append(piece.substr(i, stop - i));
            if (stop == piece.size())
                break;
            m_buffer.push_back(piece[stop]);
            if (piece[stop] == '\\')
                m_escape = true;
            else
                m_inString = false;
            i = stop + 1;
            continue;
        }
        // Outside strings: everything but blanks, up to the next quote, at once.
        const std::size_t stop = nextStop<false>(piece, i);
        m_buffer.append(piece.substr(i, stop - i));
        if (stop == piece.size())
            break;
        if (piece[stop] == '"') {
            m_buffer.push_back('"');
            m_inString = true;
        }
        i = stop + 1;
    }
    if (m_buffer.size() >= kPieceBytes) {
        m_out(m_buffer);
        m_buffer.clear();
    }
}

void JsonLayout::feed(std::string_view piece)
{
    if (m_indent == 0) {
        feedCompact(piece);
        return;
    }
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (m_inString) {
            if (m_escape) {
                m_buffer.push_back(c);
                m_escape = false;
                continue;
            }
            // The rest of the string up to a quote or backslash goes at once.
            std::size_t j = i;
            while (j < piece.size() && piece[j] != '"' && piece[j] != '\\')
                ++j;
            m_buffer.append(piece.substr(i, j - i));
            if (j == piece.size())
                break;
            m_buffer.push_back(piece[j]);
            if (piece[j] == '\\')
                m_escape = true;
            else
                m_inString = false;
            i = j;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        const bool closer = c == '}' || c == ']';
        if (m_opened) {
            m_opened = false;
            if (!closer && m_indent > 0)
                newLine(++m_depth);
            else if (!closer)
                ++m_depth;
            else {
                m_buffer.push_back(c);
                continue;
            }
        }
        if (closer) {
            --m_depth;
            if (m_indent > 0)
                newLine(m_depth);
            m_buffer.push_back(c);
        } else if (c == '{' || c == '[') {
            m_buffer.push_back(c);
            m_opened = true;
        } else if (c == ',') {
            m_buffer.push_back(',');
            if (m_indent > 0)
                newLine(m_depth);
        } else if (c == ':') {
            m_buffer.push_back(':');
            if (m_indent > 0)
                m_buffer.push_back(' ');
        } else {
            m_buffer.push_back(c);
            if (c == '"')
                m_inString = true;
        }
        if (m_buffer.size() >= kPieceBytes) {
            m_out(m_buffer);
            m_buffer.clear();
        }
    }
    if (m_buffer.size() >= kPieceBytes) {
        m_out(m_buffer);
        m_buffer.clear();
    }
}

void JsonLayout::finish()
{
    if (!m_buffer.empty())
        m_out(m_buffer);
    m_buffer.clear();
}

std::string layOutJson(std::string_view json, int indent)
{
    std::string all;
    JsonLayout layout(indent, [&](std::string_view p) { all.append(p); });
    layout.feed(json);
    layout.finish();
    return all;
}

} // namespace tess
