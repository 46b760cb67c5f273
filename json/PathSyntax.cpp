#include "json/PathSyntax.h"

#include "json/JsonNode.h"
#include "json/PathNames.h"
#include "json/SegmentSearch.h"
#include "platform/AsciiText.h"
#include "platform/GbkText.h"

#include <optional>
#include <utility>
#include <vector>

namespace tess {
namespace {

using pathnames::NameChars;

// ---- writing ----------------------------------------------------------------------

// An ASCII identifier (checked by the caller), written from its characters: a stored
// "\u0061" is written "a".
void appendIdentifier(std::string& out, const NameChars& chars)
{
    for (const pathnames::NameChar& c : chars)
        out.push_back(static_cast<char>(c.cp));
}

// One step of a path: node, a child of parent (a valid index).
void appendSegment(std::string& out, const JsonNodeList& nodes, int node, int parent, bool first, PathStyle style,
                   NameChars& chars)
{
    if (isKind(nodes.kindOf(parent), NodeKind::Array)) {
        appendIndexStep(out, style, first, nodes.ordinalOf(node) - 1);
        return;
    }
    pathnames::decodeStoredName(nodes.nameView(node), chars);
    appendNameStep(out, style, first, chars);
}

// ---- reading ----------------------------------------------------------------------

using Segment = pathnames::PathStep;

enum class Prefix { Jq, Dollar, None };

std::optional<std::vector<Segment>> readForeignPath(std::string_view p, Prefix prefix)
{
    return pathnames::readForeignSteps(p, prefix == Prefix::Jq ? '.' : prefix == Prefix::Dollar ? '$' : 0);
}

// Walks the children of parent (nodes at its level + 1 up to the end of its subtree)
// that come after the child `after` (-1: all of them); visit(index) returns true to stop
// there. The result is that index or -1.
template <typename Visit>
int forEachChild(const JsonNodeList& nodes, int parent, int after, Visit visit)
{
    const int32_t level = nodes.levelOf(parent) + 1;
    const int32_t count = nodes.nodeCount();
    int64_t j = int64_t(after < 0 ? parent : after) + 1;
    while (j <= count) {
        const int32_t at = static_cast<int32_t>(j);
        const int32_t l = nodes.levelOf(at);
        if (l == level) {
            if (visit(at))
                return at;
            ++j;
        } else if (l < level) {
            return -1;
        } else {
            const int32_t c = nodes.childCountOf(at);
            j += 1 + (c < 0 ? 0 : c);
        }
    }
    return -1;
}

int childByPosition(const JsonNodeList& nodes, int parent, long long index)
{
    const int32_t count = nodes.childCountOf(parent);
    if (index < 0)
        index += count;
    if (index < 0 || index >= count)
        return -1;
    return nodes.findNthAtLevel(nodes.levelOf(parent) + 1, static_cast<int32_t>(index + 1), parent);
}

bool hasHighBytes(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

int childByName(const JsonNodeList& nodes, int parent, const pathnames::TypedName& name, int after)
{
    // A stored name without escapes is compared by its bytes; others by characters.
    NameChars chars;
    return forEachChild(nodes, parent, after, [&](int child) {
        const std::string_view stored = nodes.nameView(child);
        if (name.gbOk && stored.find('\\') == std::string_view::npos && stored.find('#') == std::string_view::npos) {
            if (stored == name.gb)
                return true;
            // Only a name with bytes that are not GB18030 (read as U+FFFD) can still
            // be equal.
            if (!hasHighBytes(stored))
                return false;
        }
        pathnames::decodeStoredName(stored, chars);
        if (chars.size() != name.chars.size())
            return false;
        for (std::size_t k = 0; k < chars.size(); ++k)
            if (chars[k].cp != name.chars[k])
                return false;
        return true;
    });
}

bool isDecimal(const std::u32string& s, long long& value)
{
    if (s.empty() || s.size() > 9)
        return false;
    value = 0;
    for (const char32_t c : s) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return s.size() == 1 || s[0] != '0';
}

int resolveForeign(const JsonDocument& doc, const std::vector<Segment>& segments)
{
    const JsonNodeList& nodes = doc.nodes();
    if (nodes.nodeCount() < 1)
        return -1;
    // An index names one element; only a name can name a later member too.
    return followSegments(segments.size(), [&](int parent, std::size_t k, int after) {
        const Segment& seg = segments[k];
        const bool array = isKind(nodes.kindOf(parent), NodeKind::Array);
        long long index = seg.index;
        if (seg.isIndex) {
            // On an object, obj[0] names the member "0", as in JavaScript.
            if (!array)
                return childByName(nodes, parent, pathnames::bareName(std::to_string(index)), after);
            return after < 0 ? childByPosition(nodes, parent, index) : -1;
        }
        if (array && isDecimal(seg.name.chars, index))
            return after < 0 ? childByPosition(nodes, parent, index) : -1;
        return childByName(nodes, parent, seg.name, after);
    });
}

// A canonical tree path, looked up the way valueAt looks it up.
int resolveCanonical(const JsonDocument& doc, std::string_view path)
{
    const JsonNodeList& nodes = doc.nodes();
    if (nodes.nodeCount() < 1)
        return -1;
    if (path.empty())
        return 1;
    // A text that yields no segment (a lone unterminated quote) names nothing here,
    // although valueAt shows the whole document for it.
    JsonScanner scanner;
    if (scanner.parsePath(path) == 0)
        return -1;
    return followNames(nodes, scanner.pathSegments());
}

// Compact tree form to canonical: a "." before every "[digits]" but a leading one (also
// "a[0][1]" -> "a.[0].[1]"), outside double-quoted names. An index after a "." follows
// an empty name there ("a..[1]" is written "a.[1]"), which so gets its segment back.
std::string compactToCanonical(std::string_view path)
{
    std::string out;
    out.reserve(path.size() + 8);
    bool quoted = false;
    for (std::size_t i = 0; i < path.size();) {
        const char c = path[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == '[' && i > 0) {
            std::size_t e = i + 1;
            while (e < path.size() && path[e] >= '0' && path[e] <= '9')
                ++e;
            if (e > i + 1 && e < path.size() && path[e] == ']')
                out.push_back('.');
        }
        const std::size_t unit = static_cast<unsigned char>(c) >= 0x80 && i + 1 < path.size() ? 2 : 1;
        out.append(path.substr(i, unit));
        i += unit;
    }
    return out;
}

int resolveTree(const JsonDocument& doc, std::string_view path)
{
    const int node = resolveCanonical(doc, path);
    if (node >= 1)
        return node;
    const std::string canonical = compactToCanonical(path);
    return canonical == path ? -1 : resolveCanonical(doc, canonical);
}

int resolveStyled(const JsonDocument& doc, std::string_view path, Prefix prefix)
{
    const auto segments = readForeignPath(path, prefix);
    return segments ? resolveForeign(doc, *segments) : -1;
}

// True when cleanValue would return text as it is: no blank next to a quote, no blank or
// quote at either end of the text or of a line (so trimKey removes nothing) and no stored
// escaped quote. A byte A1 (which may start an ideographic space) counts as a blank. A
// cheap test for the usual container value; false only sends a text the long way.
bool cleanValueKeeps(std::string_view t)
{
    const auto blank = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0xA1; };
    const auto edge = [](unsigned char c) { return c == ' ' || c == '\t' || c == '"' || c == 0xA1; };
    const std::size_t n = t.size();
    if (n == 0)
        return true;
    const auto* p = reinterpret_cast<const unsigned char*>(t.data());
    const auto lineBreak = [](unsigned char c) { return c == '\n' || c == '\r'; };
    if (edge(p[0]) || edge(p[n - 1]) || lineBreak(p[0]) || lineBreak(p[n - 1]))
        return false;
    // The two ends are neither blanks, quotes nor line breaks, so a quote or a line break
    // has a byte on either side.
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const unsigned char c = p[i];
        if (c > '"')
            continue;
        if (c == '"' ? blank(p[i - 1]) || blank(p[i + 1]) : lineBreak(c) && (edge(p[i - 1]) || edge(p[i + 1])))
            return false;
    }
    return t.find(kQuotePlaceholder) == std::string_view::npos;
}

// "$" starts a JSONPath only when the root stands alone or a "." or "[" follows it;
// "$v" is a name (JavaScript allows "$" in names).
Prefix prefixOf(std::string_view path)
{
    if (!path.empty() && path[0] == '.')
        return Prefix::Jq;
    if (path == "$" || path.starts_with("$.") || path.starts_with("$["))
        return Prefix::Dollar;
    return Prefix::None;
}

} // namespace

