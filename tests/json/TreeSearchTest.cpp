// Caption matching of find: wildcard conversion, plain search with ASCII case folding
// over two-byte units, regex and wildcard matching, the search passes, the searched
// part of long captions.
#include "platform/Codec.h"
#include "json/TreeContentBuffer.h"
#include "json/TreeSearch.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

std::string gb(const char8_t* s)
{
    return std::string(codec::gb(s));
}

TEST(TreeSearch, WildcardEscapesTheListedCharactersAndExpandsJokers)
{
    EXPECT_EQ(wildcardToPattern("a*b?c"), "a.*b.?c");
    EXPECT_EQ(wildcardToPattern("\\^$+.{}[]=()-\""), "\\\\\\^\\$\\+\\.\\{\\}\\[\\]\\=\\(\\)\\-\\\"");
    EXPECT_EQ(wildcardToPattern("a|b"), "a|b");
    // A two-byte unit whose trail byte is "[" or "\" is copied as it is.
    const std::string unit = "\x81\x5B\x81\x5C";
    EXPECT_EQ(wildcardToPattern(unit + "*"), unit + ".*");
}

TEST(TreeSearch, PlainMatchingFoldsAsciiCaseOnly)
{
    CaptionMatcher exact("id", FindMode::Plain, false);
    EXPECT_TRUE(exact.matches("id:1"));
    EXPECT_TRUE(exact.matches("userid:\"x\""));
    EXPECT_FALSE(exact.matches("ID:2"));
    CaptionMatcher folded("id", FindMode::Plain, true);
    EXPECT_TRUE(folded.matches("ID:2"));
    EXPECT_TRUE(CaptionMatcher("", FindMode::Plain, false).matches("anything"));
    EXPECT_TRUE(CaptionMatcher("", FindMode::Plain, true).matches(""));
    // The trail byte of a two-byte unit is not a letter: "\x81\x41" holds no "a".
    CaptionMatcher a("a", FindMode::Plain, true);
    EXPECT_FALSE(a.matches("\x81\x41"));
    EXPECT_FALSE(CaptionMatcher("A", FindMode::Plain, false).matches("\x81\x41"));
    // Two-byte units must be equal, also when ignoring case.
    EXPECT_TRUE(CaptionMatcher(gb(u8"名字"), FindMode::Plain, true).matches(gb(u8"x名字Y")));
}

TEST(TreeSearch, WildcardAndRegexModes)
{
    EXPECT_TRUE(CaptionMatcher("a*b", FindMode::Wildcard, false).matches("xaZZZby"));
    CaptionMatcher q("a?c", FindMode::Wildcard, false);
    EXPECT_TRUE(q.matches("ac"));
    EXPECT_TRUE(q.matches("abc"));
    EXPECT_FALSE(q.matches("abbc"));
    CaptionMatcher literal("f(x).y", FindMode::Wildcard, false);
    EXPECT_TRUE(literal.matches("f(x).y"));
    EXPECT_FALSE(literal.matches("fx_y"));
    CaptionMatcher alt("cat|dog", FindMode::Wildcard, false);
    EXPECT_TRUE(alt.matches("hotdog"));
    EXPECT_TRUE(CaptionMatcher("^ID:\\d+$", FindMode::Regex, true).matches("id:42"));
    EXPECT_FALSE(CaptionMatcher("^ID:\\d+$", FindMode::Regex, false).matches("id:42"));
    EXPECT_TRUE(CaptionMatcher(gb(u8"值."), FindMode::Regex, false).matches(gb(u8"a值中")));
    CaptionMatcher broken("(a", FindMode::Regex, false);
    EXPECT_FALSE(broken.valid());
    EXPECT_FALSE(broken.matches("(a"));
}

TEST(TreeSearch, PassesGoForwardAndBackwardFromTheStart)
{
    const std::vector<std::string_view> captions{"JSON", "id:1", "name", "id:2", "x"};
    CaptionMatcher id("id", FindMode::Plain, false);
    EXPECT_EQ(searchItems(captions, -1, false, id), 1);
    EXPECT_EQ(searchItems(captions, 1, false, id), 3);
    EXPECT_EQ(searchItems(captions, 3, false, id), -1);
    EXPECT_EQ(searchItems(captions, 5, true, id), 3);
    EXPECT_EQ(searchItems(captions, 3, true, id), 1);
    EXPECT_EQ(searchItems(captions, 1, true, id), -1);
    EXPECT_EQ(searchItems(captions, 0, true, id), -1);
    CaptionMatcher broken("[", FindMode::Regex, false);
    EXPECT_EQ(searchItems(captions, -1, false, broken), -1);
    EXPECT_EQ(searchItems({}, -1, false, id), -1);
}

TEST(TreeSearch, BlockCaptionsReadEveryRecord)
{
    const std::size_t tail = kTreeRecordTailSize;
    std::string block;
    block += std::string("a") + '\0' + std::string(tail, '\x01');
    block += std::string("") + '\0' + std::string(tail, '\0');
    block += std::string("bc") + '\0' + std::string(tail - 1, '\0'); // truncated tail
    const auto caps = blockCaptions(block);
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0], "a");
    EXPECT_EQ(caps[1], "");
    // A long caption is searched in its first 510 bytes; a two-byte unit that would
    // end past them is left out whole.
    const std::string longCaption = std::string(509, 'x') + "\xD6\xD0" + "needle";
    const std::string longBlock = longCaption + '\0' + std::string(tail, '\0');
    const auto cut = blockCaptions(longBlock);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0], std::string(509, 'x'));
    EXPECT_FALSE(CaptionMatcher("needle", FindMode::Plain, false).matches(cut[0]));
}

} // namespace
} // namespace tess
