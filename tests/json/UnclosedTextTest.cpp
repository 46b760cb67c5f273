// Where a cut-off text stops being shown, checked against what the parser keeps.
#include "EngineTestSupport.h"
#include "json/UnclosedText.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include <string>
#include <vector>

using tess::NodeKind;
using tess::findUnclosedValue;

TEST(UnclosedText, OpenerOfTheOutermostValueThatNeverCloses)
{
    struct Case {
        const char* text;
        int64_t offset; // -1: nothing is cut
        int64_t line;
        char quote;
    };
    const Case cases[] = {
        {"{\"oops\":\"x\",\"list\":[1,2,", 19, 1, '"'},
        {"{\"a\":{\"b\":1", 5, 1, '"'},
        {"{\"a\":1", -1, 1, '"'},                    // only the root is open: nothing lost
        {"{\"a\":[1]}", -1, 1, '"'},
        {"[1,2,\r\n{\"a\":\n[", 7, 2, '"'},          // an array root; CR LF is one line break
        {"{\"s\":\"[{\",\"t\":1", -1, 1, '"'},        // brackets inside strings
        {"{\"s\":\"x\\\"[\",\"t\":[", 16, 1, '"'},   // an escaped quote opens no string
        {"{\"s\":\"x\\\\\",\"t\":[", 15, 1, '"'},    // an escaped backslash escapes nothing
        {"{\"a\":\"x[", 7, 1, '"'},                  // a last unpaired quote opens no string
        {"{'a':'[',\"b\":[", 13, 1, '\''},          // single quotes as string quotes
        {"{'a':'[',\"b\":[", 6, 1, '"'},
        {"{\"\xD5]\":{\"b\":1", 6, 1, '"'},          // D5 5D is one character, not a closer
        {"HTTP/1.1 200\n\n{\"a\":1,\"b\":{", 25, 3, '"'},
    };
    for (const Case& c : cases) {
        const auto found = findUnclosedValue(c.text, c.quote);
        if (c.offset < 0) {
            EXPECT_FALSE(found) << c.text;
            continue;
        }
        ASSERT_TRUE(found) << c.text;
        EXPECT_EQ(found->offset, c.offset) << c.text;
        EXPECT_EQ(found->line, c.line) << c.text;
        EXPECT_EQ(found->kind, c.text[c.offset] == '{' ? NodeKind::Object : NodeKind::Array) << c.text;
    }
}

TEST(UnclosedText, TruncatedDocumentsLoseTheReportedMemberOnly)
{
    // A document cut anywhere: every member whose value is complete before the cut and
    // before a reported opener is shown; the member whose value holds the opener is not.
    struct Member {
        std::string name, value;
        std::size_t start = 0, end = 0; // offsets of its value in the document
    };
    std::vector<Member> members = {{"a", "1"}, {"b", "[1,{\"c\":\"]}\"}]"}, {"d", "{\"e\":[2]}"}, {"f", "\"x\""}};
    std::string doc = "{";
    for (Member& m : members) {
        doc += (doc.size() > 1 ? ",\"" : "\"") + m.name + "\":";
        m.start = doc.size();
        doc += m.value;
        m.end = doc.size();
    }
    doc += "}";
    int reported = 0;
    for (std::size_t cut = 1; cut <= doc.size(); ++cut) {
        const std::string text = doc.substr(0, cut);
        const auto found = findUnclosedValue(text);
        const auto shown = tess::testing::members(text);
        auto isShown = [&](const std::string& name) {
            for (const auto& line : shown)
                if (line.rfind(name + "=", 0) == 0)
                    return true;
            return false;
        };
        for (const Member& m : members) {
            if (m.end <= cut && (!found || m.end <= static_cast<std::size_t>(found->offset))) {
                EXPECT_TRUE(isShown(m.name)) << m.name << " in " << text;
            }
            if (found && static_cast<std::size_t>(found->offset) == m.start) {
                EXPECT_FALSE(isShown(m.name)) << m.name << " in " << text;
            }
        }
        reported += found.has_value();
    }
    EXPECT_GT(reported, 10);
}

namespace {

// The walk read literally, one unit at a time: the reference for the fast walk.
std::optional<tess::UnclosedValue> literalUnclosed(std::string_view t, char quote)
{
    std::vector<tess::UnclosedValue> open;
    bool inString = false;
    int64_t line = 1, lineAtOpen = 1;
    std::size_t lastOpen = 0;
    const auto walk = [&](std::size_t from, bool strings) {
        bool escaped = false;
        for (std::size_t i = from; i < t.size();) {
            const auto c = static_cast<unsigned char>(t[i]);
            if (c >= 0x80) {
                i += 2;
                escaped = false;
                continue;
            }
            if (c == '\n' || (c == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n'))) {
                ++line;
            } else if (c == static_cast<unsigned char>(quote) && !escaped && strings) {
                inString = !inString;
                lastOpen = i;
                lineAtOpen = line;
            } else if (!inString && (c == '{' || c == '[')) {
                open.push_back({static_cast<int64_t>(i), line, c == '{' ? NodeKind::Object : NodeKind::Array});
            } else if (!inString && (c == '}' || c == ']') && !open.empty()) {
                open.pop_back();
            }
            escaped = c == '\\' && !escaped;
            ++i;
        }
    };
    walk(0, true);
    if (inString) {
        inString = false;
        line = lineAtOpen;
        walk(lastOpen + 1, false);
    }
    if (open.size() < 2)
        return std::nullopt;
    return open[1];
}

} // namespace

TEST(UnclosedText, SameAsTheLiteralWalkOnRandomTexts)
{
    // Indentation runs longer than a block, line breaks of both kinds, escapes, both
    // quotes, two-byte characters whose second byte is a bracket or a backslash, and runs
    // of bytes >= 0x80 of odd length (their last byte takes the next one with it).
    const std::vector<std::string> pieces = {"{", "}", "[", "]", "\"", "'", "\\", "\\\\", "\n", "\r\n", "\r", ",",
                                             ":", "a", "17", std::string(2, ' '), std::string(23, ' '),
                                             std::string(40, '\t'), "\xD6\xD0", "\xD5]", "\x81[", "\xB0\\",
                                             "\x81\x30\x81\x30", "\xFE{", "\xC4", std::string(33, '\xB0')};
    std::mt19937 rng(5);
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        for (std::size_t k = 0, count = rng() % 120; k < count; ++k)
            text += pieces[rng() % pieces.size()];
        if (rng() % 4 == 0)
            text += std::string(rng() % 40, ' ') + "\xC4"; // a lone lead byte at the end
        for (const char quote : {'"', '\''}) {
            const auto expected = literalUnclosed(text, quote);
            const auto actual = findUnclosedValue(text, quote);
            ASSERT_EQ(actual.has_value(), expected.has_value()) << round;
            if (!expected)
                continue;
            ++found;
            EXPECT_EQ(actual->offset, expected->offset) << round;
            EXPECT_EQ(actual->line, expected->line) << round;
            EXPECT_EQ(actual->kind, expected->kind) << round;
        }
    }
    EXPECT_GT(found, 1000);
}
