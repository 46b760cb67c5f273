// Paths in the jq, JSONPath, JavaScript and Python syntaxes: how names are written and
// quoted, and typed paths of every form resolved back to their node.
#include "json/PathSyntax.h"
#include "platform/Codec.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

namespace tess {
namespace {

struct Doc {
    JsonDocument doc;
    // text is UTF-8; the engine gets GB18030.
    explicit Doc(std::string_view utf8, bool zeroBased = false)
    {
        std::string text = codec::utf8ToGb18030(utf8).text;
        doc.parse(text, zeroBased, false);
    }
    // The first node whose stored name is the given UTF-8 text.
    int node(std::string_view utf8Name) const
    {
        const std::string name = codec::utf8ToGb18030(utf8Name).text;
        for (int i = 2; i <= doc.nodes().nodeCount(); ++i)
            if (doc.nodes().nameView(i) == name)
                return i;
        return -1;
    }
    std::string path(int node, PathStyle style) const
    {
        return codec::gb18030ToUtf8(pathInStyle(doc, node, style)).text;
    }
    int at(std::string_view utf8Path) const { return nodeAtAnyPath(doc, codec::utf8ToGb18030(utf8Path).text); }
    int at(std::string_view utf8Path, PathStyle style) const
    {
        return nodeAtPath(doc, codec::utf8ToGb18030(utf8Path).text, style);
    }
};

constexpr PathStyle kForeign[] = {PathStyle::Jq, PathStyle::JsonPath, PathStyle::JavaScript, PathStyle::Python};

TEST(PathSyntax, PlainNamesAndZeroBasedIndexesInEveryStyle)
{
    // One-based document: the tree says [1], the other syntaxes [0].
    Doc d(R"({"data":{"items":[{"id":7}]}})");
    const int id = d.node("id");
    EXPECT_EQ(d.path(id, PathStyle::Tree), "data.items.[1].id");
    EXPECT_EQ(pathInStyle(d.doc, id, PathStyle::Tree, true), "data.items[1].id");
    EXPECT_EQ(d.path(id, PathStyle::Jq), ".data.items[0].id");
    EXPECT_EQ(d.path(id, PathStyle::JsonPath), "$.data.items[0].id");
    EXPECT_EQ(d.path(id, PathStyle::JavaScript), "data.items[0].id");
    EXPECT_EQ(d.path(id, PathStyle::Python), R"(["data"]["items"][0]["id"])");
    // The root, and nodes that do not exist.
    EXPECT_EQ(d.path(1, PathStyle::Jq), ".");
    EXPECT_EQ(d.path(1, PathStyle::JsonPath), "$");
    EXPECT_EQ(d.path(1, PathStyle::JavaScript), "");
    for (const PathStyle s : kForeign) {
        EXPECT_EQ(pathInStyle(d.doc, 0, s), "");
        EXPECT_EQ(pathInStyle(d.doc, 99, s), "");
    }
    // A document whose root is an array starts with an index.
    Doc top(R"([[1,2]])");
    const int two = 4;
    EXPECT_EQ(top.path(two, PathStyle::Jq), ".[0][1]");
    EXPECT_EQ(top.path(two, PathStyle::JsonPath), "$[0][1]");
    EXPECT_EQ(top.path(two, PathStyle::JavaScript), "[0][1]");
    EXPECT_EQ(top.path(two, PathStyle::Python), "[0][1]");
}

TEST(PathSyntax, OddNamesAreQuotedAndEscapedPerSyntax)
{
    Doc d(R"({"a":{"odd key":1,"x.y":2,"q\"t":3,"b\\s":4,"1st":5,"it's":6,"中文":7,"c\n\u0001":8,"$v":9,"":10,"\u0041b":11}})");
    struct Case {
        const char* stored; // name as the engine stores it (UTF-8)
        const char* jq;
        const char* jsonPath;
        const char* js;
        const char* python;
    };
    const Case cases[] = {
        {"odd key", R"(.a["odd key"])", R"($.a['odd key'])", R"(a["odd key"])", R"(["a"]["odd key"])"},
        {"x.y", R"(.a["x.y"])", R"($.a['x.y'])", R"(a["x.y"])", R"(["a"]["x.y"])"},
        {"q#SYH#t", R"(.a["q\"t"])", R"($.a['q"t'])", R"(a["q\"t"])", R"(["a"]["q\"t"])"},
        {R"(b\\s)", R"(.a["b\\s"])", R"($.a['b\\s'])", R"(a["b\\s"])", R"(["a"]["b\\s"])"},
        {"1st", R"(.a["1st"])", R"($.a['1st'])", R"(a["1st"])", R"(["a"]["1st"])"},
        {"it's", R"(.a["it's"])", R"($.a['it\'s'])", R"(a["it's"])", R"(["a"]["it's"])"},
        {"中文", R"(.a["中文"])", R"($.a['中文'])", R"(a["中文"])", R"(["a"]["中文"])"},
        {R"(c\n\u0001)", R"(.a["c\n\u0001"])", R"($.a['c\n\u0001'])", R"(a["c\n\u0001"])", R"(["a"]["c\n\u0001"])"},
        {"$v", R"(.a["$v"])", R"($.a['$v'])", R"(a.$v)", R"(["a"]["$v"])"},
        {"", R"(.a[""])", R"($.a[''])", R"(a[""])", R"(["a"][""])"},
        // An escaped letter is the letter: the name is an identifier.
        {R"(\u0041b)", ".a.Ab", "$.a.Ab", "a.Ab", R"(["a"]["Ab"])"},
    };
    for (const Case& c : cases) {
        const int n = d.node(c.stored);
        ASSERT_GT(n, 0) << c.stored;
        EXPECT_EQ(d.path(n, PathStyle::Jq), c.jq);
        EXPECT_EQ(d.path(n, PathStyle::JsonPath), c.jsonPath);
        EXPECT_EQ(d.path(n, PathStyle::JavaScript), c.js);
        EXPECT_EQ(d.path(n, PathStyle::Python), c.python);
    }
    // A byte that is not GB18030 is written as U+FFFD, so it cannot take the backslash
    // of the escape after it as its trail byte; the path still finds the node.
    JsonDocument stray;
    std::string strayText = "{\xB4\n\"a\": 1}";
    stray.parse(strayText, false, false);
    const int a = 2;
    ASSERT_EQ(stray.nodes().nameView(a), "\xB4\"a");
    for (const PathStyle s : kForeign) {
        const std::string path = pathInStyle(stray, a, s);
        EXPECT_NE(path.find("\\ufffd"), std::string::npos) << path;
        EXPECT_EQ(nodeAtPath(stray, path, s), a) << path;
    }
    // A quoted first name: jq keeps its leading dot, JavaScript starts with the bracket.
    Doc first(R"({"odd key":{"b":1}})");
    EXPECT_EQ(first.path(3, PathStyle::Jq), R"(.["odd key"].b)");
    EXPECT_EQ(first.path(3, PathStyle::JavaScript), R"(["odd key"].b)");
}

