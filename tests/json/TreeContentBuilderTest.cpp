// The block builder against the plain definition: one record per node, captioned
// name[:value] with "#SYH#" shown as \" and cut at a zero byte, written one at a time.
#include "json/JsonDocument.h"
#include "json/TreeContentBuilder.h"
#include "ReferenceParser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using tess::JsonDocument;
using tess::JsonNodeList;
using tess::NodeKind;

namespace {

void expectSameBlocks(const JsonNodeList& nodes, const std::string& what)
{
    const std::string expected = tess::testing::referenceTreeContent(nodes);
    for (int threads : {1, 2, 3}) {
        const tess::TreeContentBlock block = tess::buildTreeContentBlock(nodes, threads);
        ASSERT_EQ(std::string(block.view()), expected) << what << " with " << threads << " threads";
        // In pieces: the same bytes, each piece whole records.
        std::string joined;
        tess::forEachTreeContentPiece(nodes, threads, [&](std::string_view piece) {
            std::size_t pos = 0;
            tess::TreeRecordView r;
            while (tess::readTreeRecord(piece, pos, r)) {
            }
            EXPECT_EQ(pos, piece.size()) << what << ": a piece ends inside a record";
            joined.append(piece);
        });
        ASSERT_EQ(joined, expected) << what << " in pieces with " << threads << " threads";
    }
}

// Random JSON-ish text: members with zero bytes, '#', escaped quotes and nesting; long
// strings of escaped quotes, and a placeholder whose '#' is the second byte of a character.
std::string randomDocument(std::mt19937& rng, int members)
{
    static const std::string kLong = "\"l\":\"" + std::string(70, 'w') + "\\\" \xD6\xD0 \\\"" + std::string(60, 'w') + "\\\"\"";
    static const char* const kPieces[] = {"\"a\":1", "\"b\":\"x#y\"", "\"c\":\"say \\\"hi\\\"\"", "\"d\":[1,\"\\\"\"]",
                                          "\"e\":{\"f\":null}", "\"g\":\"z\"", "\"h\":\"#SYH#\"", "\"k\":[]",
                                          "\"m\":\"\xD5#SYH#\\\"\"", kLong.c_str()};
    std::string t = "{";
    for (int m = 0; m < members; ++m) {
        if (m)
            t += ",";
        t += kPieces[rng() % std::size(kPieces)];
        if (rng() % 13 == 0)
            t.insert(t.size() - 1, 1, '\0');
    }
    return t + "}";
}

} // namespace

TEST(TreeContentBuilder, MatchesRecordByRecordWriting)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        std::string text = randomDocument(rng, 1 + round % 40);
        JsonDocument doc;
        doc.parse(text, round % 2 == 0, false);
        expectSameBlocks(doc.nodes(), "document " + std::to_string(round));
    }
    // Edited tables: foreign texts (with a zero byte), unusual kinds, deep levels.
    JsonDocument doc;
    std::string text = R"({"a":[1,2,{"b":"c"}],"d":"e"})";
    doc.parse(text, false, false);
    JsonNodeList& nodes = doc.nodes();
    nodes.setValue(3, std::string("ze\0ro", 5));
    nodes.setName(4, "#SYH#");
    nodes.setKind(2, 9);
    nodes.addNode(5, "new", NodeKind::Scalar, "say #SYH#hi#SYH#");
    expectSameBlocks(nodes, "edited table");
    expectSameBlocks(JsonNodeList(), "empty table");
}

TEST(TreeContentBuilder, LargeTableInSeveralPartsIsTheSame)
{
    // Enough nodes for the block to be written in parts, with escaped quotes and a zero
    // byte so that every caption takes the careful path too.
    std::string text = "[";
    for (int i = 0; i < 320000; ++i)
        text += i % 1000 == 7 ? "\"q\\\"x\"," : "{\"k\":12},";
    text += "\"end\"]";
    JsonDocument doc;
    std::string copy = text;
    doc.parse(copy, false, false);
    ASSERT_GT(doc.nodes().nodeCount(), 600000); // three parts of 200,000 nodes
    expectSameBlocks(doc.nodes(), "large");
    std::string withZero = text;
    withZero[withZero.size() / 2] = '\0';
    doc.parse(withZero, false, false);
    expectSameBlocks(doc.nodes(), "large with a zero byte");
    EXPECT_EQ(std::string(doc.buildTreeContent().view()), tess::testing::referenceTreeContent(doc.nodes()));
}

TEST(TreeContentBuilder, ElementNamesAtEveryDigitCount)
{
    // Element names are written from their numbers: every power of ten and the numbers
    // next to it, up to the largest. The values are cut from the root's text; when that
    // holds a zero byte, every caption goes the careful way.
    for (const bool zero : {false, true}) {
        JsonNodeList nodes;
        const std::string_view text = nodes.keepAlive(zero ? std::string("[5,{},1\0y]", 11) : std::string("[5,{},1]"));
        const int32_t root = nodes.appendChildView(-1, "JSON", NodeKind::Array, text);
        for (int64_t power = 1; power <= INT32_MAX; power *= 10)
            for (const int64_t n : {power - 1, power, power + 1}) {
                nodes.appendElementView(root, static_cast<int32_t>(n), NodeKind::Scalar, text.substr(1, 1));
                nodes.appendElementView(root, static_cast<int32_t>(n), NodeKind::Object, text.substr(3, 2));
            }
        nodes.appendElementView(root, INT32_MAX, NodeKind::Scalar, text.substr(6, zero ? 3 : 1));
        expectSameBlocks(nodes, zero ? "element names, a zero byte in the text" : "element names");
    }
}
