#include "fetch/BodyDecoding.h"
#include "fetch/Gunzip.h"
#include "FetchTestHelpers.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace tess {
namespace {

using test::gb;
using test::gzipBytes;

const std::string kUtf8Bom = "\xEF\xBB\xBF";
const std::string kZhongUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";   // 中文
const std::string kZhongGbk = "\xD6\xD0\xCE\xC4";            // 中文 in GBK
const std::string kZhongBig5 = "\xA4\xA4\xA4\xE5";           // 中文 in Big5

struct DecodeCase {
    const char* name;
    std::string body;
    FetchEncoding encoding;
    std::string expected;
    FetchEncoding used;
};

TEST(DecodeBody, Table)
{
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::vector<DecodeCase> cases = {
        {"utf8 bom auto", kUtf8Bom + kZhongUtf8, FetchEncoding::Auto, kZhongGbk, FetchEncoding::Utf8},
        {"utf8 bom ctrl", kUtf8Bom + kZhongUtf8, FetchEncoding::Utf8, kZhongGbk, FetchEncoding::Utf8},
        {"utf8 bom alt keeps bytes", kUtf8Bom + kZhongUtf8, FetchEncoding::Ansi, kUtf8Bom + kZhongUtf8, FetchEncoding::Ansi},
        {"utf8 bom shift keeps bytes", kUtf8Bom + "a", FetchEncoding::Raw, kUtf8Bom + "a", FetchEncoding::Ansi},
        {"pure ascii", "{\"a\":[1,2]}", FetchEncoding::Auto, "{\"a\":[1,2]}", FetchEncoding::Ansi},
        {"valid 2 and 3 byte utf8", "\"\xC3\xA9" + kZhongUtf8 + "\"", FetchEncoding::Auto, "\"" + gb("é") + kZhongGbk + "\"", FetchEncoding::Utf8},
        {"one invalid byte makes it gbk", kZhongUtf8 + kZhongGbk, FetchEncoding::Auto, kZhongUtf8 + kZhongGbk, FetchEncoding::Ansi},
        {"gbk text", "{\"k\":\"" + kZhongGbk + "\"}", FetchEncoding::Auto, "{\"k\":\"" + kZhongGbk + "\"}", FetchEncoding::Ansi},
        {"4-byte sequence is gbk", kZhongUtf8 + emoji, FetchEncoding::Auto, kZhongUtf8 + emoji, FetchEncoding::Ansi},
        {"4-byte sequence under ctrl converts", emoji, FetchEncoding::Utf8, gb("\xF0\x9F\x98\x80"), FetchEncoding::Utf8},
        {"meta big5 unquoted", "<html><head><meta charset=Big5></head>" + kZhongBig5, FetchEncoding::Auto,
         "<html><head><meta charset=Big5></head>" + kZhongGbk, FetchEncoding::Big5},
        {"meta big5-hkscs quoted", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset='Big5-HKSCS'\">" + kZhongBig5,
         FetchEncoding::Auto, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset='Big5-HKSCS'\">" + kZhongGbk,
         FetchEncoding::Big5Hkscs},
        {"utf16le bom", "\xFF\xFE\x2D\x4E\x87\x65" "a\0"s, FetchEncoding::Auto, kZhongGbk + "a", FetchEncoding::Utf16Le},
        {"utf16be bom", "\xFE\xFF\x4E\x2D\x65\x87", FetchEncoding::Auto, kZhongGbk, FetchEncoding::Utf16Be},
        {"utf16le no bom auto stops at nul", "a\0b\0"s, FetchEncoding::Auto, "a", FetchEncoding::Ansi},
        {"utf16le fixed skips two bytes", "xxa\0b\0"s, FetchEncoding::Utf16Le, "ab", FetchEncoding::Utf16Le},
        {"embedded nul", "ab\0cd"s, FetchEncoding::Auto, "ab", FetchEncoding::Ansi},
        {"first byte nul", "\0abc"s, FetchEncoding::Auto, "", FetchEncoding::Ansi},
        {"only utf8 bom", kUtf8Bom, FetchEncoding::Auto, kUtf8Bom, FetchEncoding::Ansi},
        {"only utf16le bom", "\xFF\xFE", FetchEncoding::Auto, "\xFF\xFE", FetchEncoding::Ansi},
        {"empty", "", FetchEncoding::Auto, "", FetchEncoding::Ansi},
        {"gzip content", gzipBytes(kUtf8Bom + kZhongUtf8), FetchEncoding::Auto, kZhongGbk, FetchEncoding::Utf8},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedBody decoded = decodeBody(c.body, c.encoding);
        EXPECT_EQ(decoded.text, c.expected);
        EXPECT_EQ(decoded.used, c.used);
        EXPECT_FALSE(decoded.tooLarge);
    }
}

TEST(DecodeBody, MetaCharsetFamiliesAndHead)
{
    EXPECT_EQ(findMetaCharset("<meta charset=\"UTF-8\">"), 1);
    EXPECT_EQ(findMetaCharset("<META CHARSET=utf-8>"), 1);
    // Unquoted Big5-HKSCS contains "charset=Big5" and matches Big5 first.
    EXPECT_EQ(findMetaCharset("<meta charset=Big5-HKSCS>"), 2);
    EXPECT_EQ(findMetaCharset("<meta charset=\"Big5-HKSCS\">"), 3);
    EXPECT_EQ(findMetaCharset("<meta name=x><meta charset='big5'>"), 2);
    // A head limits the search to itself.
    EXPECT_EQ(findMetaCharset("<head><title>t</title></head><meta charset=big5>"), 0);
    EXPECT_EQ(findMetaCharset("<p>charset=big5</p>"), 0);
    EXPECT_EQ(findMetaCharset("<meta charset=gbk>"), 0);
}

TEST(DecodeBody, Utf8TestFollowsTheLooseRule)
{
    EXPECT_FALSE(isLikelyUtf8(""));
    EXPECT_FALSE(isLikelyUtf8("plain ascii"));
    EXPECT_TRUE(isLikelyUtf8("a\xC3\xA9"));
    EXPECT_TRUE(isLikelyUtf8("\xC0\x80"));           // overlong leads are not rejected
    EXPECT_FALSE(isLikelyUtf8("\xE4\xB8"));          // truncated at the end
    EXPECT_FALSE(isLikelyUtf8("\xF0\x9F\x98\x80"));  // 4-byte sequence
    EXPECT_FALSE(isLikelyUtf8("\x80"));
}

TEST(Gunzip, WholeTruncatedCorruptAndLimited)
{
    std::string plain;
    for (int i = 0; i < 20000; ++i)
        plain += std::to_string(i * 7919 % 10007) + ",";
    const std::string gz = gzipBytes(plain);
    EXPECT_EQ(gunzipBody(gz).bytes, plain);

    // Truncated: the bytes produced so far, a true prefix.
    const GunzipResult cut = gunzipBody(std::string_view(gz).substr(0, gz.size() / 2));
    EXPECT_FALSE(cut.bytes.empty());
    EXPECT_LT(cut.bytes.size(), plain.size());
    EXPECT_EQ(plain.compare(0, cut.bytes.size(), cut.bytes), 0);

    // Corrupt in the middle: the loop ends; what came before the damage is intact.
    std::string bad = gz;
    for (std::size_t i = bad.size() / 2; i < bad.size() / 2 + 16; ++i)
        bad[i] = static_cast<char>(bad[i] ^ 0x5A);
    const GunzipResult broken = gunzipBody(bad);
    ASSERT_GE(broken.bytes.size(), 1000u);
    EXPECT_EQ(broken.bytes.substr(0, 1000), plain.substr(0, 1000));
    EXPECT_NE(broken.bytes, plain);

    EXPECT_TRUE(gunzipBody("\x1F\x8B").bytes.empty());
    EXPECT_TRUE(gunzipBody(gz, 1000).tooLarge);
    EXPECT_TRUE(decodeBody(gz, FetchEncoding::Auto, 1000).tooLarge);
}

} // namespace
} // namespace tess
