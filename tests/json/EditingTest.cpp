// Queries and structural edits of the node table keep it in pre-order with correct
// levels, child counts and ordinals.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using tess::JsonDocument;
using tess::JsonNodeList;
using tess::NodeKind;
using tess::testing::dumpNodes;

namespace {

std::string table(const JsonNodeList& l)
{
    return dumpNodes(l.snapshot());
}

} // namespace

TEST(Editing, AccessorsRejectInvalidIndexes)
{
    JsonNodeList l;
    l.addNode(-1, "r", NodeKind::Object, "{}");
    for (int32_t bad : {0, 2, -5}) {
        EXPECT_EQ(l.levelOf(bad), -1);
        EXPECT_EQ(l.childCountOf(bad), -1);
        EXPECT_EQ(l.kindOf(bad), -1);
        EXPECT_EQ(l.tagOf(bad), -1);
        EXPECT_EQ(l.nameOf(bad), "");
        EXPECT_FALSE(l.hasChildren(bad));
        EXPECT_EQ(l.setName(bad, "x"), 0);
        EXPECT_EQ(l.setTag(bad, 1, false), 0);
        EXPECT_EQ(l.parentOf(bad), -1);
        EXPECT_EQ(l.deleteNode(bad, false), 0);
    }
    EXPECT_EQ(l.setTag(1, 5, false), 1);
    EXPECT_EQ(l.setTag(1, 3, true), 1);
    EXPECT_EQ(l.tagOf(1), 8);
}

TEST(Editing, AddNodeInsertsAtTheEndOfTheParentsSubtree)
{
    JsonNodeList l;
    const int32_t r = l.addNode(-1, "r", NodeKind::Object, "");
    const int32_t a = l.addNode(r, "a", NodeKind::Object, "");
    l.addNode(a, "a1", NodeKind::Scalar, "1");
    const int32_t b = l.addNode(r, "b", NodeKind::Scalar, "2");
    const int32_t a2 = l.addNode(a, "a2", NodeKind::Scalar, "3");
    EXPECT_EQ(b, 4);
    EXPECT_EQ(a2, 4);
    EXPECT_EQ(l.nameOf(5), "b");
    EXPECT_EQ(l.ordinalOf(4), 2);
    EXPECT_EQ(l.subtreeEnd(a), 5);
    EXPECT_EQ(l.subtreeEnd(r), -1);
    EXPECT_EQ(l.parentOf(5), 1);
    EXPECT_EQ(l.parentOf(4), 2);
}

TEST(Editing, DeleteKeepingChildrenMovesThemToThePreviousSibling)
{
    JsonDocument doc;
    std::string text = R"({"p":1,"q":{"x":1,"y":2},"s":3})";
    doc.parse(text, false, false);
    JsonNodeList& l = doc.nodes();
    ASSERT_EQ(l.nameOf(3), "q");
    EXPECT_EQ(l.deleteNode(3, true), 1);
    EXPECT_EQ(table(l), "1 1 2 1 JSON=" + text + "\n"
                        "2 0 2 1 p=1\n"
                        "3 0 0 1 x=1\n"
                        "3 0 0 2 y=2\n"
                        "2 0 0 2 s=3\n");
}

TEST(Editing, DeleteFirstChildRemovesWholeSubtree)
{
    JsonDocument doc;
    std::string text = R"({"q":{"x":1},"s":3})";
    doc.parse(text, false, false);
    JsonNodeList& l = doc.nodes();
    EXPECT_EQ(l.deleteNode(2, true), 1);
    EXPECT_EQ(table(l), "1 1 1 1 JSON=" + text + "\n2 0 0 1 s=3\n");
}

TEST(Editing, TagsAndUnusualKindsFollowTheirNodesThroughEdits)
{
    JsonNodeList l;
    const int32_t r = l.addNode(-1, "r", NodeKind::Object, "");
    const int32_t a = l.addNode(r, "a", NodeKind::Object, "");
    const int32_t b = l.addNode(r, "b", NodeKind::Scalar, "");
    l.setTag(a, 5, false);
    l.setTag(b, 7, false);
    // A kind outside 0..2 is kept as given, and does not disturb the level.
    l.setKind(b, -9);
    l.setKind(a, 77);
    l.addNode(a, "a1", NodeKind::Scalar, ""); // inserted before b
    EXPECT_EQ(l.nameOf(4), "b");
    EXPECT_EQ(l.tagOf(4), 7);
    EXPECT_EQ(l.kindOf(4), -9);
    EXPECT_EQ(l.levelOf(4), 2);
    EXPECT_EQ(l.tagOf(3), 0);
    EXPECT_EQ(l.kindOf(3), 0);
    EXPECT_EQ(l.levelOf(3), 3);
    EXPECT_EQ(l.kindOf(2), 77);
    l.deleteNode(2, false); // a and a1 go
    EXPECT_EQ(l.nameOf(2), "b");
    EXPECT_EQ(l.tagOf(2), 7);
    EXPECT_EQ(l.kindOf(2), -9);
    EXPECT_EQ(l.snapshot()[1].tag, 7);
    EXPECT_EQ(l.snapshot()[1].kind, -9);
    EXPECT_EQ(l.tagOf(3), -1);
    l.setKind(2, 2);
    EXPECT_EQ(l.kindOf(2), 2);
    EXPECT_EQ(l.levelOf(2), 2);
}

