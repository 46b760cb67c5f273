// Flat lines: the one-pass reading of jq paths and the walk of the other path styles give
// the same leaves, in the same order, on random documents and on JSON Lines.
#include "json/big/BigDocument.h"
#include "json/big/FlatLines.h"

#include <gtest/gtest.h>

#include <random>

namespace tess::big {
namespace {

std::string randomValue(std::mt19937& rng, int depth)
{
    static const char* const scalars[] = {"0", "-1.5e3", "true", "null", "\"\"", "\"a \\\" ] , }\"", "\"\\\\\"",
                                          "\"中文\""};
    static const char* const names[] = {"\"a\"", "\"b c\"", "\"\\\"\"", "\"\"", "\"$x\"", "\"\\u0041\"", "\"中\"",
                                        "\"x]\\\\\""};
    const unsigned pick = rng() % (depth > 3 ? 2 : 4);
    const char* blank = rng() % 3 == 0 ? " \n " : "";
    if (pick < 2)
        return scalars[rng() % 8];
    const bool object = pick == 3;
    std::string out = object ? "{" : "[";
    const int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) {
        out += i ? std::string(",") + blank : std::string(blank);
        if (object)
            out += std::string(names[rng() % 8]) + blank + ":" + blank;
        out += randomValue(rng, depth + 1);
    }
    return out + blank + (object ? "}" : "]");
}

std::vector<std::pair<std::string, std::string>> flatLines(const std::string& text, PathStyle style)
{
    BigDocument doc;
    doc.openBytes(text, {});
    std::vector<std::pair<std::string, std::string>> out;
    PathForm form;
    form.style = style;
    forEachFlatLine(doc, form, [&](std::string_view path, std::string_view value) {
        out.emplace_back(path, value);
        return true;
    });
    return out;
}

std::vector<std::string> values(const std::vector<std::pair<std::string, std::string>>& lines)
{
    std::vector<std::string> out;
    for (const auto& l : lines)
        out.push_back(l.second);
    return out;
}

TEST(FlatLines, OnePassAndWalkAgree)
{
    std::mt19937 rng(29);
    for (int round = 0; round < 500; ++round) {
        std::string doc = randomValue(rng, 0);
        if (round % 5 == 0) // JSON Lines: records on lines of their own
            doc = randomValue(rng, 1) + "\n" + randomValue(rng, 1) + "\n{\"r\": [1]}\n";
        const auto jq = flatLines(doc, PathStyle::Jq);
        const auto js = flatLines(doc, PathStyle::JavaScript);
        ASSERT_EQ(values(jq), values(js)) << doc;
        // The two syntaxes differ by jq's leading dot but for names with a "$", which
        // JavaScript writes bare.
        for (std::size_t k = 0; k < jq.size(); ++k)
            if (js[k].first.find('$') == std::string::npos && !js[k].first.empty())
                ASSERT_EQ(jq[k].first, "." + js[k].first) << doc;
    }
}

TEST(FlatLines, LeavesAndTheirPaths)
{
    const auto lines = flatLines(R"({"a": [1, {}], "b c": {"d": []}, "": "x"})", PathStyle::Jq);
    const std::vector<std::pair<std::string, std::string>> want{
        {".a[0]", "1"}, {".a[1]", "{}"}, {".[\"b c\"].d", "[]"}, {".[\"\"]", "\"x\""}};
    EXPECT_EQ(lines, want);
    EXPECT_EQ(flatLines("\"s\"", PathStyle::Jq), (std::vector<std::pair<std::string, std::string>>{{".", "\"s\""}}));
    EXPECT_EQ(flatLines("[]", PathStyle::Jq), (std::vector<std::pair<std::string, std::string>>{{".", "[]"}}));
}

} // namespace
} // namespace tess::big
