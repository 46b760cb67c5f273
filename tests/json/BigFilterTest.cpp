// The filter on the big road keeps what the engine's filter keeps (the same items, in
// tree order, matches and ancestors) on random documents in every find mode; past its
// bound it stops and says so.
#include "json/JsonDocument.h"
#include "json/big/BigDocument.h"
#include "json/big/BigFilter.h"
#include "platform/InputText.h"
#include "tree/TreeFilter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tess {
namespace {

std::string randomDocument(std::mt19937& rng, int depth = 0)
{
    static const char* const kWords[] = {"alpha", "Beta", "gamma", "中文", "delta x", "ALPHA"};
    const unsigned kind = depth > 3 ? 2 + rng() % 3 : rng() % 5;
    auto word = [&] { return std::string(kWords[rng() % 6]); };
    if (kind < 2) {
        std::string out(1, kind == 0 ? '{' : '[');
        for (unsigned i = 0, n = rng() % 5; i < n; ++i) {
            if (i)
                out += ",";
            if (kind == 0)
                out += "\"" + word() + std::to_string(i) + "\":";
            out += randomDocument(rng, depth + 1);
        }
        return out + (kind == 0 ? '}' : ']');
    }
    if (kind == 2)
        return "\"" + word() + "\"";
    if (kind == 3)
        return std::to_string(static_cast<int>(rng() % 300));
    return rng() % 2 ? "true" : "null";
}

// Kept items as "depth M|a caption", in tree order.
std::vector<std::string> engineKept(const JsonDocument& doc, const CaptionMatcher& matcher)
{
    const FilterOutcome o = filterDocument(doc, matcher, "JSON");
    const TreeContentBlock block = doc.buildTreeContent();
    const std::vector<std::string_view> captions = blockCaptions(block.view());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < o.marks.size(); ++i)
        if (o.marks[i] != FilterMark::Hidden)
            out.push_back(std::to_string(doc.nodes().levelOf(static_cast<int32_t>(i) + 1)) +
                          (o.marks[i] == FilterMark::Match ? " M " : " a ") +
                          (i == 0 ? std::string("JSON") : std::string(captions[i])));
    return out;
}

std::vector<std::string> bigKept(const big::BigDocument& doc, const big::BigFilterOutcome& o)
{
    std::vector<std::string> out;
    std::vector<int> depth;
    for (std::size_t i = 0; i < o.nodes.size(); ++i) {
        const big::KeptNode& k = o.nodes[i];
        depth.push_back(k.parent < 0 ? 1 : depth[static_cast<std::size_t>(k.parent)] + 1);
        out.push_back(std::to_string(depth.back()) + (k.match ? " M " : " a ") +
                      (i == 0 ? std::string("JSON") : doc.caption(k.node, false, 1 << 20)));
    }
    return out;
}

TEST(BigFilter, KeepsWhatTheEngineKeeps)
{
    std::mt19937 rng(17);
    struct Find {
        const char* text;
        FindMode mode;
        bool ignoreCase;
    };
    const Find finds[] = {{"alpha", FindMode::Plain, false},  {"alpha", FindMode::Plain, true},
                          {"中文", FindMode::Plain, false},    {"a*a", FindMode::Wildcard, false},
                          {"^[0-9]+:1", FindMode::Regex, false}, {"gamma|null", FindMode::Regex, true},
                          {"1", FindMode::Plain, false}};
    int kept = 0;
    for (int round = 0; round < 150; ++round) {
        std::string utf8 = "{\"r\":" + randomDocument(rng) + "}";
        JsonDocument engine;
        std::string gb = inputTextToGb18030(utf8);
        engine.parseTaking(std::move(gb), false, false);
        big::BigDocument doc;
        doc.openBytes(utf8, {});
        for (const Find& f : finds) {
            const std::string text = inputTextToGb18030(f.text);
            big::FilterRequest request;
            request.text = text;
            request.mode = f.mode;
            request.ignoreCase = f.ignoreCase;
            const big::BigFilterOutcome o = big::filterNodes(doc, request);
            ASSERT_EQ(o.status, big::FilterStatus::Done);
            const std::vector<std::string> expected = engineKept(engine, CaptionMatcher(text, f.mode, f.ignoreCase));
            ASSERT_EQ(bigKept(doc, o), expected) << utf8 << " find " << f.text;
            kept += static_cast<int>(expected.size());
        }
    }
    EXPECT_GT(kept, 1000); // the finds do match
}

TEST(BigFilter, StopsAtItsBoundAndOnABadPattern)
{
    std::string utf8 = "[";
    for (int i = 0; i < 50; ++i)
        utf8 += (i ? ",{\"k\":\"hit\"}" : "{\"k\":\"hit\"}");
    utf8 += "]";
    big::BigDocument doc;
    doc.openBytes(utf8, {});
    big::FilterRequest request;
    request.text = "hit";
    request.maxMatches = 10;
    big::BigFilterOutcome o = big::filterNodes(doc, request);
    EXPECT_EQ(o.status, big::FilterStatus::OverLimit);
    EXPECT_EQ(o.matches, 10u);
    EXPECT_EQ(o.nodes.size(), 21u); // the root, ten elements, ten members
    request.text = "(";
    request.mode = FindMode::Regex;
    o = big::filterNodes(doc, request);
    EXPECT_EQ(o.status, big::FilterStatus::BadPattern);
    EXPECT_FALSE(o.error.empty());
}

} // namespace
} // namespace tess
