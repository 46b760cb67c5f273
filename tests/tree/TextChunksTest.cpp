// Reading a shared text in parts: the parts give the text back, end only where compacting
// cannot reach across, and compacting them one by one gives the compacted whole.
#include "json/JsonScanner.h"
#include "json/RootText.h"
#include "json/ScanBuffer.h"
#include "tree/TextChunks.h"

#include <gtest/gtest.h>

#include <random>

namespace tess {
namespace {

std::string randomText(std::mt19937& rng, std::size_t pieces)
{
    static const char* const kPieces[] = {
        "{", "}", "[", "]", ",", ", ", ",\r\n", ",\t", ",\xA1\xA1", ":", " : ", "\"k\"", "\\\"", "\\\\", " ", "\t",
        "\r\n", "\xA1\xA1", "\xD6\xD0", "\xD6,", "\x81\x30\x81\x30", "\"a b\"", "123", ",\"x\"", "] ,[", "} , {",
    };
    std::string s;
    for (std::size_t i = 0; i < pieces; ++i)
        s += kPieces[rng() % std::size(kPieces)];
    return s;
}

// The same text held as a string and, when the engine would keep it so, as a RootText.
std::vector<SharedText> forms(const std::string& text)
{
    std::vector<SharedText> out{SharedText(text)};
    auto prepared = std::make_shared<const std::string>(prepareText(text));
    if (std::optional<RootText> r = RootText::describe(text, prepared))
        out.emplace_back(std::make_shared<const RootText>(std::move(*r)));
    return out;
}

bool spaceStart(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\xA1';
}

TEST(TextChunks, PartsGiveTheTextBackAndEndAfterACommaBeforeNoBlank)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(rng, rng() % 400);
        for (const SharedText& shared : forms(text)) {
            EXPECT_EQ(shared.size(), text.size());
            EXPECT_TRUE(shared == text);
            for (std::size_t chunk : {1, 7, 64, 1 << 20}) {
                std::string back;
                std::vector<std::string> parts;
                EXPECT_TRUE(forEachTextPart(shared, chunk, [&](std::string_view part) {
                    parts.emplace_back(part);
                    back.append(part);
                    return true;
                }));
                EXPECT_EQ(back, text) << round << " chunk " << chunk;
                for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
                    ASSERT_FALSE(parts[i].empty());
                    EXPECT_EQ(parts[i].back(), ',') << round;
                    EXPECT_FALSE(spaceStart(parts[i + 1].front())) << round;
                }
                // Parts are only cut once they are big enough.
                if (chunk == (1 << 20)) {
                    EXPECT_LE(parts.size(), 1u);
                }
            }
        }
    }
}

TEST(TextChunks, CompactingPartByPartGivesTheCompactedWhole)
{
    std::mt19937 rng(17);
    int unchanged = 0;
    for (int round = 0; round < 400; ++round) {
        const std::string text = randomText(rng, rng() % 300);
        const std::string expected = JsonScanner::compactWhitespace(text);
        for (const SharedText& shared : forms(text)) {
            for (std::size_t chunk : {1, 5, 100}) {
                const std::optional<std::string> got = compactedText(shared, chunk);
                if (expected == text) {
                    EXPECT_FALSE(got.has_value()) << round;
                    ++unchanged;
                } else {
                    ASSERT_TRUE(got.has_value()) << round;
                    EXPECT_EQ(*got, expected) << round << " chunk " << chunk;
                }
            }
        }
    }
    EXPECT_GT(unchanged, 0);
}

TEST(TextChunks, AVisitThatStopsEndsTheWalk)
{
    const SharedText text(std::string("[1,2,3,4,5,6,7,8,9]"));
    int visits = 0;
    EXPECT_FALSE(forEachTextPart(text, 2, [&](std::string_view) { return ++visits < 2; }));
    EXPECT_EQ(visits, 2);
}

} // namespace
} // namespace tess
