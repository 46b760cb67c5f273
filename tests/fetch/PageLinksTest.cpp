#include "fetch/HtmlScanner.h"
#include "fetch/PageLinks.h"
#include "fetch/UrlParts.h"
#include "FetchTestHelpers.h"
#include "support/LinkCompletionReference.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace tess {
namespace {

using test::gb;

const std::string kPage = "http://h.test/a/b/page.html";

TEST(UrlParts, DirectorySchemeHostAndResolve)
{
    EXPECT_EQ(directoryOf(kPage), "http://h.test/a/b");
    EXPECT_EQ(directoryOf("noslash"), "");
    EXPECT_EQ(schemeAndHost(kPage), "http://h.test");
    EXPECT_EQ(schemeAndHost("https://h.test:8080"), "https://h.test:8080");
    EXPECT_EQ(schemeAndHost("h.test/x"), "");
    EXPECT_EQ(resolveUrl(kPage, "https://o.test/x"), "https://o.test/x");
    EXPECT_EQ(resolveUrl(kPage, "/root/x"), "http://h.test/root/x");
    EXPECT_EQ(resolveUrl(kPage, "next.html"), "http://h.test/a/b/next.html");
    EXPECT_EQ(resolveUrl(kPage, "../up.html"), "http://h.test/a/b/../up.html"); // not resolved
    EXPECT_EQ(resolveUrl("https://h.test/p", "//cdn.test/x"), "https://cdn.test/x");
}

TEST(HtmlScanner, AttributeValueForms)
{
    HtmlScanner s;
    EXPECT_EQ(s.attributeValue("<a href=\"x y\">", "href"), "x y");
    EXPECT_EQ(s.attributeValue("<a href='x'>", "href"), "x");
    EXPECT_EQ(s.attributeValue("<a href=x title=t>", "href"), "x");
    EXPECT_EQ(s.attributeValue("<a href=x>", "href"), "x");
    EXPECT_EQ(s.attributeValue("<a href=\"\">", "href"), "");
    EXPECT_EQ(s.attributeValue("<a href=\"  x  \">", "href"), "x");
    EXPECT_EQ(s.attributeValue("<a title=t>", "href"), "");
    // " src=" is looked for before "src=", so data-src does not shadow src.
    EXPECT_EQ(s.attributeValue("<img data-src=\"d\" src=\"s\">", "src"), "s");
    EXPECT_EQ(s.attributeValue("<img data-src=\"d\">", "src"), "d");
}

TEST(HtmlScanner, SetAttributeKeepsQuotesOrInserts)
{
    HtmlScanner s;
    EXPECT_EQ(s.setAttribute("<img src='a'>", "src", "b"), "<img src='b'>");
    EXPECT_EQ(s.setAttribute("<img src=a alt=x>", "src", "b"), "<img src=b alt=x>");
    EXPECT_EQ(s.setAttribute("<img data-src=\"d\">", "src", "d"), "<img data-src=\"d\" src=\"d\">");
    EXPECT_EQ(s.setAttribute("<img data-src=\"d\" />", "src", "d"), "<img data-src=\"d\"  src=\"d\"/>");
}

TEST(HtmlScanner, ElementsAndEquals)
{
    HtmlScanner s;
    // An unclosed element loses its start tag only.
    EXPECT_EQ(s.removeElements("a<NoScript x>b</noscript>c<noscript>d", "noscript"), "acd");
    EXPECT_EQ(s.firstElement("<header>x</header><head><title>t</title></head>", "head"),
              "<head><title>t</title></head>");
    EXPECT_EQ(s.firstElement("<meta name=a><meta http-equiv=refresh content=1>", "meta", "http-equiv", "Refresh"),
              "<meta http-equiv=refresh content=1>");
    EXPECT_EQ(s.findElements("<img src=a><IMG data-src=b><img zoomfile=c file=d><imgx file=e>", "img",
                             {"file", "zoomfile", "data-src"}),
              2);
    EXPECT_EQ(s.elementAt(1), "<IMG data-src=b>");
    EXPECT_EQ(s.elementAt(2), "<img zoomfile=c file=d>");
    EXPECT_EQ(s.elementAt(3), "");
    EXPECT_EQ(s.normalizeEquals("a  =\r\n b"), "a=b");
    EXPECT_EQ(s.normalizeEquals(gb("a　=　b")), "a=b");
    EXPECT_EQ(s.normalizeEquals("a" + std::string(12, ' ') + "=b"), "a  =b"); // ten at most
}

TEST(FindHtmlRedirect, MetaRefresh)
{
    struct Case { std::string page; std::string target; };
    const std::vector<Case> cases = {
        {"<html><head><meta http-equiv=\"refresh\" content=\"0;url=next.json\"></head></html>", "http://h.test/a/b/next.json"},
        {"<head><meta http-equiv=Refresh content=\"3; URL='/abs/p?q=1'\"></head>", "http://h.test/abs/p?q=1"},
        {"<head><META HTTP-EQUIV='REFRESH' CONTENT='0;URL=http://o.test/x'></head>", "http://o.test/x"},
        {"<meta http-equiv=refresh content=0;url=plain.html>", "http://h.test/a/b/plain.html"}, // no head
        {"<head><noscript><meta http-equiv=refresh content=\"0;url=x\"></noscript></head>", ""},
        {"<head><meta http-equiv=refresh content=\"5\"></head>", ""},
        // A head that is never closed (valid HTML) still holds its meta tags.
        {"<html><head><title>t</title><meta http-equiv=\"refresh\" content=\"0;url=next.json\"><body>x</body></html>",
         "http://h.test/a/b/next.json"},
        {"<head><title>t</title><meta http-equiv=refresh content=0;url=cut.json", "http://h.test/a/b/cut.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        std::string url = kPage;
        EXPECT_EQ(findHtmlRedirect(c.page, url), c.target);
        EXPECT_EQ(url, c.target.empty() ? kPage : c.target);
    }
}

TEST(FindHtmlRedirect, ScriptLocation)
{
    struct Case { std::string page; std::string target; };
    const std::vector<Case> cases = {
        {"<script>location.href=\"https://o.test/x\";</script>", "https://o.test/x"},
        {"<script type=text/javascript>self.location='next.html'</script>", "http://h.test/a/b/next.html"},
        {"<script>top.location=\"/t\"</script>", "http://h.test/t"},
        {"<script>window.navigate(\"nav.html\")</script>", "http://h.test/a/b/nav.html"},
        {"<script>if(a){location.href=\"https://o.test/x\"}</script>", ""},
        {"<script>x=1; IF (a) location.href='y'</script>", ""},
        {"<script>var a = 1;</script>", ""},
        // Only the first script is consulted.
        {"<script>var a;</script><script>location.href='z'</script>", ""},
        // A page cut off inside its script.
        {"<html><head><script>location.href=\"next.json\";", "http://h.test/a/b/next.json"},
        {"<script>\nvar t = 1;\nself.location='n.json'", "http://h.test/a/b/n.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        std::string url = kPage;
        EXPECT_EQ(findHtmlRedirect(c.page, url), c.target);
        EXPECT_EQ(url, c.target.empty() ? kPage : c.target);
    }
}

TEST(CompleteRelativeLinks, JsonWithoutTriggersIsUnchanged)
{
    const std::string json = "{\"name\":\"" + gb("张三") + "\",\"list\":[1,2.5,true,null],"
                             "\"site\":\"http://x.test/a\",\"nested\":{\"k\":'v'}}";
    EXPECT_EQ(completeRelativeLinks(kPage, json), json);
    std::string url = kPage;
    EXPECT_EQ(findHtmlRedirect(json, url), "");
    EXPECT_EQ(url, kPage);
}

TEST(CompleteRelativeLinks, RewritesInsideJsonValues)
{
    EXPECT_EQ(completeRelativeLinks(kPage, "{\"q\":\"a = b\"}"), "{\"q\":\"a=b\"}");
    EXPECT_EQ(completeRelativeLinks(kPage, "{\"q\":\"x&amp;y&AMP;z\"}"), "{\"q\":\"x&y&z\"}");
    EXPECT_EQ(completeRelativeLinks(kPage, "{\"p\":\"./img.png\"}"), "{\"p\":\"http://h.test/a/b/img.png\"}");
    EXPECT_EQ(completeRelativeLinks(kPage, "{\"p\":\"//cdn.test/x\"}"), "{\"p\":\"http://cdn.test/x\"}");
}

TEST(CompleteRelativeLinks, HtmlLinks)
{
    EXPECT_EQ(completeRelativeLinks(kPage, "<a href=\"../../x.html\">"), "<a href=\"http://h.test/x.html\">");
    EXPECT_EQ(completeRelativeLinks(kPage, "<a href=\"../x.html\">"), "<a href=\"http://h.test/a/x.html\">");
    // Above the host: the link becomes root-relative and then gets the host.
    EXPECT_EQ(completeRelativeLinks("http://h.test/p.html", "<a href=\"../x\">"), "<a href=\"http://h.test/x\">");
    EXPECT_EQ(completeRelativeLinks(kPage, "<a href=\"/r\">"), "<a href=\"http://h.test/r\">");
    EXPECT_EQ(completeRelativeLinks(kPage, "<a href='#top'>"), "<a href='" + kPage + "#top'>");
    EXPECT_EQ(completeRelativeLinks(kPage, "<img src=pic.png>"), "<img src=http://h.test/a/b/pic.png>");
    EXPECT_EQ(completeRelativeLinks(kPage, "<a href=\"rel.html\"><a HREF=\"http://o.test\">"),
              "<a href=\"http://h.test/a/b/rel.html\"><a href=\"http://o.test\">");
    EXPECT_EQ(completeRelativeLinks(kPage, "<base href=\"http://cdn.test/s/\"><img src=\"a.png\">"),
              "<base href=\"http://cdn.test/s/\"><img src=\"http://cdn.test/s/a.png\">");
    EXPECT_EQ(completeRelativeLinks(kPage, "<base href=\"http://cdn.test/s\"><a href=\"/r\">"),
              "<base href=\"http://cdn.test/s\"><a href=\"http://cdn.test/s/r\">");
}

TEST(CompleteRelativeLinks, LazyImages)
{
    EXPECT_EQ(completeRelativeLinks(kPage, "<p><img data-src=\"http://i.test/a.jpg\"></p>"),
              "<p><img data-src=\"http://i.test/a.jpg\" src=\"http://i.test/a.jpg\"></p>");
    EXPECT_EQ(completeRelativeLinks(kPage, "<img data-src=\"http://i.test/d.jpg\" zoomfile=\"http://i.test/z.jpg\" src=\"http://i.test/s.gif\">"),
              "<img data-src=\"http://i.test/d.jpg\" zoomfile=\"http://i.test/z.jpg\" src=\"http://i.test/z.jpg\">");
}

TEST(CompleteRelativeLinks, InsertedTextIsNeverRewrittenAgain)
{
    // The page URL's directory holds "src=" and "./": put in once, it stays as it is.
    const std::string url = "http://h.test/src=./x/page.html";
    const std::string dir = "http://h.test/src=./x";
    EXPECT_EQ(completeRelativeLinks(url, "<a href=\"./a\">"), "<a href=\"" + dir + "/a\">");
    EXPECT_EQ(completeRelativeLinks(url, "<img src=b.png>"), "<img src=" + dir + "/b.png>");
    // The same for a base href holding them (the base tag itself is page text).
    EXPECT_TRUE(completeRelativeLinks(kPage, "<base href=\"http://c.test/href=/\"><a href=\"r\">")
                    .ends_with("<a href=\"http://c.test/href=/r\">"));
}

TEST(CompleteRelativeLinks, FuzzRegressionInputsStayLinear)
{
    // Inputs of the fuzz target, "URL\npage": the result is bounded by one insertion of
    // the URL (or base href) per byte of the page, never by a product of rewrites.
    const std::filesystem::path dir = std::filesystem::path(TESS_SOURCE_DIR) / "fuzz/regressions/fuzz_html_redirect";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t newline = data.find('\n');
        const std::string url = data.substr(0, newline);
        const std::string page = newline == std::string::npos ? data : data.substr(newline + 1);
        const std::string out = completeRelativeLinks(url, page);
        EXPECT_LE(out.size(), (page.size() + 1) * (data.size() + 16)) << entry.path();
        ++inputs;
    }
    EXPECT_GE(inputs, 1);
}

TEST(CompleteRelativeLinks, EqualsTheRescanningStepsWhereNothingInsertedIsSearched)
{
    // Random pages from the pieces every step looks for, against the step-by-step
    // replacement over the whole text (test/support). They must agree wherever the URL
    // and the base href hold nothing a step searches for.
    static const std::vector<std::string> kPieces = {
        "src=", "href=", "SRC=", "HREF=", "\"", "'", "/", "#", "../", "./", "//", "http", "x", " ", " = ",
        "<img ", "data-src=", "zoomfile=", "file=", ">", "/>", "<base href=", "&amp;", "&AMP;", "\xD6\xD0", "\x81",
        "<IMG ", "</a>"};
    static const std::vector<std::string> kUrls = {kPage, "https://h.test/p", "h.test/x", "http://h.test",
                                                   "http://h.test/a/b/c/d/e/f/g.json", "http://h.test/\xD6\xD0/p"};
    std::mt19937 random(12345);
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int pieces = 1 + static_cast<int>(random() % 24);
        for (int i = 0; i < pieces; ++i)
            page += kPieces[random() % kPieces.size()];
        const std::string& url = kUrls[random() % kUrls.size()];
        const test::ReferenceLinks reference = test::completeRelativeLinksByRescanning(url, page);
        if (!reference.comparable)
            continue;
        ++compared;
        ASSERT_EQ(completeRelativeLinks(url, page), reference.text) << "url " << url << "\npage " << page;
    }
    EXPECT_GT(compared, 2000);
}

} // namespace
} // namespace tess
