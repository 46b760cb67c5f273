#include "json/Decoders.h"

#include "platform/Codec.h"
#include "json/HtmlEntityTable.h"
#include "platform/StopPoint.h"

#include <array>
#include <limits>

namespace tess {
namespace {

constexpr int32_t kMaxCodePoint = 0x10FFFF;
constexpr std::size_t npos = std::string_view::npos;

bool isHighSurrogate(int32_t v) { return v >= 0xD800 && v <= 0xDBFF; }
bool isLowSurrogate(int32_t v) { return v >= 0xDC00 && v <= 0xDFFF; }
bool isSurrogate(int32_t v) { return v >= 0xD800 && v <= 0xDFFF; }

// Byte length of the GB18030 character starting at text[i]: one for ASCII, four
// when the second byte is a digit, two otherwise.
std::size_t gbCharLength(std::string_view text, std::size_t i)
{
    if (static_cast<unsigned char>(text[i]) < 0x80)
        return 1;
    if (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
        return 4;
    return 2;
}

// GB18030 bytes of every character of the Basic Multilingual Plane, converted once
// (in one conversion call) on first use, so each decoded escape is a table look-up.
class BmpTable {
public:
    static const BmpTable& instance()
    {
        static const BmpTable table;
        return table;
    }

    std::string_view bytes(int32_t cp) const
    {
        return {m_bytes[cp].data(), m_length[cp]};
    }

private:
    BmpTable()
    {
        reset();
        std::u16string all;
        all.reserve(0x10000);
        for (int32_t cp = 1; cp <= 0xFFFF; ++cp) {
            if (!isSurrogate(cp))
                all.push_back(static_cast<char16_t>(cp));
        }
        const codec::ConvertResult bulk = codec::utf16ToGb18030(all);
        if (!splitInto(all, bulk.text)) {
            // The bulk result could not be split one piece per character: convert singly.
            reset();
            for (const char16_t unit : all)
                store(unit, codec::utf16ToGb18030(std::u16string_view(&unit, 1)).text);
        }
    }

    void reset()
    {
        for (auto& b : m_bytes)
            b = {'?', 0, 0, 0};
        m_length.fill(1);
    }

    bool splitInto(const std::u16string& units, std::string_view text)
    {
        std::size_t pos = 0;
        for (const char16_t unit : units) {
            if (pos >= text.size())
                return false;
            const std::size_t len = gbCharLength(text, pos);
            if (pos + len > text.size())
                return false;
            store(unit, text.substr(pos, len));
            pos += len;
        }
        return pos == text.size();
    }

    void store(char16_t unit, std::string_view gb)
    {
        if (gb.empty() || gb.size() > 4 || gb.find('\0') != npos)
            return; // keeps "?"
        for (std::size_t i = 0; i < gb.size(); ++i)
            m_bytes[unit][i] = gb[i];
        m_length[unit] = static_cast<uint8_t>(gb.size());
    }

    std::array<std::array<char, 4>, 0x10000> m_bytes;
    std::array<uint8_t, 0x10000> m_length;
};

void appendCharacter(std::string& out, int32_t cp)
{
    if (cp < 1 || cp > kMaxCodePoint || isSurrogate(cp)) {
        out.push_back('?');
        return;
    }
    if (cp <= 0xFFFF) {
        out.append(BmpTable::instance().bytes(cp));
        return;
    }
    // Beyond the BMP, GB18030 is one linear four-byte range starting at 90 30 81 30.
    int32_t offset = cp - 0x10000;
    char four[4];
    four[3] = static_cast<char>(0x30 + offset % 10);
    offset /= 10;
    four[2] = static_cast<char>(0x81 + offset % 126);
    offset /= 126;
    four[1] = static_cast<char>(0x30 + offset % 10);
    offset /= 10;
    four[0] = static_cast<char>(0x90 + offset);
    out.append(four, 4);
}

// 0-based offset of the next byte ch at or after from, stepping over two-byte units
// (a byte >= 0x80 is taken with the byte after it); npos when there is none.
std::size_t findUnit(std::string_view text, std::size_t from, char ch)
{
    const std::size_t n = text.size();
    std::size_t i = from;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == static_cast<unsigned char>(ch))
            return i;
        i += c >= 0x80 ? 2 : 1;
    }
    return npos;
}

// Every backslash-quote becomes a quote, then every backslash-slash a slash (unit-wise,
// left to right). One in-place pass gives the same bytes as the two replacements in
// turn: the first can neither create nor break a backslash-slash pair.
void replaceEscapedQuoteAndSlash(std::string& s)
{
    const std::size_t n = s.size();
    std::size_t r = 0;
    std::size_t w = 0;
    while (r < n) {
        const unsigned char c = static_cast<unsigned char>(s[r]);
        if (c >= 0x80) {
            s[w++] = s[r++];
            if (r < n)
                s[w++] = s[r++];
        } else if (c == '\\' && r + 1 < n && (s[r + 1] == '"' || s[r + 1] == '/')) {
            s[w++] = s[r + 1];
            r += 2;
        } else {
            s[w++] = s[r++];
        }
    }
    s.resize(w);
}

// The integer the C library's atoi reads (leading white space, optional sign, digits),
// saturated to 32 bits instead of overflowing.
int32_t atoiSaturated(std::string_view t)
{
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        value = value * 10 + (t[i] - '0');
        if (value >= kLimit) {
            value = kLimit;
            break;
        }
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return value >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

// Code of the reference whose text between "&" and ";" is name; -1 when it is none.
int32_t referenceCode(std::string_view name, const HtmlEntityTable& table)
{
    const std::size_t n = name.size();
    if (n >= 2 && name[0] != '#') {
        if (n > HtmlEntityTable::kMaxNameLength)
            return -1;
        char key[HtmlEntityTable::kMaxNameLength];
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (c >= 0x80)
                return -1; // table names are ASCII
            key[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
        }
        return table.lookup(std::string_view(key, n));
    }
    if (n >= 3 && name[0] == '#') {
        if (name[1] == 'x')
            return parseIntInBase(name.substr(2), 16);
        return atoiSaturated(name.substr(1));
    }
    return -1;
}

} // namespace

int32_t parseIntInBase(std::string_view text, int32_t base)
{
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    int64_t result = 0;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        int digit = 0;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 10;
        else if (c >= '0' && c <= '9')
            digit = c - '0';
        result = result * base + digit;
        if (result > kMax) {
            result = kMax;
            if (base >= 1)
                break; // digits are never negative: the value can only grow
        } else if (result < kMin) {
            result = kMin;
        }
    }
    return static_cast<int32_t>(result);
}

