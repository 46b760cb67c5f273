// What the tolerant parser makes of well-formed, sloppy and broken texts.
#include "EngineTestSupport.h"
#include "json/TreeContentBuffer.h"

#include <gtest/gtest.h>

using tess::JsonDocument;
using tess::NodeKind;
using tess::testing::members;
using tess::testing::parseNodes;
using V = std::vector<std::string>;

TEST(Parse, TextsWithoutBracketsBecomeAnArrayRoot)
{
    for (const char* text : {"", "   "}) {
        const auto nodes = parseNodes(text);
        ASSERT_EQ(nodes.size(), 1u) << text;
        EXPECT_EQ(nodes[0].name, "JSON");
        EXPECT_EQ(nodes[0].kind, int(NodeKind::Array));
        EXPECT_EQ(nodes[0].value, text);
    }
    EXPECT_EQ(members("123"), V{"[1]=123"});
    EXPECT_EQ(members("123", true), V{"[0]=123"});
    EXPECT_EQ(members("hello"), V{"[1]=hello"});
}

TEST(Parse, EmptyContainersAndTrailingCommas)
{
    EXPECT_TRUE(members("{}").empty());
    EXPECT_TRUE(members("[]").empty());
    EXPECT_TRUE(members("[ ]").empty());
    EXPECT_EQ(members("[1,2,]"), (V{"[1]=1", "[2]=2", "[3]="}));
    EXPECT_EQ(members("{\"a\":1,}"), V{"a=1"});
    EXPECT_EQ(members("[,]"), (V{"[1]=", "[2]="}));
    // Written over several lines, an empty container is still empty.
    for (const char* text : {"[\n\n  ]", "[\r\n\t\xA1\xA1\v\f]", "{\n\n}"})
        EXPECT_TRUE(members(text).empty()) << text;
    EXPECT_EQ(members("{\"bugs\":[\n\n  ],\"n\":{\r\n}}"), (V{"bugs=[\n\n]", "n={\r\n}"}));
}

TEST(Parse, KeysQuotedUnquotedAndSingleQuoted)
{
    EXPECT_EQ(members("{a:1}"), V{"a=1"});
    EXPECT_EQ(members("{'a':'x'}"), V{"'a'='x'"});
    EXPECT_EQ(members("{'a':'x'}", false, true), V{"a=\"x\""});
    EXPECT_EQ(members("{\"a\":\"x,y}\",\"b\":2}"), (V{"a=\"x,y}\"", "b=2"}));
}

TEST(Parse, EscapedQuotesAreHeldAsPlaceholder)
{
    EXPECT_EQ(members(R"({"a":"say \"hi\""})"), V{"a=\"say #SYH#hi#SYH#\""});
    EXPECT_EQ(members(R"({"a":"x\\"})"), V{R"(a="x\\")"});
    JsonDocument doc;
    std::string text = R"({"a":"say \"hi\""})";
    doc.parse(text, false, false);
    const auto items = doc.buildTreeContent();
    EXPECT_NE(items.find(R"(a:"say \"hi\"")"), std::string::npos);
}

TEST(Parse, NestedContainersKeepTheirSourceText)
{
    const auto nodes = parseNodes(R"({"k":[[1,2],[3]]})");
    ASSERT_EQ(nodes.size(), 7u);
    EXPECT_EQ(nodes[1].name, "k");
    EXPECT_EQ(nodes[1].kind, int(NodeKind::Array));
    EXPECT_EQ(nodes[1].value, "[[1,2],[3]]");
    EXPECT_EQ(nodes[2].name, "[1]");
    EXPECT_EQ(nodes[2].value, "[1,2]");
    EXPECT_EQ(nodes[2].childCount, 2);
    EXPECT_EQ(nodes[5].name, "[2]");
    EXPECT_EQ(nodes[5].level, 3);
    EXPECT_EQ(nodes[5].ordinal, 2);
    EXPECT_EQ(nodes[6].value, "3");
    EXPECT_EQ(nodes[6].level, 4);
}