void appendIndexStep(std::string& out, PathStyle style, bool first, long long index)
{
    if (style == PathStyle::Jq && first)
        out.push_back('.');
    out.push_back('[');
    out += std::to_string(index);
    out.push_back(']');
}

void appendNameStep(std::string& out, PathStyle style, bool first, const NameChars& chars)
{
    switch (style) {
    case PathStyle::Jq:
        if (pathnames::isAsciiIdentifier(chars, false)) {
            out.push_back('.');
            appendIdentifier(out, chars);
        } else {
            // ".a["b"]" and ".["b"]": jq 1.6 reads no "." between a name and a bracket.
            if (first)
                out.push_back('.');
            out.push_back('[');
            pathnames::appendQuoted(out, chars, '"');
            out.push_back(']');
        }
        break;
    case PathStyle::JsonPath:
        if (pathnames::isAsciiIdentifier(chars, false)) {
            out.push_back('.');
            appendIdentifier(out, chars);
        } else {
            out.push_back('[');
            pathnames::appendQuoted(out, chars, '\'');
            out.push_back(']');
        }
        break;
    case PathStyle::JavaScript:
        if (pathnames::isAsciiIdentifier(chars, true)) {
            if (!first)
                out.push_back('.');
            appendIdentifier(out, chars);
        } else {
            out.push_back('[');
            pathnames::appendQuoted(out, chars, '"');
            out.push_back(']');
        }
        break;
    case PathStyle::Python:
    case PathStyle::Tree:
        out.push_back('[');
        pathnames::appendQuoted(out, chars, '"');
        out.push_back(']');
        break;
    }
}