TEST(PathSyntax, EveryNodeResolvesFromItsPathInEveryStyle)
{
    const char* text = R"({"data":{"items":[{"id":1,"x.y":[true,{"q\"t":"v"}]},[[3]]]},)"
                       R"("中 文":{"\u4e2d\\":null},"":{"":0},"a\tb":[],"sl\/ash":1,"$":2})";
    for (const bool zeroBased : {false, true}) {
        Doc d(text, zeroBased);
        ASSERT_GT(d.doc.nodes().nodeCount(), 15);
        for (int n = 1; n <= d.doc.nodes().nodeCount(); ++n) {
            for (const PathStyle s : {PathStyle::Tree, PathStyle::Jq, PathStyle::JsonPath, PathStyle::JavaScript,
                                      PathStyle::Python}) {
                const std::string path = pathInStyle(d.doc, n, s);
                if (s == PathStyle::Tree) {
                    // The tree's form cannot tell an empty name from no name ("" is the
                    // root): there the node found must at least have the same path.
                    const int found = nodeAtPath(d.doc, path, s);
                    EXPECT_EQ(pathInStyle(d.doc, found, s), path);
                    if (!path.empty())
                        EXPECT_EQ(found, n) << path;
                    continue;
                }
                EXPECT_EQ(nodeAtPath(d.doc, path, s), n) << static_cast<int>(s) << " " << path;
                // (A lone "$" is the member "$" here, which this document has.)
                if ((s == PathStyle::Jq || s == PathStyle::JsonPath || zeroBased) && path != "$")
                    EXPECT_EQ(nodeAtAnyPath(d.doc, path), n) << path;
            }
            // The compact tree form reads back too, also where the engine's own
            // conversion would not ("a[0][1]").
            const std::string compact = pathInStyle(d.doc, n, PathStyle::Tree, true);
            if (!compact.empty())
                EXPECT_EQ(nodeAtAnyPath(d.doc, compact), n) << compact;
        }
    }
}

