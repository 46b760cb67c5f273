// The formatted value of a 10 MB container, and every node's path in the foreign
// syntaxes (what --paths --path-style prints) on a 10 MB document.
#include "CorpusGenerator.h"

#include "json/JsonDocument.h"
#include "json/PathSyntax.h"
#include "json/ValueFormatter.h"
#include "platform/Codec.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t MB = 1024 * 1024;

enum FormatInput { Compact10, Pretty10, Unquoted10, DeepArrays100k };

const std::string& formatInput(FormatInput which)
{
    using namespace tess::bench;
    static const std::string compact = tess::codec::utf8ToGb18030(apiDocument(10 * MB, 1)).text;
    static const std::string pretty = tess::codec::utf8ToGb18030(apiDocument(10 * MB, 1, true)).text;
    // Broken text of the kind the engine accepts: keys unquoted, strings in single quotes.
    static const std::string unquoted = [] {
        std::string s = compact;
        std::string out;
        out.reserve(s.size());
        bool inString = false;
        bool key = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const char c = s[i];
            if (static_cast<unsigned char>(c) >= 0x80 && i + 1 < s.size()) {
                out += c;
                out += s[++i];
                continue;
            }
            if (c == '\\' && inString && i + 1 < s.size()) {
                out += c;
                out += s[++i];
                continue;
            }
            if (c == '"') {
                if (!inString) {
                    const std::size_t close = s.find('"', i + 1);
                    key = close != std::string::npos && close + 1 < s.size() && s[close + 1] == ':';
                }
                inString = !inString;
                if (!key)
                    out += '\'';
                continue;
            }
            out += c;
        }
        return out;
    }();
    static const std::string deep = deepArrays(100000);
    switch (which) {
    case Compact10: return compact;
    case Pretty10: return pretty;
    case Unquoted10: return unquoted;
    case DeepArrays100k: return deep;
    }
    return compact;
}

void BM_FormatValue(benchmark::State& state)
{
    const std::string& text = formatInput(static_cast<FormatInput>(state.range(0)));
    std::size_t outBytes = 0;
    for (auto _ : state) {
        const std::string formatted = tess::formatValue(text);
        outBytes = formatted.size();
        benchmark::DoNotOptimize(formatted.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["inMB"] = double(text.size()) / MB;
    state.counters["outMB"] = double(outBytes) / MB;
}
BENCHMARK(BM_FormatValue)
    ->ArgName("input")
    ->Arg(Compact10)
    ->Arg(Pretty10)
    ->Arg(Unquoted10)
    ->Arg(DeepArrays100k)
    ->Unit(benchmark::kMillisecond);

void BM_EveryPathInStyle(benchmark::State& state)
{
    static tess::JsonDocument doc;
    static const bool parsed = [] {
        std::string text = tess::codec::utf8ToGb18030(tess::bench::apiDocument(10 * MB, 1)).text;
        doc.parseTaking(std::move(text), false, false);
        doc.nodes().setBulkLookups(true);
        return true;
    }();
    benchmark::DoNotOptimize(parsed);
    const auto style = static_cast<tess::PathStyle>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int i = 2; i <= doc.nodes().nodeCount(); ++i)
            bytes += tess::pathInStyle(doc, i, style).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["nodes"] = doc.nodes().nodeCount();
    state.counters["pathMB"] = double(bytes) / MB;
}
BENCHMARK(BM_EveryPathInStyle)
    ->ArgName("style")
    ->Arg(static_cast<int>(tess::PathStyle::Tree))
    ->Arg(static_cast<int>(tess::PathStyle::Jq))
    ->Arg(static_cast<int>(tess::PathStyle::Python))
    ->Unit(benchmark::kMillisecond);

} // namespace