std::string utf16UnitToGbk(int32_t value)
{
    std::string out;
    appendCharacter(out, value);
    return out;
}

std::string decodeUnicodeEscapes(std::string_view t)
{
    const std::size_t length = t.size();
    std::string out;
    out.reserve(length);
    std::size_t last = 0; // first byte not yet copied
    std::size_t steps = 0;
    for (std::size_t pos = findUnit(t, 0, '\\'); pos != npos; pos = findUnit(t, last, '\\')) {
        if ((++steps & 0xFFF) == 0)
            stopPoint(); // a dropped decoding on a worker ends here
        if (pos + 5 >= length)
            break; // fewer than five bytes follow the backslash
        int32_t code = -1;
        if (t[pos + 1] == 'u')
            code = parseIntInBase(t.substr(pos + 2, 4), 16);
        if (code < 1) {
            out.append(t.substr(last, pos + 1 - last));
            last = pos + 1;
            continue;
        }
        out.append(t.substr(last, pos - last));
        last = pos + 6;
        if (isHighSurrogate(code) && pos + 11 < length && t[pos + 6] == '\\' && t[pos + 7] == 'u') {
            const int32_t low = parseIntInBase(t.substr(pos + 8, 4), 16);
            if (isLowSurrogate(low)) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                last = pos + 12;
            }
        }
        appendCharacter(out, code);
    }
    out.append(t.substr(last));
    replaceEscapedQuoteAndSlash(out);
    return out;
}

std::string decodeHtmlEntities(std::string_view t)
{
    const HtmlEntityTable& table = HtmlEntityTable::instance();
    std::string out;
    out.reserve(t.size());
    std::size_t last = 0;
    // The next ";" found on the scan is remembered: every "&" up to it shares it, and
    // once none is left none is searched again, so the pass stays linear.
    std::size_t semicolon = 0;
    bool semicolonKnown = false;
    std::size_t steps = 0;
    for (std::size_t amp = findUnit(t, 0, '&'); amp != npos; amp = findUnit(t, last, '&')) {
        if ((++steps & 0xFFF) == 0)
            stopPoint();
        if (!semicolonKnown || (semicolon != npos && semicolon < amp)) {
            semicolon = findUnit(t, amp, ';');
            semicolonKnown = true;
        }
        int32_t code = -1;
        if (semicolon != npos)
            code = referenceCode(t.substr(amp + 1, semicolon - amp - 1), table);
        if (code < 1 || code > kMaxCodePoint) {
            out.append(t.substr(last, amp + 1 - last));
            last = amp + 1;
        } else {
            out.append(t.substr(last, amp - last));
            appendCharacter(out, code);
            last = semicolon + 1;
        }
    }
    out.append(t.substr(last));
    return out;
}

} // namespace tess
