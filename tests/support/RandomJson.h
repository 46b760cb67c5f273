#pragma once
// Random JSON documents for the tests that compare the two roads.
#include <random>
#include <string>

namespace tess::testing {

// A random document (UTF-8) with unique names per object: nesting, escapes, CJK, dots
// and quotes in names, every kind of scalar, empty containers; blanks when pretty.
class RandomJson {
public:
    RandomJson(unsigned seed, bool pretty) : m_rng(seed), m_pretty(pretty) {}
    std::string document()
    {
        // The root is a container: the engine shows a bare scalar as a node of its own.
        std::string out;
        while (out.empty() || (out[0] != '{' && out[0] != '[')) {
            out.clear();
            value(out, 0);
        }
        return out;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    void blank(std::string& out)
    {
        static const char* const blanks[] = {"", " ", "\n", "  ", "\t", "\r\n"};
        if (m_pretty)
            out += blanks[pick(6)];
    }
    std::string text()
    {
        static const char* const parts[] = {"a", "b c", "x.y", "\\\"q\\\"", "\\\\", "\\u4e2d", "中文", "\\n", "é", "z_9", "\\/",
                                            "\x7f", "\xE2\x80\xA8"};
        std::string s;
        for (int k = pick(4) + 1; k > 0; --k)
            s += parts[pick(13)];
        // now and then a long text whose end lies past the part of a caption find searches
        // when counted in UTF-8, but inside it in the engine's two-byte characters
        if (pick(40) == 0) {
            for (int k = 0; k < 200; ++k)
                s += "中";
            s += "目标";
        }
        return s;
    }
    void value(std::string& out, int depth)
    {
        const int kind = depth > 4 ? 2 + pick(6) : pick(8);
        switch (kind) {
        case 0:
        case 1: {
            const bool object = kind == 0;
            out.push_back(object ? '{' : '[');
            const int n = pick(depth == 0 ? 12 : 6);
            for (int i = 0; i < n; ++i) {
                if (i)
                    out.push_back(',');
                blank(out);
                if (object) {
                    out += "\"" + std::to_string(i) + text() + "\"";
                    blank(out);
                    out.push_back(':');
                    blank(out);
                }
                value(out, depth + 1);
                blank(out);
            }
            out.push_back(object ? '}' : ']');
            break;
        }
        case 2: out += "\"" + text() + "\""; break;
        case 3: out += std::to_string(pick(2000) - 1000); break;
        case 4: out += "-0.5e+3"; break;
        case 5: out += pick(2) ? "true" : "false"; break;
        case 6: out += "null"; break;
        default: out += "12.25"; break;
        }
    }
    std::mt19937 m_rng;
    bool m_pretty;
};

} // namespace tess::testing
