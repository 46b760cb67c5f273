#include "json/big/FlatLines.h"

#include "platform/Codec.h"

#include <charconv>
#include <cstring>
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

// The UTF-8 path of the walk's current node, in one buffer: each level's path ends where
// its parent's ends plus its own step, so a step is written once per node.
class Trail {
public:
    Trail(const BigDocument& doc, const PathForm& form) : m_doc(doc), m_form(form) {}

    // The path of chain.back(); the levels above are the ones given before.
    std::string_view pathOf(const std::vector<Node>& chain)
    {
        const std::size_t k = chain.size() - 1;
        if (m_ends.size() <= k)
            m_ends.resize(k + 1);
        if (k == 0) {
            m_path = rootPath(m_form);
            m_ends[0] = m_path.size();
            return m_path;
        }
        m_path.resize(k == 1 ? 0 : m_ends[k - 1]);
        if (k == 1)
            m_path += pathPrefix(m_form);
        appendStep(chain[k], chain[k - 1].kind, k == 1);
        m_ends[k] = m_path.size();
        return m_path;
    }

private:
    void appendStep(const Node& node, Kind parent, bool first)
    {
        if (m_form.style == PathStyle::Jq) {
            // The common steps without a detour through engine text.
            if (parent == Kind::Array || parent == Kind::Lines) {
                char digits[24];
                const auto end = std::to_chars(digits, digits + sizeof digits, node.index).ptr;
                m_path += first ? ".[" : "[";
                m_path.append(digits, end);
                m_path += ']';
                return;
            }
            const std::string_view raw = m_doc.rawName(node);
            if (isBareName(raw)) {
                m_path += '.';
                m_path += raw;
                return;
            }
        }
        m_step.clear();
        appendPathStep(m_step, m_doc, node, parent, first, m_form);
        if (isAscii(m_step))
            m_path += m_step;
        else
            m_path += codec::gb18030ToUtf8(m_step).text;
    }

    const BigDocument& m_doc;
    PathForm m_form;
    std::string m_path;
    std::vector<std::size_t> m_ends;
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

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// One pass over the bytes of a value the index found valid, for jq paths: no container is
// read twice, as a walk with a cursor per level reads it. path holds the value's own path
// (empty for the root) and is used as the buffer of the steps below it.
class ValueStream {
public:
    ValueStream(const BigDocument& doc, const PathForm& form,
                const std::function<bool(std::string_view, std::string_view)>& leaf)
        : m_doc(doc), m_form(form), m_bytes(doc.bytes()), m_leaf(leaf)
    {
    }

    struct Frame {
        bool object;
        uint64_t index;      // the next member's or element's number
        std::size_t pathEnd; // where the container's own path ends
    };

    // Calls the leaf function for every leaf of the value at bytes [start, end); false
    // when it asked to stop.
    bool run(uint64_t start, uint64_t end, std::string& path)
    {
        std::vector<Frame> frames;
        const std::size_t base = path.size();
        uint64_t i = start;
        bool needValue = true; // the next token is a value (at path)
        while (i < end) {
            if (needValue) {
                i = skipBlanks(i, end);
                const char c = m_bytes[i];
                if (c == '{' || c == '[') {
                    const uint64_t next = skipBlanks(i + 1, end);
                    if (m_bytes[next] == (c == '{' ? '}' : ']')) {
                        if (!emit(path, base, c == '{' ? "{}" : "[]"))
                            return false;
                        i = next + 1;
                        needValue = false;
                        continue;
                    }
                    frames.push_back({c == '{', 0, path.size()});
                    i = next;
                    beginMember(frames.back(), i, path, frames.size() == 1 && base == 0);
                    continue;
                }
                const uint64_t valueEnd = c == '"' ? stringEnd(i) : scalarEnd(i, end);
                if (!emit(path, base, m_bytes.substr(i, valueEnd - i)))
                    return false;
                i = valueEnd;
                needValue = false;
                continue;
            }
            // After a value: a comma, or the closer of the innermost container.
            i = skipBlanks(i, end);
            if (frames.empty())
                return true;
            if (m_bytes[i] == ',') {
                ++i;
                i = skipBlanks(i, end);
                beginMember(frames.back(), i, path, frames.size() == 1 && base == 0);
                needValue = true;
                continue;
            }
            ++i; // the closer
            path.resize(frames.back().pathEnd);
            frames.pop_back();
        }
        return true;
    }

private:
    uint64_t skipBlanks(uint64_t i, uint64_t end) const
    {
        while (i < end && isBlankByte(m_bytes[i]))
            ++i;
        return i;
    }
    uint64_t stringEnd(uint64_t quote) const
    {
        uint64_t p = quote + 1;
        for (;;) {
            const void* hit = std::memchr(m_bytes.data() + p, '"', m_bytes.size() - p);
            if (!hit)
                return m_bytes.size();
            p = static_cast<uint64_t>(static_cast<const char*>(hit) - m_bytes.data());
            uint64_t b = p;
            while (b > quote + 1 && m_bytes[b - 1] == '\\')
                --b;
            if ((p - b) % 2 == 0)
                return p + 1;
            ++p;
        }
    }
    uint64_t scalarEnd(uint64_t i, uint64_t end) const
    {
        while (i < end && !isBlankByte(m_bytes[i]) && m_bytes[i] != ',' && m_bytes[i] != '}' && m_bytes[i] != ']')
            ++i;
        return i;
    }
    bool emit(const std::string& path, std::size_t base, std::string_view value)
    {
        if (path.empty() && base == 0)
            return m_leaf(rootPath(m_form), value);
        return m_leaf(path, value);
    }
    // The next member or element of the frame begins at i (blanks skipped): its step is
    // written after the container's path, and i moved to its value.
    void beginMember(Frame& f, uint64_t& i, std::string& path, bool first)
    {
        path.resize(f.pathEnd);
        if (!f.object) {
            char digits[24];
            const auto stop = std::to_chars(digits, digits + sizeof digits, f.index++).ptr;
            path += first ? ".[" : "[";
            path.append(digits, stop);
            path += ']';
            return;
        }
        Node member;
        member.keyStart = i;
        member.keyEnd = stringEnd(i);
        const std::string_view raw = m_bytes.substr(i + 1, member.keyEnd - i - 2);
        if (isBareName(raw)) {
            path += '.';
            path += raw;
        } else {
            m_step.clear();
            appendPathStep(m_step, m_doc, member, Kind::Object, first, m_form);
            path += isAscii(m_step) ? m_step : codec::gb18030ToUtf8(m_step).text;
        }
        i = skipBlanks(member.keyEnd, m_bytes.size());
        ++i; // the colon
        ++f.index;
    }

    const BigDocument& m_doc;
    const PathForm& m_form;
    std::string_view m_bytes;
    const std::function<bool(std::string_view, std::string_view)>& m_leaf;
    std::string m_step;
};

} // namespace

void forEachFlatLine(const BigDocument& doc, const PathForm& form,
                     const std::function<bool(std::string_view, std::string_view)>& leaf)
{
    Node root;
    if (!doc.root(root))
        return;
    if (form.style == PathStyle::Jq && !doc.error().present) {
        ValueStream stream(doc, form, leaf);
        std::string path;
        if (root.kind != Kind::Lines) {
            stream.run(root.start, root.end, path);
            return;
        }
        ChildCursor records = doc.children(root);
        Node record;
        while (records.next(record)) {
            if (record.kind == Kind::Error)
                continue;
            path = ".[" + std::to_string(record.index) + "]";
            if (!stream.run(record.start, record.end, path))
                return;
        }
        return;
    }
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
        const std::string_view path = trail.pathOf(chain);
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
