#include "cli/Cli.h"

#include "cli/BigRoad.h"
#include "json/big/BigRoadRule.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/Colour.h"
#include "cli/CutOffCheck.h"
#include "cli/StandardModes.h"
#include "cli/DiffMode.h"
#include "json/JsonDocument.h"
#include "json/NestingLimit.h"
#include "json/PathSyntax.h"
#include "json/UnclosedText.h"
#include "json/ValueFormatter.h"
#include "platform/Codec.h"
#include "platform/InputText.h"
#include "json/Decoders.h"
#include "tree/Stopwatch.h"
#include "json/TreeSearch.h"
#include "json/TreeContentBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <string>
#include <vector>

namespace tess::cli {
namespace {

// Node lengths are 32-bit; refuse inputs that could not be represented.
constexpr std::size_t kMaxInput = std::size_t(2) << 30;

// Exit status of --get for a path that names no node (nothing is written), and for a
// text that is no path at all (a message is written).
constexpr int kNoSuchNode = 1;
constexpr int kUnreadablePath = 2;

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

// The block is built and printed a piece at a time, so a huge document's output does not
// wait for (or hold) the whole block.
void writeTree(const JsonDocument& doc, OutputSink& sink, bool colour)
{
    std::string& out = sink.buffer();
    int32_t node = 0; // the records come in table order
    doc.forEachTreeContentPiece([&](std::string_view piece) {
        std::size_t pos = 0;
        TreeRecordView r;
        while (readTreeRecord(piece, pos, r)) {
            out.append(static_cast<std::size_t>(std::max(r.depth - 1, 0)) * 2, ' ');
            if (colour && ++node > 1)
                appendColouredCaption(out, r.caption, doc.nodes().nameView(node).size(),
                                      isKind(doc.nodes().kindOf(node), NodeKind::Scalar));
            else
                appendEscaped(out, r.caption);
            out.push_back('\n');
            sink.lineDone();
        }
    });
}

// Every node's path (each made from its parent's, so the pass is linear in what it
// writes) and the node's own value; with leavesOnly the scalars only.
void writePaths(const JsonDocument& doc, const Options& o, OutputSink& sink)
{
    const bool colour = coloursOutput(o.color);
    std::string& out = sink.buffer();
    PathsInOrder paths(doc, o.pathStyle, o.compactPaths);
    std::string scratch;
    for (int32_t i = 2; i <= doc.nodes().nodeCount(); ++i) {
        const std::string_view path = paths.next(i);
        if (o.leaves && !isKind(doc.nodes().kindOf(i), NodeKind::Scalar))
            continue;
        if (colour) {
            std::string p;
            appendPath(p, path);
            appendColoured(out, p, ColourRole::Path);
            out.push_back('\t');
            appendColouredValue(out, valueOfNode(doc, i, scratch), doc.nodes().valueView(i));
        } else {
            appendPath(out, path);
            out.push_back('\t');
            appendEscaped(out, valueOfNode(doc, i, scratch));
        }
        out.push_back('\n');
        sink.lineDone();
    }
}

const char* styleName(PathStyle style)
{
    switch (style) {
    case PathStyle::Tree: return "tree";
    case PathStyle::Jq: return "jq";
    case PathStyle::JsonPath: return "JSONPath";
    case PathStyle::JavaScript: return "JavaScript";
    case PathStyle::Python: return "Python";
    }
    return "tree";
}

// The value at a typed path (any form, or the given style's only); a container
// indented when formatted. The exit status: 0, or kNoSuchNode (nothing written) or
// kUnreadablePath (a message written).
int writeValueAt(const JsonDocument& doc, const Options& o, OutputSink& sink)
{
    const std::string path = toEngineText(o.getPath, o.raw);
    const PathLookup found = o.pathStyleGiven ? lookUpPath(doc, path, o.pathStyle) : lookUpAnyPath(doc, path);
    if (!found.readable) {
        fail("--get: cannot read " + o.getPath + ": not a well-formed " + styleName(found.style) + " path");
        return kUnreadablePath;
    }
    const int node = found.node;
    if (node < 1)
        return kNoSuchNode;
    sink.buffer() = valueOfNode(doc, node);
    const int32_t kind = doc.nodes().kindOf(node);
    if (o.formatted && isContainerKind(kind))
        sink.buffer() = formatValue(sink.buffer());
    sink.buffer().push_back('\n');
    return 0;
}

// Every node whose caption find stops at, in tree order: path and caption. The same
// matching as the window's find, over the same captions (cut as find cuts them); the
// root's caption is "JSON", where the window shows the load time. The count of nodes
// found, or -1 (with a message) when the pattern is rejected.
int writeFound(JsonDocument& doc, const Options& o, OutputSink& sink)
{
    const CaptionMatcher matcher(toEngineText(o.findText, o.raw), o.findMode, o.ignoreCase);
    if (!matcher.valid()) {
        fail("--find: " + matcher.error());
        return -1;
    }
    doc.nodes().setBulkLookups(true);
    const TreeContentBlock block = doc.buildTreeContent();
    const std::string_view bytes = block.view();
    const std::vector<std::string_view> captions = blockCaptions(bytes);
    std::string& out = sink.buffer();
    int found = 0;
    // Stops come in table order: each path is made from its parent's on the way there.
    PathsInOrder paths(doc, o.pathStyle, o.compactPaths);
    int walked = 1;
    std::string_view path;
    for (int item = searchItems(captions, -1, false, matcher); item != -1;
         item = searchItems(captions, item, false, matcher)) {
        ++found;
        const int node = item + 1;
        const std::string root = node == 1 ? pathInStyle(doc, 1, o.pathStyle, o.compactPaths) : std::string();
        while (walked < node)
            path = paths.next(++walked);
        appendPath(out, node == 1 ? std::string_view(root) : path);
        out.push_back('\t');
        // The whole caption, as --tree prints it: the searched part runs on to the
        // zero byte that ends the caption in the block.
        const char* start = captions[static_cast<std::size_t>(item)].data();
        const void* end = std::memchr(start, 0, static_cast<std::size_t>(bytes.data() + bytes.size() - start));
        appendEscaped(out, std::string_view(start, static_cast<const char*>(end) - start));
        out.push_back('\n');
        sink.lineDone();
    }
    return found;
}

// A text nested too deep was read up to the opener that went too deep: said, status 2.
int nestingCut(const JsonDocument& doc, const Options& o)
{
    if (!doc.nestingCut())
        return 0;
    const std::string input = !o.url.empty() ? o.url : !o.file || *o.file == "-" ? std::string("standard input") : *o.file;
    return fail(input + ": nested deeper than " + std::to_string(kMaxNesting) +
                " levels: read up to the bracket that opens the level after that");
}

} // namespace

bool hasMode(int argc, char** argv)
{
    return selectsMode(std::vector<std::string>(argv + 1, argv + argc));
}

std::optional<std::uint64_t> inputFileSize(int argc, char** argv)
{
    if (!hasMode(argc, argv))
        return std::nullopt;
    const ParseOutcome parsed = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    const Options& o = parsed.options;
    struct stat st {};
    if (!parsed.error.empty() || !o.url.empty() || !o.file || *o.file == "-" || stat(o.file->c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
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

    if (o.mode == Mode::Diff)
        return runDiff(o);

    if (readsStandardJson(o) && o.url.empty())
        return runStandardMode(o, nullptr);
    int bigStatus = 0;
    if (runBigRoadOnFile(o, bigStatus))
        return bigStatus;

    std::string text;
    bool converted = false; // the input was converted to engine text (from UTF-8 or UTF-16)
    bool utf8Mark = false;
    if (!o.url.empty()) {
        if (!fetchUrl)
            return fail("fetching a URL is not available in this build");
        const UrlFetchResult fetched = fetchUrl(o.url, o.encoding);
        if (!fetched.ok)
            return fail(fetched.error, 1);
        text = fetched.text;
        if (readsStandardJson(o))
            return runStandardMode(o, &text);
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
        if (int status = 0; runBigRoadOnLines(o, bytes, stdinInput ? std::string("standard input") : *o.file, status))
            return status;
        const std::size_t inputSize = bytes.size();
        utf8Mark = !o.raw && bytes.starts_with("\xEF\xBB\xBF");
        text = toEngineText(std::move(bytes), o.raw);
        converted = text.size() != inputSize;
    }

    OutputSink sink(stdout, o.raw);
    if (o.mode == Mode::Decode) {
        sink.buffer() = decodeHtmlEntities(decodeUnicodeEscapes(text));
        sink.flush();
        return sink.failed() ? fail("write error") : 0;
    }

    // Where a cut-off text stops being shown: read on a second thread while the engine
    // parses the same text, or first when the engine is given a changed text.
    CutOff cutOff;
    std::future<CutOff> cutOffLater;
    const char quote = o.singleQuote ? '\'' : '"';
    const bool alongside = o.mode == Mode::Stats && !o.predecode && !o.singleQuote;
    if (o.mode == Mode::Stats && !alongside)
        cutOff = findCutOff(text, quote, converted, utf8Mark);

    Stopwatch stopwatch;
    JsonDocument doc;
    if (alongside) {
        auto shared = std::make_shared<const std::string>(std::move(text));
        cutOffLater = findCutOffLater(shared, quote, converted, utf8Mark);
        doc.parseSharing(std::move(shared), o.zeroBased);
    } else {
        if (o.predecode)
            text = decodeHtmlEntities(decodeUnicodeEscapes(text));
        doc.parseTaking(std::move(text), o.zeroBased, o.singleQuote);
    }

    switch (o.mode) {
    case Mode::Table:
        writeTable(doc, sink);
        break;
    case Mode::Tree:
        writeTree(doc, sink, coloursOutput(o.color));
        break;
    case Mode::Paths:
        writePaths(doc, o, sink);
        break;
    case Mode::Get:
        if (const int status = writeValueAt(doc, o, sink); status != 0)
            return status;
        break;
    case Mode::Find: {
        const int found = writeFound(doc, o, sink);
        if (found < 0)
            return 2;
        sink.flush();
        if (sink.failed())
            return fail("write error");
        // found nothing: 1, as on the big road, also when the text was cut
        const int cut = nestingCut(doc, o);
        return found > 0 ? cut : 1;
    }
    case Mode::Stats: {
        // The load as the window does it, the block included; the block goes by in
        // pieces, since nothing here reads it.
        doc.forEachTreeContentPiece([](std::string_view) {});
        const int64_t ms = stopwatch.elapsedMs();
        if (cutOffLater.valid())
            cutOff = cutOffLater.get();
        const std::optional<UnclosedValue>& unclosed = cutOff.value;
        const int64_t unclosedByte = cutOff.inputByte; // from 0 in the input's bytes, as error offsets are
        sink.buffer() = "nodes " + std::to_string(doc.nodes().nodeCount()) + ", depth " +
                        std::to_string(doc.nodes().deepestLevel()) + ", loaded in " + std::to_string(ms) + " ms\n";
        if (unclosed)
            sink.buffer() += "unclosed from byte " + std::to_string(unclosedByte) + ", line " +
                             std::to_string(unclosed->line) + ": the text ends inside an " +
                             (unclosed->kind == NodeKind::Object ? "object" : "array") +
                             " that is not shown from there\n";
        break;
    }
    default:
        break;
    }
    sink.flush();
    if (sink.failed())
        return fail("write error");
    return nestingCut(doc, o);
}

} // namespace tess::cli
