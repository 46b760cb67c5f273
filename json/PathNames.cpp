#include "json/PathNames.h"

#include "json/JsonNode.h"
#include "platform/AsciiText.h"
#include "platform/Codec.h"
#include "platform/Gb18030Decoder.h"
#include "platform/HexDigits.h"

#include <charconv>

namespace tess::pathnames {
namespace {

// How the engine stores an escaped quote inside names and values.
constexpr std::string_view kStoredQuote = kQuotePlaceholder;

bool isHighSurrogate(long u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

bool isLowSurrogate(long u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

// A \uXXXX escape at text[pos] (pos at the backslash), joined with a following low
// surrogate escape. Sets len to the bytes taken; -1 when there is no such escape.
long unicodeEscapeAt(std::string_view text, std::size_t pos, std::size_t& len)
{
    const long u = hex::valueAt(text, pos + 2, 4);
    if (u < 0)
        return -1;
    len = 6;
    if (isHighSurrogate(u) && text.substr(pos + 6, 2) == "\\u") {
        const long low = hex::valueAt(text, pos + 8, 4);
        if (isLowSurrogate(low)) {
            len = 12;
            return 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return u;
}

char32_t shortEscape(char c)
{
    switch (c) {
    case 'b': return 0x08;
    case 'f': return 0x0C;
    case 'n': return 0x0A;
    case 'r': return 0x0D;
    case 't': return 0x09;
    default: return 0;
    }
}

void appendHex4(std::string& out, char32_t u)
{
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(kHex[(u >> shift) & 0xF]);
}

// The GB18030 bytes of one character (not a surrogate).
std::string gbOf(char32_t cp)
{
    char utf8[4];
    const std::size_t n = encodeUtf8(cp, utf8);
    return codec::utf8ToGb18030(std::string_view(utf8, n)).text;
}

} // namespace

void decodeStoredName(std::string_view name, NameChars& out)
{
    out.clear();
    std::size_t i = 0;
    while (i < name.size()) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '#' && name.substr(i, kStoredQuote.size()) == kStoredQuote) {
            out.push_back({U'"', {}});
            i += kStoredQuote.size();
            continue;
        }
        if (c == '\\' && i + 1 < name.size()) {
            const char e = name[i + 1];
            if (e == '"' || e == '\\' || e == '/') {
                out.push_back({static_cast<char32_t>(e), {}});
                i += 2;
                continue;
            }
            if (const char32_t s = shortEscape(e)) {
                out.push_back({s, {}});
                i += 2;
                continue;
            }
            std::size_t len = 0;
            if (e == 'u') {
                const long u = unicodeEscapeAt(name, i, len);
                if (u >= 0) {
                    out.push_back({static_cast<char32_t>(u), {}});
                    i += len;
                    continue;
                }
            }
        }
        if (c < 0x80) {
            out.push_back({c, name.substr(i, 1)});
            ++i;
            continue;
        }
        const gb18030::Decoded d = gb18030::decodeAt(name, i);
        out.push_back({d.codePoint, name.substr(i, d.length)});
        i += d.length;
    }
}

bool isAsciiIdentifier(const NameChars& chars, bool allowDollar)
{
    if (chars.empty())
        return false;
    for (std::size_t k = 0; k < chars.size(); ++k) {
        const char32_t c = chars[k].cp;
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (allowDollar && c == '$');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && k > 0))
            return false;
    }
    return true;
}

void appendQuoted(std::string& out, const NameChars& chars, char quote)
{
    out.push_back(quote);
    for (const NameChar& ch : chars) {
        const char32_t c = ch.cp;
        if (c == static_cast<char32_t>(quote) || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c == 0x08) {
            out += "\\b";
        } else if (c == 0x0C) {
            out += "\\f";
        } else if (c == 0x0A) {
            out += "\\n";
        } else if (c == 0x0D) {
            out += "\\r";
        } else if (c == 0x09) {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c == 0x2028 || c == 0x2029) {
            appendHex4(out, c);
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (ch.raw.size() == 1) {
            // A byte that is not GB18030 (it would pair up with the next byte written,
            // a backslash say): written as the replacement character it stands for.
            appendHex4(out, 0xFFFD);
        } else if (!ch.raw.empty()) {
            out.append(ch.raw);
        } else {
            out += gbOf(c);
        }
    }
    out.push_back(quote);
}

namespace {

// Adds one character that an escape gave.
void addEscaped(TypedName& out, char32_t cp)
{
    out.chars.push_back(cp);
    if (cp < 0x80)
        out.gb.push_back(static_cast<char>(cp));
    else if (cp >= 0xD800 && cp <= 0xDFFF)
        out.gbOk = false;
    else
        out.gb += gbOf(cp);
}

// Adds the character that starts at text[i] as it stands; returns its length.
std::size_t addLiteral(TypedName& out, std::string_view text, std::size_t i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
        out.chars.push_back(c);
        out.gb.push_back(static_cast<char>(c));
        return 1;
    }
    const gb18030::Decoded d = gb18030::decodeAt(text, i);
    out.chars.push_back(d.codePoint);
    out.gb.append(text.substr(i, d.length));
    return d.length;
}

} // namespace

bool readQuoted(std::string_view text, std::size_t& pos, TypedName& out)
{
    out = TypedName();
    const char quote = text[pos];
    std::size_t i = pos + 1;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == static_cast<unsigned char>(quote)) {
            pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < text.size()) {
            const char e = text[i + 1];
            long v = -1;
            std::size_t len = 2;
            if (const char32_t s = shortEscape(e)) {
                v = s;
            } else if (e == 'v') {
                v = 0x0B;
            } else if (e == '0' && !(i + 2 < text.size() && text[i + 2] >= '0' && text[i + 2] <= '9')) {
                v = 0;
            } else if (e == 'u' && i + 2 < text.size() && text[i + 2] == '{') {
                const std::size_t close = text.find('}', i + 3);
                if (close != std::string_view::npos && close > i + 3 && close - i - 3 <= 6) {
                    v = hex::valueAt(text, i + 3, close - i - 3);
                    len = close - i + 1;
                }
            } else if (e == 'u') {
                v = unicodeEscapeAt(text, i, len);
            } else if (e == 'x') {
                v = hex::valueAt(text, i + 2, 2);
                len = 4;
            } else if (e == 'U') {
                v = hex::valueAt(text, i + 2, 8);
                len = 10;
            } else if (e == '"' || e == '\'' || e == '\\' || e == '/') {
                v = static_cast<unsigned char>(e);
            }
            if (v >= 0 && v <= 0x10FFFF) {
                addEscaped(out, static_cast<char32_t>(v));
                i += len;
                continue;
            }
            // An unknown escape keeps its backslash; the next character follows as usual.
            i += addLiteral(out, text, i);
            continue;
        }
        i += addLiteral(out, text, i);
    }
    return false;
}