bool parsePathStyle(std::string_view name, PathStyle* style)
{
    static constexpr struct {
        std::string_view name;
        PathStyle style;
    } kNames[] = {
        {"tree", PathStyle::Tree},           {"jq", PathStyle::Jq},
        {"jsonpath", PathStyle::JsonPath},   {"js", PathStyle::JavaScript},
        {"javascript", PathStyle::JavaScript}, {"python", PathStyle::Python},
    };
    for (const auto& n : kNames) {
        if (n.name == name) {
            if (style)
                *style = n.style;
            return true;
        }
    }
    return false;
}

std::string pathInStyle(const JsonDocument& doc, int node, PathStyle style, bool compactTree)
{
    const JsonNodeList& nodes = doc.nodes();
    if (node < 1 || node > nodes.nodeCount())
        return {};
    if (style == PathStyle::Tree) {
        const std::string path = doc.pathOfNode(node);
        return compactTree ? doc.scanner().convertPath(path, 0) : path;
    }
    // (node, parent) pairs from the node up to a top-level child of the root.
    std::vector<std::pair<int, int>> chain;
    for (int i = node, parent = nodes.parentOf(i); parent >= 1; i = parent, parent = nodes.parentOf(i))
        chain.emplace_back(i, parent);
    std::string out;
    if (style == PathStyle::JsonPath)
        out.push_back('$');
    if (chain.empty() && style == PathStyle::Jq)
        out.push_back('.');
    NameChars chars;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        appendSegment(out, nodes, it->first, it->second, it == chain.rbegin(), style, chars);
    return out;
}