TEST(Parse, SeveralTopLevelValuesMergeAndTextBeforeIsSkipped)
{
    EXPECT_EQ(members("{\"a\":1} {\"b\":2}"), (V{"a=1", "b=2"}));
    EXPECT_EQ(members("HTTP/1.1 200 OK\r\n{\"a\":1}"), V{"a=1"});
    EXPECT_EQ(members("[INFO] {\"a\":1}"), V{"[1]=INFO"});
    EXPECT_EQ(members("[1,2], x"), V{"[1]=1"});
    EXPECT_EQ(members("{\"a\":1}\nb:2"), (V{"a=1", "b=2"}));
}

TEST(Parse, WhiteSpaceRules)
{
    EXPECT_EQ(members("{\"a\": \"x\"}"), V{"a=\"x\""});
    // Between a string's quotes white space is part of the value, next to brackets too,
    // at any depth, with or without single quotes as string quotes.
    EXPECT_EQ(members("{\"a\":\" x \"}"), V{"a=\" x \""});
    for (const bool single : {false, true}) {
        const std::string text = single ? "{'x':'see [AV1] and ( a )',\n 'o': { 'z' : ' a { b ' }}"
                                        : "{\"x\":\"see [AV1] and ( a )\",\n \"o\": { \"z\" : \" a { b \" }}";
        EXPECT_EQ(members(text, false, single),
                  (V{"x=\"see [AV1] and ( a )\"", "o={\"z\":\" a { b \"}", "z=\" a { b \""}))
            << text;
    }
    EXPECT_EQ(members("{\"a\":\n  1}"), V{"a=\n1"});
    EXPECT_EQ(members("{\"a\":1"), V{"a=1"});
    // The ideographic space counts as white space next to structure.
    EXPECT_EQ(members("{\"a\":\xA1\xA1\"x\"}"), V{"a=\"x\""});
}

TEST(Parse, BrokenInputKeepsWhatCouldBeCut)
{
    EXPECT_EQ(members("{\"a\":1,\"b\"}"), V{"a=1"});
    EXPECT_EQ(members("{\"a\":[1,2}"), V{});
    EXPECT_EQ(members("{\"a\":1,\"b\":{\"c\":2}"), (V{"a=1", "b={\"c\":2}", "c=2"}));
    EXPECT_EQ(members("{\"dup\":1,\"dup\":2}"), (V{"dup=1", "dup=2"}));
}

TEST(Parse, PlaceholderAlreadyInTextShowsAsEscapedQuote)
{
    JsonDocument doc;
    std::string text = "{\"a\":\"#SYH#\"}";
    doc.parse(text, false, false);
    EXPECT_NE(doc.buildTreeContent().find("a:\"\\\"\""), std::string::npos);
}

TEST(Parse, SingleQuoteConversion)
{
    EXPECT_EQ(tess::JsonScanner::convertSingleQuotes(R"({'a':'say "hi"'})"), R"({"a":"say \"hi\""})");
    EXPECT_EQ(tess::JsonScanner::convertSingleQuotes(R"({'a':'it\'s'})"), R"({"a":"it\'s"})");
    EXPECT_EQ(tess::JsonScanner::convertSingleQuotes(R"(['a\\'])"), R"(["a\\"])");
    std::string text = "{'a':1}";
    JsonDocument doc;
    doc.parse(text, false, true);
    EXPECT_EQ(text, "{\"a\":1}");
    EXPECT_EQ(doc.nodes().valueOf(1), "{\"a\":1}");
}

TEST(Parse, TableInvariantsAfterParse)
{
    const auto nodes = parseNodes(R"({"a":{"b":[1,{"c":2},[]],"d":3},"e":[[[]]]})");
    ASSERT_FALSE(nodes.empty());
    EXPECT_EQ(nodes[0].level, 1);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        // childCount equals the number of following nodes one level deeper before the
        // subtree ends, and ordinals run 1..childCount.
        int children = 0;
        for (std::size_t j = i + 1; j < nodes.size() && nodes[j].level > nodes[i].level; ++j) {
            if (nodes[j].level == nodes[i].level + 1)
                EXPECT_EQ(nodes[j].ordinal, ++children);
        }
        EXPECT_EQ(nodes[i].childCount, children) << nodes[i].name;
    }
}

