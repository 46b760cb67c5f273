#include "cli/DiffMode.h"

#include "cli/CliOutput.h"
#include "compare/BigSide.h"
#include "compare/Comparison.h"
#include "compare/DiffPath.h"
#include "compare/EngineSide.h"
#include "json/JsonDocument.h"
#include "json/big/BigDocument.h"
#include "json/big/BigRoadRule.h"
#include "platform/Codec.h"
#include "platform/InputText.h"
#include "json/Decoders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::cli {
namespace {

// The engine's lengths are 32-bit.
constexpr uint64_t kEngineLimit = uint64_t(2) << 30;

int fail(const std::string& message)
{
    std::fprintf(stderr, "tessarine: %s\n", message.c_str());
    return 2;
}

struct Input {
    std::string arg;  // as given; "-" is standard input
    std::string name; // for messages
    bool stdinInput = false;
    bool regular = false;
    uint64_t size = 0;
};

Input describe(const std::string& arg)
{
    Input in;
    in.arg = arg;
    in.stdinInput = arg == "-";
    in.name = in.stdinInput ? std::string("standard input") : arg;
    struct stat st {};
    if (in.stdinInput ? fstat(STDIN_FILENO, &st) == 0 : stat(arg.c_str(), &st) == 0) {
        in.regular = S_ISREG(st.st_mode);
        in.size = static_cast<uint64_t>(st.st_size);
    }
    return in;
}

std::optional<std::string> readBytes(const Input& in, std::string& error)
{
    std::FILE* f = in.stdinInput ? stdin : std::fopen(in.arg.c_str(), "rb");
    if (!f) {
        error = "cannot open " + in.arg + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes;
    if (in.regular && in.size > 0 && in.size <= kEngineLimit)
        bytes.reserve(static_cast<std::size_t>(in.size));
    char chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        bytes.append(chunk, n);
        if (n < sizeof chunk)
            break;
    }
    const bool bad = std::ferror(f);
    if (!in.stdinInput)
        std::fclose(f);
    if (bad) {
        error = in.name + ": read error: " + std::strerror(errno);
        return std::nullopt;
    }
    return bytes;
}

// A big document with the bytes it may borrow (standard input from a pipe).
struct BigInput {
    big::BigDocument doc;
    std::string bytes;
};

std::optional<int> openBig(const Input& in, BigInput& out)
{
    big::OpenOptions options;
    options.index.lines = !in.stdinInput && big::hasLinesExtension(in.arg) ? big::LinesMode::Always
                                                                            : big::LinesMode::Detect;
    std::string error;
    if (in.stdinInput && !in.regular) {
        std::optional<std::string> bytes = readBytes(in, error);
        if (!bytes)
            return fail(error);
        out.bytes = std::move(*bytes);
        out.doc.openBytes(out.bytes, options);
    } else if (!(in.stdinInput ? out.doc.openDescriptor(STDIN_FILENO, options, error)
                               : out.doc.open(in.arg, options, error))) {
        return fail(error.find(in.name) == std::string::npos ? in.name + ": " + error : error);
    }
    const big::ParseError& e = out.doc.error();
    if (e.present) {
        std::fprintf(stderr, "tessarine: %s: line %llu, column %llu (byte %llu): %s\n", in.name.c_str(),
                     static_cast<unsigned long long>(e.line), static_cast<unsigned long long>(e.column),
                     static_cast<unsigned long long>(out.doc.errorFileOffset()), e.message.c_str());
        return 2;
    }
    if (!out.doc.index().lineErrors.empty()) {
        const big::ParseError& first = out.doc.index().lineErrors.front();
        std::fprintf(stderr, "tessarine: %s: broken line %llu: %s\n", in.name.c_str(),
                     static_cast<unsigned long long>(first.line), first.message.c_str());
        return 2;
    }
    return std::nullopt;
}

std::optional<int> openEngine(const Input& in, const Options& o, JsonDocument& doc)
{
    if (in.regular && in.size > kEngineLimit)
        return fail(in.name + ": input is larger than 2 GiB");
    std::string error;
    std::optional<std::string> bytes = readBytes(in, error);
    if (!bytes)
        return fail(error);
    if (bytes->size() > kEngineLimit)
        return fail(in.name + ": input is larger than 2 GiB");
    if (!o.raw)
        convertInputTextInPlace(*bytes);
    if (o.predecode)
        *bytes = decodeHtmlEntities(decodeUnicodeEscapes(*bytes));
    doc.parseTaking(std::move(*bytes), o.zeroBased, o.singleQuote);
    return std::nullopt;
}

const char* noteText(compare::NoteKind kind)
{
    return kind == compare::NoteKind::StoredOrder
               ? "members, more than can be paired by name: compared in stored order"
               : "elements differing in a stretch too long to align: compared element by element";
}

template <class L, class R>
int printDifferences(const L& left, const R& right, const Options& o)
{
    const PathStyle style = o.pathStyleGiven ? o.pathStyle : PathStyle::Jq;
    std::string arrow(1, ' ');
    arrow += codec::gb(u8"\u2192");
    arrow.push_back(' ');
    OutputSink sink(stdout, o.raw);
    std::string& out = sink.buffer();
    std::string value;
    const compare::CompareSummary summary = compare::compareDocuments<L, R>(
        left, right, compare::CompareOptions{}, [&](const compare::Difference<L, R>& d) {
            out += d.kind == compare::DiffKind::Added ? "+ " : d.kind == compare::DiffKind::Removed ? "- " : "~ ";
            appendPath(out, compare::formatPath(d.path, style, o.zeroBased, o.compactPaths));
            out.push_back(' ');
            value.clear();
            if (d.left)
                left.appendText(*d.left, value);
            if (d.left && d.right)
                value += arrow;
            if (d.right)
                right.appendText(*d.right, value);
            appendEscaped(out, value);
            out.push_back('\n');
            sink.lineDone();
            return !sink.failed();
        });
    sink.flush();
    if (sink.failed())
        return fail("write error");
    for (const compare::Note& n : summary.notes) {
        const std::string path = codec::gb18030ToUtf8(compare::formatPath(n.path, style, o.zeroBased, o.compactPaths)).text;
        std::fprintf(stderr, "tessarine: note: %s: %llu %s\n", path.c_str(), static_cast<unsigned long long>(n.size),
                     noteText(n.kind));
    }
    if (summary.noteCount > summary.notes.size())
        std::fprintf(stderr, "tessarine: note: %llu more such notes\n",
                     static_cast<unsigned long long>(summary.noteCount - summary.notes.size()));
    return summary.differences() == 0 ? 0 : 1;
}

} // namespace

