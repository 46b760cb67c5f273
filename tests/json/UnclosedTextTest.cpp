// Where a cut-off text stops being shown, checked against what the parser keeps.
#include "EngineTestSupport.h"
#include "json/UnclosedText.h"

#include <gtest/gtest.h>

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
