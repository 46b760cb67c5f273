#include "fetch/HtmlScanner.h"
#include "fetch/PageLinks.h"
#include "fetch/UrlParts.h"
#include "FetchTestHelpers.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace tess
