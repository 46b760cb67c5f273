#include "cli/Cli.h"

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "json/JsonDocument.h"
#include "platform/InputText.h"
#include "tree/Decoders.h"
#include "tree/Stopwatch.h"
#include "json/TreeContentBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace tess::cli {
namespace {

// Node lengths are 32-bit; refuse inputs that could not be represented.
constexpr std::size_t kMaxInput = std::size_t(2) << 30;

// Exit status of --get for a path that names no node (nothing is written).
constexpr int kNoSuchNode = 1;

int fail(const std::string& message, int status = 2)
{
    std::fprintf(stderr, "tessarine: %s\n", message.c_str());
    return status;
}

bool readAll(std::FILE* f, std::string& out, std::string& error)
{
    // A regular file is read into a string of its exact size, so the text is held once.
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<std::size_t>(st.st_size) <= kMaxInput)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        out.append(chunk, n);
        if (out.size() > kMaxInput) {
            error = "input is larger than 2 GiB";
            return false;
        }
        if (n < sizeof chunk) {
            if (std::ferror(f)) {
                error = std::string("read error: ") + std::strerror(errno);
                return false;
            }
            return true;
        }
    }
}

// Command-line text (a byte-order mark or valid UTF-8 converted, else taken as GB18030)
// into engine text.
std::string toEngineText(std::string bytes, bool raw)
{
    if (!raw)
        convertInputTextInPlace(bytes);
    return bytes;
}

int32_t greatestLevel(const JsonNodeList& nodes)
{
    int32_t depth = 0;
    for (int32_t i = 1; i <= nodes.nodeCount(); ++i)
        depth = std::max(depth, nodes.levelOf(i));
    return depth;
}

void writeTable(const JsonDocument& doc, OutputSink& sink)
{
    const JsonNodeList& nodes = doc.nodes();
    std::string& out = sink.buffer();
    for (int32_t i = 1; i <= nodes.nodeCount(); ++i) {
        out.append(std::to_string(i)).push_back('\t');
        out.append(std::to_string(nodes.levelOf(i))).push_back('\t');
        out.append(std::to_string(nodes.kindOf(i))).push_back('\t');
        out.append(std::to_string(nodes.childCountOf(i))).push_back('\t');
        out.append(std::to_string(nodes.ordinalOf(i))).push_back('\t');
        appendEscaped(out, nodes.nameView(i));
        out.push_back('\t');
        appendEscaped(out, nodes.valueView(i));
        out.push_back('\n');
        sink.lineDone();
    }
}

void writeTree(const JsonDocument& doc, OutputSink& sink)
{
    const auto block = doc.buildTreeContent();
    std::string& out = sink.buffer();
    std::size_t pos = 0;
    TreeRecordView r;
    while (readTreeRecord(block, pos, r)) {
        out.append(static_cast<std::size_t>(std::max(r.depth - 1, 0)) * 2, ' ');
        appendEscaped(out, r.caption);
        out.push_back('\n');
        sink.lineDone();
    }
}

void writePaths(JsonDocument& doc, bool compact, OutputSink& sink)
{
    doc.nodes().setBulkLookups(true);
    std::string& out = sink.buffer();
    for (int32_t i = 2; i <= doc.nodes().nodeCount(); ++i) {
        const std::string path = doc.pathOfNode(i);
        appendEscaped(out, compact ? doc.scanner().convertPath(path, 0) : path);
        out.push_back('\t');
        appendEscaped(out, doc.valueAt(path));
        out.push_back('\n');
        sink.lineDone();
    }
}

} // namespace

bool hasMode(int argc, char** argv)
{
    return selectsMode(std::vector<std::string>(argv + 1, argv + argc));
}

int run(int argc, char** argv, UrlFetcher fetchUrl)
{
    const ParseOutcome parsed = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    const Options& o = parsed.options;
    if (o.mode == Mode::Help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (o.mode == Mode::Version) {
        std::fputs("Tessarine " TESS_VERSION "\n", stdout);
        return 0;
    }
    if (!parsed.error.empty())
        return fail(parsed.error + " (see --help)");

    std::string text;
    if (!o.url.empty()) {
        if (!fetchUrl)
            return fail("fetching a URL is not available in this build");
        const UrlFetchResult fetched = fetchUrl(o.url, o.encoding);
        if (!fetched.ok)
            return fail(fetched.error, 1);
        text = fetched.text;
    } else {
        std::string bytes;
        std::string error;
        const bool stdinInput = !o.file || *o.file == "-";
        std::FILE* f = stdinInput ? stdin : std::fopen(o.file->c_str(), "rb");
        if (!f)
            return fail("cannot open " + *o.file + ": " + std::strerror(errno));
        const bool ok = readAll(f, bytes, error);
        if (!stdinInput)
            std::fclose(f);
        if (!ok)
            return fail((stdinInput ? std::string("standard input") : *o.file) + ": " + error);
        text = toEngineText(std::move(bytes), o.raw);
    }

    OutputSink sink(stdout, o.raw);
    if (o.mode == Mode::Decode) {
        sink.buffer() = decodeHtmlEntities(decodeUnicodeEscapes(text));
        sink.flush();
        return sink.failed() ? fail("write error") : 0;
    }

    Stopwatch stopwatch;
    if (o.predecode)
        text = decodeHtmlEntities(decodeUnicodeEscapes(text));
    JsonDocument doc;
    doc.parseTaking(std::move(text), o.zeroBased, o.singleQuote);

    switch (o.mode) {
    case Mode::Table:
        writeTable(doc, sink);
        break;
    case Mode::Tree:
        writeTree(doc, sink);
        break;
    case Mode::Paths:
        writePaths(doc, o.compactPaths, sink);
        break;
    case Mode::Get: {
        std::string path = toEngineText(o.getPath, o.raw);
        if (o.compactPaths)
            path = doc.scanner().convertPath(path, 1);
        // The walk of valueAt, which gives the same empty text for "no such node".
        int32_t node = -1;
        doc.childCountAt(path, node);
        if (node == -1 && !path.empty() && doc.scanner().parsePath(path) > 0)
            return kNoSuchNode;
        sink.buffer() = doc.valueAt(path);
        sink.buffer().push_back('\n');
        break;
    }
    case Mode::Stats: {
        const auto block = doc.buildTreeContent();
        const int64_t ms = stopwatch.elapsedMs();
        sink.buffer() = "nodes " + std::to_string(doc.nodes().nodeCount()) + ", depth " +
                        std::to_string(greatestLevel(doc.nodes())) + ", loaded in " + formatElapsed(ms) + "\n";
        break;
    }
    default:
        break;
    }
    sink.flush();
    return sink.failed() ? fail("write error") : 0;
}

} // namespace tess::cli
