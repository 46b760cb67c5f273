// The table-driven GB18030 conversions against iconv: every Unicode scalar value and every
// GB18030 code both ways, and random bad input, where the replaced bytes, their count and
// the offset of the first one must agree too.
#include "IconvReference.h"
#include "platform/Codec.h"
#include "platform/Gb18030Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>

using namespace tess;
using namespace tess::codec;
using tess::test::asUtf16;

namespace {

void appendUtf8(std::string& s, char32_t cp)
{
    char buf[4];
    s.append(buf, encodeUtf8(cp, buf));
}

void appendUtf16(std::u16string& s, char32_t cp)
{
    if (cp >= 0x10000) {
        s += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        s += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        s += static_cast<char16_t>(cp);
    }
}

// Where two texts part, with the bytes around it in hex.
std::string firstDifference(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    std::string s = "at byte " + std::to_string(i) + ":";
    const std::size_t from = i > 8 ? i - 8 : 0;
    for (const std::string* t : { &a, &b }) {
        s += "\n ";
        for (std::size_t k = from; k < t->size() && k < i + 8; ++k) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>((*t)[k]));
            s += hex;
        }
    }
    return s;
}

void expectSame(const ConvertResult& ours, const ConvertResult& iconv, const char* what)
{
    EXPECT_TRUE(ours.text == iconv.text) << what << ": texts differ " << firstDifference(ours.text, iconv.text);
    EXPECT_EQ(ours.badBytes, iconv.badBytes) << what;
    EXPECT_EQ(ours.firstBad, iconv.firstBad) << what;
}

// Private-use code points that glibc's GB18030 has no code for (their old codes now stand
// for standard characters). Each of their UTF-8 bytes becomes '?'.
bool hasNoGbForm(char32_t cp)
{
    static const char32_t kNoForm[] = { 0xE816, 0xE817, 0xE818, 0xE81E, 0xE826, 0xE82B, 0xE82C, 0xE831,
        0xE832, 0xE83B, 0xE843, 0xE854, 0xE855, 0xE864 };
    return (cp >= 0xE78D && cp <= 0xE796) || std::find(std::begin(kNoForm), std::end(kNoForm), cp) != std::end(kNoForm);
}

// Each scalar value followed by '|', so that a character written with the wrong length
// shifts everything after it; and the same text as it comes back from GB18030.
struct AllScalars {
    std::string utf8, utf8Back;
    std::u16string utf16, utf16Back;
    AllScalars()
    {
        for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            appendUtf8(utf8, cp);
            appendUtf16(utf16, cp);
            if (hasNoGbForm(cp)) {
                utf8Back += "???";
                utf16Back += u"???";
            } else {
                appendUtf8(utf8Back, cp);
                appendUtf16(utf16Back, cp);
            }
            utf8 += '|';
            utf8Back += '|';
            utf16 += u'|';
            utf16Back += u'|';
        }
    }
};

const AllScalars& allScalars()
{
    static const AllScalars all;
    return all;
}

} // namespace

TEST(CodecTables, EveryScalarValueEncodesAsIconvDoesAndDecodesBack)
{
    const AllScalars& all = allScalars();
    const ConvertResult gb = utf8ToGb18030(all.utf8);
    expectSame(gb, test::iconvUtf8ToGb(all.utf8), "UTF-8 to GB18030");
    EXPECT_EQ(gb.badBytes, 24u * 3);
    const ConvertResult fromUtf16 = utf16ToGb18030(all.utf16);
    expectSame(fromUtf16, test::iconvUtf16ToGb(all.utf16), "UTF-16 to GB18030");
    EXPECT_EQ(fromUtf16.badBytes, 24u * 2); // one '?' for the unit

    const ConvertResult back = gb18030ToUtf8(gb.text);
    expectSame(back, test::iconvGbToUtf8(gb.text), "GB18030 to UTF-8");
    EXPECT_TRUE(back.text == all.utf8Back);
    std::size_t bad = 1;
    EXPECT_TRUE(gb18030ToUtf16(gb.text, &bad) == all.utf16Back);
    EXPECT_EQ(bad, 0u);
}

TEST(CodecTables, FetchedBodiesMarkACharacterWithoutFormOnce)
{
    // convert() replaces a character without a target form whole, as it does through
    // iconv for other charsets.
    const std::string noForm = "\xEE\x9E\x8D"; // U+E78D
    const ConvertResult r = convert("UTF-8", "GB18030", "a" + noForm + "\xE4\xB8\xAD" + noForm + "\xFF");
    EXPECT_EQ(r.text, "a?\xD6\xD0??");
    EXPECT_EQ(r.badBytes, 7u);
    EXPECT_EQ(r.firstBad, 1u);
    EXPECT_EQ(utf8ToGb18030("a" + noForm).text, "a???");
}

