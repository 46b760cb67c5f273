#include "json/big/BigPaths.h"

#include "json/PathNames.h"
#include "platform/AsciiText.h"


namespace tess::big {
namespace {

using pathnames::NameChars;

bool isArrayLike(Kind k)
{
    return k == Kind::Array || k == Kind::Lines;
}

// ---- reading ----------------------------------------------------------------------

struct Step : pathnames::PathStep {
    bool treeName = false; // compare with the tree's form of the stored name
};

using pathnames::readIndex;

// jq (".a[0]"), JSONPath ("$.a[0]") and JavaScript / Python ("a[0]", "[\"a\"][0]").
bool readForeign(std::string_view p, char prefix, std::vector<Step>& steps)
{
    auto read = pathnames::readForeignSteps(p, prefix);
    if (!read)
        return false;
    for (pathnames::PathStep& s : *read) {
        Step step;
        static_cast<pathnames::PathStep&>(step) = std::move(s);
        steps.push_back(std::move(step));
    }
    return true;
}

// The tree's form: steps between dots ("a.b" quoted when it holds a dot), "[n]" an
// element numbered as the document numbers them; compact: "name[n]" is two steps.
bool readTree(std::string_view p, bool compact, std::vector<Step>& steps)
{
    std::size_t pos = 0;
    while (pos <= p.size()) {
        std::size_t end = pos;
        if (end < p.size() && p[end] == '"') {
            const std::size_t close = p.find('"', end + 1);
            if (close == std::string_view::npos)
                return false;
            end = close + 1;
        }
        while (end < p.size() && p[end] != '.')
            end += static_cast<unsigned char>(p[end]) >= 0x80 && end + 1 < p.size() ? 2 : 1;
        std::string_view seg = p.substr(pos, end - pos);
        std::vector<Step> tail;
        if (compact) {
            // trailing "[n]" groups are steps of their own
            while (seg.size() > 2 && seg.back() == ']') {
                const std::size_t open = seg.rfind('[');
                if (open == std::string_view::npos || open == 0)
                    break;
                std::size_t q = open + 1;
                Step s;
                if (!readIndex(seg, q, s.index) || q != seg.size() - 1)
                    break;
                s.isIndex = true;
                tail.insert(tail.begin(), s);
                seg = seg.substr(0, open);
            }
        }
        Step s;
        std::size_t q = 1;
        if (seg.size() > 2 && seg.front() == '[' && seg.back() == ']' && readIndex(seg, q, s.index) && q == seg.size() - 1) {
            s.isIndex = true;
        } else {
            if (seg.size() >= 2 && seg.front() == '"' && seg.back() == '"')
                seg = seg.substr(1, seg.size() - 2);
            s.name.gb.assign(seg);
            s.treeName = true;
        }
        steps.push_back(std::move(s));
        for (Step& t : tail)
            steps.push_back(std::move(t));
        if (end >= p.size())
            break;
        pos = end + 1;
    }
    return true;
}

bool nameMatches(const BigDocument& doc, const Node& node, const Step& s, NameChars& chars)
{
    if (s.treeName)
        return doc.captionName(node, false) == s.name.gb;
    const std::string gb = toEngineText(doc.rawName(node));
    if (s.name.gbOk && gb == s.name.gb)
        return true;
    pathnames::decodeStoredName(gb, chars);
    if (chars.size() != s.name.chars.size())
        return false;
    for (std::size_t k = 0; k < chars.size(); ++k)
        if (chars[k].cp != s.name.chars[k])
            return false;
    return true;
}

// treeIndexes: indexes count as the tree's form does (from 1 unless zeroBased; a record
// of JSON Lines by its line).
bool walk(const BigDocument& doc, const std::vector<Step>& steps, bool treeIndexes, bool zeroBased,
          std::vector<Node>& chain)
{
    chain.clear();
    Node node;
    if (!doc.root(node))
        return false;
    chain.push_back(node);
    NameChars chars;
    for (const Step& s : steps) {
        Node next;
        if (s.isIndex) {
            if (!isArrayLike(node.kind))
                return false;
            long long i = s.index;
            if (treeIndexes && node.kind == Kind::Lines) {
                // the tree's form names a record by its line
                if (i < 1 || !doc.recordOnLine(static_cast<uint64_t>(i), next))
                    return false;
                chain.push_back(next);
                node = next;
                continue;
            } else if (treeIndexes) {
                i -= zeroBased ? 0 : 1;
                if (i < 0)
                    return false;
            } else if (i < 0) {
                i += static_cast<long long>(doc.childCount(node));
                if (i < 0)
                    return false;
            }
            if (!doc.child(node, static_cast<uint64_t>(i), next))
                return false;
        } else {
            if (node.kind != Kind::Object)
                return false;
            ChildCursor c = doc.children(node);
            bool found = false;
            while (c.next(next))
                if (nameMatches(doc, next, s, chars)) {
                    found = true;
                    break;
                }
            if (!found)
                return false;
        }
        chain.push_back(next);
        node = next;
    }
    return true;
}

} // namespace

std::string pathPrefix(const PathForm& form)
{
    return form.style == PathStyle::JsonPath ? "$" : "";
}

std::string rootPath(const PathForm& form)
{
    if (form.style == PathStyle::Jq)
        return ".";
    return pathPrefix(form);
}

void appendPathStep(std::string& out, const BigDocument& doc, const Node& node, Kind parentKind, bool first,
                    const PathForm& form)
{
    if (form.style == PathStyle::Tree) {
        if (isArrayLike(parentKind)) {
            if (!first && !form.compactTree)
                out.push_back('.');
            out += doc.captionName(node, form.zeroBased);
            return;
        }
        std::string name = doc.captionName(node, form.zeroBased);
        if (name.find('.') != std::string::npos) {
            name.insert(name.begin(), '"');
            name.push_back('"');
        }
        if (!first)
            out.push_back('.');
        out += name;
        return;
    }
    if (isArrayLike(parentKind)) {
        appendIndexStep(out, form.style, first, node.index);
        return;
    }
    NameChars chars;
    const std::string name = toEngineText(doc.rawName(node)); // chars keep views into it
    pathnames::decodeStoredName(name, chars);
    appendNameStep(out, form.style, first, chars);
}

std::string pathOf(const BigDocument& doc, const std::vector<Node>& chain, const PathForm& form)
{
    if (chain.size() <= 1)
        return rootPath(form);
    std::string out = pathPrefix(form);
    for (std::size_t k = 1; k < chain.size(); ++k)
        appendPathStep(out, doc, chain[k], chain[k - 1].kind, k == 1, form);
    return out;
}

bool resolvePath(const BigDocument& doc, std::string_view typed, std::optional<PathStyle> style, bool zeroBased,
                 std::vector<Node>& chain)
{
    const std::string_view p = ascii::trimBlanks(typed);
    const char prefix = !p.empty() && (p[0] == '.' || p[0] == '$') ? p[0] : 0;
    auto foreign = [&](char pre) {
        std::vector<Step> steps;
        return readForeign(p, pre, steps) && walk(doc, steps, false, zeroBased, chain);
    };
    auto tree = [&] {
        if (p.empty())
            return walk(doc, {}, true, zeroBased, chain);
        std::vector<Step> steps;
        if (readTree(p, false, steps) && walk(doc, steps, true, zeroBased, chain))
            return true;
        steps.clear();
        return readTree(p, true, steps) && walk(doc, steps, true, zeroBased, chain);
    };
    if (style) {
        switch (*style) {
        case PathStyle::Tree: return tree();
        case PathStyle::Jq: return prefix == '.' && foreign('.');
        case PathStyle::JsonPath: return prefix == '$' && foreign('$');
        default: return prefix != '.' && foreign(0);
        }
    }
    if (p.empty())
        return walk(doc, {}, true, zeroBased, chain);
    if (prefix && foreign(prefix))
        return true;
    if (tree())
        return true;
    return prefix != '.' && foreign(0);
}

} // namespace tess::big
