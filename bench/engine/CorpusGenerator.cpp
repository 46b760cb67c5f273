#include "CorpusGenerator.h"

#include <random>

namespace tess::bench {
namespace {

const char* const kWords[] = {"alpha", "beta", "gamma", "delta", "status", "order", "user", "item", "value", "node"};
// UTF-8 Chinese words.
const char* const kChinese[] = {"\xE4\xB8\xAD\xE6\x96\x87", "\xE6\x95\xB0\xE6\x8D\xAE", "\xE7\x94\xA8\xE6\x88\xB7",
                                "\xE8\xAE\xA2\xE5\x8D\x95", "\xE5\x95\x86\xE5\x93\x81", "\xE5\x9C\xB0\xE5\x9D\x80"};
const char* const kEscapes[] = {"\\u4e2d\\u6587", "\\u6570\\u636e", "\\u7528\\u6237", "\\u0041\\u0042"};

class Writer {
public:
    Writer(std::string& out, const ApiShape& shape) : m_out(out), m_pretty(shape.pretty), m_crlfTabs(shape.crlfTabs) {}
    void open(char c)
    {
        m_out.push_back(c);
        ++m_depth;
        m_first = true;
    }
    void close(char c)
    {
        --m_depth;
        newline();
        m_out.push_back(c);
        m_first = false;
    }
    void key(const char* k)
    {
        item();
        m_out += '"';
        m_out += k;
        m_out += m_pretty ? "\": " : "\":";
    }
    void item()
    {
        if (!m_first)
            m_out.push_back(',');
        m_first = false;
        newline();
    }
    std::string& out() { return m_out; }

private:
    void newline()
    {
        if (!m_pretty)
            return;
        if (m_crlfTabs) {
            m_out += "\r\n";
            m_out.append(static_cast<std::size_t>(m_depth), '\t');
        } else {
            m_out.push_back('\n');
            m_out.append(static_cast<std::size_t>(m_depth) * 2, ' ');
        }
    }
    std::string& m_out;
    bool m_pretty;
    bool m_crlfTabs;
    int m_depth = 0;
    bool m_first = true;
};

// The members of a record that hold escapes: a description (HTML with \" now and then, a
// \n or \t), a file path (a Windows path with \\ now and then) and a payload (JSON inside a
// string now and then). About 5 % of these strings hold an escaped quote or backslash.
template <typename Pick>
void escapedMembers(Writer& w, uint64_t id, Pick& pick)
{
    std::string& out = w.out();
    w.key("desc");
    switch (pick(100)) {
    case 0: case 1: case 2: case 3: case 4:
        out += "\"see <a href=\\\"/item/" + std::to_string(id) + "\\\">" + kWords[pick(10)] + "</a>\"";
        break;
    case 5: case 6:
        out += std::string("\"") + kWords[pick(10)] + "\\n" + kChinese[pick(6)] + "\\t" + kWords[pick(10)] + "\"";
        break;
    default:
        out += std::string("\"") + kWords[pick(10)] + " " + kWords[pick(10)] + "\"";
    }
    w.key("path");
    if (pick(100) < 5)
        out += "\"C:\\\\data\\\\" + std::string(kWords[pick(10)]) + "\\\\" + (pick(2) ? std::to_string(id) + ".txt\"" : "\\\\\"");
    else
        out += "\"/data/" + std::string(kWords[pick(10)]) + "/" + std::to_string(id) + ".txt\"";
    w.key("payload");
    if (pick(100) < 5)
        out += "\"{\\\"k\\\":" + std::to_string(pick(1000)) + ",\\\"s\\\":\\\"" + kWords[pick(10)] + "\\\"}\"";
    else
        out += "\"none\"";
}

} // namespace

std::string apiDocument(std::size_t targetBytes, uint32_t seed, const ApiShape& shape)
{
    std::mt19937 rng(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string out;
    out.reserve(targetBytes + 4096);
    Writer w(out, shape);
    w.open('{');
    w.key("code");
    out += "0";
    w.key("msg");
    out += "\"ok\"";
    w.key("data");
    w.open('{');
    w.key("page");
    out += "1";
    w.key("items");
    w.open('[');
    for (uint64_t id = 1; out.size() < targetBytes; ++id) {
        w.item();
        w.open('{');
        w.key("id");
        out += std::to_string(id * 7919 % 1000003);
        w.key("name");
        out += std::string("\"") + kWords[pick(10)] + " " + kChinese[pick(6)] + "\"";
        w.key("title");
        out += std::string("\"") + kEscapes[pick(4)] + " " + kWords[pick(10)] + "\"";
        w.key("price");
        out += std::to_string(pick(100000)) + "." + std::to_string(pick(100));
        w.key("active");
        out += pick(2) ? "true" : "false";
        w.key("parent");
        out += "null";
        w.key("tags");
        w.open('[');
        for (std::size_t t = 0, n = 1 + pick(3); t < n; ++t) {
            w.item();
            out += std::string("\"") + kWords[pick(10)] + "\"";
        }
        w.close(']');
        w.key("owner");
        w.open('{');
        w.key("uid");
        out += std::to_string(pick(1000000));
        w.key("city");
        out += std::string("\"") + kChinese[pick(6)] + "\"";
        w.close('}');
        if (shape.escapes)
            escapedMembers(w, id, pick);
        w.close('}');
    }
    w.close(']');
    w.close('}');
    w.close('}');
    return shape.rewritten ? rewriteEscapes(out) : out;
}

std::string rewriteEscapes(const std::string& json)
{
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        if (json[i] != '\\' || i + 1 == json.size()) {
            out.push_back(json[i]);
            continue;
        }
        const char next = json[++i];
        if (next == '"')
            out += "''";
        else if (next == '\\')
            out += "//";
        else
            out += {'\\', next};
    }
    return out;
}

std::string numberArray(std::size_t count, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string out = "[";
    out.reserve(count * 8);
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            out.push_back(',');
        out += std::to_string(rng() % 10000000);
    }
    out.push_back(']');
    return out;
}

std::string deepArrays(std::size_t depth)
{
    return std::string(depth, '[') + std::string(depth, ']');
}

std::string deepObjects(std::size_t depth)
{
    std::string out;
    out.reserve(depth * 6 + 1);
    for (std::size_t i = 0; i < depth; ++i)
        out += "{\"a\":";
    out += "1";
    out.append(depth, '}');
    return out;
}

} // namespace tess::bench
