#include "cli/BigRoad.h"

#include "cli/CliOutput.h"
#include "cli/Colour.h"
#include "json/ValueFormatter.h"
#include "json/big/BigDocument.h"
#include "json/big/BigFind.h"
#include "json/big/BigPaths.h"
#include "json/big/BigRoadRule.h"
#include "platform/Codec.h"
#include "tree/Stopwatch.h"
#include "json/TreeSearch.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tess::cli {
namespace {

using big::BigDocument;
using big::Kind;
using big::Node;

// Captions and --get --formatted hold at most this much of one value.
constexpr uint64_t kCaptionBytes = uint64_t(16) << 20;
constexpr uint64_t kFormattedBytes = uint64_t(256) << 20;
// The engine's input limit (32-bit lengths).
constexpr uint64_t kEngineLimit = uint64_t(2) << 30;

using big::hasLinesExtension;

void reportError(const std::string& input, const big::ParseError& e, uint64_t offset)
{
    std::fprintf(stderr, "tessarine: %s: line %llu, column %llu (byte %llu): %s\n", input.c_str(),
                 static_cast<unsigned long long>(e.line), static_cast<unsigned long long>(e.column),
                 static_cast<unsigned long long>(offset), e.message.c_str());
}

// Every node in tree order with its level (the root is 1); the visitor gets the chain
// root ... node and returns false to stop.
template <typename Visit>
void walkTree(const BigDocument& doc, Visit visit)
{
    Node root;
    if (!doc.root(root))
        return;
    std::vector<Node> chain{root};
    if (!visit(chain))
        return;
    std::vector<big::ChildCursor> cursors;
    cursors.push_back(doc.children(root));
    while (!cursors.empty()) {
        Node child;
        if (!cursors.back().next(child)) {
            cursors.pop_back();
            chain.pop_back();
            continue;
        }
        chain.push_back(child);
        if (!visit(chain))
            return;
        if (child.isContainer()) {
            cursors.push_back(doc.children(child));
        } else {
            chain.pop_back();
        }
    }
}

// Paths of a walk, built step by step in one string: ends[k] is where the path of
// chain[k] ends in it, so a deep document costs one path and a number per level.
class PathTrail {
public:
    PathTrail(const BigDocument& doc, const big::PathForm& form) : m_doc(doc), m_form(form) {}
    std::string_view pathOf(const std::vector<Node>& chain)
    {
        const std::size_t k = chain.size() - 1;
        if (k == 0) {
            m_path = big::rootPath(m_form);
            m_ends.assign(1, m_path.size());
            return m_path;
        }
        m_ends.resize(k);
        m_path.resize(k == 1 ? 0 : m_ends[k - 1]);
        if (k == 1)
            m_path = big::pathPrefix(m_form);
        big::appendPathStep(m_path, m_doc, chain[k], chain[k - 1].kind, k == 1, m_form);
        m_ends.push_back(m_path.size());
        return m_path;
    }

private:
    const BigDocument& m_doc;
    big::PathForm m_form;
    std::string m_path;
    std::vector<std::size_t> m_ends;
};

void appendValue(const BigDocument& doc, const Node& node, OutputSink& sink)
{
    doc.forEachValuePiece(node, [&](std::string_view piece) {
        appendEscaped(sink.buffer(), piece);
        sink.lineDone();
        return true;
    });
}

big::PathForm formOf(const Options& o)
{
    big::PathForm f;
    f.style = o.pathStyle;
    f.compactTree = o.compactPaths;
    f.zeroBased = o.zeroBased;
    return f;
}

// The value box's text of a broken line: its error, then the line.
int runMode(const Options& o, BigDocument& doc, const Stopwatch& stopwatch, const std::string& input)
{
    OutputSink sink(stdout, false);
    std::string& out = sink.buffer();
    int status = 0;
    switch (o.mode) {
    case Mode::Stats:
        out = "nodes " + std::to_string(doc.index().nodeCount) + ", depth " + std::to_string(doc.index().depth) +
              ", loaded in " + std::to_string(stopwatch.elapsedMs()) + " ms\n";
        break;
    case Mode::Tree: {
        const bool colour = coloursOutput(o.color);
        walkTree(doc, [&](const std::vector<Node>& chain) {
            out.append((chain.size() - 1) * 2, ' ');
            if (colour && chain.size() > 1)
                appendColouredCaption(out, doc.caption(chain.back(), o.zeroBased, kCaptionBytes),
                                      doc.captionName(chain.back(), o.zeroBased).size(), !chain.back().isContainer());
            else
                appendEscaped(out, chain.size() == 1 ? std::string("JSON") : doc.caption(chain.back(), o.zeroBased, kCaptionBytes));
            out.push_back('\n');
            sink.lineDone();
            return true;
        });
        break;
    }
    case Mode::Paths: {
        const bool colour = coloursOutput(o.color);
        PathTrail trail(doc, formOf(o));
        walkTree(doc, [&](const std::vector<Node>& chain) {
            const std::string_view path = trail.pathOf(chain);
            if (chain.size() == 1 || (o.leaves && chain.back().isContainer()))
                return true;
            const Node& n = chain.back();
            if (colour) {
                std::string p;
                appendPath(p, path);
                appendColoured(out, p, ColourRole::Path);
            } else {
                appendPath(out, path);
            }
            out.push_back('\t');
            if (colour && !n.isContainer())
                appendColouredValue(out, doc.value(n, kCaptionBytes), doc.bytes().substr(n.start, 1));
            else
                appendValue(doc, n, sink);
            out.push_back('\n');
            sink.lineDone();
            return true;
        });
        break;
    }
    case Mode::Find: {
        const CaptionMatcher matcher(big::toEngineText(o.findText), o.findMode, o.ignoreCase);
        if (!matcher.valid()) {
            std::fprintf(stderr, "tessarine: --find: %s\n", matcher.error().c_str());
            return 2;
        }
        uint64_t found = 0;
        if (big::findSearchesBytes(doc, o.findText, o.findMode, o.ignoreCase)) {
            const big::PathForm form = formOf(o);
            Node root;
            if (doc.root(root) && matcher.matches("JSON")) {
                ++found;
                appendPath(out, big::rootPath(form));
                out += "\tJSON\n";
            }
            big::findInBytes(doc, o.findText, matcher, o.zeroBased, 0, [&](const std::vector<Node>& chain) {
                ++found;
                appendPath(out, big::pathOf(doc, chain, form));
                out.push_back('\t');
                appendEscaped(out, doc.caption(chain.back(), o.zeroBased, kCaptionBytes));
                out.push_back('\n');
                sink.lineDone();
                return true;
            });
            status = found > 0 ? 0 : 1;
            break;
        }
        PathTrail trail(doc, formOf(o));
        walkTree(doc, [&](const std::vector<Node>& chain) {
            const std::string_view path = trail.pathOf(chain);
            const std::string caption =
                chain.size() == 1 ? std::string("JSON") : doc.caption(chain.back(), o.zeroBased, big::kCaptionReadBytes);
            if (!matcher.matches(searchedPart(caption)))
                return true;
            ++found;
            appendPath(out, path);
            out.push_back('\t');
            appendEscaped(out, chain.size() == 1 ? caption : doc.caption(chain.back(), o.zeroBased, kCaptionBytes));
            out.push_back('\n');
            sink.lineDone();
            return true;
        });
        status = found > 0 ? 0 : 1;
        break;
    }
    case Mode::Get: {
        std::vector<Node> chain;
        const std::optional<PathStyle> style = o.pathStyleGiven ? std::optional<PathStyle>(o.pathStyle) : std::nullopt;
        if (!big::resolvePath(doc, big::toEngineText(o.getPath), style, o.zeroBased, chain)) {
            status = 1;
            break;
        }
        const Node& node = chain.back();
        if (o.formatted && (node.kind == Kind::Object || node.kind == Kind::Array)) {
            bool cut = false;
            const std::string v = doc.value(node, kFormattedBytes, &cut);
            if (cut) {
                std::fprintf(stderr, "tessarine: --formatted: the value is larger than 256 MiB\n");
                return 2;
            }
            out = formatValue(v);
        } else {
            // the value as the value box shows it, unescaped, as the engine's --get prints it
            doc.forEachValuePiece(node, [&](std::string_view piece) {
                out.append(piece);
                sink.lineDone();
                return true;
            });
        }
        out.push_back('\n');
        break;
    }
    default:
        break;
    }
    sink.flush();
    if (sink.failed()) {
        std::fputs("tessarine: write error\n", stderr);
        return 2;
    }
    if (doc.error().present) {
        reportError(input, doc.error(), doc.errorFileOffset());
        return status == 0 ? 2 : status;
    }
    const auto& broken = doc.index().lineErrors;
    if (!broken.empty())
        std::fprintf(stderr, "tessarine: %s: %zu broken line(s), the first at line %llu: %s\n", input.c_str(), broken.size(),
                     static_cast<unsigned long long>(broken.front().line), broken.front().message.c_str());
    return status;
}

big::OpenOptions openOptions(bool linesByName)
{
    big::OpenOptions options;
    options.index.lines = linesByName ? big::LinesMode::Always : big::LinesMode::Detect;
    return options;
}

} // namespace