TEST(PathSyntax, TypedPathsOfTheOtherSyntaxes)
{
    Doc d(R"({"a":{"b c":[10,20,{"d":"x"}],"0":"zero"},"arr":[[1,2],[3]]})");
    const int twenty = d.node("[2]") + 0; // one-based document: "[2]" is the element 20
    ASSERT_GT(twenty, 0);
    EXPECT_EQ(d.at(R"(.a["b c"][1])"), twenty);
    EXPECT_EQ(d.at(R"(.a.["b c"].[1])"), twenty);   // jq 1.7's dotted brackets
    EXPECT_EQ(d.at(R"(.a."b c"[1])"), twenty);      // jq's ."name"
    EXPECT_EQ(d.at(R"($.a['b c'][1])"), twenty);
    EXPECT_EQ(d.at(R"($["a"]["b c"][-2])"), twenty); // negative: from the end
    EXPECT_EQ(d.at(R"(a["b c"][1])"), twenty);
    EXPECT_EQ(d.at(R"(['a']["b\u0020c"][1])"), twenty);
    EXPECT_EQ(d.at("  [\"a\"][ \"b c\" ][ 1 ]  "), twenty);
    EXPECT_EQ(d.at("a[0]"), d.node("0"));           // obj[0] is the member "0"
    EXPECT_EQ(d.at("arr[1][0]"), d.at("arr.[2].[1]"));
    // The root.
    EXPECT_EQ(d.at(""), 1);
    EXPECT_EQ(d.at("."), 1);
    EXPECT_EQ(d.at("$"), 1);
    // Names nothing, or is not a path.
    for (const char* bad : {"a.zz", ".a[9]", "$.a['b c'][3]", "a[\"b c\"", "a[x]", "$a", "..a", "a.", ".a[-4]",
                            "[\"unterminated]"})
        EXPECT_EQ(d.at(bad), -1) << bad;
    // An explicit style reads one way only.
    EXPECT_EQ(d.at(".a", PathStyle::Jq), d.node("a"));
    EXPECT_EQ(d.at("a", PathStyle::Jq), -1);
    EXPECT_EQ(d.at(".a", PathStyle::JavaScript), -1);
    EXPECT_EQ(d.at("$.a", PathStyle::JsonPath), d.node("a"));
    EXPECT_EQ(d.at("a.b c.[2]", PathStyle::Tree), twenty);
    EXPECT_EQ(d.at("a[\"b c\"][1]", PathStyle::Tree), -1);
}

TEST(PathSyntax, TreeReadingComesFirstInAOneBasedDocument)
{
    Doc d(R"({"a":[10,20]})");
    const int ten = d.node("[1]");
    const int twenty = d.node("[2]");
    EXPECT_EQ(d.at("a[1]"), ten);                         // the tree's compact form
    EXPECT_EQ(d.at("a[1]", PathStyle::JavaScript), twenty);
    EXPECT_EQ(d.at(".a[1]"), twenty);                     // a jq path is never a tree path
    EXPECT_EQ(d.at("a[0]"), ten);                         // the tree has no [0]: JavaScript
}

TEST(PathSyntax, TreeFormsResolveAsTheValueBoxReadsThem)
{
    Doc d(R"({"a.b":{"c":1},"x":{"b":1},"x[0]":5})");
    EXPECT_EQ(d.at(R"("a.b".c)"), d.node("c"));
    EXPECT_EQ(d.at(R"(''a.b''.c)"), d.node("c"));
    // A name that looks like a compact index is found as it stands first.
    EXPECT_EQ(d.at("x[0]"), d.node("x[0]"));
    EXPECT_EQ(valueOfNode(d.doc, d.node("c")), d.doc.valueAt(R"("a.b".c)"));
    EXPECT_EQ(valueOfNode(d.doc, 1), d.doc.valueAt(""));
    EXPECT_EQ(valueOfNode(d.doc, 0), "");
    Doc empty("");
    EXPECT_EQ(nodeAtAnyPath(empty.doc, "a"), -1);
}

} // namespace
} // namespace tess

