// The comparison on both roads and across them: every pairing of the engine's and the big
// road's reading of two texts gives the same differences, in the same order.
#include "compare/BigSide.h"
#include "compare/Comparison.h"
#include "compare/DiffMarks.h"
#include "compare/DiffPath.h"
#include "compare/EngineSide.h"
#include "json/JsonDocument.h"
#include "json/NestingLimit.h"
#include "json/big/BigDocument.h"
#include "platform/Codec.h"
#include "platform/InputText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tess::compare {
namespace {

// One UTF-8 text read by both roads.
struct Both {
    explicit Both(std::string text) : utf8(std::move(text))
    {
        std::string gb = inputTextToGb18030(utf8);
        engine.parseTaking(std::move(gb), false, false);
        big.openBytes(utf8, {});
    }
    std::string utf8;
    JsonDocument engine;
    big::BigDocument big;
};

const char* kindLetter(DiffKind k)
{
    switch (k) {
    case DiffKind::Added: return "A";
    case DiffKind::Removed: return "R";
    case DiffKind::Changed: return "C";
    case DiffKind::TypeChanged: return "T";
    }
    return "?";
}

template <class L, class R>
std::vector<std::string> run(const L& l, const R& r, const CompareOptions& options, CompareSummary* summary,
                             int stopAfter)
{
    std::vector<std::string> out;
    const CompareSummary s = compareDocuments<L, R>(l, r, options, [&](const Difference<L, R>& d) {
        std::string line = std::string(kindLetter(d.kind)) + " " + formatPath(d.path, PathStyle::Jq) + " ";
        if (d.left)
            l.appendText(*d.left, line);
        line += "|";
        if (d.right)
            r.appendText(*d.right, line);
        out.push_back(codec::gb18030ToUtf8(line).text);
        return static_cast<int>(out.size()) != stopAfter;
    });
    if (summary)
        *summary = s;
    return out;
}

// The lines of every pairing of roads, which must agree; the engine's are returned.
std::vector<std::string> diff(const std::string& a, const std::string& b, const CompareOptions& options = {},
                              CompareSummary* summary = nullptr, int stopAfter = -1)
{
    const auto left = std::make_unique<Both>(a);
    const auto right = std::make_unique<Both>(b);
    const EngineSide el(left->engine), er(right->engine);
    const BigSide bl(left->big), br(right->big);
    const std::vector<std::string> lines = run(el, er, options, summary, stopAfter);
    EXPECT_EQ(run(bl, br, options, nullptr, stopAfter), lines) << "big road";
    EXPECT_EQ(run(el, br, options, nullptr, stopAfter), lines) << "engine against big road";
    EXPECT_EQ(run(bl, er, options, nullptr, stopAfter), lines) << "big road against engine";
    return lines;
}

using Lines = std::vector<std::string>;

TEST(Comparison, EqualUnderTheRules)
{
    // Order of members, spelling of numbers, escapes in strings and names.
    EXPECT_EQ(diff(R"({"a":1,"b":[1,2,{"c":"\u4e2d\/x"}],"d":1.0,"e\u00e9":"\ud83d\ude00"})",
                   "{\"e\xc3\xa9\":\"\xf0\x9f\x98\x80\", \"d\" : 1e0,\n \"b\":[1E0,2.000,{\"c\":\"\xe4\xb8\xad/x\"}],\"a\":10e-1}"),
              Lines{});
}

TEST(Comparison, EveryKindOfDifference)
{
    EXPECT_EQ(diff("1", "\"1\""), Lines{"T . 1|\"1\""});
    EXPECT_EQ(diff("[1]", "1"), Lines{"T . [1]|1"});
    EXPECT_EQ(diff(R"({"n":1,"s":"x","t":true,"o":{},"gone":[1,2],"arr":[1,2,3],"z":null})",
                   R"({"n":2,"s":1,"t":false,"o":{"new":null},"arr":[1,"in",2,3],"z":null,"last":{"k":[]}})"),
              (Lines{"C .n 1|2", "T .s \"x\"|1", "C .t true|false", "A .o.new |null", "R .gone [1,2]|",
                     "A .arr[1] |\"in\"", "A .last |{\"k\":[]}"}));
}

TEST(Comparison, ArraysAlignAroundInsertionsAndPairTheRest)
{
    // One element inserted, one removed, one changed inside: nothing else is marked.
    EXPECT_EQ(diff(R"([1,{"id":2},3,{"id":4,"v":[5,6]},7])", R"([0,1,3,{"id":4,"v":[5,7]},7])"),
              (Lines{"A .[0] |0", "R .[1] {\"id\":2}|", "C .[3].v[1] 6|7"}));
    // Past the size for alignment: element by element.
    CompareOptions small;
    small.maxHashedElements = 2;
    EXPECT_EQ(diff("[1,2,3]", "[0,1,2,3]", small), (Lines{"C .[0] 1|0", "C .[1] 2|1", "C .[2] 3|2", "A .[3] |3"}));
}

TEST(Comparison, RepeatedNamesPairInTheirOrder)
{
    EXPECT_EQ(diff(R"({"a":1,"a":2})", R"({"a":2,"a":1})"), (Lines{"C .a 1|2", "C .a 2|1"}));
    EXPECT_EQ(diff(R"({"b":0,"a":1,"a":2})", R"({"a":1,"b":0})"), (Lines{"R .a 2|"}));
}

TEST(Comparison, ObjectsPastTheBoundCompareInStoredOrderWithANote)
{
    const std::string a = R"({"x":{"a":1,"b":2,"c":3,"d":4}})";
    const std::string b = R"({"x":{"a":1,"c":3,"b":2,"d":4}})";
    CompareSummary summary;
    EXPECT_EQ(diff(a, b, {}, &summary), Lines{});
    EXPECT_EQ(summary.noteCount, 0u);
    CompareOptions bounded;
    bounded.maxMembers = 2; // "a" goes by in step; the three after it are too many
    EXPECT_EQ(diff(a, b, bounded, &summary), (Lines{"R .x.b 2|", "A .x.c |3", "R .x.c 3|", "A .x.b |2"}));
    ASSERT_EQ(summary.notes.size(), 1u);
    EXPECT_EQ(summary.notes[0].kind, NoteKind::StoredOrder);
    EXPECT_EQ(formatPath(summary.notes[0].path, PathStyle::Jq), ".x");
}

TEST(Comparison, TheCallerStopsOrCancels)
{
    CompareSummary summary;
    EXPECT_EQ(diff("[1,2,3]", "[4,5,6]", {}, &summary, 2).size(), 2u);
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ(summary.differences(), 2u);

    std::string a = "[", b = "[";
    for (int i = 0; i < 100000; ++i) {
        a += (i ? "," : "") + std::to_string(i);
        b += (i ? "," : "") + std::to_string(i + 1000000);
    }
    a += "]";
    b += "]";
    std::atomic<bool> cancel{true};
    CompareOptions options;
    options.cancel = &cancel;
    uint64_t progressCalls = 0;
    options.progress = [&](uint64_t done, uint64_t total) {
        ++progressCalls;
        EXPECT_LE(done, total);
    };
    const Lines lines = diff(a, b, options, &summary);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_LT(lines.size(), 100000u);
    EXPECT_GT(progressCalls, 0u);
}

TEST(Comparison, MarksOfTheLeftTree)
{
    // Nodes of the left: 1 root, 2 x, 3 o, 4 p, 5 p[0], 6 p[1], 7 q, 8 r.
    const Both a(R"({"x":1,"o":{"p":[1,2],"q":true},"r":[]})");
    const Both b(R"({"x":2,"o":{"p":[1,3],"q":true,"n":0},"r":[]})");
    const EngineSide l(a.engine), r(b.engine);
    DiffMarks marks;
    compareDocuments<EngineSide, EngineSide>(l, r, {}, [&](const Difference<EngineSide, EngineSide>& d) {
        marks.add(d.kind, d.left ? *d.left : *d.leftContainer);
        return true;
    });
    marks.finish(a.engine.nodes());
    EXPECT_EQ(marks.markOf(2), DiffKind::Changed);
    EXPECT_EQ(marks.markOf(3), DiffKind::Added);
    EXPECT_EQ(marks.markOf(6), DiffKind::Changed);
    EXPECT_EQ(marks.markOf(4), std::nullopt);
    std::string holders;
    for (int32_t n = 1; n <= 8; ++n)
        holders += marks.holdsDifference(n) ? 'h' : '.';
    EXPECT_EQ(holders, "hhhh.h..");
    EXPECT_EQ(marks.next(0), 2);
    EXPECT_EQ(marks.next(3), 6);
    EXPECT_EQ(marks.next(6), -1);
    EXPECT_EQ(marks.previous(9), 6);
    EXPECT_EQ(marks.previous(3), 2);
    EXPECT_EQ(marks.previous(2), -1);
    EXPECT_EQ(marks.count(DiffKind::Changed), 2u);
    EXPECT_EQ(marks.count(DiffKind::Added), 1u);
}

TEST(Comparison, NestingAsDeepAsDocumentsGo)
{
    constexpr int kDepth = static_cast<int>(kMaxNesting);
    std::string arrays(kDepth, '['), objects;
    for (int i = 0; i < kDepth; ++i)
        objects += "{\"k\":";
    for (const std::string& open : {arrays, objects}) {
        const std::string close = open[0] == '[' ? std::string(kDepth, ']') : std::string(kDepth, '}');
        big::BigDocument a, b;
        const std::string ta = open + "1" + close, tb = open + "2" + close;
        a.openBytes(ta, {});
        b.openBytes(tb, {});
        const BigSide la(a), rb(b);
        std::vector<std::size_t> depths;
        compareDocuments<BigSide, BigSide>(la, rb, {}, [&](const Difference<BigSide, BigSide>& d) {
            depths.push_back(d.path.size());
            return true;
        });
        EXPECT_EQ(depths, std::vector<std::size_t>{kDepth}) << open.substr(0, 8);
    }
}

} // namespace
} // namespace tess::compare