uint64_t bigThreshold()
{
    return big::bigThreshold();
}

bool bigRoadApplies(const Options& o)
{
    const bool mode = o.mode == Mode::Stats || o.mode == Mode::Tree || o.mode == Mode::Paths || o.mode == Mode::Get ||
                      o.mode == Mode::Find;
    return mode && o.url.empty() && !o.raw && !o.singleQuote && !o.predecode;
}

bool runBigRoadOnFile(const Options& o, int& status)
{
    if (!bigRoadApplies(o))
        return false;
    const bool stdinInput = !o.file || *o.file == "-";
    struct stat st {};
    if (stdinInput ? fstat(STDIN_FILENO, &st) != 0 : stat(o.file->c_str(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode))
        return false;
    const bool linesByName = !stdinInput && hasLinesExtension(*o.file);
    if (!linesByName && static_cast<uint64_t>(st.st_size) < bigThreshold())
        return false;
    Stopwatch stopwatch;
    BigDocument doc;
    std::string error;
    const std::string input = stdinInput ? std::string("standard input") : *o.file;
    const bool ok = stdinInput ? doc.openDescriptor(STDIN_FILENO, openOptions(false), error)
                               : doc.open(*o.file, openOptions(linesByName), error);
    if (!ok) {
        std::fprintf(stderr, "tessarine: %s\n", (error.find(input) == std::string::npos ? input + ": " + error : error).c_str());
        status = 2;
        return true;
    }
    // A file in another encoding was read from a UTF-8 copy; standard input in another
    // encoding goes to the engine, which reads UTF-16 and GB18030, as long as it can hold it.
    if (doc.error().encoding && !doc.isLines() && static_cast<uint64_t>(st.st_size) <= kEngineLimit)
        return false;
    status = runMode(o, doc, stopwatch, input);
    if (doc.fileCut(error)) {
        std::fprintf(stderr, "tessarine: %s: %s\n", input.c_str(), error.c_str());
        status = 2;
    }
    return true;
}

bool runBigRoadOnLines(const Options& o, std::string_view bytes, const std::string& inputName, int& status)
{
    if (!bigRoadApplies(o))
        return false;
    Stopwatch stopwatch;
    const bool marked = bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    std::string utf8;
    if (!marked && !codec::isValidUtf8(bytes)) {
        // The first two lines decide before the whole text is converted.
        const std::size_t first = bytes.find('\n');
        const std::size_t second = first == std::string_view::npos ? first : bytes.find('\n', first + 1);
        if (first == std::string_view::npos || !big::looksLikeJsonLines(codec::gb18030ToUtf8(bytes.substr(0, second)).text))
            return false;
        codec::ConvertResult converted = codec::gb18030ToUtf8(bytes);
        // no GB18030 either: read as the UTF-8 it was meant to be, a bad byte breaking its line
        if (converted.ok()) {
            utf8 = std::move(converted.text);
            bytes = utf8;
        }
    } else if (!big::looksLikeJsonLines(bytes)) {
        return false;
    }
    BigDocument doc;
    doc.openBytes(bytes, openOptions(false));
    status = runMode(o, doc, stopwatch, inputName);
    return true;
}

} // namespace tess::cli
