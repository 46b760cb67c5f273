#include "json/Unflatten.h"

#include "json/StrictWriter.h"
#include "platform/Codec.h"

#include <unordered_map>

namespace tess {

struct Unflattener::Node {
    enum class Kind : uint8_t { Unset, Scalar, Object, Array };
    Kind kind = Kind::Unset;
    std::string scalar;                                   // JSON text
    std::vector<std::pair<std::string, uint32_t>> members; // name (JSON string contents), node
    std::unordered_map<std::string, uint32_t> byName;     // name -> place in members
    std::vector<uint32_t> elements;                       // node, 0 where no line gave one
};

namespace {

struct Step {
    bool isIndex = false;
    uint64_t index = 0;
    std::string name; // between the quotes, escapes as written
};

bool isIdentStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A JSON string's contents starting after its opening quote at text[pos]; pos ends past
// the closing quote. Escapes are checked and kept as written.
bool readString(std::string_view text, std::size_t& pos, std::string* contents)
{
    const std::size_t start = pos;
    while (pos < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c == '"') {
            if (contents)
                contents->assign(text.substr(start, pos - start));
            ++pos;
            return true;
        }
        if (c < 0x20)
            return false;
        if (c == '\\') {
            if (pos + 1 >= text.size())
                return false;
            const char e = text[pos + 1];
            if (e == 'u') {
                if (pos + 6 > text.size())
                    return false;
                for (std::size_t k = pos + 2; k < pos + 6; ++k)
                    if (!isHex(text[k]))
                        return false;
                pos += 6;
                continue;
            }
            if (e != '"' && e != '\\' && e != '/' && e != 'b' && e != 'f' && e != 'n' && e != 'r' && e != 't')
                return false;
            pos += 2;
            continue;
        }
        ++pos;
    }
    return false;
}

// The path's steps; pos ends after the path.
bool readPath(std::string_view line, std::size_t& pos, std::vector<Step>& steps)
{
    steps.clear();
    if (pos >= line.size() || line[pos] != '.')
        return false;
    bool dotted = false; // a '.' was just read
    ++pos;
    dotted = true;
    while (pos < line.size()) {
        const char c = line[pos];
        if (dotted && isIdentStart(c)) {
            const std::size_t start = pos;
            while (pos < line.size() && (isIdentStart(line[pos]) || (line[pos] >= '0' && line[pos] <= '9')))
                ++pos;
            steps.push_back({false, 0, std::string(line.substr(start, pos - start))});
        } else if (dotted && c == '"') {
            Step s;
            ++pos;
            if (!readString(line, pos, &s.name))
                return false;
            steps.push_back(std::move(s));
        } else if (c == '[') {
            ++pos;
            Step s;
            if (pos < line.size() && line[pos] == '"') {
                ++pos;
                if (!readString(line, pos, &s.name))
                    return false;
            } else {
                const std::size_t start = pos;
                while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && pos - start < 19)
                    s.index = s.index * 10 + static_cast<uint64_t>(line[pos++] - '0');
                if (pos == start)
                    return false;
                s.isIndex = true;
            }
            if (pos >= line.size() || line[pos] != ']')
                return false;
            ++pos;
            steps.push_back(std::move(s));
        } else if (c == '.' && !dotted) {
            ++pos;
            dotted = true;
            continue;
        } else {
            break;
        }
        dotted = false;
    }
    // A lone "." is the root; a "." left hanging after a step is not a path.
    return !(dotted && !steps.empty());
}

// A JSON value with nothing nested but empty containers: what a flat line holds.
bool isLeafValue(std::string_view v)
{
    if (v == "{}" || v == "[]" || v == "true" || v == "false" || v == "null" || isJsonNumber(v))
        return true;
    if (v.size() < 2 || v.front() != '"')
        return false;
    std::size_t pos = 1;
    return readString(v, pos, nullptr) && pos == v.size() && codec::isValidUtf8(v);
}

} // namespace

Unflattener::Unflattener()
{
    m_nodes.emplace_back();
}

Unflattener::~Unflattener() = default;

uint32_t Unflattener::add()
{
    m_nodes.emplace_back();
    return static_cast<uint32_t>(m_nodes.size() - 1);
}

