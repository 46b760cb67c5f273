// Inputs that would break a recursive or quadratic parser: deep nesting and a large text.
#include "EngineTestSupport.h"
#include "json/NestingLimit.h"

#include <gtest/gtest.h>

using tess::JsonDocument;

// A text nested past the limit is read up to the bracket that goes too deep, with the
// brackets open there closed; at the limit it is read whole.
TEST(BigInput, HundredThousandDeepArraysAndObjectsStopAtTheNestingLimit)
{
    const int limit = static_cast<int>(tess::kMaxNesting);
    for (const int depth : {limit, 100000}) {
        SCOPED_TRACE(depth);
        std::string arrays = std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']');
        JsonDocument doc;
        doc.parse(arrays, false, false);
        EXPECT_EQ(doc.nestingCut(), depth > limit);
        ASSERT_EQ(doc.nodes().nodeCount(), limit);
        EXPECT_EQ(doc.nodes().levelOf(limit), limit);

        std::string objects;
        for (int i = 0; i < depth; ++i)
            objects += "{\"a\":";
        objects += "1" + std::string(static_cast<std::size_t>(depth), '}');
        doc.parse(objects, false, false);
        EXPECT_EQ(doc.nestingCut(), depth > limit);
        ASSERT_EQ(doc.nodes().nodeCount(), limit + 1);
        // the innermost member: its number at the limit, an empty value where it was cut
        EXPECT_EQ(doc.nodes().valueOf(limit + 1), depth > limit ? "" : "1");
        EXPECT_EQ(doc.nodes().parentOf(limit + 1), limit);
        EXPECT_FALSE(doc.buildTreeContent().empty());
    }
}

TEST(BigInput, FiftyMegabyteDocument)
{
    std::string text = "{\"items\":[";
    const std::string item = R"({"id":12345,"name":"\u4e2d\u6587 item","tags":["a","b"],"ok":true},)";
    while (text.size() < 50u * 1024 * 1024)
        text += item;
    text += R"({"id":0}]})";
    const std::size_t items = (text.size() - 20) / item.size();
    JsonDocument doc;
    doc.parse(text, false, false);
    EXPECT_GE(doc.nodes().nodeCount(), static_cast<int32_t>(items * 7));
    EXPECT_EQ(doc.valueAt("items.[2].tags.[2]"), "b");
    const auto block = doc.buildTreeContent();
    EXPECT_GT(block.size(), text.size() / 2);
}