TEST(CodecTables, EveryGbCodeDecodesAsIconvDoes)
{
    // All two-byte codes, and every four-byte code from 81 30 81 30 to FE 39 FE 39: the
    // BMP range, its unassigned tail, the supplementary planes and what lies past them.
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            all += { static_cast<char>(lead), static_cast<char>(trail), '|' };
    for (int a = 0x81; a <= 0xFE; ++a)
        for (int b = 0x30; b <= 0x39; ++b)
            for (int c = 0x81; c <= 0xFE; ++c)
                for (int d = 0x30; d <= 0x39; ++d)
                    all += { static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d), '|' };
    const ConvertResult iconvUtf8 = test::iconvGbToUtf8(all);
    expectSame(gb18030ToUtf8(all), iconvUtf8, "GB18030 to UTF-8");
    std::size_t bad = 0;
    const std::u16string ours = gb18030ToUtf16(all, &bad);
    const ConvertResult iconvUtf16 = test::iconvGbToUtf16(all);
    EXPECT_TRUE(ours == asUtf16(iconvUtf16.text));
    EXPECT_EQ(bad, iconvUtf16.badBytes);
    // The regex service decodes character by character with the same tables.
    EXPECT_TRUE(gb18030::toUtf8(all) == iconvUtf8.text);
}

TEST(CodecTables, BadInputIsReplacedAsIconvDoes)
{
    // Short pieces of valid and broken sequences between ASCII runs of random length, so
    // that they fall at every position of the 16-byte blocks and at the end of the input.
    std::mt19937 rng(2026);
    const std::string utf8Pieces[] = { "\xE4\xB8\xAD", "\xC3\xA9", "\xF0\x9F\x98\x80", "\xE4\xB8", "\xC3", "\xF0\x9F\x98",
        "\x80", "\xBF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5", "\xFF", "\xEF\xBF\xBD", "\xE2\x82\xAC" };
    const std::string gbPieces[] = { "\xD6\xD0", "\x94\x39\xFC\x36", "\x81\x30\x81\x30", "\xA2\xE3", "\x80", "\xFF",
        "\xD6", "\x81\x30", "\x81\x30\x81", "\x84\x31\xA4\x39", "\x84\x31\xA5\x30", "\xE3\x32\x9A\x36", "\xFE\x39\xFE\x39",
        "\x81\x7F", "\xA1\x40" };
    const char16_t u16Pieces[][3] = { u"\u4E2D", u"\u00E9", u"\U0001F600", { 0xD83D, 0 }, { 0xDE00, 0 },
        { 0xDE00, 0xD83D, 0 }, u"\uFFFF", u"\u20AC", u"\u0080" };
    auto ascii = [&](auto& s, auto unit) {
        for (int n = static_cast<int>(rng() % 40); n > 0; --n)
            s += static_cast<decltype(unit)>('a' + rng() % 26);
    };
    for (int round = 0; round < 3000; ++round) {
        std::string u8, gb;
        std::u16string u16;
        for (int k = static_cast<int>(rng() % 6); k > 0; --k) {
            ascii(u8, char());
            ascii(gb, char());
            ascii(u16, char16_t());
            u8 += utf8Pieces[rng() % std::size(utf8Pieces)];
            gb += gbPieces[rng() % std::size(gbPieces)];
            u16 += u16Pieces[rng() % std::size(u16Pieces)];
        }
        if (rng() % 2)
            ascii(u8, char());
        SCOPED_TRACE("round " + std::to_string(round));
        expectSame(utf8ToGb18030(u8), test::iconvUtf8ToGb(u8), "UTF-8 to GB18030");
        expectSame(convert("utf-8", "GB18030", u8), test::iconvUtf8ToGb(u8), "convert from UTF-8");
        expectSame(gb18030ToUtf8(gb), test::iconvGbToUtf8(gb), "GB18030 to UTF-8");
        expectSame(utf16ToGb18030(u16), test::iconvUtf16ToGb(u16), "UTF-16 to GB18030");
        std::size_t bad = 0;
        const ConvertResult ref = test::iconvGbToUtf16(gb);
        ASSERT_TRUE(gb18030ToUtf16(gb, &bad) == asUtf16(ref.text));
        EXPECT_EQ(bad, ref.badBytes);
    }
}

