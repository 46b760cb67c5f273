#include "settings/ValueEncoding.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale.h>

#include "platform/Codec.h"
#include "platform/GbkText.h"

namespace tess::settings {

namespace {

std::string_view lineBreakMark() { return codec::gb(u8"┊*┊"); }

locale_t cLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Full-width ASCII (GBK row A3) and the full-width blank (A1A1) to ASCII, unit-wise.
std::string narrowFullWidth(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80 || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        auto t = static_cast<unsigned char>(s[i + 1]);
        if (b == 0xA3 && t >= 0xA1 && t <= 0xFE)
            out += static_cast<char>(t - 0x80);
        else if (b == 0xA1 && t == 0xA1)
            out += ' ';
        else {
            out += s[i];
            out += s[i + 1];
        }
        ++i;
    }
    return out;
}

} // namespace

std::string encodeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += lineBreakMark();
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string decodeText(std::string_view stored)
{
    return gbk::replaceAll(stored, lineBreakMark(), "\r\n");
}

std::string formatNumber(double value)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 13);
    return std::string(buf, res.ptr);
}

double parseNumber(std::string_view stored)
{
    std::string s = narrowFullWidth(stored);
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i]))
        ++i;
    const char* begin = s.c_str() + i;
    char* end = nullptr;
    double v = strtod_l(begin, &end, cLocale());
    if (end == begin || !std::isfinite(v))
        return 0;
    return v;
}

std::string_view boolText(bool value)
{
    return value ? codec::gb(u8"真") : codec::gb(u8"假");
}

std::string encodeItemList(const std::vector<std::string>& items)
{
    std::string out = std::to_string(items.size()) + "\n";
    for (const auto& item : items) {
        out += std::to_string(item.size());
        out += '\n';
        out += item;
        out += '\n';
    }
    return out;
}

namespace {

// Reads decimal digits up to "\n" at pos; false when malformed or above limit.
bool readCountLine(std::string_view bytes, std::size_t& pos, std::size_t limit, std::size_t& value)
{
    std::size_t nl = bytes.find('\n', pos);
    if (nl == std::string_view::npos || nl == pos || nl - pos > 12)
        return false;
    std::size_t v = 0;
    auto res = std::from_chars(bytes.data() + pos, bytes.data() + nl, v);
    if (res.ptr != bytes.data() + nl || v > limit)
        return false;
    value = v;
    pos = nl + 1;
    return true;
}

} // namespace

bool decodeItemList(std::string_view bytes, std::vector<std::string>& items)
{
    std::size_t pos = 0, count = 0;
    if (!readCountLine(bytes, pos, bytes.size(), count))
        return false;
    std::vector<std::string> out;
    out.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        std::size_t len = 0;
        if (!readCountLine(bytes, pos, bytes.size() - pos, len))
            return false;
        if (bytes.size() - pos < len + 1 || bytes[pos + len] != '\n')
            return false;
        out.emplace_back(bytes.substr(pos, len));
        pos += len + 1;
    }
    if (pos != bytes.size())
        return false;
    items = std::move(out);
    return true;
}

std::string joinIndices(const std::vector<int>& indices)
{
    std::string out;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(indices[i]);
    }
    return out;
}

std::vector<int> splitIndices(std::string_view text)
{
    std::vector<int> out;
    if (text.empty())
        return out;
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = text.find(',', pos);
        std::string_view part = text.substr(pos, comma == std::string_view::npos ? text.npos : comma - pos);
        out.push_back(roundToInt(parseNumber(part)));
        if (comma == std::string_view::npos)
            break;
        pos = comma + 1;
    }
    return out;
}

int roundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    double r = std::round(value);
    if (r <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (r >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(r);
}

} // namespace tess::settings