bool Unflattener::hasValue() const
{
    return m_nodes[0].kind != Node::Kind::Unset;
}

bool Unflattener::addLine(std::string_view line, std::string& error)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    std::size_t pos = 0;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos == line.size())
        return true;
    thread_local std::vector<Step> steps;
    if (!readPath(line, pos, steps)) {
        error = "no jq path at the start of the line";
        return false;
    }
    if (line.substr(pos, 3) != " = " || line.back() != ';') {
        error = "expected PATH = VALUE;";
        return false;
    }
    const std::string_view value = line.substr(pos + 3, line.size() - pos - 4);
    if (!isLeafValue(value)) {
        error = "the value is not a JSON string, number, literal, {} or []";
        return false;
    }
    uint32_t at = 0;
    for (const Step& s : steps) {
        const Node::Kind want = s.isIndex ? Node::Kind::Array : Node::Kind::Object;
        if (m_nodes[at].kind != want)
            reset(at, static_cast<int>(want));
        uint32_t next;
        if (s.isIndex) {
            if (s.index > (uint64_t(1) << 32)) {
                error = "array index too large";
                return false;
            }
            if (m_nodes[at].elements.size() <= s.index)
                m_nodes[at].elements.resize(s.index + 1, 0);
            next = m_nodes[at].elements[s.index];
            if (next == 0) {
                next = add();
                m_nodes[at].elements[s.index] = next;
            }
        } else {
            auto found = m_nodes[at].byName.find(s.name);
            if (found == m_nodes[at].byName.end()) {
                next = add();
                m_nodes[at].byName.emplace(s.name, static_cast<uint32_t>(m_nodes[at].members.size()));
                m_nodes[at].members.emplace_back(s.name, next);
            } else {
                next = m_nodes[at].members[found->second].second;
            }
        }
        at = next;
    }
    const Node::Kind kind = value == "{}" ? Node::Kind::Object : value == "[]" ? Node::Kind::Array : Node::Kind::Scalar;
    // An empty container keeps what other lines put into a container of its kind there.
    if (kind != m_nodes[at].kind || kind == Node::Kind::Scalar)
        reset(at, static_cast<int>(kind));
    if (kind == Node::Kind::Scalar)
        m_nodes[at].scalar.assign(value);
    return true;
}

void Unflattener::reset(uint32_t at, int kind)
{
    Node& n = m_nodes[at];
    n.kind = static_cast<Node::Kind>(kind);
    n.scalar.clear();
    n.members.clear();
    n.byName.clear();
    n.elements.clear();
}

void Unflattener::write(const std::function<void(std::string_view)>& piece) const
{
    std::string out;
    // Each frame: a container and the next of its children to write.
    struct Frame {
        uint32_t node;
        std::size_t next;
    };
    std::vector<Frame> stack;
    auto open = [&](uint32_t id) {
        const Node& n = m_nodes[id];
        switch (n.kind) {
        case Node::Kind::Unset: out += "null"; return;
        case Node::Kind::Scalar: out += n.scalar; return;
        case Node::Kind::Object: out.push_back('{'); break;
        case Node::Kind::Array: out.push_back('['); break;
        }
        stack.push_back({id, 0});
    };
    open(0);
    while (!stack.empty()) {
        Frame& f = stack.back();
        const Node& n = m_nodes[f.node];
        const bool object = n.kind == Node::Kind::Object;
        const std::size_t count = object ? n.members.size() : n.elements.size();
        if (f.next == count) {
            out.push_back(object ? '}' : ']');
            stack.pop_back();
            continue;
        }
        if (f.next > 0)
            out.push_back(',');
        const std::size_t k = f.next++;
        if (object) {
            out.push_back('"');
            out += n.members[k].first;
            out += "\":";
            open(n.members[k].second);
        } else if (n.elements[k] == 0) {
            out += "null";
        } else {
            open(n.elements[k]);
        }
        if (out.size() >= (std::size_t(1) << 20)) {
            piece(out);
            out.clear();
        }
    }
    if (!out.empty())
        piece(out);
}

} // namespace tess
