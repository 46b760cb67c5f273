#include "fetch/CommandLineFetch.h"
#include "fetch/HttpRequestClient.h"
#include "fetch/UrlCommand.h"
#include "fetch/UrlFetch.h"
#include "FetchTestHelpers.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

using test::gb;

TEST(UrlCommand, ClipboardTestAndModifiers)
{
    EXPECT_TRUE(isUrlText("HTTP://h.test/x"));
    EXPECT_TRUE(isUrlText("httpbin.test/x"));
    EXPECT_FALSE(isUrlText(" http://h.test/x"));
    EXPECT_FALSE(isUrlText("htt"));
    EXPECT_FALSE(isUrlText(""));
    EXPECT_FALSE(isUrlText("ftp://h.test"));

    EXPECT_EQ(encodingForModifiers(1), FetchEncoding::Utf8);
    EXPECT_EQ(encodingForModifiers(4), FetchEncoding::Ansi);
    EXPECT_EQ(encodingForModifiers(2), FetchEncoding::Raw);
    EXPECT_EQ(encodingForModifiers(0), FetchEncoding::Auto);
    EXPECT_EQ(encodingForModifiers(5), FetchEncoding::Auto); // Ctrl + Alt
    EXPECT_EQ(encodingForModifiers(3), FetchEncoding::Auto);
}

TEST(UrlCommand, NotUrlGivesTheMessageAndNoFetch)
{
    const FetchOutcome outcome = fetchJsonText(" http://127.0.0.1:1/", FetchEncoding::Auto);
    EXPECT_EQ(outcome.status, FetchStatus::NotUrl);
    EXPECT_EQ(outcome.message, gb("请先复制一个网址！程序将读取该网址处的JSON数据"));
    EXPECT_EQ(outcome.messageCaption, gb("信息："));
    EXPECT_TRUE(outcome.text.empty());
}

TEST(ShortenMiddle, LimitsAndWholeCharacters)
{
    const std::string u49 = "http://h.test/" + std::string(35, 'a');
    ASSERT_EQ(u49.size(), 49u);
    EXPECT_EQ(shortenMiddle(u49, 50), u49);
    const std::string u50 = u49 + "Z";
    EXPECT_EQ(shortenMiddle(u50, 50), u50.substr(0, 24) + "..." + u50.substr(26));
    const std::string u80 = "http://h.test/" + std::string(60, 'b') + "/e.json";
    EXPECT_EQ(shortenMiddle(u80, 50).size(), 51u);

    // Two-byte characters are never split: 25 of them, 50 bytes, give 12 + 12.
    std::string zh;
    for (int i = 0; i < 25; ++i)
        zh += gb("中");
    EXPECT_EQ(shortenMiddle(zh, 50), zh.substr(0, 24) + "..." + zh.substr(26));
    // An odd start: "a" then two-byte characters; the head stops before a split.
    const std::string mixed = "a" + zh;
    const std::string shortMixed = shortenMiddle(mixed, 50);
    EXPECT_EQ(shortMixed, "a" + zh.substr(0, 22) + "..." + zh.substr(26));

    EXPECT_EQ(fetchingCaption(u49), gb("正在读取 ") + u49);
}

TEST(UrlCommand, SplitAtBar)
{
    EXPECT_EQ(splitUrlAndBody("http://h/x|a=1&b=2").postBody, "a=1&b=2");
    EXPECT_EQ(splitUrlAndBody("http://h/x|a=1&b=2").url, "http://h/x");
    EXPECT_EQ(splitUrlAndBody("http://h/x|").postBody, "");
    EXPECT_EQ(splitUrlAndBody("http://h/x|a|b").postBody, "a");
    EXPECT_EQ(splitUrlAndBody("http://h/x").postBody, "");
    // 0x7C as the trail byte of a two-byte character is not a separator.
    EXPECT_EQ(splitUrlAndBody("http://h/\x81\x7Cx").url, "http://h/\x81\x7Cx");
}

TEST(RequestUrl, TrimSchemeAndFragment)
{
    EXPECT_EQ(requestUrlOf(" \xA1\xA1http://h/x#frag \xA1\xA1"), "http://h/x");
    EXPECT_EQ(refererOf(" http://h/x#frag "), "http://h/x#frag");
    EXPECT_EQ(requestUrlOf("HTTPS://h/x"), "HTTPS://h/x");
    EXPECT_EQ(requestUrlOf("httpbin.test/x"), "http://httpbin.test/x");
    EXPECT_EQ(wireUrl(gb("http://h/中 x")), "http://h/%E4%B8%AD%20x");
}

TEST(RequestUrl, NonAsciiHostNamesGoOutInTheirAsciiForm)
{
    // Only the host changes; path, query and fragment are percent-encoded as before.
    EXPECT_EQ(wireUrl(gb("http://例子.localhost:8080/中?q=中#中")),
              "http://xn--fsqu00a.localhost:8080/%E4%B8%AD?q=%E4%B8%AD#%E4%B8%AD");
    EXPECT_EQ(wireUrl(gb("https://user:pw@例子.test")), "https://user:pw@xn--fsqu00a.test");
    EXPECT_EQ(wireUrl(gb("http://h.test/例子.test")), "http://h.test/%E4%BE%8B%E5%AD%90.test");
    EXPECT_EQ(wireUrl("http://[::1]:80/x"), "http://[::1]:80/x");
    // A name the conversion refuses is sent as it was (the exchange then fails as for any
    // name that does not resolve).
    EXPECT_EQ(wireUrl(gb("http://例子\x01.test/")), "http://%E4%BE%8B%E5%AD%90%01.test/");
}

TEST(CommandLineFetch, EncodingNamesAndErrors)
{
    EXPECT_EQ(parseFetchEncoding("auto"), FetchEncoding::Auto);
    EXPECT_EQ(parseFetchEncoding(""), FetchEncoding::Auto);
    EXPECT_EQ(parseFetchEncoding("UTF8"), FetchEncoding::Utf8);
    EXPECT_EQ(parseFetchEncoding("gbk"), FetchEncoding::Ansi);
    EXPECT_FALSE(parseFetchEncoding("latin1"));

    const CommandLineFetchResult bad = fetchForCommandLine("http://127.0.0.1:1/", "latin1");
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find("latin1"), std::string::npos);
    const CommandLineFetchResult notUrl = fetchForCommandLine("ftp://x", "auto");
    EXPECT_FALSE(notUrl.ok);
    EXPECT_FALSE(notUrl.error.empty());
}

} // namespace
} // namespace tess