PathsInOrder::PathsInOrder(const JsonDocument& doc, PathStyle style, bool compactTree)
    : m_doc(doc), m_style(style), m_compact(compactTree && style == PathStyle::Tree)
{
    if (doc.nodes().levelOf(1) == 1)
        m_chain.push_back({1, style == PathStyle::JsonPath ? std::size_t(1) : 0, 0});
    if (style == PathStyle::JsonPath)
        m_path = "$";
}

std::string_view PathsInOrder::next(int node)
{
    const JsonNodeList& nodes = m_doc.nodes();
    const int32_t level = nodes.levelOf(node);
    // A top-level node, or a level that jumps (a table edited out of shape), starts the
    // chain again from the node's own path.
    if (level < 2 || static_cast<std::size_t>(level) > m_chain.size() + 1) {
        m_path = pathInStyle(m_doc, node, m_style, m_compact);
        m_chain.clear();
        if (level == 1) {
            const std::size_t root = m_style == PathStyle::JsonPath ? 1 : 0;
            m_chain.push_back({node, root, 0});
        }
        return m_path;
    }
    m_chain.resize(static_cast<std::size_t>(level) - 1);
    const Step& parent = m_chain.back();
    const bool first = m_chain.size() == 1;
    m_path.resize(parent.end);
    std::size_t shownEnd = parent.shownEnd;
    if (m_style == PathStyle::Tree) {
        // pathOfNode's form: names joined by ".", a name with a "." quoted; empty names
        // at the end leave no trace.
        const std::string_view name = nodes.nameView(node);
        if (!first)
            m_path.push_back('.');
        const bool quoted = gbk::contains(name, ".");
        if (quoted)
            m_path.push_back('"');
        m_path.append(name);
        if (quoted)
            m_path.push_back('"');
        if (!name.empty())
            shownEnd = m_path.size();
    } else {
        appendSegment(m_path, nodes, node, parent.node, first, m_style, m_chars);
    }
    m_chain.push_back({node, m_path.size(), shownEnd});
    if (m_style != PathStyle::Tree)
        return m_path;
    const std::string_view shown = std::string_view(m_path).substr(0, shownEnd);
    if (!m_compact)
        return shown;
    m_shown = m_doc.scanner().convertPath(shown, 0);
    return m_shown;
}

int nodeAtPath(const JsonDocument& doc, std::string_view typed, PathStyle style)
{
    const std::string_view path = ascii::trimBlanks(typed);
    const Prefix prefix = prefixOf(path);
    switch (style) {
    case PathStyle::Tree:
        return resolveTree(doc, path);
    case PathStyle::Jq:
        return prefix == Prefix::Jq ? resolveStyled(doc, path, prefix) : -1;
    case PathStyle::JsonPath:
        return prefix == Prefix::Dollar ? resolveStyled(doc, path, prefix) : -1;
    case PathStyle::JavaScript:
    case PathStyle::Python:
        // Here a leading "$" is a name, as JavaScript reads it.
        return prefix != Prefix::Jq ? resolveStyled(doc, path, Prefix::None) : -1;
    }
    return -1;
}

int nodeAtAnyPath(const JsonDocument& doc, std::string_view typed)
{
    const std::string_view path = ascii::trimBlanks(typed);
    const Prefix prefix = prefixOf(path);
    // A lone "$" is a member of that name when there is one (the tree shows it so),
    // else the root.
    if (path == "$") {
        const int node = resolveCanonical(doc, path);
        return node >= 1 ? node : resolveStyled(doc, path, prefix);
    }
    if (prefix != Prefix::None) {
        const int node = resolveStyled(doc, path, prefix);
        if (node >= 1)
            return node;
    }
    const int node = resolveTree(doc, path);
    if (node >= 1 || prefix != Prefix::None)
        return node;
    return resolveStyled(doc, path, prefix);
}

