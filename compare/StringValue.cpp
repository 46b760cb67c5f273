#include "compare/StringValue.h"

#include "json/PathNames.h"
#include "platform/Codec.h"
#include "platform/HexDigits.h"
#include "platform/Utf8.h"

#include <cstring>

namespace tess::compare {
namespace {

// The four hex digits after "\u" at text[at], or -1.
long unitAt(std::string_view text, std::size_t at)
{
    if (at + 2 > text.size() || text[at] != '\\' || text[at + 1] != 'u')
        return -1;
    return hex::valueAt(text, at + 2, 4);
}

void appendCodePoint(std::string& out, char32_t cp)
{
    char buf[4];
    out.append(buf, encodeUtf8(cp, buf));
}

bool plainAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\' || c == '#')
            return false;
    return true;
}

} // namespace

void decodeUtf8String(std::string_view s, std::string& out)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const void* slash = std::memchr(s.data() + i, '\\', s.size() - i);
        const std::size_t stop = slash ? static_cast<const char*>(slash) - s.data() : s.size();
        out.append(s.substr(i, stop - i));
        i = stop;
        if (i >= s.size())
            break;
        if (i + 1 >= s.size()) {
            out.push_back('\\');
            break;
        }
        const char e = s[i + 1];
        char simple = 0;
        switch (e) {
        case '"': simple = '"'; break;
        case '\\': simple = '\\'; break;
        case '/': simple = '/'; break;
        case 'b': simple = '\b'; break;
        case 'f': simple = '\f'; break;
        case 'n': simple = '\n'; break;
        case 'r': simple = '\r'; break;
        case 't': simple = '\t'; break;
        default: break;
        }
        if (simple) {
            out.push_back(simple);
            i += 2;
            continue;
        }
        const long u = e == 'u' ? unitAt(s, i) : -1;
        if (u < 0) {
            out.append(s.substr(i, 2));
            i += 2;
            continue;
        }
        if (u >= 0xD800 && u < 0xDC00) {
            const long low = unitAt(s, i + 6);
            if (low >= 0xDC00 && low < 0xE000) {
                appendCodePoint(out, static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00)));
                i += 12;
                continue;
            }
        }
        appendCodePoint(out, static_cast<char32_t>(u));
        i += 6;
    }
}

void decodeEngineString(std::string_view contents, std::string& out)
{
    if (plainAscii(contents)) {
        out.append(contents);
        return;
    }
    if (contents.find('\\') == std::string_view::npos && contents.find('#') == std::string_view::npos) {
        out += codec::gb18030ToUtf8(contents).text;
        return;
    }
    pathnames::NameChars chars;
    pathnames::decodeStoredName(contents, chars);
    for (const pathnames::NameChar& c : chars)
        appendCodePoint(out, c.cp);
}

} // namespace tess::compare