TEST(Parse, TreeContentBlockRecords)
{
    JsonDocument doc;
    std::string text = R"({"a":1,"b":[true,"x"]})";
    doc.parse(text, true, false);
    const auto items = tess::readTreeContent(doc.buildTreeContent());
    ASSERT_EQ(items.size(), 5u);
    const char* captions[] = {"JSON", "a:1", "b", "[0]:true", "[1]:\"x\""};
    const int depths[] = {1, 2, 2, 3, 3};
    const int kinds[] = {1, 0, 2, 0, 0};
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].caption, captions[i]);
        EXPECT_EQ(items[i].depth, depths[i]);
        EXPECT_EQ(items[i].image, kinds[i]);
        EXPECT_EQ(items[i].selectedImage, kinds[i]);
        EXPECT_EQ(items[i].itemValue, int(i) + 1);
        EXPECT_EQ(items[i].checkState, 0x10);
    }
}

TEST(Parse, CaptionsEndAtAZeroByteAndShowEscapedQuotes)
{
    JsonDocument doc;
    std::string text("[\"a\0b\",\"q\\\"\"]", 13);
    doc.parse(text, false, false);
    const auto items = tess::readTreeContent(doc.buildTreeContent());
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].caption, "[1]:\"a");
    EXPECT_EQ(items[2].caption, "[2]:\"q\\\"\"");
    // A value set after parsing may hold a zero byte too.
    std::string plain = "[1]";
    doc.parse(plain, false, false);
    doc.nodes().setValue(2, std::string("x\0y", 3));
    EXPECT_EQ(tess::readTreeContent(doc.buildTreeContent())[1].caption, "[1]:x");
}

TEST(Parse, ElementNamesOfLongAndRepeatedArrays)
{
    // Past the shared names, and in a second array that reuses them.
    std::string text = "[[";
    for (int i = 0; i < 70000; ++i)
        text += "1,";
    text += "2],[5,6]]";
    for (const bool zeroBased : {false, true}) {
        JsonDocument doc;
        std::string copy = text;
        doc.parse(copy, zeroBased, false);
        const tess::JsonNodeList& l = doc.nodes();
        const int first = zeroBased ? 0 : 1;
        EXPECT_EQ(l.nameOf(3), "[" + std::to_string(first) + "]");
        EXPECT_EQ(l.nameOf(3 + 65536), "[" + std::to_string(first + 65536) + "]");
        EXPECT_EQ(l.nameOf(3 + 70000), "[" + std::to_string(first + 70000) + "]");
        EXPECT_EQ(l.valueOf(3 + 70000), "2");
        EXPECT_EQ(l.nameOf(l.nodeCount()), "[" + std::to_string(first + 1) + "]");
        EXPECT_EQ(l.valueOf(l.nodeCount()), "6");
        // Names are made on demand: views of far-apart names stay valid together, and a
        // lookup by name finds the element, with and without the bulk index.
        const std::string_view early = l.nameView(3 + 10);
        const std::string_view late = l.nameView(3 + 69999);
        EXPECT_EQ(std::string(early) + std::string(late),
                  "[" + std::to_string(first + 10) + "][" + std::to_string(first + 69999) + "]");
        EXPECT_EQ(l.findChildByName(3, "[" + std::to_string(first + 40000) + "]", 2), 3 + 40000);
        doc.nodes().setBulkLookups(true);
        EXPECT_EQ(l.findChildByName(3, "[" + std::to_string(first + 69000) + "]", 2), 3 + 69000);
        EXPECT_EQ(doc.nodes().snapshot()[static_cast<std::size_t>(2 + 5000)].name, "[" + std::to_string(first + 5000) + "]");
        // A name set later replaces the made one.
        doc.nodes().setName(3 + 5, "renamed");
        EXPECT_EQ(l.nameOf(3 + 5), "renamed");
        EXPECT_EQ(l.nameOf(3 + 6), "[" + std::to_string(first + 6) + "]");
    }
}
