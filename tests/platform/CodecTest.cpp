#include "platform/Codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace tess::codec;

namespace {

// 中文 in GB18030, an emoji (U+1F600) as a four-byte GB18030 sequence, and U+20AC (euro),
// which GB18030 holds in its four-byte BMP range.
const std::string kGbChinese = "\xD6\xD0\xCE\xC4";
const std::string kGbEmoji = "\x94\x39\xFC\x36";
const std::string kGbEuroSign = "\xA2\xE3";
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kUtf8Emoji = "\xF0\x9F\x98\x80";

} // namespace

TEST(Codec, RoundTripsGb18030AndUtf8IncludingFourByteCharacters)
{
    const std::string gbText = "a" + kGbChinese + "-" + kGbEmoji + kGbEuroSign + "\x81\x30\x81\x30";
    ConvertResult toUtf8 = gb18030ToUtf8(gbText);
    ASSERT_TRUE(toUtf8.ok());
    EXPECT_EQ(toUtf8.firstBad, std::string::npos);
    EXPECT_EQ(toUtf8.text, "a" + kUtf8Chinese + "-" + kUtf8Emoji + "\xE2\x82\xAC" + "\xC2\x80");
    ConvertResult back = utf8ToGb18030(toUtf8.text);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.text, gbText);

    std::u16string u16 = gb18030ToUtf16(gbText);
    EXPECT_EQ(u16, u"a\u4E2D\u6587-\U0001F600\u20AC\u0080");
    ConvertResult fromU16 = utf16ToGb18030(u16);
    ASSERT_TRUE(fromU16.ok());
    EXPECT_EQ(fromU16.text, gbText);
}

TEST(Codec, EmptyInputGivesEmptyOutput)
{
    EXPECT_TRUE(gb18030ToUtf8("").text.empty());
    EXPECT_TRUE(utf8ToGb18030("").ok());
    EXPECT_TRUE(gb18030ToUtf16("").empty());
}

TEST(Codec, InvalidGb18030BytesAreReplacedOneByOneAndCounted)
{
    // 0x80 and 0xFF are never GB18030; 0x81 followed by a space is a broken lead byte,
    // and the space after it must survive.
    ConvertResult r = gb18030ToUtf8("ok\x80" + kGbChinese + "\xFF\x81 z");
    EXPECT_EQ(r.badBytes, 3u);
    EXPECT_EQ(r.firstBad, 2u);
    EXPECT_EQ(r.text, "ok\xEF\xBF\xBD" + kUtf8Chinese + "\xEF\xBF\xBD\xEF\xBF\xBD z");

    std::size_t bad = 0;
    std::u16string u16 = gb18030ToUtf16("x\xFF", &bad);
    EXPECT_EQ(bad, 1u);
    EXPECT_EQ(u16, u"x\uFFFD");
}

TEST(Codec, TruncatedTailIsReplacedNotDropped)
{
    // A two-byte lead at the end, and three bytes of a four-byte sequence.
    ConvertResult lead = gb18030ToUtf8("ab\xD6");
    EXPECT_EQ(lead.badBytes, 1u);
    EXPECT_EQ(lead.firstBad, 2u);
    EXPECT_EQ(lead.text, "ab\xEF\xBF\xBD");

    // Three bytes of a four-byte sequence: the two lead-range bytes are bad, the digit
    // between them is a character of its own and is kept.
    ConvertResult four = gb18030ToUtf8(kGbChinese + kGbEmoji.substr(0, 3));
    EXPECT_EQ(four.badBytes, 2u);
    EXPECT_EQ(four.firstBad, 4u);
    EXPECT_EQ(four.text, kUtf8Chinese + "\xEF\xBF\xBD" "9\xEF\xBF\xBD");

    // A stateful target gets its closing shift sequence.
    ConvertResult jis = convert("UTF-8", "ISO-2022-JP", kUtf8Chinese.substr(0, 3));
    ASSERT_TRUE(jis.ok());
    EXPECT_EQ(jis.text, "\x1B$BCf\x1B(B");

    ConvertResult utf8Tail = utf8ToGb18030("x\xE4\xB8");
    EXPECT_EQ(utf8Tail.badBytes, 2u);
    EXPECT_EQ(utf8Tail.text, "x??");
}

TEST(Codec, InvalidUtf8BecomesQuestionMarks)
{
    // Overlong slash, an encoded surrogate, a stray continuation byte.
    ConvertResult r = utf8ToGb18030("a\xC0\xAF" "b\xED\xA0\x80" "c\x80");
    EXPECT_EQ(r.firstBad, 1u);
    EXPECT_EQ(r.badBytes, 6u);
    EXPECT_EQ(r.text, "a??b???c?");
}