int runDiff(const Options& o)
{
    if (!o.url.empty())
        return fail("--diff reads files or standard input, not --url (see --help)");
    if (!o.file)
        return fail("--diff needs two inputs: --diff A B (see --help)");
    const Input a = describe(o.diffLeft);
    const Input b = describe(*o.file);
    // The big road for both when either takes it, as the other modes decide; the tolerant
    // reader's own options keep both on the engine's road.
    const auto big = [](const Input& in) {
        return in.regular && (in.stdinInput ? in.size >= big::bigThreshold() : big::takesBigRoad(in.arg, in.size));
    };
    const bool engineOptions = o.raw || o.singleQuote || o.predecode;
    if (!engineOptions && (big(a) || big(b))) {
        auto left = std::make_unique<BigInput>();
        auto right = std::make_unique<BigInput>();
        if (const auto status = openBig(a, *left))
            return *status;
        if (const auto status = openBig(b, *right))
            return *status;
        return printDifferences(compare::BigSide(left->doc), compare::BigSide(right->doc), o);
    }
    JsonDocument left, right;
    if (const auto status = openEngine(a, o, left))
        return *status;
    if (const auto status = openEngine(b, o, right))
        return *status;
    return printDifferences(compare::EngineSide(left), compare::EngineSide(right), o);
}

} // namespace tess::cli
