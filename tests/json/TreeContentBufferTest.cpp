#include "json/TreeContentBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace tess {
namespace {

using namespace std::string_literals;

TEST(TreeContentBuffer, WritesOneRecordByteForByte)
{
    TreeContentBuffer buf;
    buf.appendItem("a:1", 2, -1, 0x01020304, 3, 1, 5);
    const std::string expected = "a:1\0"s
                                 "\x02\x00\x00\x00"s   // image
                                 "\xFF\xFF\xFF\xFF"s   // selected image
                                 "\x04\x03\x02\x01"s   // item value, little-endian
                                 "\x03"s "\x00\x00"s   // state, reserved
                                 "\x20"s               // check mode 1
                                 "\x05\x00\x00\x00"s;  // depth
    EXPECT_EQ(buf.bytes(), expected);
    EXPECT_EQ(buf.bytes().size(), 4 + kTreeRecordTailSize);
}

TEST(TreeContentBuffer, MapsCheckModeAndDepth)
{
    TreeContentBuffer buf;
    const int32_t modes[] = {0, 1, 2, 3, 4, -1, 100};
    const uint8_t states[] = {0x10, 0x20, 0x30, 0x40, 0x40, 0x40, 0x40};
    for (int32_t m : modes)
        buf.appendItem("x", 0, 0, 0, 0, m, 1);
    const int32_t depths[] = {0, -5, 1, 7};
    for (int32_t d : depths)
        buf.appendItem("d", 0, 0, 0, 0, 0, d);
    const auto items = readTreeContent(buf.bytes());
    ASSERT_EQ(items.size(), 11u);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(items[i].checkState, states[i]) << "mode " << modes[i];
    EXPECT_EQ(items[7].depth, 1);
    EXPECT_EQ(items[8].depth, 1);
    EXPECT_EQ(items[9].depth, 1);
    EXPECT_EQ(items[10].depth, 7);
}

TEST(TreeContentBuffer, RoundTripsRecords)
{
    TreeContentBuffer buf;
    buf.appendItem("JSON", 1, 1, 1, 0, 0, 1);
    buf.appendItem("", 2, 2, 2, 0, 0, 2);
    buf.appendItem("name:\"\xD6\xD0\"", 0, 0, 3, 2, 0, 3);
    buf.appendItem("cut\0here"s, 0, 0, 4, 0, 0, 2); // the zero byte ends the caption
    const auto items = readTreeContent(buf.bytes());
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].caption, "JSON");
    EXPECT_EQ(items[0].image, 1);
    EXPECT_EQ(items[1].caption, "");
    EXPECT_EQ(items[1].selectedImage, 2);
    EXPECT_EQ(items[2].caption, "name:\"\xD6\xD0\"");
    EXPECT_EQ(items[2].itemValue, 3);
    EXPECT_EQ(items[2].state, 2);
    EXPECT_EQ(items[2].depth, 3);
    EXPECT_EQ(items[3].caption, "cut");
    EXPECT_EQ(items[3].itemValue, 4);
}

TEST(TreeContentBuffer, DropsATruncatedLastRecord)
{
    TreeContentBuffer buf;
    buf.appendItem("a", 0, 0, 1, 0, 0, 1);
    buf.appendItem("b", 0, 0, 2, 0, 0, 1);
    const std::string& all = buf.bytes();
    EXPECT_EQ(readTreeContent(all).size(), 2u);
    EXPECT_EQ(readTreeContent(std::string_view(all).substr(0, all.size() - 1)).size(), 1u);
    EXPECT_EQ(readTreeContent("no zero byte").size(), 0u);
    EXPECT_EQ(readTreeContent("").size(), 0u);
}

} // namespace
} // namespace tess
