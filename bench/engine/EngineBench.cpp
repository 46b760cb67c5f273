// Parse + tree content block on generated documents, side by side with a RapidJSON DOM
// parse plus a node-counting walk of the same bytes.
#include "CorpusGenerator.h"
#include "RapidJsonWalk.h"

#include "json/JsonDocument.h"
#include "platform/Codec.h"

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>

#include <map>

namespace {

enum Doc { Api1, Api10, Api50, Pretty10, Numbers1M, DeepArrays10k, DeepObjects10k, DeepArrays100k, DeepObjects100k };

// Documents are generated once, as UTF-8, and converted to GB18030 like pasted text.
const std::string& document(Doc d)
{
    static std::map<Doc, std::string> cache;
    auto it = cache.find(d);
    if (it != cache.end())
        return it->second;
    using namespace tess::bench;
    constexpr std::size_t MB = 1024 * 1024;
    std::string utf8;
    switch (d) {
    case Api1: utf8 = apiDocument(1 * MB, 1); break;
    case Api10: utf8 = apiDocument(10 * MB, 1); break;
    case Api50: utf8 = apiDocument(50 * MB, 1); break;
    case Pretty10: utf8 = apiDocument(10 * MB, 1, true); break;
    case Numbers1M: utf8 = numberArray(1000000, 3); break;
    case DeepArrays10k: utf8 = deepArrays(10000); break;
    case DeepObjects10k: utf8 = deepObjects(10000); break;
    case DeepArrays100k: utf8 = deepArrays(100000); break;
    case DeepObjects100k: utf8 = deepObjects(100000); break;
    }
    return cache.emplace(d, tess::codec::utf8ToGb18030(utf8).text).first->second;
}

void BM_Engine(benchmark::State& state)
{
    const std::string& text = document(static_cast<Doc>(state.range(0)));
    int32_t nodes = 0;
    std::size_t blockBytes = 0;
    for (auto _ : state) {
        tess::JsonDocument doc;
        std::string copy = text;
        doc.parseTaking(std::move(copy), false, false);
        const auto block = doc.buildTreeContent();
        nodes = doc.nodes().nodeCount();
        blockBytes = block.size();
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["nodes"] = nodes;
    state.counters["blockMB"] = double(blockBytes) / (1024 * 1024);
}

void BM_RapidJson(benchmark::State& state)
{
    const std::string& text = document(static_cast<Doc>(state.range(0)));
    std::size_t nodes = 0;
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse<rapidjson::kParseIterativeFlag>(text.data(), text.size());
        if (doc.HasParseError()) {
            state.SkipWithError("rapidjson parse error");
            return;
        }
        nodes = tess::bench::countRapidJsonNodes(doc);
        benchmark::DoNotOptimize(nodes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["nodes"] = static_cast<double>(nodes);
}

void documents(benchmark::internal::Benchmark* b)
{
    b->ArgName("doc");
    for (int d = Api1; d <= DeepObjects100k; ++d)
        b->Arg(d);
    b->Unit(benchmark::kMillisecond);
    b->MinTime(1.0);
}

} // namespace

BENCHMARK(BM_Engine)->Apply(documents);
BENCHMARK(BM_RapidJson)->Apply(documents);
BENCHMARK_MAIN();
