// UTF-8 <-> GB18030 on 16 MB documents of two shapes, by iconv (one call over the text),
// ICU (ucnv_convertEx through its UTF-16 pivot) and the codec's tables. Throughput is the
// input size per second.
//
//   ascii  an API response: keys, numbers, URLs, a CJK word in about one string of five
//          (about 97 % of the UTF-8 bytes are ASCII)
//   cjk    the same structure whose strings are Chinese sentences (about 80 % of the
//          UTF-8 bytes belong to CJK characters)
//   scripts  names in about thirty scripts with emoji (the corpus's many-script shape):
//          two-, three- and four-byte UTF-8, many four-byte GB18030 codes
//
// and, for the table road alone, documents of one script each (BM_*_Script, "script"
// numbers the kScriptRanges below): words of five to twelve letters between short ASCII
// keys, as a list of names in that language would be.
#include "ShapeGenerator.h"
#include "platform/Codec.h"
#include "platform/Gb18030Tables.h"

#include <benchmark/benchmark.h>
#include <iconv.h>
#ifdef TESS_BENCH_ICU
#include <unicode/ucnv.h>
#endif

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kTargetBytes = 16u * 1000 * 1000;

void appendUtf8(std::string& s, char32_t cp)
{
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string chineseWords(std::mt19937& rng, int chars)
{
    std::string s;
    for (int i = 0; i < chars; ++i) {
        if (i > 0 && rng() % 9 == 0)
            appendUtf8(s, rng() % 2 ? 0xFF0C : 0x3002); // full-width comma, full stop
        appendUtf8(s, 0x4E00 + rng() % (0x9FA5 - 0x4E00));
    }
    return s;
}

std::string document(bool cjk)
{
    std::mt19937 rng(cjk ? 11 : 7);
    static const char* const kWords[] = { "alpha", "beta", "gamma", "delta", "epsilon", "zeta", "theta", "kappa" };
    auto text = [&](int words) {
        if (cjk)
            return chineseWords(rng, 4 * words);
        std::string s;
        for (int i = 0; i < words; ++i) {
            if (i)
                s += ' ';
            s += rng() % 5 == 0 ? chineseWords(rng, 2) : std::string(kWords[rng() % 8]);
        }
        return s;
    };
    std::string s = "{\"status\":\"ok\",\"items\":[";
    s.reserve(kTargetBytes + 4096);
    for (int id = 1; s.size() < kTargetBytes; ++id) {
        if (id > 1)
            s += ',';
        s += "{\"id\":" + std::to_string(id) + ",\"name\":\"" + text(2) + "\",\"url\":\"https://example.com/u/"
            + std::to_string(id) + "\",\"score\":" + std::to_string(rng() % 10000) + ",\"bio\":\"" + text(8)
            + "\",\"tags\":[\"" + text(1) + "\",\"" + text(1) + "\"]}";
    }
    s += "]}";
    return s;
}

struct ScriptRange {
    const char* name;
    char32_t first, last;
};
// Two-byte UTF-8 (Cyrillic, Greek two-byte in GB18030; Latin-1, Arabic four-byte), three-byte
// (Devanagari, Thai, Hangul four-byte; CJK two-byte) and four-byte UTF-8 (emoji, CJK Ext. B).
const ScriptRange kScriptRanges[] = { { "latin1", 0xC0, 0xFF }, { "cyrillic", 0x410, 0x44F }, { "greek", 0x3B1, 0x3C9 },
    { "arabic", 0x621, 0x64A }, { "devanagari", 0x905, 0x939 }, { "thai", 0xE01, 0xE2E }, { "hangul", 0xAC00, 0xD7A3 },
    { "cjk", 0x4E00, 0x9FA5 }, { "emoji", 0x1F300, 0x1F64F }, { "cjk-ext-b", 0x20000, 0x2A6D6 } };

std::string scriptDocument(const ScriptRange& r)
{
    std::mt19937 rng(5);
    std::string s = "[";
    s.reserve(kTargetBytes + 4096);
    for (int id = 1; s.size() < kTargetBytes; ++id) {
        s += "{\"id\":" + std::to_string(id) + ",\"name\":\"";
        for (int w = 0; w < 3; ++w) {
            if (w)
                s += ' ';
            for (int n = 5 + static_cast<int>(rng() % 8); n > 0; --n)
                appendUtf8(s, r.first + rng() % (r.last - r.first + 1));
        }
        s += "\"},";
    }
    s.back() = ']';
    return s;
}

const std::string& scriptUtf8(int64_t script)
{
    static std::vector<std::string> texts(std::size(kScriptRanges));
    std::string& t = texts[static_cast<std::size_t>(script)];
    if (t.empty())
        t = scriptDocument(kScriptRanges[script]);
    return t;
}

const std::string& scriptGb(int64_t script)
{
    static std::vector<std::string> texts(std::size(kScriptRanges));
    std::string& t = texts[static_cast<std::size_t>(script)];
    if (t.empty())
        t = tess::codec::utf8ToGb18030(scriptUtf8(script)).text;
    return t;
}

// shape: 0 ascii, 1 cjk, 2 scripts.
const std::string& utf8Text(int64_t shape)
{
    static const std::string ascii = document(false);
    static const std::string chinese = document(true);
    static const std::string scripts = tess::bench::scriptsDocument(kTargetBytes, 7);
    return shape == 0 ? ascii : shape == 1 ? chinese : scripts;
}

const std::string& gbText(int64_t shape)
{
    static const std::string texts[3] = {tess::codec::utf8ToGb18030(utf8Text(0)).text,
                                         tess::codec::utf8ToGb18030(utf8Text(1)).text,
                                         tess::codec::utf8ToGb18030(utf8Text(2)).text};
    return texts[shape];
}

void report(benchmark::State& state, const std::string& in, std::size_t outBytes)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
    state.counters["in_MB"] = static_cast<double>(in.size()) / 1e6;
    state.counters["out_MB"] = static_cast<double>(outBytes) / 1e6;
    std::size_t ascii = 0;
    for (char c : in)
        ascii += static_cast<unsigned char>(c) < 0x80;
    state.counters["ascii_share"] = static_cast<double>(ascii) / static_cast<double>(in.size());
}

