// The status line's text for a slot and its selected node.
#include "tree/StatusText.h"

#include "platform/Codec.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

std::string utf8(const std::string& gb)
{
    return codec::gb18030ToUtf8(gb).text;
}

TEST(StatusText, NumbersAndSizesAreWrittenForReading)
{
    EXPECT_EQ(groupedNumber(0), "0");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1000), "1,000");
    EXPECT_EQ(groupedNumber(1234567), "1,234,567");
    EXPECT_EQ(groupedNumber(-1234), "-1,234");
    EXPECT_EQ(groupedNumber(INT64_MIN), "-9,223,372,036,854,775,808");
    EXPECT_EQ(utf8(sizeText(999)), "999 字节");
    EXPECT_EQ(sizeText(1000), "1.0 KB");
    EXPECT_EQ(sizeText(20000200), "20.0 MB");
    EXPECT_EQ(sizeText(1500000000), "1.50 GB");
}

TEST(StatusText, SlotFactsThenTheSelectedNode)
{
    EXPECT_EQ(statusText({}, {}), "");
    const DocumentFacts doc{1442270, 6, 20000200, 312};
    EXPECT_EQ(utf8(statusText(doc, {})), "节点 1,442,270 · 深度 6 · 20.0 MB · 载入 312 毫秒");
    EXPECT_EQ(utf8(statusText(doc, NodeFacts{2, 1000, 3, 3})),
              "节点 1,442,270 · 深度 6 · 20.0 MB · 载入 312 毫秒  |  数组 · 1,000 个子节点 · 第 3 个，共 3 个");
    // A value has no children to count; an unknown load time is left out.
    EXPECT_EQ(utf8(statusText(DocumentFacts{2, 2, 7, -1}, NodeFacts{0, 0, 1, 1})),
              "节点 2 · 深度 2 · 7 字节  |  值 · 第 1 个，共 1 个");
    DocumentFacts deep{1025, 1024, 2050, -1};
    deep.nestingCut = true;
    EXPECT_EQ(utf8(statusText(deep, {})), "节点 1,025 · 深度 1024 · 2.0 KB · 嵌套超过 1024 层，更深处起的内容未显示");
    // A big file's counts past 2^31 are written whole.
    EXPECT_EQ(utf8(statusText(DocumentFacts{6000000001, 3, 40000000000, -1}, NodeFacts{2, 3000000000, 1, 2})),
              "节点 6,000,000,001 · 深度 3 · 40.00 GB  |  数组 · 3,000,000,000 个子节点 · 第 1 个，共 2 个");
}

TEST(StatusText, SaysWhereATextIsNotStandardJson)
{
    DocumentFacts doc;
    doc.nodes = 3;
    doc.depth = 2;
    doc.bytes = 20;
    doc.strictLine = 2;
    doc.strictColumn = 3;
    doc.strictReason = "expected a quoted member name";
    const std::string text = statusText(doc, NodeFacts{});
    EXPECT_NE(text.find(codec::gb(u8" · 非标准JSON：第 2 行第 3 列 此处应为带双引号的名称")), std::string::npos);
    // A reason without Chinese words is said as it is.
    EXPECT_EQ(strictReasonText("something new"), "something new");
}

} // namespace
} // namespace tess
