// Blanks at line edges taken out of a prepared text before it is scanned: exactly those
// outside strings, and the pretty text's containers then share that one text.
#include "json/JsonDocument.h"
#include "json/LineEdges.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Byte by byte: a line feed outside strings (quotes paired from the start; after an
// unpaired last quote nothing counts as outside) loses the spaces and tabs right before it
// (or before its CR) and right after it.
std::string reference(const std::string& t)
{
    std::vector<bool> drop(t.size(), false);
    std::size_t seen = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        seen += t[i] == '"';
        if (t[i] != '\n' || seen % 2 == 1)
            continue;
        std::size_t b = i > 0 && t[i - 1] == '\r' ? i - 1 : i;
        while (b > 0 && (t[b - 1] == ' ' || t[b - 1] == '\t'))
            drop[--b] = true;
        for (std::size_t a = i + 1; a < t.size() && (t[a] == ' ' || t[a] == '\t'); ++a)
            drop[a] = true;
    }
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (!drop[i])
            out += t[i];
    return out;
}

} // namespace

TEST(LineEdges, RemovesExactlyTheBlanksAtLineEdgesOutsideStrings)
{
    static const char* const kPieces[] = {" ", "\t", "\n", "\r\n", "\r", "\"", "x", "{", "}", "1", "  ", "\xA1\xA1", "\\"};
    std::mt19937 rng(3);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        // Long enough to cross the walk's 16-byte blocks in every way.
        for (int k = static_cast<int>(rng() % 60); k > 0; --k)
            text += kPieces[rng() % std::size(kPieces)];
        std::string walked = text;
        const bool changed = tess::trimLineEdgesOutsideStrings(walked);
        ASSERT_EQ(walked, reference(text)) << "input: " << text;
        EXPECT_EQ(changed, walked != text);
    }
}

TEST(LineEdges, PrettyContainersEndingInNumbersShareTheRootsText)
{
    // Every object ends with a number, so its text holds "1\n  }": without the blanks at
    // line edges taken out, the first level below the root was trimmed into a copy.
    std::string text = "{\n";
    for (int i = 0; i < 2000; ++i)
        text += "  \"item" + std::to_string(i) + "\": {\n    \"name\": \"n\",\n    \"rank\": " + std::to_string(i) +
                "\n  },\n";
    text += "  \"last\": [\n    1,\n    2\n  ]\n}\n";
    const std::string wrapped = "{\n  \"data\": " + text + "}\n";
    tess::JsonDocument doc;
    std::string input = wrapped;
    doc.parse(input, false, false);
    EXPECT_EQ(doc.nodes().nodeCount(), 2 + 2000 * 3 + 3);
    // The input and one prepared copy of it, no copy of the members' texts.
    EXPECT_LT(doc.nodes().sharedBytes(), 2 * wrapped.size());
}
