// The filter's rule: matches and every ancestor of one stay, nothing else; checked on
// random trees against each item's ancestors found by a walk back.
#include "tree/TreeFilter.h"

#include "json/JsonDocument.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tess {
namespace {

TEST(TreeFilter, KeepsMatchesAndTheirAncestorsOnly)
{
    std::mt19937 rng(5);
    const CaptionMatcher matcher("x", FindMode::Plain, false);
    for (int round = 0; round < 200; ++round) {
        // A random pre-order: each depth at most one below the one before.
        const int count = 1 + static_cast<int>(rng() % 300);
        std::vector<int> depth{1};
        std::vector<std::string> captions{"root"};
        for (int i = 1; i < count; ++i) {
            depth.push_back(2 + static_cast<int>(rng() % static_cast<unsigned>(depth.back())));
            captions.push_back(rng() % 9 == 0 ? "a:x" + std::to_string(i) : "a:" + std::to_string(i));
        }
        const FilterOutcome got = filterItems(
            count, [&](int i) { return std::string_view(captions[static_cast<std::size_t>(i)]); },
            [&](int i) { return depth[static_cast<std::size_t>(i)]; }, matcher);
        std::vector<FilterMark> expected(static_cast<std::size_t>(count), FilterMark::Hidden);
        for (int i = 0; i < count; ++i) {
            if (captions[static_cast<std::size_t>(i)].find('x') == std::string::npos)
                continue;
            expected[static_cast<std::size_t>(i)] = FilterMark::Match;
            // Back to the nearest item of each smaller depth.
            for (int j = i - 1, want = depth[static_cast<std::size_t>(i)] - 1; j >= 0 && want >= 1; --j)
                if (depth[static_cast<std::size_t>(j)] == want) {
                    if (expected[static_cast<std::size_t>(j)] == FilterMark::Hidden)
                        expected[static_cast<std::size_t>(j)] = FilterMark::Ancestor;
                    --want;
                }
        }
        ASSERT_EQ(got.marks, expected) << "round " << round;
        uint64_t matches = 0, kept = 0;
        for (FilterMark m : expected) {
            matches += m == FilterMark::Match;
            kept += m != FilterMark::Hidden;
        }
        EXPECT_EQ(got.matches, matches);
        EXPECT_EQ(got.kept, kept);
    }
}

TEST(TreeFilter, ADocumentInEveryFindMode)
{
    JsonDocument doc;
    std::string text = R"({"user":{"name":"Ann","tags":["Admin","dev"]},"id":7,"more":{"deep":{"name":"Bob"}}})";
    doc.parseTaking(std::move(text), false, false);
    auto marks = [&](std::string_view find, FindMode mode, bool ignoreCase) {
        const FilterOutcome o = filterDocument(doc, CaptionMatcher(find, mode, ignoreCase), "JSON");
        std::string s;
        for (FilterMark m : o.marks)
            s += m == FilterMark::Match ? 'M' : m == FilterMark::Ancestor ? 'a' : '.';
        return s;
    };
    // Items: JSON user name tags [1] [2] id more deep name
    EXPECT_EQ(marks("name", FindMode::Plain, false), "aaM....aaM");
    EXPECT_EQ(marks("admin", FindMode::Plain, true), "aa.aM.....");
    EXPECT_EQ(marks("admin", FindMode::Plain, false), "..........");
    EXPECT_EQ(marks("*:\"B*", FindMode::Wildcard, false), "a......aaM");
    EXPECT_EQ(marks("^id:\\d$", FindMode::Regex, false), "a.....M...");
    // The root's caption is the one given.
    EXPECT_EQ(marks("JSON", FindMode::Plain, false), "M.........");
    std::atomic<bool> cancel{true};
    FilterControl control;
    control.cancel = &cancel;
    std::string many = "[";
    for (int i = 0; i < 200000; ++i)
        many += (i ? ",1" : "1");
    many += "]";
    JsonDocument big;
    big.parseTaking(std::move(many), false, false);
    EXPECT_TRUE(filterDocument(big, CaptionMatcher("1", FindMode::Plain, false), "JSON", control).cancelled);
}

} // namespace
} // namespace tess