TEST(Codec, LoneSurrogateInUtf16BecomesQuestionMark)
{
    std::u16string s = u"a";
    s += static_cast<char16_t>(0xD83D);
    s += u"b";
    s += static_cast<char16_t>(0xDE00);
    ConvertResult r = utf16ToGb18030(s);
    EXPECT_EQ(r.text, "a?b?");
    EXPECT_EQ(r.badBytes, 4u);
    EXPECT_EQ(r.firstBad, 2u);
}

TEST(Codec, GenericConvertReplacesUnconvertibleCharactersWhole)
{
    // Big5 for 中文 is A4 A4 A4 E5.
    ConvertResult big5 = convert("BIG5-HKSCS", "GB18030", "\xA4\xA4\xA4\xE5");
    ASSERT_TRUE(big5.ok());
    EXPECT_EQ(big5.text, kGbChinese);

    // The emoji has no GBK form: one "?" for its four bytes, and the text goes on.
    ConvertResult gbk = convert("UTF-8", "GBK", "x" + kUtf8Emoji + kUtf8Chinese);
    EXPECT_EQ(gbk.text, "x?" + kGbChinese);
    EXPECT_EQ(gbk.badBytes, 4u);
    EXPECT_EQ(gbk.firstBad, 1u);

    // The target's own question mark is used (two bytes in UTF-16LE).
    ConvertResult u16 = convert("UTF-8", "UTF-16LE", "a\xFF");
    EXPECT_EQ(u16.text, std::string("a\0?\0", 4));
    EXPECT_EQ(u16.badBytes, 1u);

    ConvertResult unknown = convert("NO-SUCH-CHARSET", "UTF-8", "abc");
    EXPECT_EQ(unknown.badBytes, 3u);
    EXPECT_EQ(unknown.text, "???");
}

TEST(Codec, ValidatesUtf8Strictly)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ascii text that is longer than eight bytes"));
    EXPECT_TRUE(isValidUtf8(kUtf8Chinese + kUtf8Emoji + "\xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("12345678\xE4\xB8"));  // truncated after an ASCII run
    EXPECT_FALSE(isValidUtf8("\x80"));
    EXPECT_FALSE(isValidUtf8(kGbChinese));
}

TEST(Codec, ValidatorAgreesWithIconvOnRandomBytes)
{
    std::mt19937 rng(12345);
    const std::string alphabet[] = { "a", "\x80", "\xBF", "\xC2", "\xE0", "\xED", "\xEF", "\xF0", "\xF4", "\xF5", "\xA0", "\x9F", "\x90" };
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = static_cast<int>(rng() % 7);
        for (int i = 0; i < n; ++i)
            s += alphabet[rng() % std::size(alphabet)];
        EXPECT_EQ(isValidUtf8(s), utf8ToGb18030(s).ok()) << "input length " << s.size();
    }
}

TEST(Codec, LargeInputConvertsInOnePass)
{
    std::string big;
    for (int i = 0; i < 2'000'000; ++i)
        big += (i % 3 == 0) ? kGbChinese : std::string("ab");
    big += "\xFF";
    ConvertResult r = gb18030ToUtf8(big);
    EXPECT_EQ(r.badBytes, 1u);
    EXPECT_EQ(r.firstBad, big.size() - 1);
    ConvertResult back = utf8ToGb18030(r.text);
    EXPECT_EQ(back.badBytes, 0u);
    // Everything but the bad byte comes back; that one is now U+FFFD in GB18030.
    EXPECT_TRUE(back.text == big.substr(0, big.size() - 1) + "\x84\x31\xA4\x37");
}

TEST(Codec, LiteralCacheReturnsStableConvertedViews)
{
    std::string_view first = gb(u8"\u771F"); // 真
    EXPECT_EQ(first, "\xD5\xE6");
    const char* where = first.data();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i)
                gb("key" + std::to_string(t * 1000 + i));
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(gb(u8"\u771F").data(), where);
    EXPECT_EQ(first, "\xD5\xE6");
    EXPECT_EQ(gb("key1234"), "key1234");
    EXPECT_EQ(gb(u8"\u250A*\u250A"), "\xA9\xAE*\xA9\xAE");
}

TEST(Codec, Utf8SizeCountsAsTheConversionDoesWhereverTheTextIsCut)
{
    // Whole characters of every length, bad bytes and cut characters, fed in pieces cut
    // anywhere (also inside a character, and pieces of one byte or none).
    std::mt19937 rng(2024);
    const std::string units[] = {"a", "\n", kGbChinese, kGbEmoji, kGbEuroSign, "\x81\x30\x81\x30", "\x80", "\xFF",
                                 "\x81", "\x81\x30", "\x81\x30\x81", "\xD6\x7F", "\x84\x31\xA4\x39"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i)
            text += units[rng() % std::size(units)];
        Utf8Size size;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t piece = rng() % 5;
            size.add(std::string_view(text).substr(at, piece));
            at += piece;
        }
        EXPECT_EQ(size.finish(), gb18030ToUtf8(text).text.size()) << testing::PrintToString(text);
    }
}