TEST(CodecTables, WellFormedUtf8ConvertsInOnePassOrNotAtAll)
{
    // Characters of many scripts (two-, three- and four-byte UTF-8; two- and four-byte
    // GB18030; a private-use character without a form), now and then a broken sequence.
    std::mt19937 rng(77);
    const std::string valid[] = { "\xC3\xA9", "\xD0\x96", "\xD8\xB9", "\xE0\xA4\x95", "\xE0\xB8\x81", "\xEA\xB0\x80",
        "\xE3\x81\x82", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xF0\xA0\x80\x8B", "\xEE\x9E\x8D", "\xE2\x82\xAC",
        "\xEF\xBF\xBF", "\xC2\x80", "0123456789abcdef01" };
    const std::string broken[] = { "\xC3", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xFF" };
    int wellFormed = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string u8;
        for (int k = static_cast<int>(rng() % 40); k > 0; --k)
            u8 += rng() % 60 == 0 ? broken[rng() % std::size(broken)] : valid[rng() % std::size(valid)];
        SCOPED_TRACE("round " + std::to_string(round));
        const std::optional<ConvertResult> whole = wellFormedUtf8ToGb18030(u8);
        ASSERT_EQ(whole.has_value(), isValidUtf8(u8));
        if (!whole)
            continue;
        ++wellFormed;
        expectSame(*whole, test::iconvUtf8ToGb(u8), "well-formed UTF-8 to GB18030");
    }
    EXPECT_GT(wellFormed, 1000);
}