TypedName bareName(std::string_view gb)
{
    TypedName out;
    for (std::size_t i = 0; i < gb.size();)
        i += addLiteral(out, gb, i);
    return out;
}

namespace {

// A bare name: everything up to the next "." or "[" (stepping over two-byte units).
bool readBareName(std::string_view p, std::size_t& pos, PathStep& step)
{
    const std::size_t start = pos;
    while (pos < p.size() && p[pos] != '.' && p[pos] != '[')
        pos += static_cast<unsigned char>(p[pos]) >= 0x80 && pos + 1 < p.size() ? 2 : 1;
    if (pos == start)
        return false;
    step.name = bareName(p.substr(start, pos - start));
    return true;
}

// "[...]" at p[pos]: a quoted name or a (possibly negative) integer, blanks around it.
bool readBracket(std::string_view p, std::size_t& pos, PathStep& step)
{
    ++pos;
    while (pos < p.size() && ascii::isBlank(p[pos]))
        ++pos;
    if (pos >= p.size())
        return false;
    if (p[pos] == '"' || p[pos] == '\'') {
        if (!readQuoted(p, pos, step.name))
            return false;
    } else {
        if (!readIndex(p, pos, step.index))
            return false;
        step.isIndex = true;
    }
    while (pos < p.size() && ascii::isBlank(p[pos]))
        ++pos;
    if (pos >= p.size() || p[pos] != ']')
        return false;
    ++pos;
    return true;
}

} // namespace

bool readIndex(std::string_view text, std::size_t& pos, long long& index)
{
    const auto r = std::from_chars(text.data() + pos, text.data() + text.size(), index);
    if (r.ec != std::errc() || r.ptr == text.data() + pos)
        return false;
    pos = static_cast<std::size_t>(r.ptr - text.data());
    return true;
}

std::optional<std::vector<PathStep>> readForeignSteps(std::string_view p, char prefix)
{
    std::vector<PathStep> steps;
    std::size_t pos = prefix == '$' ? 1 : 0;
    if (prefix == '.' && p == ".")
        return steps;
    bool first = true;
    while (pos < p.size()) {
        PathStep step;
        if (p[pos] == '.') {
            ++pos;
            if (pos < p.size() && p[pos] == '[') {
                if (!readBracket(p, pos, step))
                    return std::nullopt;
            } else if (pos < p.size() && p[pos] == '"') {
                if (!readQuoted(p, pos, step.name))
                    return std::nullopt;
            } else if (!readBareName(p, pos, step)) {
                return std::nullopt;
            }
        } else if (p[pos] == '[') {
            if (!readBracket(p, pos, step))
                return std::nullopt;
        } else if (first && prefix == 0) {
            if (!readBareName(p, pos, step))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        steps.push_back(std::move(step));
        first = false;
    }
    return steps;
}

} // namespace tess::pathnames