// One iconv call over the whole text into a buffer of the worst-case size.
std::size_t iconvOnce(iconv_t cd, const std::string& in, std::string& out)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* ip = const_cast<char*>(in.data());
    std::size_t il = in.size();
    char* op = out.data();
    std::size_t ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    return out.size() - ol;
}

void iconvBench(benchmark::State& state, const char* to, const char* from, const std::string& in)
{
    iconv_t cd = iconv_open(to, from);
    std::size_t n = 0;
    for (auto _ : state) {
        std::string out(in.size() * 2 + 16, '\0');
        n = iconvOnce(cd, in, out);
        out.resize(n);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    report(state, in, n);
}

#ifdef TESS_BENCH_ICU
void icuBench(benchmark::State& state, const char* to, const char* from, const std::string& in)
{
    UErrorCode err = U_ZERO_ERROR;
    UConverter* src = ucnv_open(from, &err);
    UConverter* dst = ucnv_open(to, &err);
    std::vector<UChar> pivot(64 * 1024);
    std::size_t n = 0;
    for (auto _ : state) {
        std::string out(in.size() * 2 + 16, '\0');
        err = U_ZERO_ERROR;
        ucnv_reset(src);
        ucnv_reset(dst);
        char* target = out.data();
        const char* source = in.data();
        UChar* pivotSource = pivot.data();
        UChar* pivotTarget = pivot.data();
        ucnv_convertEx(dst, src, &target, out.data() + out.size(), &source, in.data() + in.size(), pivot.data(),
            &pivotSource, &pivotTarget, pivot.data() + pivot.size(), true, true, &err);
        if (U_FAILURE(err))
            state.SkipWithError(u_errorName(err));
        n = static_cast<std::size_t>(target - out.data());
        out.resize(n);
        benchmark::DoNotOptimize(out.data());
    }
    ucnv_close(src);
    ucnv_close(dst);
    report(state, in, n);
}
#endif

void BM_Utf8ToGb_Iconv(benchmark::State& state)
{
    iconvBench(state, "GB18030", "UTF-8", utf8Text(state.range(0)));
}
void BM_GbToUtf8_Iconv(benchmark::State& state)
{
    iconvBench(state, "UTF-8", "GB18030", gbText(state.range(0)));
}

#ifdef TESS_BENCH_ICU
void BM_Utf8ToGb_Icu(benchmark::State& state)
{
    icuBench(state, "GB18030", "UTF-8", utf8Text(state.range(0)));
}
void BM_GbToUtf8_Icu(benchmark::State& state)
{
    icuBench(state, "UTF-8", "GB18030", gbText(state.range(0)));
}
#endif

void BM_Utf8ToGb_Tables(benchmark::State& state)
{
    const std::string& in = utf8Text(state.range(0));
    std::size_t n = 0;
    for (auto _ : state) {
        tess::codec::ConvertResult r = tess::codec::utf8ToGb18030(in);
        n = r.text.size();
        benchmark::DoNotOptimize(r.text.data());
    }
    report(state, in, n);
}
void BM_GbToUtf8_Tables(benchmark::State& state)
{
    const std::string& in = gbText(state.range(0));
    std::size_t n = 0;
    for (auto _ : state) {
        tess::codec::ConvertResult r = tess::codec::gb18030ToUtf8(in);
        n = r.text.size();
        benchmark::DoNotOptimize(r.text.data());
    }
    report(state, in, n);
}

// The paste road: Qt hands over UTF-16.
void BM_Utf16ToGb_Tables(benchmark::State& state)
{
    const std::string& utf8 = utf8Text(state.range(0));
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::string bytes(utf8.size() * 2 + 16, '\0');
    bytes.resize(iconvOnce(cd, utf8, bytes));
    iconv_close(cd);
    const std::u16string_view in(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    std::size_t n = 0;
    for (auto _ : state) {
        tess::codec::ConvertResult r = tess::codec::utf16ToGb18030(in);
        n = r.text.size();
        benchmark::DoNotOptimize(r.text.data());
    }
    report(state, bytes, n);
}
void BM_GbToUtf16_Tables(benchmark::State& state)
{
    const std::string& in = gbText(state.range(0));
    std::size_t n = 0;
    for (auto _ : state) {
        std::u16string r = tess::codec::gb18030ToUtf16(in);
        n = r.size() * 2;
        benchmark::DoNotOptimize(r.data());
    }
    report(state, in, n);
}

// Times one conversion of a one-script document (state.range(0) picks the script).
void timeScript(benchmark::State& state, const std::string& in, tess::codec::ConvertResult (*convert)(std::string_view))
{
    std::size_t n = 0;
    for (auto _ : state) {
        tess::codec::ConvertResult r = convert(in);
        n = r.text.size();
        benchmark::DoNotOptimize(r.text.data());
    }
    report(state, in, n);
    state.SetLabel(kScriptRanges[state.range(0)].name);
}
void BM_Utf8ToGb_Script(benchmark::State& state)
{
    timeScript(state, scriptUtf8(state.range(0)), &tess::codec::utf8ToGb18030);
}
void BM_GbToUtf8_Script(benchmark::State& state)
{
    timeScript(state, scriptGb(state.range(0)), &tess::codec::gb18030ToUtf8);
}

#define SHAPES ArgName("shape")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0)
BENCHMARK(BM_Utf8ToGb_Iconv)->SHAPES;
#ifdef TESS_BENCH_ICU
BENCHMARK(BM_Utf8ToGb_Icu)->SHAPES;
#endif
BENCHMARK(BM_Utf8ToGb_Tables)->SHAPES;
BENCHMARK(BM_GbToUtf8_Iconv)->SHAPES;
#ifdef TESS_BENCH_ICU
BENCHMARK(BM_GbToUtf8_Icu)->SHAPES;
#endif
BENCHMARK(BM_GbToUtf8_Tables)->SHAPES;
BENCHMARK(BM_Utf16ToGb_Tables)->SHAPES;
BENCHMARK(BM_GbToUtf16_Tables)->SHAPES;
BENCHMARK(BM_Utf8ToGb_Script)->ArgName("script")->DenseRange(0, std::size(kScriptRanges) - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbToUtf8_Script)->ArgName("script")->DenseRange(0, std::size(kScriptRanges) - 1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The program's tables are compiled in; building them from iconv is what each process
    // would otherwise pay at start.
    const auto t0 = std::chrono::steady_clock::now();
    tess::gb18030::buildMapping("GB18030", stderr);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("GB18030 tables built from iconv in %.2f ms\n", ms);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
