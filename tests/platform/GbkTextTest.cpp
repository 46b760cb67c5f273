#include "platform/GbkText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace gbk = tess::gbk;

namespace {

// 誠 is D5 5C: its trail byte is a backslash. 中 is D6 D0.
const std::string kSincere = "\xD5\x5C";
const std::string kMiddle = "\xD6\xD0";

// Unit-wise search written the slow, obvious way; from is taken as a unit boundary.
std::size_t referenceFind(const std::string& text, const std::string& needle, std::size_t from)
{
    for (std::size_t i = from; i + needle.size() <= text.size();
         i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1) {
        if (text.compare(i, needle.size(), needle) == 0)
            return i;
    }
    return std::string::npos;
}

} // namespace

TEST(GbkText, NeverMatchesOnATrailByte)
{
    const std::string text = "ab" + kSincere + "\\n";
    EXPECT_EQ(gbk::find(text, "\\"), 4u);
    EXPECT_EQ(gbk::find(text, "\\n"), 4u);
    // "\xD0\xD6" sits across the two characters of 中中 but is not a unit of it.
    EXPECT_EQ(gbk::find(kMiddle + kMiddle, "\xD0\xD6"), std::string::npos);
    EXPECT_EQ(gbk::find(kMiddle + kMiddle, kMiddle, 2), 2u);
    // The start offset is taken as a unit boundary.
    EXPECT_EQ(gbk::find("a" + kSincere + "\\", "\\", 2), 2u);
    EXPECT_TRUE(gbk::contains("x" + kMiddle, kMiddle));
    EXPECT_FALSE(gbk::contains(kSincere, "\\"));
}

TEST(GbkText, EmptyNeedleAndBounds)
{
    EXPECT_EQ(gbk::find("abc", "", 1), 1u);
    EXPECT_EQ(gbk::find("abc", "", 3), 3u);
    EXPECT_EQ(gbk::find("abc", "", 4), std::string::npos);
    EXPECT_EQ(gbk::find("abc", "c", 4), std::string::npos);
    EXPECT_EQ(gbk::find("ab", "abc"), std::string::npos);
    EXPECT_EQ(gbk::replaceAll("abc", "", "x"), "abc");
}

TEST(GbkText, ReplaceAllStepsOverUnitsWithoutOverlap)
{
    EXPECT_EQ(gbk::replaceAll("a\\\\b" + kSincere + "\\\\", "\\\\", "\\|\\|"), "a\\|\\|b" + kSincere + "\\|\\|");
    EXPECT_EQ(gbk::replaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(gbk::replaceAll("x\\\"y", "\\\"", "#SYH#"), "x#SYH#y");
    EXPECT_EQ(gbk::replaceAll(kSincere + "\"", "\\\"", "#"), kSincere + "\"");
    EXPECT_EQ(gbk::replaceAll("none here", "zz", "y"), "none here");
}

TEST(GbkText, FindAgreesWithUnitWalkOnRandomText)
{
    // Long ASCII runs exercise the eight-byte skip; lead bytes shift the alignment.
    std::mt19937 rng(7);
    const std::string pieces[] = { "a", "b", "\\", "\"", kMiddle, kSincere, "\xD0", "        ", "abababab" };
    const std::string needles[] = { "\\", "a", "b\\", "\xD0", "\xD6\xD0", "\\\"", "ab" };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(rng() % 20);
        for (int i = 0; i < count; ++i)
            text += pieces[rng() % std::size(pieces)];
        const std::string& needle = needles[rng() % std::size(needles)];
        const std::size_t from = text.empty() ? 0 : rng() % text.size();
        ASSERT_EQ(gbk::find(text, needle, from), referenceFind(text, needle, from)) << "round " << round;
    }
}

TEST(GbkText, FindAgreesWithUnitWalkAcrossBlocks)
{
    // Long texts, so that unit starts carry over from one block of the search to the next:
    // runs of lead bytes of every length, a lead byte before an ASCII byte (malformed text
    // pairs them all the same), four-byte codes, and needles of every kind of first byte.
    std::mt19937 rng(13);
    const std::string pieces[] = {"#SYH#", "\"", "a", kMiddle, kSincere, "\xD0", "\x81.", "\x81\x30\x81\x30",
                                  "\xFE\xFE\xFE", "\\", std::string(37, 'x'), "\xD6"};
    const std::string needles[] = {"#SYH#", "\"", ".", "\\", "\xD0\xD6", "\xFE\xFE", "0\x81", "a", "x#"};
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        std::vector<std::size_t> unitStarts{0};
        for (int i = static_cast<int>(rng() % 80); i > 0; --i) {
            text += pieces[rng() % std::size(pieces)];
            unitStarts.push_back(text.size());
        }
        const std::string& needle = needles[rng() % std::size(needles)];
        // any place the walk may start from, a unit start or not
        const std::size_t from = rng() % 2 ? unitStarts[rng() % unitStarts.size()] : rng() % (text.size() + 1);
        ASSERT_EQ(gbk::find(text, needle, from), referenceFind(text, needle, from)) << "round " << round;
    }
}
