// Inputs that would break a recursive or quadratic parser: deep nesting and a large text.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using tess::JsonDocument;

TEST(BigInput, HundredThousandDeepArraysAndObjects)
{
    const int depth = 100000;
    std::string arrays = std::string(depth, '[') + std::string(depth, ']');
    JsonDocument doc;
    doc.parse(arrays, false, false);
    EXPECT_EQ(doc.nodes().nodeCount(), depth);
    EXPECT_EQ(doc.nodes().levelOf(depth), depth);

    std::string objects;
    for (int i = 0; i < depth; ++i)
        objects += "{\"a\":";
    objects += "1" + std::string(depth, '}');
    doc.parse(objects, false, false);
    ASSERT_EQ(doc.nodes().nodeCount(), depth + 1);
    EXPECT_EQ(doc.nodes().valueOf(depth + 1), "1");
    EXPECT_EQ(doc.nodes().parentOf(depth + 1), depth);
    EXPECT_FALSE(doc.buildTreeContent().empty());
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
