// JSON inside a string value: which string bodies hold an object or array, and how the
// escapes are decoded on the way.
#include "tree/EmbeddedJson.h"

#include "platform/Codec.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

std::string gb(const char8_t* s)
{
    return std::string(codec::gb(s));
}

TEST(EmbeddedJson, EscapesAreDecodedAsJsonDefinesThem)
{
    EXPECT_EQ(unescapeJsonString(R"(a\"b\\c\/d\n\t\r\b\f)"), "a\"b\\c/d\n\t\r\b\f");
    EXPECT_EQ(unescapeJsonString(R"(\u4e2d\u6587)"), gb(u8"中文"));
    // A surrogate pair is one character; a lone surrogate cannot be written.
    EXPECT_EQ(unescapeJsonString(R"(\ud83d\ude00)"), gb(u8"😀"));
    EXPECT_EQ(unescapeJsonString(R"(\ud83dx)"), "?x");
    // Broken escapes keep their text; a two-byte unit whose second byte is a backslash
    // is not an escape.
    EXPECT_EQ(unescapeJsonString(R"(\u12)"), "\\u12");
    EXPECT_EQ(unescapeJsonString("x\\"), "x\\");
    EXPECT_EQ(unescapeJsonString("\x81\\n"), "\x81\\n");
}

TEST(EmbeddedJson, OnlyAWholeObjectOrArrayCounts)
{
    EXPECT_EQ(embeddedJson(R"({\"id\":1,\"s\":\"}{\"})"), R"({"id":1,"s":"}{"})");
    EXPECT_EQ(embeddedJson(R"(  [1,{\"a\":[]}]\n)"), "  [1,{\"a\":[]}]\n"); // blanks around kept
    EXPECT_EQ(embeddedJson(R"({\"k\":\"\\\"quoted\\\"\"})"), R"({"k":"\"quoted\""})");
    for (const char* notJson : {"", "plain text", "42", R"(\"quoted\")", R"({\"a\":1)", R"({\"a\":1}})",
                                R"({\"a\":1} tail)", R"([1,2]])", R"({\"a\":[1}])", R"({\"a\":\"open})",
                                "[INFO] started", "{} {}"}) {
        EXPECT_EQ(embeddedJson(notJson), "") << notJson;
    }
}

} // namespace
} // namespace tess