TEST(CodecTables, TextInManyScriptsConvertsAsIconvDoesBothWays)
{
    // Words of one script each (two-, three- and four-byte UTF-8; two- and four-byte
    // GB18030 codes; the supplementary planes and the code points with irregular codes),
    // between ASCII runs of any length down to none, in texts long enough to be converted
    // in several stretches; now and then a broken sequence or a bad GB18030 byte.
    struct Range {
        char32_t first, last;
    };
    const Range scripts[] = { { 0x80, 0xFF }, { 0x100, 0x24F }, { 0x370, 0x3FF }, { 0x400, 0x4FF }, { 0x590, 0x5FF },
        { 0x600, 0x6FF }, { 0x900, 0x97F }, { 0xE00, 0xE7F }, { 0x10A0, 0x10FF }, { 0x1E00, 0x1EFF }, { 0x2000, 0x206F },
        { 0x3000, 0x30FF }, { 0x4E00, 0x9FFF }, { 0xAC00, 0xD7A3 }, { 0xE000, 0xE865 }, { 0xFE00, 0xFFFF },
        { 0x10000, 0x1007F }, { 0x1F300, 0x1FAFF }, { 0x20000, 0x2A6DF }, { 0x2F800, 0x2FA1F }, { 0x10FF00, 0x10FFFF } };
    const char* const brokenUtf8[] = { "\xC3", "\xE4\xB8", "\xF0\x9F\x98", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xFF" };
    const char* const badGb[] = { "\x80", "\xFF", "\x81\x7F", "\x81\x30", "\x84\x31\xA5\x30", "\xA1" };
    std::mt19937 rng(4711);
    for (int round = 0; round < 300; ++round) {
        std::string u8;
        const std::size_t length = 16 + rng() % (round % 10 == 0 ? 60000 : 3000);
        const bool broken = round % 3 == 0;
        while (u8.size() < length) {
            for (int n = static_cast<int>(rng() % 4 == 0 ? rng() % 40 : rng() % 3); n > 0; --n)
                u8 += static_cast<char>(' ' + rng() % 95);
            const Range& r = scripts[rng() % std::size(scripts)];
            for (int n = 1 + static_cast<int>(rng() % 24); n > 0; --n) {
                char32_t cp = r.first + rng() % (r.last - r.first + 1);
                if (cp >= 0xD800 && cp <= 0xDFFF)
                    cp = 0xFFFD;
                appendUtf8(u8, cp);
            }
            if (broken && rng() % 8 == 0)
                u8 += brokenUtf8[rng() % std::size(brokenUtf8)];
        }
        SCOPED_TRACE("round " + std::to_string(round));
        const ConvertResult gb = utf8ToGb18030(u8);
        expectSame(gb, test::iconvUtf8ToGb(u8), "UTF-8 to GB18030");
        const std::optional<ConvertResult> whole = wellFormedUtf8ToGb18030(u8);
        ASSERT_EQ(whole.has_value(), isValidUtf8(u8));
        if (whole)
            expectSame(*whole, test::iconvUtf8ToGb(u8), "well-formed UTF-8 to GB18030");
        std::string gbText = gb.text;
        if (broken)
            for (int n = 0; n < 20; ++n)
                gbText.insert(rng() % gbText.size(), badGb[rng() % std::size(badGb)]);
        expectSame(gb18030ToUtf8(gbText), test::iconvGbToUtf8(gbText), "GB18030 to UTF-8");
        if (::testing::Test::HasFailure())
            break;
    }
}

TEST(CodecTables, WellFormedUtf8IsToldWhereverTheFirstBadByteLies)
{
    // A quick look at the first characters turns other encodings away before the whole
    // conversion; the answer must stay that of the whole text: a character or a bad byte at
    // every offset around the end of the first MiB, after no or many other characters.
    const std::size_t mib = std::size_t(1) << 20;
    const std::string pieces[] = { "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC3\xA9", "\xE4\xB8x", "\xFF", "\xD6\xD0" };
    std::string many;
    for (int i = 0; i < 70; ++i)
        many += "\xD0\x96 ";
    int valid = 0;
    for (const std::string& before : { std::string(), many })
        for (std::size_t back = 0; back <= 5; ++back)
            for (const std::string& piece : pieces)
                for (const std::string& after : { std::string(), std::string("b"), std::string("\xFF") }) {
                    const std::string text = before + std::string(mib - before.size() - back, 'a') + piece + after;
                    SCOPED_TRACE("piece " + std::to_string(&piece - pieces) + " at MiB - " + std::to_string(back));
                    const std::optional<ConvertResult> whole = wellFormedUtf8ToGb18030(text);
                    ASSERT_EQ(whole.has_value(), isValidUtf8(text));
                    if (whole) {
                        ++valid;
                        ASSERT_TRUE(whole->text == utf8ToGb18030(text).text);
                    }
                }
    EXPECT_GT(valid, 30);
}

TEST(CodecTables, OutputThatOutgrowsTheInputIsComplete)
{
    // Accented Latin text doubles in GB18030 (two UTF-8 bytes, four GB18030 bytes), and
    // bad GB18030 bytes triple in UTF-8: the buffer must grow, and nothing may be lost.
    std::string latin = "start ";
    for (int i = 0; i < 100000; ++i)
        latin += "\xC3\x80"; // U+00C0
    const ConvertResult gb = utf8ToGb18030(latin);
    EXPECT_TRUE(gb.ok());
    EXPECT_EQ(gb.text.size(), 6u + 400000u);
    EXPECT_TRUE(gb18030ToUtf8(gb.text).text == latin);

    const std::string bad(100000, '\xFF');
    const ConvertResult r = gb18030ToUtf8("x" + bad);
    EXPECT_EQ(r.badBytes, bad.size());
    EXPECT_EQ(r.firstBad, 1u);
    EXPECT_EQ(r.text.size(), 1u + 3 * bad.size());

    std::u16string hangul(100000, u'\uAC00'); // four-byte codes from one unit each
    EXPECT_EQ(utf16ToGb18030(hangul).text.size(), 400000u);
}

// The tables compiled in were made from iconv when the program was built; built again
// from this machine's iconv they must be the same, entry for entry.
TEST(CodecTables, CompiledTablesAreThoseIconvGives)
{
    const gb18030::Mapping& compiled = gb18030::mapping();
    const auto built = gb18030::buildMapping("GB18030", stderr);
    auto same = [](const auto* a, const auto* b, std::size_t count) {
        return std::equal(a, a + count, b);
    };
    EXPECT_TRUE(same(compiled.twoByte, built->twoByte, gb18030::kTwoByteCount));
    EXPECT_TRUE(same(compiled.fourByte, built->fourByte, gb18030::kFourByteBmpCount));
    EXPECT_TRUE(same(compiled.fromBmp, built->fromBmp, 0x10000));
    EXPECT_TRUE(same(compiled.bmpCodes, built->bmpCodes, 0x10000));
    EXPECT_TRUE(same(compiled.twoByteUtf8, built->twoByteUtf8, gb18030::kTwoByteCount));
    ASSERT_EQ(compiled.exceptionCount, built->exceptionCount);
    EXPECT_GT(compiled.exceptionCount, 0u);
    for (std::size_t i = 0; i < compiled.exceptionCount; ++i) {
        const gb18030::EncodeException& a = compiled.exceptions[i];
        const gb18030::EncodeException& b = built->exceptions[i];
        EXPECT_TRUE(a.codePoint == b.codePoint && a.length == b.length && same(a.bytes, b.bytes, a.length)) << i;
    }
    EXPECT_EQ(compiled.firstSupplementaryException, built->firstSupplementaryException);
}

// When iconv cannot open the charset the tables stay empty, and that is said once, by
// name, instead of every character quietly converting to a mark.
TEST(CodecTables, AnUnknownCharsetIsSaidAndLeavesTheTablesEmpty)
{
    for (const char* charset : { "GB18030", "NO-SUCH-CHARSET" }) {
        std::FILE* report = std::tmpfile();
        ASSERT_NE(report, nullptr);
        const auto m = gb18030::buildMapping(charset, report);
        std::string said(256, '\0');
        std::rewind(report);
        said.resize(std::fread(said.data(), 1, said.size(), report));
        std::fclose(report);
        const unsigned char middle[] = { 0xD6, 0xD0 }; // 中
        const bool known = std::string(charset) == "GB18030";
        EXPECT_EQ(gb18030::decodeMultiByte(*m, middle, 2).valid, known) << charset;
        EXPECT_EQ(said.find(charset) != std::string::npos, !known) << said;
    }
}
