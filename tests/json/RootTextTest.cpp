// The root's text kept as its prepared copy plus the differences: it must give back the
// input byte for byte, whole, in runs and in part, and a document parsed again from it
// must be the document parsed from the input.
#include "EngineTestSupport.h"
#include "json/RootText.h"
#include "json/ScanBuffer.h"

#include <gtest/gtest.h>

#include <random>

namespace tess {
namespace {

// Texts made of what preparing touches: escaped quotes and backslashes, the placeholder
// itself, blanks, tabs and CR LF next to structure, ideographic spaces, two- and
// four-byte GB18030 characters, between long runs it leaves alone (most of the text, as in
// a real document, else describing it is not worth it).
std::string randomText(std::mt19937& rng, std::size_t pieces)
{
    static const char* const kPieces[] = {
        "{",      "}",   "[",    "]",        ",",          ":",        "\"k\"", "\\\"",     "\\\\",
        "\\\\\"", " ",   "\t",   "\r\n",     "\xA1\xA1",   "\xD6\xD0", "#SYH#", "\\|",      "'",
        "\x81\x30\x81\x30", "12345",
        // Blanks after a closer are removed right before an escaped quote.
        "} \\\"", "\" \t\\\"", "]\r\n\\\"x",
    };
    std::string s;
    for (std::size_t i = 0; i < pieces; ++i)
        s += rng() % 3 != 0 ? "\"value with no escapes at all, long enough to matter\"," : kPieces[rng() % std::size(kPieces)];
    return s;
}

std::string joined(const RootText& r)
{
    std::string out;
    EXPECT_TRUE(r.forEachPiece([&](std::string_view run) {
        EXPECT_FALSE(run.empty());
        out.append(run);
        return true;
    }));
    return out;
}

TEST(RootText, GivesTheInputBackWholeInRunsAndInPart)
{
    std::mt19937 rng(91);
    int described = 0;
    for (int round = 0; round < 400; ++round) {
        const std::string original = randomText(rng, 1 + rng() % 300);
        auto prepared = std::make_shared<const std::string>(prepareText(original));
        const std::optional<RootText> r = RootText::describe(original, prepared);
        if (!r)
            continue;
        ++described;
        EXPECT_EQ(r->size(), original.size());
        EXPECT_EQ(r->prepared(), *prepared);
        EXPECT_EQ(joined(*r), original) << round;
        EXPECT_EQ(r->copy(), original) << round;
        for (std::size_t n : {std::size_t(0), std::size_t(1), original.size() / 3, original.size() - 1, original.size() + 5})
            EXPECT_EQ(r->prefix(n), original.substr(0, n)) << round << " prefix " << n;
        // A walk stopped by its visitor says so.
        int visits = 0;
        EXPECT_FALSE(r->forEachPiece([&](std::string_view) { return ++visits < 1; }));
        EXPECT_EQ(visits, 1);
        // Once the text is made, the runs are that text.
        EXPECT_EQ(r->text(), original);
        EXPECT_EQ(joined(*r), original);
    }
    EXPECT_GT(described, 50) << "too few texts were described to test anything";
}

TEST(RootText, DenseEscapedQuotesAreDescribedPrettyTextIsNot)
{
    // Quoted speech in every record: two escaped quotes in every 80 bytes.
    std::string dense = "[";
    for (int i = 0; i < 20000; ++i)
        dense += "{\"id\":" + std::to_string(10000 + i) + ",\"name\":\"a somewhat longer name of a person here\",\"p\":\"say \\\"hi\\\"\"},";
    dense += "{}]";
    auto prepared = std::make_shared<const std::string>(prepareText(dense));
    ASSERT_NE(*prepared, dense);
    const std::optional<RootText> r = RootText::describe(dense, prepared);
    ASSERT_TRUE(r.has_value()) << "an escape-heavy text is held twice";
    EXPECT_EQ(r->copy(), dense);

    // Indented text loses a third of its bytes: describing it would not save anything.
    std::string pretty = "[\n";
    for (int i = 0; i < 2000; ++i)
        pretty += "    {\n        \"a\": " + std::to_string(i) + "\n    },\n";
    pretty += "    {}\n]";
    EXPECT_FALSE(RootText::describe(pretty, std::make_shared<const std::string>(prepareText(pretty))).has_value());
}

TEST(RootText, ParsingTheKeptTextAgainGivesTheSameDocument)
{
    std::string text = "HTTP/1.1 200 OK\r\n\r\n{\"a\":\"say \\\"hi\\\"\", \"b\" : [1, 2,\t3],\"c\":\"C:\\\\x\\\\\",";
    for (int i = 0; i < 300; ++i)
        text += "\"k" + std::to_string(i) + "\":{\"s\":\"\xD6\xD0 \\\"q\\\"\",\"n\":[" + std::to_string(i) +
                "],\"t\":\"words that preparing leaves alone, to make a record of common size\"},";
    text += "\"z\":null}";
    JsonDocument first;
    std::string input = text;
    first.parse(input, false, false);
    const std::shared_ptr<const RootText> kept = first.rootText();
    ASSERT_NE(kept, nullptr);
    for (const bool zeroBased : {false, true}) {
        std::string again = text;
        JsonDocument literal;
        literal.parse(again, zeroBased, false);
        JsonDocument reparsed;
        reparsed.parseDescribed(kept, zeroBased);
        EXPECT_EQ(testing::dumpNodes(reparsed.nodes().snapshot()), testing::dumpNodes(literal.nodes().snapshot()));
        EXPECT_EQ(reparsed.rootText(), kept) << "the document shares the text it was given";
        EXPECT_EQ(reparsed.valueAt(""), literal.valueAt(""));
        EXPECT_EQ(std::string_view(reparsed.buildTreeContent()), std::string_view(literal.buildTreeContent()));
    }
    // A text without brackets is read as a one-element array of the text as it came.
    const std::string bare = "say \\\"hi\\\" \t and go on for a while, with nothing else to prepare in it";
    auto prepared = std::make_shared<const std::string>(prepareText(bare));
    std::optional<RootText> r = RootText::describe(bare, prepared);
    ASSERT_TRUE(r.has_value());
    JsonDocument doc;
    doc.parseDescribed(std::make_shared<const RootText>(std::move(*r)), false);
    std::string input2 = bare;
    EXPECT_EQ(testing::dumpNodes(doc.nodes().snapshot()), testing::dumpNodes(testing::parseNodes(input2)));
}

} // namespace
} // namespace tess
