// Paths of nodes and values found by path.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using tess::JsonDocument;

namespace {

struct Parsed {
    JsonDocument doc;
    explicit Parsed(std::string text, bool zeroBased = false) { doc.parse(text, zeroBased, false); }
    int32_t find(const std::string& name) const
    {
        for (int32_t i = 1; i <= doc.nodes().nodeCount(); ++i)
            if (doc.nodes().nameOf(i) == name)
                return i;
        return -1;
    }
};

} // namespace

TEST(Paths, PathOfNode)
{
    Parsed p(R"({"a":{"b":[10,{"c.d":1}]}})");
    EXPECT_EQ(p.doc.pathOfNode(1), "");
    EXPECT_EQ(p.doc.pathOfNode(p.find("c.d")), R"(a.b.[2]."c.d")");
    EXPECT_EQ(p.doc.pathOfNode(0), "");
    EXPECT_EQ(p.doc.pathOfNode(99), "");
    Parsed top("[1,2]", true);
    EXPECT_EQ(top.doc.pathOfNode(2), "[0]");
}

TEST(Paths, EveryNodeResolvesByItsOwnPath)
{
    Parsed p(R"({"a":[1,[2,{"b":"x y"}]],"c.e":{"f":null},"g":{}})");
    for (int32_t i = 2; i <= p.doc.nodes().nodeCount(); ++i) {
        const std::string path = p.doc.pathOfNode(i);
        EXPECT_EQ(p.doc.valueAt(path), JsonDocument::cleanValue(p.doc.nodes().valueOf(i))) << path;
    }
}

TEST(Paths, ValueAtEdgeCases)
{
    Parsed p("{ \"a\" : {\"b\":1} }");
    EXPECT_EQ(p.doc.valueAt(""), "{\"a\":{\"b\":1}}");
    EXPECT_EQ(p.doc.valueAt("a.x"), "");
    EXPECT_EQ(p.doc.valueAt("a.\"b"), "{\"b\":1}");
    Parsed dotted(R"({"a.b":{"c":1}})");
    EXPECT_EQ(dotted.doc.valueAt(R"("a.b".c)"), "1");
    EXPECT_EQ(dotted.doc.valueAt("''a.b''.c"), "1");
    Parsed dup(R"({"k":1,"k":2})");
    EXPECT_EQ(dup.doc.valueAt("k"), "1");
    Parsed quoted(R"({"s":"a \"q\" b"})");
    EXPECT_EQ(quoted.doc.valueAt("s"), R"(a \"q\" b)");
    // A string's value is its text between the quotes, blanks at its edges included.
    Parsed blanks(R"({"s":" x ","t":"\" [ \" ","u":"a" })");
    EXPECT_EQ(blanks.doc.valueAt("s"), " x ");
    EXPECT_EQ(blanks.doc.valueAt("t"), R"(\" [ \" )");
    EXPECT_EQ(blanks.doc.valueAt("u"), "a");
    Parsed nested(R"({"a":[[1,2]]})", true);
    EXPECT_EQ(nested.doc.valueAt("a.[0].[1]"), "2");
    EXPECT_EQ(nested.doc.valueAt(nested.doc.scanner().convertPath("a[0][1]", 1)), "");
    JsonDocument empty;
    EXPECT_EQ(empty.valueAt(""), "");
    EXPECT_EQ(empty.valueAt("a"), "");
}

TEST(Paths, NamesWithEscapedQuotesUseThePlaceholder)
{
    Parsed p(R"({"a\"b":{"c":5}})");
    const std::string path = p.doc.pathOfNode(p.find("c"));
    EXPECT_EQ(path, "a#SYH#b.c");
    EXPECT_EQ(p.doc.valueAt(path), "5");
    // Typed with a real escaped quote the dot counts as quoted: no segment at all, so
    // the lookup falls back to the whole document.
    EXPECT_EQ(p.doc.valueAt(R"(a\"b.c)"), R"({"a\"b":{"c":5}})");
}

TEST(Paths, ParsePathSegments)
{
    tess::JsonScanner s;
    EXPECT_EQ(s.parsePath("a.\"b.c\".d"), 3);
    EXPECT_EQ(s.pathSegments(), (std::vector<std::string>{"a", "b.c", "d"}));
    EXPECT_EQ(s.parsePath("a.\"b"), 1);
    EXPECT_EQ(s.parsePath(""), 1);
    EXPECT_EQ(s.pathSegments(), std::vector<std::string>{""});
}
