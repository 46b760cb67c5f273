// The comparison and the filter in process, on documents of records like make_pair.py's:
//   Compare/Engine: two 20 MB documents (about 940 k nodes each) differing in 300 places
//   (a tenth inserted records, a tenth removed ones, the rest one changed field), parsed
//   once; the time is the comparison alone. Compare/Big: the same pair on the big road
//   (read from memory, so the index is built once).
//   Filter/Items: the filter's rule over the captions of a million items (the window keeps
//   them in its model); Filter/Document: the same, the captions read from a document's
//   tree content block, which is built in the timing.
#include "compare/BigSide.h"
#include "compare/Comparison.h"
#include "compare/EngineSide.h"
#include "json/JsonDocument.h"
#include "json/big/BigDocument.h"
#include "tree/TreeFilter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <set>
#include <string>

namespace {

std::string record(long i, int changed)
{
    static const std::string note =
        std::string("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor incididunt ut labore "
                    "et dolore magna aliqua ut enim ad minim veniam quis nostrud")
            .substr(0, 140);
    std::string s = "{\"id\":" + std::to_string(changed == 0 ? i + 1000000000 : i) + ",\"name\":\"user" +
                    std::to_string(i) + "\",\"active\":" + (changed == 2 ? "null" : i % 3 ? "true" : "false") +
                    ",\"score\":" + std::to_string(i % 997) + "." + std::to_string(10 + i % 90) + ",\"tags\":[\"t" +
                    std::to_string(i % 7) + "\",\"t" + std::to_string(changed == 4 ? 99 : i % 11) +
                    "\"],\"pos\":{\"x\":" + std::to_string(i % 1000) + ",\"y\":" + std::to_string(i % 777) +
                    "},\"note\":\"" + (changed == 6 ? std::string("changed") : note) + "\"}";
    return s;
}

struct Pair {
    std::string a, b;
};

// About bytes of records in A; B with `changes` differences.
const Pair& recordsPair()
{
    static Pair p = [] {
        constexpr std::size_t kBytes = 20 * 1000 * 1000;
        constexpr int kChanges = 300;
        const long count = static_cast<long>(kBytes / (record(12345, -1).size() + 1));
        std::mt19937 rng(1);
        std::set<long> at;
        while (at.size() < kChanges)
            at.insert(static_cast<long>(rng() % static_cast<unsigned long>(count)));
        Pair out;
        out.a = out.b = "{\"meta\":{\"version\":1},\"records\":[";
        bool firstB = true;
        for (long i = 0; i < count; ++i) {
            const std::string r = record(i, -1);
            out.a += (i ? "," : "") + r;
            const int what = at.count(i) ? static_cast<int>(rng() % 10) : -1; // 8: insert, 9: remove
            if (what == 8) {
                out.b += (firstB ? "" : ",") + record(100000000 + i, -1);
                firstB = false;
            }
            if (what != 9) {
                out.b += (firstB ? "" : ",") + (what >= 0 && what < 8 ? record(i, (what % 4) * 2) : r);
                firstB = false;
            }
        }
        out.a += "]}";
        out.b += "]}";
        return out;
    }();
    return p;
}

void CompareEngine(benchmark::State& state)
{
    const Pair& p = recordsPair();
    tess::JsonDocument a, b;
    std::string ta = p.a, tb = p.b;
    a.parseTaking(std::move(ta), false, false);
    b.parseTaking(std::move(tb), false, false);
    const tess::compare::EngineSide l(a), r(b);
    uint64_t found = 0;
    for (auto _ : state) {
        const auto s = tess::compare::compareDocuments<tess::compare::EngineSide, tess::compare::EngineSide>(
            l, r, {}, [](const auto&) { return true; });
        found = s.differences();
    }
    state.counters["differences"] = static_cast<double>(found);
    state.counters["nodes"] = a.nodes().nodeCount();
}
// The walk runs on a thread of its own: real time, not the calling thread's CPU time.
BENCHMARK(CompareEngine)->Name("Compare/Engine")->Unit(benchmark::kMillisecond)->UseRealTime();

void CompareBig(benchmark::State& state)
{
    const Pair& p = recordsPair();
    tess::big::BigDocument a, b;
    a.openBytes(p.a, {});
    b.openBytes(p.b, {});
    const tess::compare::BigSide l(a), r(b);
    uint64_t found = 0;
    for (auto _ : state) {
        const auto s = tess::compare::compareDocuments<tess::compare::BigSide, tess::compare::BigSide>(
            l, r, {}, [](const auto&) { return true; });
        found = s.differences();
    }
    state.counters["differences"] = static_cast<double>(found);
}
BENCHMARK(CompareBig)->Name("Compare/Big")->Unit(benchmark::kMillisecond)->UseRealTime();

// A million items: an array of 250 k objects of three members.
tess::JsonDocument& millionItems()
{
    static tess::JsonDocument& doc = *[] {
        std::string text = "[";
        for (int i = 0; i < 250000; ++i)
            text += std::string(i ? "," : "") + "{\"name\":\"item" + std::to_string(i) + "\",\"n\":" +
                    std::to_string(i * 7) + ",\"ok\":true}";
        text += "]";
        auto* d = new tess::JsonDocument; // kept for the process
        d->parseTaking(std::move(text), false, false);
        return d;
    }();
    return doc;
}

void FilterItems(benchmark::State& state)
{
    const tess::JsonDocument& doc = millionItems();
    const tess::TreeContentBlock block = doc.buildTreeContent();
    const std::vector<std::string_view> captions = tess::blockCaptions(block.view());
    std::vector<int> depth(captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i)
        depth[i] = doc.nodes().levelOf(static_cast<int32_t>(i) + 1);
    const tess::CaptionMatcher matcher("item12", tess::FindMode::Plain, false);
    uint64_t kept = 0;
    for (auto _ : state)
        kept = tess::filterItems(
                   static_cast<int>(captions.size()), [&](int i) { return captions[static_cast<std::size_t>(i)]; },
                   [&](int i) { return depth[static_cast<std::size_t>(i)]; }, matcher)
                   .kept;
    state.counters["items"] = static_cast<double>(captions.size());
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(FilterItems)->Name("Filter/Items")->Unit(benchmark::kMillisecond);

void FilterDocument(benchmark::State& state)
{
    const tess::JsonDocument& doc = millionItems();
    const tess::CaptionMatcher matcher("item12", tess::FindMode::Plain, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(tess::filterDocument(doc, matcher, "JSON").kept);
}
BENCHMARK(FilterDocument)->Name("Filter/Document")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
