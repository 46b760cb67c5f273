#include "json/big/FlatLines.h"

#include "platform/Codec.h"

#include <string>
#include <vector>

namespace tess::big {
namespace {

bool isAscii(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isBareName(std::string_view raw)
{
    if (raw.empty() || (raw[0] >= '0' && raw[0] <= '9'))
        return false;
    for (const char c : raw)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// The UTF-8 path of every level of the walk, each made from its parent's.
class Trail {
public:
    Trail(const BigDocument& doc, const PathForm& form) : m_doc(doc), m_form(form) {}

    // The path of chain.back(); chain[k] for k below are the ones given before.
    const std::string& pathOf(const std::vector<Node>& chain)
    {
        const std::size_t k = chain.size() - 1;
        if (m_paths.size() <= k)
            m_paths.resize(k + 1);
        std::string& path = m_paths[k];
        if (k == 0) {
            path = rootPath(m_form);
            return path;
        }
        path = k == 1 ? pathPrefix(m_form) : m_paths[k - 1];
        const Node& node = chain[k];
        const Kind parent = chain[k - 1].kind;
        if (m_form.style == PathStyle::Jq) {
            // The common steps without a detour through engine text.
            if (parent == Kind::Array || parent == Kind::Lines) {
                if (k == 1)
                    path += '.';
                path += '[';
                path += std::to_string(node.index);
                path += ']';
                return path;
            }
            const std::string_view raw = m_doc.rawName(node);
            if (isBareName(raw)) {
                path += '.';
                path += raw;
                return path;
            }
        }
        m_step.clear();
        appendPathStep(m_step, m_doc, node, parent, k == 1, m_form);
        if (isAscii(m_step))
            path += m_step;
        else
            path += codec::gb18030ToUtf8(m_step).text;
        return path;
    }

private:
    const BigDocument& m_doc;
    PathForm m_form;
    std::vector<std::string> m_paths;
    std::string m_step;
};

std::string_view leafValue(const BigDocument& doc, const Node& node)
{
    if (node.kind == Kind::Object)
        return "{}";
    if (node.kind == Kind::Array || node.kind == Kind::Lines)
        return "[]";
    return doc.bytes().substr(node.start, node.end - node.start);
}

} // namespace

void forEachFlatLine(const BigDocument& doc, const PathForm& form,
                     const std::function<bool(std::string_view, std::string_view)>& leaf)
{
    Node root;
    if (!doc.root(root))
        return;
    Trail trail(doc, form);
    std::vector<Node> chain{root};
    if (!root.isContainer() || doc.childCount(root) == 0) {
        if (root.kind != Kind::Error)
            leaf(trail.pathOf(chain), leafValue(doc, root));
        return;
    }
    // A container's first child is read before the container is known to be a leaf.
    struct Level {
        ChildCursor cursor;
        Node first;
        bool hasFirst;
    };
    std::vector<Level> levels;
    levels.push_back({doc.children(root), {}, false});
    while (!levels.empty()) {
        Level& level = levels.back();
        Node child;
        if (level.hasFirst) {
            child = level.first;
            level.hasFirst = false;
        } else if (!level.cursor.next(child)) {
            levels.pop_back();
            chain.pop_back();
            continue;
        }
        if (child.kind == Kind::Error)
            continue;
        chain.push_back(child);
        const std::string& path = trail.pathOf(chain);
        if (child.isContainer()) {
            Level inner{doc.children(child), {}, false};
            inner.hasFirst = inner.cursor.next(inner.first);
            if (inner.hasFirst) {
                levels.push_back(std::move(inner));
                continue;
            }
        }
        if (!leaf(path, leafValue(doc, child)))
            return;
        chain.pop_back();
    }
}

} // namespace tess::big
