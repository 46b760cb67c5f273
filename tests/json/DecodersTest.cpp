#include "platform/Codec.h"
#include "platform/GbkText.h"
#include "json/Decoders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace tess {
namespace {

using namespace std::string_literals;

std::string gb(std::string_view utf8)
{
    return codec::utf8ToGb18030(utf8).text;
}

const std::string kZhong = "\xD6\xD0"; // 中 in GBK
const std::string kWen = "\xCE\xC4";   // 文 in GBK
const std::string kGrin = "\x94\x39\xFC\x36"; // U+1F600 in GB18030

TEST(ParseIntInBase, ReadsEveryByteAsADigit)
{
    EXPECT_EQ(parseIntInBase("4E2D", 16), 0x4E2D);
    EXPECT_EQ(parseIntInBase("4e2d", 16), 0x4E2D);
    EXPECT_EQ(parseIntInBase("00zz", 16), 595);
    EXPECT_EQ(parseIntInBase("0Z", 16), 35);
    EXPECT_EQ(parseIntInBase("", 16), 0);
    EXPECT_EQ(parseIntInBase("-1", 16), 1);   // "-" is digit 0
    EXPECT_EQ(parseIntInBase("1 1", 10), 101); // so is a blank
    EXPECT_EQ(parseIntInBase(kZhong + "1", 16), 1);
    EXPECT_EQ(parseIntInBase("0777", 8), 0777);
}

TEST(ParseIntInBase, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(parseIntInBase("7fffffff", 16), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parseIntInBase("80000000", 16), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parseIntInBase("zzzzzzzzzzzzzzzzzzzz", 36), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(parseIntInBase("000000000000000041", 16), 0x41); // leading zeros are harmless
}

TEST(Utf16UnitToGbk, ConvertsCodePointsToGb18030)
{
    EXPECT_EQ(utf16UnitToGbk(0x41), "A");
    EXPECT_EQ(utf16UnitToGbk(0x4E2D), kZhong);
    EXPECT_EQ(utf16UnitToGbk(0x20AC), "\xA2\xE3"); // euro sign
    EXPECT_EQ(utf16UnitToGbk(0x1F600), kGrin);
    // Outside GBK but in GB18030: kept, not "?".
    EXPECT_EQ(codec::gb18030ToUtf8(utf16UnitToGbk(0xFF)).text, "\u00FF");
    EXPECT_EQ(codec::gb18030ToUtf8(utf16UnitToGbk(0x20000)).text, "\U00020000");
    // No character: "?".
    EXPECT_EQ(utf16UnitToGbk(0xD83D), "?");
    EXPECT_EQ(utf16UnitToGbk(0xDFFF), "?");
    EXPECT_EQ(utf16UnitToGbk(0x110000), "?");
    EXPECT_EQ(utf16UnitToGbk(0), "?");
    EXPECT_EQ(utf16UnitToGbk(-1), "?");
}

TEST(Utf16UnitToGbk, EveryBmpCharacterRoundTrips)
{
    // A few private-use code points have no form in the platform's GB18030 table and
    // give "?"; every other character must come back unchanged.
    std::u16string expected;
    std::string all;
    std::size_t unmapped = 0;
    for (int32_t cp = 1; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const std::string one = utf16UnitToGbk(cp);
        if (one == "?" && cp != '?') {
            EXPECT_TRUE(cp >= 0xE000 && cp <= 0xF8FF) << "U+" << std::hex << cp;
            ++unmapped;
            continue;
        }
        expected.push_back(static_cast<char16_t>(cp));
        all += one;
    }
    EXPECT_LT(unmapped, 64u);
    std::size_t bad = 0;
    const std::u16string back = codec::gb18030ToUtf16(all, &bad);
    EXPECT_EQ(bad, 0u);
    ASSERT_EQ(back.size(), expected.size());
    for (std::size_t i = 0; i < back.size(); ++i)
        ASSERT_EQ(back[i], expected[i]) << "at U+" << std::hex << int(expected[i]);
}

TEST(Utf16UnitToGbk, SupplementaryPlanesMatchThePlatformConversion)
{
    std::u16string utf16;
    std::string ours;
    for (int32_t cp = 0x10000; cp <= 0x10FFFF; cp += 997) {
        for (int32_t c : {cp, cp + 9, cp + 125}) { // digit and middle-byte carries
            if (c > 0x10FFFF)
                continue;
            const int32_t off = c - 0x10000;
            utf16.push_back(static_cast<char16_t>(0xD800 + (off >> 10)));
            utf16.push_back(static_cast<char16_t>(0xDC00 + (off & 0x3FF)));
            ours += utf16UnitToGbk(c);
        }
    }
    ours += utf16UnitToGbk(0x10FFFF);
    utf16 += u"\U0010FFFF";
    const codec::ConvertResult platform = codec::utf16ToGb18030(utf16);
    EXPECT_TRUE(platform.ok());
    EXPECT_EQ(ours, platform.text);
}

TEST(DecodeUnicodeEscapes, ReplacesEscapes)
{
    EXPECT_EQ(decodeUnicodeEscapes("\\u4E2D\\u6587"), kZhong + kWen);
    EXPECT_EQ(decodeUnicodeEscapes("x\\u4e2dy\\u0041"), "x" + kZhong + "yA");
    EXPECT_EQ(decodeUnicodeEscapes("\\u00zz"), utf16UnitToGbk(595));
    EXPECT_EQ(decodeUnicodeEscapes(""), "");
    EXPECT_EQ(decodeUnicodeEscapes("plain " + kZhong), "plain " + kZhong);
}

TEST(DecodeUnicodeEscapes, LeavesWhatIsNoEscape)
{
    EXPECT_EQ(decodeUnicodeEscapes("\\U0041"), "\\U0041");
    EXPECT_EQ(decodeUnicodeEscapes("\\u0000"), "\\u0000"); // code 0 is not decodable
    EXPECT_EQ(decodeUnicodeEscapes("\\\\u0041"), "\\A");   // the second backslash escapes
    EXPECT_EQ(decodeUnicodeEscapes("\\x\\u0041"), "\\xA");
    // Fewer than five bytes after a backslash: the rest is copied as it is.
    EXPECT_EQ(decodeUnicodeEscapes("ab\\u004"), "ab\\u004");
    EXPECT_EQ(decodeUnicodeEscapes("\\u0041\\u004"), "A\\u004");
    EXPECT_EQ(decodeUnicodeEscapes("\\u0041\\"), "A\\");
}

TEST(DecodeUnicodeEscapes, CombinesSurrogatePairs)
{
    EXPECT_EQ(decodeUnicodeEscapes("\\uD83D\\uDE00"), kGrin);
    EXPECT_EQ(decodeUnicodeEscapes("a\\ud83d\\ude00b"), "a" + kGrin + "b");
    EXPECT_EQ(decodeUnicodeEscapes("\\uD83D"), "?");
    EXPECT_EQ(decodeUnicodeEscapes("\\uD83Dx\\uDE00"), "?x?");
    EXPECT_EQ(decodeUnicodeEscapes("\\uDE00\\uD83D"), "??");
    EXPECT_EQ(decodeUnicodeEscapes("\\uD83D\\uD83D\\uDE00"), "?" + kGrin);
    EXPECT_EQ(decodeUnicodeEscapes("\\uDBFF\\uE000"), "?" + utf16UnitToGbk(0xE000));
    EXPECT_EQ(decodeUnicodeEscapes("\\uDBFF\\uDFFF"), utf16UnitToGbk(0x10FFFF));
    EXPECT_EQ(decodeUnicodeEscapes("\\uD83D\\uDE0"), "?\\uDE0");
}

TEST(DecodeUnicodeEscapes, ReplacesEscapedQuoteAndSlashAfterwards)
{
    EXPECT_EQ(decodeUnicodeEscapes("\\\"a\\/b"), "\"a/b");
    EXPECT_EQ(decodeUnicodeEscapes("\\u005C\""), "\"");   // the decoded backslash pairs up
    EXPECT_EQ(decodeUnicodeEscapes("\\u005C/"), "/");
    EXPECT_EQ(decodeUnicodeEscapes("\\\\\""), "\\\"");    // left to right, no overlap
    EXPECT_EQ(decodeUnicodeEscapes("\\\\/"), "\\/");
    EXPECT_EQ(decodeUnicodeEscapes("\\\\\"/"), "\\\"/");
    EXPECT_EQ(decodeUnicodeEscapes("a\\\\b"), "a\\\\b");
}

TEST(DecodeUnicodeEscapes, SkipsTrailBytesOfDoubleByteCharacters)
{
    // 0x5C after a lead byte is part of a character, not a backslash.
    const std::string trail = "\x95\x5C";
    EXPECT_EQ(decodeUnicodeEscapes(trail + "u0041"), trail + "u0041");
    EXPECT_EQ(decodeUnicodeEscapes(trail + "\""), trail + "\"");
    EXPECT_EQ(decodeUnicodeEscapes(trail + "\\u0041"), trail + "A");
}

TEST(DecodeUnicodeEscapes, KeepsZeroBytes)
{
    EXPECT_EQ(decodeUnicodeEscapes("\\u0041\0\\u0042"s), "A\0B"s);
}

TEST(DecodeHtmlEntities, NamedReferences)
{
    EXPECT_EQ(decodeHtmlEntities("&lt;&gt;&amp;&quot;&nbsp;"), "<>&\" ");
    EXPECT_EQ(decodeHtmlEntities("&AMP;"), "&");
    EXPECT_EQ(decodeHtmlEntities("&Agrave;"), gb("à"));
    EXPECT_EQ(decodeHtmlEntities("&Prime;"), gb("\u2032"));
    EXPECT_EQ(decodeHtmlEntities("&euro;&hellip;"), gb("€…"));
    EXPECT_EQ(decodeHtmlEntities(kZhong + "&lt;" + kWen), kZhong + "<" + kWen);
    EXPECT_EQ(decodeHtmlEntities("&amp;lt;"), "&lt;"); // one pass only
}

TEST(DecodeHtmlEntities, NumericReferences)
{
    EXPECT_EQ(decodeHtmlEntities("&#65;&#x42;"), "AB");
    EXPECT_EQ(decodeHtmlEntities("&#x4e2d;"), kZhong);
    EXPECT_EQ(decodeHtmlEntities("&# 65;&#+66;&#67abc;"), "ABC"); // read as atoi reads
    EXPECT_EQ(decodeHtmlEntities("&#128512;"), kGrin);
    EXPECT_EQ(decodeHtmlEntities("&#x1F600;"), kGrin);
    EXPECT_EQ(decodeHtmlEntities("&#1114111;"), utf16UnitToGbk(0x10FFFF));
    EXPECT_EQ(decodeHtmlEntities("&#xD800;"), "?");
}

TEST(DecodeHtmlEntities, LeavesWhatIsNoReference)
{
    for (const char* text : {"&#X42;", "&#9;", "&#00;", "&#;", "&#x;", "&#-5;", "&T;", "&;",
                             "&unknown;", "&toolongname;", "a & b", "&amp", "&#x110000;",
                             "&#1114112;", "&#99999999999;", "&#xFFFFFFFFFF;"})
        EXPECT_EQ(decodeHtmlEntities(text), text);
    EXPECT_EQ(decodeHtmlEntities("&" + kZhong + ";"), "&" + kZhong + ";");
    EXPECT_EQ(decodeHtmlEntities("&lt;x&gt"), "<x&gt");
    EXPECT_EQ(decodeHtmlEntities("&&amp;"), "&&");
    EXPECT_EQ(decodeHtmlEntities("&a &b &lt;c"), "&a &b <c");
    EXPECT_EQ(decodeHtmlEntities("&lt;\0&gt;"s), "<\0>"s);
}

// Random texts over the bytes the decoders react to (and lead/trail bytes of
// double-byte characters): neither decoder ever lengthens a text, and without "u"
// the escape decoder only does the two replacements, which must equal running them
// one after the other over units.
TEST(Decoders, RandomTexts)
{
    std::mt19937 rng(20240611);
    const std::string escapeBytes = "\\\"/ua0D8Ed9xX\x95\xD6";
    const std::string entityBytes = "&;#xX0149altgmp \x95\xD6";
    const std::string quoteBytes = "\\\"/a\x95\xD6";
    auto randomText = [&](const std::string& alphabet) {
        std::string t(rng() % 40, ' ');
        for (char& c : t)
            c = alphabet[rng() % alphabet.size()];
        return t;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string e = randomText(escapeBytes);
        EXPECT_LE(decodeUnicodeEscapes(e).size(), e.size()) << e;
        const std::string h = randomText(entityBytes);
        EXPECT_LE(decodeHtmlEntities(h).size(), h.size()) << h;
        const std::string q = randomText(quoteBytes);
        EXPECT_EQ(decodeUnicodeEscapes(q), gbk::replaceAll(gbk::replaceAll(q, "\\\"", "\""), "\\/", "/")) << q;
    }
}

TEST(Decoders, RunAsAPair)
{
    EXPECT_EQ(decodeHtmlEntities(decodeUnicodeEscapes("\\u0026lt;\\u4E2D")), "<" + kZhong);
}

} // namespace
} // namespace tess
