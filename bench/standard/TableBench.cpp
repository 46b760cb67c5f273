// The table of an array of records: its columns read from every record, and the rows
// sorted by one column, on 100,000 records of 20 members each (numbers, short texts,
// literals and a nested array; about 30 MB of standard JSON held in memory).
#include "json/big/BigDocument.h"
#include "json/big/RecordTable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

using namespace tess::big;

const std::string& records()
{
    static const std::string text = [] {
        std::mt19937 rng(29);
        std::string out = "[";
        for (int r = 0; r < 100000; ++r) {
            out += r ? ",{" : "{";
            for (int c = 0; c < 20; ++c) {
                out += (c ? ",\"col" : "\"col") + std::to_string(c) + "\":";
                switch (c % 4) {
                case 0: out += std::to_string(rng() % 1000000) + "." + std::to_string(rng() % 100); break;
                case 1: out += "\"name " + std::to_string(rng() % 50000) + " 中文\""; break;
                case 2: out += (rng() % 2) ? "true" : "null"; break;
                default: out += "[" + std::to_string(rng() % 10) + ",\"x\"]"; break;
                }
            }
            out += "}";
        }
        return out + "]";
    }();
    return text;
}

void Columns100k(benchmark::State& state)
{
    BigDocument doc;
    doc.openBytes(records(), {});
    Node root;
    doc.root(root);
    for (auto _ : state) {
        RecordTable table(doc, root);
        table.readColumns();
        benchmark::DoNotOptimize(table.columns().size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(records().size()));
}
BENCHMARK(Columns100k)->Unit(benchmark::kMillisecond);

// Sorted by a column of numbers (0) and by one of texts (1).
void Sort100kBy(benchmark::State& state)
{
    BigDocument doc;
    doc.openBytes(records(), {});
    Node root;
    doc.root(root);
    RecordTable table(doc, root);
    table.readColumns();
    for (auto _ : state)
        benchmark::DoNotOptimize(table.sortedRows(static_cast<std::size_t>(state.range(0)), false).size());
}
BENCHMARK(Sort100kBy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
