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
    Writer(std::string& out, bool pretty) : m_out(out), m_pretty(pretty) {}
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
        m_out.push_back('\n');
        m_out.append(static_cast<std::size_t>(m_depth) * 2, ' ');
    }
    std::string& m_out;
    bool m_pretty;
    int m_depth = 0;
    bool m_first = true;
};

} // namespace

std::string apiDocument(std::size_t targetBytes, uint32_t seed, bool pretty)
{
    std::mt19937 rng(seed);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string out;
    out.reserve(targetBytes + 4096);
    Writer w(out, pretty);
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
        w.close('}');
    }
    w.close(']');
    w.close('}');
    w.close('}');
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
