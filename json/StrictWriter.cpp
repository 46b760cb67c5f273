#include "json/StrictWriter.h"

#include "json/PathNames.h"
#include "platform/Utf8.h"

#include <vector>

namespace tess {
namespace {

constexpr std::size_t kPieceBytes = std::size_t(1) << 20;

void appendHex4(std::string& out, char32_t c)
{
    static const char digits[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(digits[(c >> shift) & 0xF]);
}

// Bytes a JSON string can hold as they are: printable ASCII but the quote and backslash,
// and nothing the engine stores in a special form ('#' may start the stored quote).
bool plainAscii(std::string_view text)
{
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\' || c == '#')
            return false;
    }
    return true;
}

// A stored text (escapes as written, GB18030) as a JSON string. \' stands for the quote,
// as in the single-quoted strings it comes from.
void appendString(std::string& out, std::string_view stored)
{
    out.push_back('"');
    if (plainAscii(stored)) {
        out.append(stored);
        out.push_back('"');
        return;
    }
    thread_local pathnames::NameChars chars;
    thread_local std::string unescaped;
    if (stored.find("\\'") != std::string_view::npos) {
        unescaped.clear();
        for (std::size_t i = 0; i < stored.size(); ++i) {
            if (stored[i] == '\\' && i + 1 < stored.size()) {
                if (stored[i + 1] != '\'')
                    unescaped.push_back('\\');
                unescaped.push_back(stored[++i]);
                continue;
            }
            unescaped.push_back(stored[i]);
        }
        stored = unescaped;
    }
    pathnames::decodeStoredName(stored, chars);
    char utf8[4];
    for (const pathnames::NameChar& ch : chars) {
        const char32_t c = ch.cp;
        switch (c) {
        case '"': out += "\\\""; continue;
        case '\\': out += "\\\\"; continue;
        case 0x08: out += "\\b"; continue;
        case 0x0C: out += "\\f"; continue;
        case 0x0A: out += "\\n"; continue;
        case 0x0D: out += "\\r"; continue;
        case 0x09: out += "\\t"; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF))
            appendHex4(out, c);
        else if (c >= 0x80 && ch.raw.size() == 1) // a byte that is no GB18030 character
            out += "\xEF\xBF\xBD";
        else
            out.append(utf8, encodeUtf8(c > 0x10FFFF ? 0xFFFD : c, utf8));
    }
    out.push_back('"');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isBlankText(std::string_view text)
{
    for (const char c : text)
        if (!isBlank(c))
            return false;
    return true;
}

struct OpenContainer {
    bool object;
    int32_t left; // children not yet written
};

// A child of the innermost open container was written (or left out): the containers it
// completes close, else a comma follows.
void valueDone(std::string& out, std::vector<OpenContainer>& open)
{
    while (!open.empty()) {
        if (--open.back().left > 0) {
            out.push_back(',');
            return;
        }
        out.push_back(open.back().object ? '}' : ']');
        open.pop_back();
    }
}

} // namespace

bool isJsonNumber(std::string_view t)
{
    std::size_t i = 0;
    auto digit = [&](std::size_t k) { return k < t.size() && t[k] >= '0' && t[k] <= '9'; };
    if (i < t.size() && t[i] == '-')
        ++i;
    if (!digit(i))
        return false;
    if (t[i] == '0')
        ++i;
    else
        while (digit(i))
            ++i;
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        if (!digit(i))
            return false;
        while (digit(i))
            ++i;
    }
    return i == t.size();
}

void appendStrictScalar(std::string& out, std::string_view v)
{
    while (!v.empty() && isBlank(v.front()))
        v.remove_prefix(1);
    while (!v.empty() && isBlank(v.back()))
        v.remove_suffix(1);
    if (v.empty()) {
        out += "null";
        return;
    }
    if (v == "true" || v == "false" || v == "null" || isJsonNumber(v)) {
        out.append(v);
        return;
    }
    // One quoted string (an escaped quote inside is stored as the placeholder, so a real
    // quote inside means more than one string: that text is kept whole, as a string).
    const char q = v.front();
    if (v.size() >= 2 && (q == '"' || q == '\'') && v.back() == q &&
        v.substr(1, v.size() - 2).find(q) == std::string_view::npos) {
        appendString(out, v.substr(1, v.size() - 2));
        return;
    }
    if (v.size() >= 2 && q == '\'' && v.back() == q) {
        // Single quotes escaped inside: \' is a quote, so the text is one string if
        // every inner quote is escaped.
        const std::string_view inner = v.substr(1, v.size() - 2);
        bool one = true;
        std::size_t i = 0;
        for (; i < inner.size() && one; ++i) {
            if (inner[i] == '\\')
                ++i;
            else if (inner[i] == '\'')
                one = false;
        }
        // i runs past the end when the last inner byte escapes the closing quote.
        if (one && i == inner.size()) {
            appendString(out, inner);
            return;
        }
    }
    appendString(out, v);
}

void writeStrictJson(const JsonNodeList& nodes, int32_t node, const std::function<void(std::string_view)>& piece)
{
    if (node < 1 || node > nodes.nodeCount())
        return;
    std::vector<OpenContainer> open;
    std::string out;
    out.reserve(kPieceBytes + 4096);
    const int32_t after = nodes.subtreeEnd(node); // the next node outside, or -1 at the table's end
    const int32_t last = after < 0 ? nodes.nodeCount() : after - 1;
    for (int32_t i = node; i <= last; ++i) {
        const JsonNodeList::NodeTexts t = nodes.textsOf(i);
        // A trailing comma leaves an empty last element: it is no value.
        if (!open.empty() && !open.back().object && open.back().left == 1 && isKind(t.kind, NodeKind::Scalar) &&
            isBlankText(t.value)) {
            if (out.back() == ',')
                out.pop_back();
            valueDone(out, open);
            continue;
        }
        if (!open.empty() && open.back().object) {
            std::string_view name = t.element >= 0 ? nodes.nameView(i) : t.name;
            if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
                name = name.substr(1, name.size() - 2); // a single-quoted name keeps its quotes in the table
            appendString(out, name);
            out.push_back(':');
        }
        if (isContainerKind(t.kind)) {
            const bool object = isKind(t.kind, NodeKind::Object);
            const int32_t children = nodes.childCountOf(i);
            out.push_back(object ? '{' : '[');
            if (children > 0) {
                open.push_back({object, children});
                continue;
            }
            out.push_back(object ? '}' : ']');
        } else {
            appendStrictScalar(out, isKind(t.kind, NodeKind::Scalar) ? t.value : nodes.valueView(i));
        }
        valueDone(out, open);
        if (out.size() >= kPieceBytes) {
            piece(out);
            out.clear();
        }
    }
    // A table whose counts promise more children than follow still gives balanced text.
    while (!open.empty()) {
        if (!out.empty() && out.back() == ',')
            out.pop_back();
        out.push_back(open.back().object ? '}' : ']');
        open.pop_back();
    }
    if (!out.empty())
        piece(out);
}

std::string strictJson(const JsonNodeList& nodes, int32_t node)
{
    std::string all;
    writeStrictJson(nodes, node, [&](std::string_view p) { all.append(p); });
    return all;
}

} // namespace tess
