#include "tree/EmbeddedJson.h"

#include "json/Decoders.h"
#include "platform/AsciiText.h"
#include "platform/HexDigits.h"

#include <vector>

namespace tess {

std::string unescapeJsonString(std::string_view body)
{
    std::string out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (static_cast<unsigned char>(c) >= 0x80 && i + 1 < body.size()) {
            out += c; // a two-byte unit is copied whole: its second byte may be a backslash
            out += body[++i];
            continue;
        }
        if (c != '\\' || i + 1 >= body.size()) {
            out += c;
            continue;
        }
        const char e = body[++i];
        switch (e) {
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            int unit = static_cast<int>(hex::valueAt(body, i + 1, 4));
            if (unit < 0) {
                out += "\\u";
                break;
            }
            i += 4;
            int32_t code = unit;
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 2 < body.size() && body[i + 1] == '\\' &&
                body[i + 2] == 'u') {
                const int low = static_cast<int>(hex::valueAt(body, i + 3, 4));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
            }
            out += code == 0 ? std::string(1, '\0') : utf16UnitToGbk(code);
            break;
        }
        default: out += e; break; // \" \\ \/ and anything else: the character itself
        }
    }
    return out;
}

std::string embeddedJson(std::string_view body)
{
    std::size_t first = 0;
    while (first < body.size() && ascii::isBlank(body[first]))
        ++first;
    if (first == body.size() || (body[first] != '{' && body[first] != '[' && body[first] != '\\'))
        return {};
    std::string text = unescapeJsonString(body);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && ascii::isBlank(text[begin]))
        ++begin;
    while (end > begin && ascii::isBlank(text[end - 1]))
        --end;
    if (begin == end || (text[begin] != '{' && text[begin] != '['))
        return {};
    // The brackets must balance outside strings, and the first one must close last.
    std::vector<char> open;
    bool inString = false;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            ++i;
            continue;
        }
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            open.push_back(c == '{' ? '}' : ']');
        } else if (c == '}' || c == ']') {
            if (open.empty() || open.back() != c)
                return {};
            open.pop_back();
            if (open.empty() && i + 1 != end)
                return {};
        }
    }
    if (!open.empty() || inString)
        return {};
    return text;
}

} // namespace tess
