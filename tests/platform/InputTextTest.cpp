#include "platform/InputText.h"

#include <gtest/gtest.h>

#include <string>

using tess::convertInputTextInPlace;
using tess::inputTextToGb18030;

namespace {

// {"中":"😀"} in each form; the GB18030 form is what the engine must receive.
const std::string kGb = "{\"\xD6\xD0\":\"\x94\x39\xFC\x36\"}";
const std::string kUtf8 = "{\"\xE4\xB8\xAD\":\"\xF0\x9F\x98\x80\"}";
const std::string kUtf16Le = std::string("{\0\"\0\x2D\x4E\"\0:\0\"\0\x3D\xD8\x00\xDE\"\0}\0", 20);
const std::string kUtf16Be = std::string("\0{\0\"\x4E\x2D\0\"\0:\0\"\xD8\x3D\xDE\x00\0\"\0}", 20);

std::string inPlace(std::string text)
{
    convertInputTextInPlace(text);
    return text;
}

} // namespace

TEST(InputText, ByteOrderMarksChooseTheCharsetAndNeverReachTheText)
{
    EXPECT_EQ(inputTextToGb18030("\xEF\xBB\xBF" + kUtf8), kGb);
    EXPECT_EQ(inputTextToGb18030("\xFF\xFE" + kUtf16Le), kGb);
    EXPECT_EQ(inputTextToGb18030("\xFE\xFF" + kUtf16Be), kGb);
    // A mark alone is an empty text, not the mark's bytes.
    EXPECT_EQ(inputTextToGb18030("\xEF\xBB\xBF"), "");
    EXPECT_EQ(inputTextToGb18030("\xFF\xFE"), "");
    // A UTF-8 mark wins over the UTF-8 test: pure ASCII after it loses the mark too.
    EXPECT_EQ(inputTextToGb18030("\xEF\xBB\xBF{\"a\":1}"), "{\"a\":1}");
}

TEST(InputText, BrokenUtf16IsMarkedNotDropped)
{
    // An odd last byte and a lone high surrogate each become "?"; what follows survives.
    EXPECT_EQ(inputTextToGb18030(std::string("\xFF\xFE" "a\0b", 5)), "a?");
    EXPECT_EQ(inputTextToGb18030(std::string("\xFF\xFE" "\x3D\xD8" "a\0", 6)), "?a");
}

TEST(InputText, WithoutAMarkValidUtf8IsConvertedAndEverythingElseKept)
{
    EXPECT_EQ(inputTextToGb18030(kUtf8), kGb);
    EXPECT_EQ(inputTextToGb18030(kGb), kGb); // GB18030 is not valid UTF-8
    EXPECT_EQ(inputTextToGb18030("{\"a\":[1,2]}"), "{\"a\":[1,2]}");
    // UTF-16 without a mark is not guessed at: the bytes stay as they are.
    EXPECT_EQ(inputTextToGb18030(kUtf16Le), kUtf16Le);
    EXPECT_EQ(inputTextToGb18030(""), "");
}

TEST(InputText, InPlaceGivesTheSameText)
{
    for (const std::string& s : { "\xEF\xBB\xBF" + kUtf8, "\xFF\xFE" + kUtf16Le, "\xFE\xFF" + kUtf16Be, kUtf8, kGb,
                                  std::string("plain"), std::string() })
        EXPECT_EQ(inPlace(s), inputTextToGb18030(s));
}