TEST(Editing, ScansByLevel)
{
    JsonDocument doc;
    std::string text = R"({"a":1,"b":{"c":2},"d":[3],"e":4})";
    doc.parse(text, false, false);
    const JsonNodeList& l = doc.nodes();
    EXPECT_EQ(l.findNthAtLevel(2, 3, 1), 5);
    EXPECT_EQ(l.findNthAtLevel(2, 9, 1), -1);
    std::vector<int32_t> out;
    int32_t start = 1, found = 0, count = 0;
    EXPECT_EQ(l.collectAtLevel(2, &out, true, start, 0, false, found, false, count), 4);
    EXPECT_EQ(out, (std::vector<int32_t>{2, 3, 5, 7}));
    start = 1;
    EXPECT_EQ(l.collectAtLevel(2, &out, false, start, 2, true, found, false, count), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(start, 5);
    start = 1;
    EXPECT_EQ(l.collectAtLevel(2, nullptr, false, start, 0, false, found, true, count), 0);
    EXPECT_EQ(count, 1);
}

TEST(Editing, SetValueAtCreatesMissingSegments)
{
    JsonDocument doc;
    std::string text = R"({"a":{}})";
    doc.parse(text, false, false);
    doc.setValueAt("a.b.c", "7", NodeKind::Scalar);
    EXPECT_EQ(doc.valueAt("a.b.c"), "7");
    EXPECT_EQ(doc.nodes().valueOf(2), "{}");
    EXPECT_EQ(doc.nodes().childCountOf(2), 1);
    int32_t index = 0;
    EXPECT_EQ(doc.childCountAt("a.b", index), 1);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(doc.childCountAt("a.zz", index), 0);
    doc.setBasePath("a");
    EXPECT_EQ(doc.valueAtRelative("b.c"), "7");
    EXPECT_EQ(doc.childCountAtRelative("", index), 1);
}

TEST(Editing, CapitalizeLeavesTwoByteCharactersAlone)
{
    EXPECT_EQ(JsonDocument::capitalize("hELLO"), "Hello");
    EXPECT_EQ(JsonDocument::capitalize("\xD6\x41Z"), "\xD6\x41z");
}

// A root whose text preparing changed is kept as its prepared copy plus the differences;
// its value is still the input, and edits of node 1 replace it.
TEST(Editing, RootKeptAsPreparedTextGivesTheInputBackUntilReplaced)
{
    std::string text = "{\"a\":\"say \\\"hi\\\"\", \"b\":[1, 2],\"c\":\"C:\\\\x\\\\\"}";
    for (int i = 0; i < 200; ++i)
        text += "{\"k\":" + std::to_string(i) + ",\"s\":\"padding text without escapes\"}";
    const std::string original = text;
    JsonDocument doc;
    doc.parse(text, false, false);
    JsonNodeList& l = doc.nodes();
    EXPECT_EQ(l.valueView(1), original);
    EXPECT_LT(l.sharedBytes(), original.size() + original.size() / 10) << "the input is not kept twice";
    EXPECT_EQ(doc.valueAt("a"), "say \\\"hi\\\"");
    const auto block = doc.buildTreeContent();
    EXPECT_NE(block.view().find("a:\"say \\\"hi\\\"\""), std::string_view::npos);

    l.setValue(1, "{}");
    EXPECT_EQ(l.valueOf(1), "{}");
    doc.parse(text, false, false);
    l.addNode(-1, "second", NodeKind::Object, "{}");
    l.deleteNode(1, false); // the root and its subtree go; the second top-level node is node 1
    EXPECT_EQ(l.nodeCount(), 1);
    EXPECT_EQ(l.valueOf(1), "{}");
}
