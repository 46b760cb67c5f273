#include "fetch/LinkText.h"

#include "platform/AsciiText.h"

#include <algorithm>

namespace tess {
namespace {

bool matchesAt(const std::string& text, std::size_t at, std::string_view needle, bool noCase)
{
    if (!noCase)
        return text.compare(at, needle.size(), needle) == 0;
    for (std::size_t j = 0; j < needle.size(); ++j)
        if (ascii::lower(text[at + j]) != ascii::lower(needle[j]))
            return false;
    return true;
}

// Builds the next text and its spans from pieces of the current one.
class Rebuilder {
public:
    Rebuilder(const std::string& text, const LinkText::Spans& spans)
        : m_text(text), m_spans(spans)
    {
    }

    // Copies text[from, to) together with the parts of inserted spans inside it.
    void keep(std::size_t from, std::size_t to)
    {
        if (m_out.capacity() < m_text.size())
            m_out.reserve(m_text.size());
        const std::size_t base = m_out.size();
        m_out.append(m_text, from, to - from);
        while (m_next < m_spans.size() && m_spans[m_next].second <= from)
            ++m_next;
        for (std::size_t k = m_next; k < m_spans.size() && m_spans[k].first < to; ++k) {
            const std::size_t b = std::max(m_spans[k].first, from);
            const std::size_t e = std::min(m_spans[k].second, to);
            if (b < e)
                mark(base + b - from, base + e - from);
        }
    }
    void addPage(std::string_view s) { m_out.append(s); }
    void addInserted(std::string_view s)
    {
        mark(m_out.size(), m_out.size() + s.size());
        m_out.append(s);
    }

    std::string takeText() { return std::move(m_out); }
    LinkText::Spans takeSpans() { return std::move(m_marks); }

private:
    void mark(std::size_t b, std::size_t e)
    {
        if (b == e)
            return;
        if (!m_marks.empty() && m_marks.back().second == b)
            m_marks.back().second = e;
        else
            m_marks.emplace_back(b, e);
    }

    const std::string& m_text;
    const LinkText::Spans& m_spans;
    std::size_t m_next = 0;
    std::string m_out;
    LinkText::Spans m_marks;
};

} // namespace

void LinkText::replace(std::string_view needle, std::string_view before, std::string_view inserted,
                       std::string_view after, bool noCase)
{
    if (needle.empty() || needle.size() > m_text.size())
        return;
    if (!noCase && m_text.find(needle) == std::string::npos)
        return; // the common case: nothing to do, nothing copied

    Rebuilder out(m_text, m_inserted);

    const std::size_t last = m_text.size() - needle.size();
    std::size_t span = 0;
    std::size_t copied = 0;
    bool replaced = false;
    for (std::size_t i = 0; i <= last;) {
        while (span < m_inserted.size() && m_inserted[span].second <= i)
            ++span;
        const bool insideInserted = span < m_inserted.size() && m_inserted[span].first <= i;
        if (!insideInserted && matchesAt(m_text, i, needle, noCase)) {
            out.keep(copied, i);
            out.addPage(before);
            out.addInserted(inserted);
            out.addPage(after);
            i += needle.size();
            copied = i;
            replaced = true;
            continue;
        }
        // Unit boundaries as in a search of the whole text: a byte >= 0x80 leads a pair.
        i += static_cast<unsigned char>(m_text[i]) >= 0x80 ? 2 : 1;
    }
    if (!replaced)
        return;
    out.keep(copied, m_text.size());
    m_text = out.takeText();
    m_inserted = out.takeSpans();
}

void LinkText::applyEdits(const std::vector<Edit>& edits)
{
    if (edits.empty())
        return;
    Rebuilder out(m_text, m_inserted);
    std::size_t copied = 0;
    for (const Edit& edit : edits) {
        out.keep(copied, edit.offset);
        out.addPage(edit.replacement);
        copied = edit.offset + edit.length;
    }
    out.keep(copied, m_text.size());
    m_text = out.takeText();
    m_inserted = out.takeSpans();
}

} // namespace tess
