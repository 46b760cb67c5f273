#include "ReferenceParser.h"

#include "json/JsonScanner.h"
#include "json/TreeContentBuffer.h"

#include <utility>

namespace tess::testing {
namespace {

class RefScanner {
public:
    void loadText(const std::string& text)
    {
        plain = JsonScanner::compactWhitespace(JsonScanner::protectEscapes(text));
        masked = plain;
        long odd = -1;
        long hit = 0;
        for (long p = find('"', 0); p != -1; p = find('"', p + 1)) {
            ++hit;
            if (hit % 2 == 1) {
                odd = p;
            } else {
                for (long k = odd + 1; k < p; ++k)
                    masked[static_cast<std::size_t>(k - 1)] = ' ';
            }
        }
    }
    long len() const { return static_cast<long>(masked.size()); }
    long find(char c, long from) const
    {
        if (from < 1)
            from = 1;
        for (long p = from; p <= len(); ++p)
            if (masked[static_cast<std::size_t>(p - 1)] == c)
                return p;
        return -1;
    }
    bool isBalanced(long from, long to) const
    {
        if (from == -1 || to == -1)
            return false;
        long ob = 0, cb = 0, os = 0, cs = 0, q = 0;
        for (long p = from + 1; p < to && p <= len(); ++p) {
            switch (masked[static_cast<std::size_t>(p - 1)]) {
            case '{': ++ob; break;
            case '}': ++cb; break;
            case '[': ++os; break;
            case ']': ++cs; break;
            case '"': ++q; break;
            default: break;
            }
        }
        return ob == cb && os == cs && q % 2 == 0;
    }
    std::string between(long from, long to) const
    {
        std::string out;
        for (long p = from + 1; p <= to - 1 && p <= len(); ++p)
            out.push_back(plain[static_cast<std::size_t>(p - 1)]);
        return out;
    }
    std::string readKey(long a, long& next) const
    {
        if (a < 1 || a > len() || (masked[static_cast<std::size_t>(a - 1)] != '{' && masked[static_cast<std::size_t>(a - 1)] != ',')) {
            const long g = find('{', a);
            if (g != -1 && g > a)
                a = g;
        }
        const long q1 = find('"', a);
        const long q2 = find('"', q1 + 1);
        long pos = a;
        do {
            pos = find(':', pos + 1);
        } while (pos != -1 && pos >= q1 && pos <= q2);
        next = pos;
        if (pos == -1)
            return {};
        return JsonScanner::trimKey(between(a, pos));
    }
    std::string readValue(long a, long& next) const
    {
        long lastEnd = 0;
        long pos = a;
        for (;;) {
            const long h = find('[', pos + 1), t = find('{', pos + 1), c = find(',', pos + 1), f = find('}', pos + 1);
            pos = (c != -1 && (c < f || f == -1)) ? c : (f != -1 ? f : len() + 1);
            bool jumped = false;
            if (h != -1 && pos > h) {
                pos = find(']', h + 1);
                jumped = pos != -1;
            } else if (t != -1 && pos > t) {
                pos = find('}', t + 1);
                jumped = pos != -1;
            }
            if (!jumped) {
                if (pos == lastEnd || pos == -1 || pos < lastEnd) {
                    next = -1;
                    return {};
                }
                lastEnd = pos;
            }
            if (isBalanced(a, pos)) {
                next = pos;
                return between(a, pos);
            }
        }
    }
    std::vector<std::pair<std::string, std::string>> splitObject()
    {
        std::vector<std::pair<std::string, std::string>> pairs;
        long pos = find('{', 0);
        while (pos != -1) {
            std::string key = readKey(pos, pos);
            if (pos == -1)
                break;
            std::string value = readValue(pos, pos);
            if (pos == -1)
                break;
            pairs.emplace_back(std::move(key), JsonScanner::trimValue(value));
        }
        return pairs;
    }
    std::vector<std::string> splitArray()
    {
        std::vector<std::string> out;
        long pos = find('[', 0);
        while (pos != -1) {
            const long start = pos;
            do {
                const long c = find(',', pos + 1);
                pos = c != -1 ? c : find(']', pos + 1);
            } while (pos != -1 && !isBalanced(start, pos));
            if (pos == -1)
                break;
            out.push_back(JsonScanner::trimValue(between(start, pos)));
        }
        if (out.size() == 1 && out[0].find_first_not_of(" \t\r\n\v\f") == std::string::npos)
            out.clear();
        return out;
    }

    std::string plain;
    std::string masked;
};

struct RefParser {
    bool zeroBased;
    std::vector<JsonNode> nodes;

    int add(int parent, const std::string& name, NodeKind kind, const std::string& value)
    {
        JsonNode n;
        n.name = name;
        n.kind = static_cast<int32_t>(kind);
        n.value = value;
        if (parent < 1) {
            n.level = 1;
            n.ordinal = 1;
        } else {
            JsonNode& p = nodes[static_cast<std::size_t>(parent - 1)];
            n.level = p.level + 1;
            n.ordinal = ++p.childCount;
        }
        nodes.push_back(n);
        return static_cast<int>(nodes.size());
    }
    void loadMember(int parent, const std::string& name, const std::string& value)
    {
        const NodeKind kind = JsonScanner::kindOfValue(value);
        RefScanner s;
        if (kind == NodeKind::Object) {
            s.loadText(value);
            const auto pairs = s.splitObject();
            loadObject(pairs, add(parent, name, kind, value));
        } else if (kind == NodeKind::Array) {
            s.loadText(value);
            const auto elements = s.splitArray();
            loadArray(elements, add(parent, name, kind, value));
        } else {
            add(parent, name, kind, value);
        }
    }
    void loadObject(const std::vector<std::pair<std::string, std::string>>& pairs, int parent)
    {
        for (const auto& [k, v] : pairs)
            loadMember(parent, k, v);
    }
    void loadArray(const std::vector<std::string>& elements, int parent)
    {
        for (std::size_t i = 0; i < elements.size(); ++i)
            loadMember(parent, "[" + std::to_string(zeroBased ? i : i + 1) + "]", elements[i]);
    }
};

} // namespace

std::vector<JsonNode> referenceParse(const std::string& text, bool zeroBasedArrays)
{
    RefParser p{zeroBasedArrays, {}};
    RefScanner s;
    s.loadText(text);
    long o = s.find('{', 0), a = s.find('[', 0);
    if (o == -1 && a == -1) {
        s.loadText("[" + text + "]");
        o = s.find('{', 0);
        a = s.find('[', 0);
    }
    const bool object = (o != -1 && a == -1) || (o != -1 && a != -1 && o < a);
    if (object) {
        const auto pairs = s.splitObject();
        p.loadObject(pairs, p.add(-1, "JSON", NodeKind::Object, text));
    } else {
        const auto elements = s.splitArray();
        p.loadArray(elements, p.add(-1, "JSON", NodeKind::Array, text));
    }
    return p.nodes;
}

std::string referenceTreeContent(const JsonNodeList& nodes)
{
    TreeContentBuffer buffer;
    for (int32_t i = 1; i <= nodes.nodeCount(); ++i) {
        const int32_t kind = nodes.kindOf(i);
        if (kind == 0) {
            const std::string value = JsonScanner::restoreQuotes(nodes.valueView(i));
            buffer.appendItem({nodes.nameView(i), ":", value}, kind, kind, i, 0, 0, nodes.levelOf(i));
        } else {
            buffer.appendItem({nodes.nameView(i)}, kind, kind, i, 0, 0, nodes.levelOf(i));
        }
    }
    return buffer.take();
}

} // namespace tess::testing