PathLookup lookUpPath(const JsonDocument& doc, std::string_view typed, PathStyle style)
{
    const std::string_view path = ascii::trimBlanks(typed);
    const Prefix prefix = prefixOf(path);
    PathLookup out;
    out.style = style;
    std::optional<std::vector<Segment>> segments;
    switch (style) {
    case PathStyle::Tree:
        if (!path.empty() && JsonScanner().parsePath(path) == 0) {
            out.readable = false;
            return out;
        }
        out.node = resolveTree(doc, path);
        return out;
    case PathStyle::Jq:
    case PathStyle::JsonPath:
        if (prefix == (style == PathStyle::Jq ? Prefix::Jq : Prefix::Dollar))
            segments = readForeignPath(path, prefix);
        break;
    case PathStyle::JavaScript:
    case PathStyle::Python:
        // Here a leading "$" is a name, as JavaScript reads it.
        if (prefix != Prefix::Jq)
            segments = readForeignPath(path, Prefix::None);
        break;
    }
    out.readable = segments.has_value();
    if (segments)
        out.node = resolveForeign(doc, *segments);
    return out;
}

PathLookup lookUpAnyPath(const JsonDocument& doc, std::string_view typed)
{
    PathLookup out;
    out.node = nodeAtAnyPath(doc, typed);
    const std::string_view path = ascii::trimBlanks(typed);
    const Prefix prefix = prefixOf(path);
    if (out.node < 1 && (prefix != Prefix::None || path.starts_with('[')) && !readForeignPath(path, prefix)) {
        out.readable = false;
        out.style = prefix == Prefix::Jq ? PathStyle::Jq
                    : prefix == Prefix::Dollar ? PathStyle::JsonPath : PathStyle::JavaScript;
    }
    return out;
}

std::vector<PathReading> pathReadings(const JsonDocument& doc, std::string_view typed, bool compactTree)
{
    const std::string_view path = ascii::trimBlanks(typed);
    const Prefix prefix = prefixOf(path);
    std::vector<PathReading> out;
    const auto add = [&](PathStyle style, bool compact, int node) {
        if (node < 1)
            return;
        for (const PathReading& r : out)
            if (r.node == node)
                return;
        out.push_back({style, compact, node});
    };
    if (prefix != Prefix::None)
        add(prefix == Prefix::Jq ? PathStyle::Jq : PathStyle::JsonPath, false, resolveStyled(doc, path, prefix));
    // The tree's forms: the compact one read after turning it into the canonical one.
    const auto treeForm = [&](bool compact) {
        return compact ? resolveCanonical(doc, compactToCanonical(path)) : resolveCanonical(doc, path);
    };
    add(PathStyle::Tree, compactTree, treeForm(compactTree));
    if (prefix != Prefix::Jq)
        add(PathStyle::JavaScript, false, resolveStyled(doc, path, Prefix::None));
    add(PathStyle::Tree, !compactTree, treeForm(!compactTree));
    return out;
}

std::string_view valueOfNode(const JsonDocument& doc, int node, std::string& scratch)
{
    if (node >= 2 && node <= doc.nodes().nodeCount()) {
        const std::string_view value = doc.nodes().valueView(node);
        if (cleanValueKeeps(value))
            return value;
    }
    scratch = valueOfNode(doc, node);
    return scratch;
}

std::string valueOfNode(const JsonDocument& doc, int node)
{
    const JsonNodeList& nodes = doc.nodes();
    if (node < 1 || node > nodes.nodeCount())
        return {};
    if (node == 1)
        return JsonScanner::compactWhitespace(nodes.valueView(1));
    return JsonDocument::cleanValue(nodes.valueView(node));
}

} // namespace tess