namespace tess {
namespace {

constexpr PathStyle kAllStyles[] = {PathStyle::Tree, PathStyle::Jq, PathStyle::JsonPath, PathStyle::JavaScript,
                                    PathStyle::Python};

// Names that each syntax writes its own way, empty ones at the end of a path and in the
// middle, repeated names, arrays in arrays.
constexpr const char* kAwkward =
    R"({"a.b":{"":[1,{"":{"x":[[2]]}}]},"q\"t":{"b\\s":[{"中 文":3}]},"":{"":{"":4}},"0":[5],"[1]":6,)"
    R"("d":{"x":1},"d":{"y":[7,8]},"d":9,"$":{"it's":[]},"nested":{"arr":[10,20]}})";

TEST(PathSyntax, PathsInOrderGivesWhatPathInStyleGives)
{
    for (const bool zeroBased : {false, true}) {
        Doc d(kAwkward, zeroBased);
        const int count = d.doc.nodes().nodeCount();
        ASSERT_GT(count, 30);
        for (const PathStyle s : kAllStyles) {
            for (const bool compact : {false, true}) {
                PathsInOrder paths(d.doc, s, compact);
                for (int n = 2; n <= count; ++n)
                    EXPECT_EQ(paths.next(n), pathInStyle(d.doc, n, s, compact)) << int(s) << compact << " node " << n;
            }
        }
    }
}

TEST(PathSyntax, RepeatedNamesTryTheNextMemberWhenThePathGoesNoFurther)
{
    // The fuzz input: flags byte (zero-based), then three members named "", the third an array.
    const std::string input = "\x61S{:\xFE\x8D?,:\x0E\x0C\x0E,:[3]";
    JsonDocument fuzzed;
    std::string text = input.substr(1);
    fuzzed.parse(text, true, false);
    const int three = nodeAtPath(fuzzed, R"(.[""][0])", PathStyle::Jq);
    ASSERT_GT(three, 0);
    EXPECT_EQ(valueOfNode(fuzzed, three), "3");
    for (int n = 2; n <= fuzzed.nodes().nodeCount(); ++n) {
        for (const PathStyle s : kForeign) {
            const std::string path = pathInStyle(fuzzed, n, s);
            EXPECT_EQ(pathInStyle(fuzzed, nodeAtPath(fuzzed, path, s), s), path);
        }
    }
    // In every syntax, and in the value box's own look-up.
    Doc d(kAwkward);
    const int y = d.node("y");
    for (const char* path : {"d.y", "d.y.[2]", ".d.y", "$.d.y[1]", "d.y[1]", R"(["d"]["y"])"})
        EXPECT_EQ(d.doc.nodes().parentOf(d.at(path)) == y || d.at(path) == y, true) << path;
    EXPECT_EQ(d.doc.valueAt("d.y.[2]"), "8");
    EXPECT_EQ(d.doc.valueAt("d"), R"({"x":1})"); // the first member when the path ends there
    EXPECT_EQ(d.doc.valueAt("d.z"), "");
}

TEST(PathSyntax, EveryCopiedPathIsAmongTheReadingsOfThePathBox)
{
    for (const bool zeroBased : {false, true}) {
        Doc d(kAwkward, zeroBased);
        for (const bool compact : {false, true}) {
            for (int n = 1; n <= d.doc.nodes().nodeCount(); ++n) {
                for (const PathStyle s : kAllStyles) {
                    // What the copy command gives under these options; read back, one of
                    // the readings has that same path (the node itself, unless a name
                    // repeats or the tree's form cannot write an empty name).
                    const std::string path = pathInStyle(d.doc, n, s, compact);
                    const std::vector<PathReading> readings = pathReadings(d.doc, path, compact);
                    bool found = false;
                    for (const PathReading& r : readings)
                        found = found || pathInStyle(d.doc, r.node, s, compact) == path;
                    EXPECT_TRUE(found) << path << " style " << int(s) << " compact " << compact;
                }
            }
        }
    }
    // A JavaScript path with the path box in the canonical form is read as JavaScript;
    // with the compact form the tree's reading comes first and JavaScript's is offered.
    Doc d(kAwkward);
    const int ten = d.at("nested.arr.[1]");
    const int twenty = d.at("nested.arr.[2]");
    std::vector<PathReading> r = pathReadings(d.doc, "nested.arr[1]", false);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].node, twenty);
    EXPECT_EQ(r[0].style, PathStyle::JavaScript);
    EXPECT_EQ(r[1].node, ten);
    r = pathReadings(d.doc, "nested.arr[1]", true);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].node, ten);
    EXPECT_EQ(r[1].node, twenty);
    EXPECT_TRUE(pathReadings(d.doc, "nested.zz", false).empty());
}

} // namespace
} // namespace tess

namespace tess {
namespace {

TEST(PathSyntax, ValueViewsAreTheValuesTheValueBoxShows)
{
    // Random pieces of JSON with blanks (also the ideographic space A1 A1) next to quotes
    // and at line edges, escaped quotes and line breaks: the value handed out without
    // the trimming pass must be the trimmed one.
    // The pieces without a quote first, so that a text made of them alone gets far.
    const char* pieces[] = {"{", "}", "[", "]", ",", " ", "\t", "\n", "\r\n", "a", "1", "\xA1\xA1", "\xA1",
                            "\xD6\xD0", "#", "null", "\"", "\":", "\\\"", "{\"k\":", "\"s p\""};
    constexpr std::size_t kUnquoted = 16;
    std::mt19937 random(16);
    std::string scratch;
    for (int round = 0; round < 600; ++round) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 60);
        const std::size_t choices = round % 2 ? std::size(pieces) : kUnquoted;
        for (int k = 0; k < length; ++k)
            text += pieces[random() % choices];
        JsonDocument doc;
        std::string parsed = text;
        doc.parse(parsed, false, round % 4 == 1);
        doc.nodes().addNode(1, "raw", NodeKind::Object, text); // a value the parser did not prepare
        for (int n = 1; n <= doc.nodes().nodeCount(); ++n)
            ASSERT_EQ(valueOfNode(doc, n, scratch), valueOfNode(doc, n)) << text << " node " << n;
    }
}

} // namespace
} // namespace tess
