#include "compare/EngineSide.h"

#include "compare/NumberValue.h"
#include "compare/StringValue.h"
#include "json/JsonScanner.h"
#include "platform/Codec.h"

namespace tess::compare {
namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view v)
{
    while (!v.empty() && blank(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && blank(v.back()))
        v.remove_suffix(1);
    return v;
}

bool quoted(std::string_view v)
{
    return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

} // namespace

bool EngineSide::Cursor::next(Item& out)
{
    if (m_next < 0)
        return false;
    out = m_next;
    // The next sibling: past this child's descendants, a leaf's children skipped by count.
    int64_t j = int64_t(m_next) + 1;
    const int64_t count = m_nodes->nodeCount();
    while (j <= count) {
        const int32_t l = m_nodes->levelOf(static_cast<int32_t>(j));
        if (l <= m_level)
            break;
        j += 1 + int64_t(std::max(m_nodes->childCountOf(static_cast<int32_t>(j)), 0));
    }
    m_next = j <= count && m_nodes->levelOf(static_cast<int32_t>(j)) == m_level ? static_cast<int32_t>(j) : -1;
    return true;
}

bool EngineSide::root(Item& out) const
{
    if (m_nodes.nodeCount() < 1)
        return false;
    out = 1;
    // A bare scalar is shown as the one element of the root: that element is the value.
    const std::string_view text = trimmed(m_nodes.valueView(1));
    if (isKind(m_nodes.kindOf(1), NodeKind::Array) && m_nodes.childCountOf(1) == 1 && !text.starts_with('[') &&
        m_nodes.nodeCount() == 2)
        out = 2;
    return true;
}

ValueType EngineSide::typeOf(Item item) const
{
    const int32_t kind = m_nodes.kindOf(item);
    if (isKind(kind, NodeKind::Object))
        return ValueType::Object;
    if (isKind(kind, NodeKind::Array))
        return ValueType::Array;
    if (!isKind(kind, NodeKind::Scalar))
        return ValueType::Other;
    const std::string_view v = trimmed(m_nodes.valueView(item));
    if (quoted(v))
        return ValueType::String;
    if (v == "null")
        return ValueType::Null;
    if (v == "true")
        return ValueType::True;
    if (v == "false")
        return ValueType::False;
    if (!v.empty() && (v.front() == '-' || (v.front() >= '0' && v.front() <= '9')) && canonicalNumber(v))
        return ValueType::Number;
    return ValueType::Other;
}

void EngineSide::scalarKey(Item item, std::string& out) const
{
    const std::string_view v = trimmed(m_nodes.valueView(item));
    if (quoted(v)) {
        decodeEngineString(v.substr(1, v.size() - 2), out);
        return;
    }
    if (const auto n = canonicalNumber(v)) {
        out += *n;
        return;
    }
    out += codec::gb18030ToUtf8(JsonScanner::restoreQuotes(v)).text;
}

void EngineSide::memberName(Item item, std::string& out) const
{
    decodeEngineString(m_nodes.nameView(item), out);
}

uint64_t EngineSide::childCount(Item item) const
{
    return static_cast<uint64_t>(std::max(m_nodes.childCountOf(item), 0));
}

EngineSide::Cursor EngineSide::children(Item item) const
{
    Cursor c;
    c.m_nodes = &m_nodes;
    c.m_level = m_nodes.levelOf(item) + 1;
    if (m_nodes.childCountOf(item) > 0 && item < m_nodes.nodeCount() && m_nodes.levelOf(item + 1) == c.m_level)
        c.m_next = item + 1;
    return c;
}

EngineSide::Cursor EngineSide::children(Item item, uint64_t from) const
{
    Cursor c = children(item);
    Item skipped;
    for (uint64_t k = 0; k < from && c.next(skipped); ++k) {
    }
    return c;
}

std::string_view EngineSide::rawText(Item item) const
{
    return trimmed(m_nodes.valueView(item));
}

void EngineSide::appendText(Item item, std::string& out) const
{
    const std::string_view v = m_nodes.valueView(item);
    if (isContainerKind(m_nodes.kindOf(item)))
        out += JsonScanner::restoreQuotes(JsonScanner::compactWhitespace(v));
    else
        out += JsonScanner::restoreQuotes(trimmed(v));
}

} // namespace tess::compare
