#include "cli/CliOptions.h"

namespace tess::cli {
namespace {

struct ModeFlag {
    const char* flag;
    Mode mode;
};

constexpr ModeFlag kModes[] = {
    {"--help", Mode::Help}, {"-h", Mode::Help},       {"--version", Mode::Version},
    {"--table", Mode::Table}, {"--tree", Mode::Tree},
    {"--paths", Mode::Paths}, {"--get", Mode::Get}, {"--decode", Mode::Decode}, {"--stats", Mode::Stats},
};

std::optional<Mode> modeOf(const std::string& arg)
{
    for (const ModeFlag& m : kModes)
        if (arg == m.flag)
            return m.mode;
    return std::nullopt;
}

// --help and --version answer at once, whatever else is given.
bool answersAtOnce(Mode mode)
{
    return mode == Mode::Help || mode == Mode::Version;
}

} // namespace

std::string usageText()
{
    return "usage: tessarine MODE [options] [FILE]\n"
           "       tessarine --url URL [--encoding auto|utf8|gbk] MODE [options]\n"
           "       tessarine [--data-dir DIR] [FILE]      start the viewer\n"
           "modes:\n"
           "  --table          one line per node: index, level, kind, childCount, ordinal, name, value\n"
           "  --tree           the tree captions, two spaces per level below the root\n"
           "  --paths          every node's path and the value found at it\n"
           "  --get PATH       the value at PATH; exit status 1 when PATH names no node\n"
           "  --decode         the text with \\u escapes and HTML entities decoded\n"
           "  --stats          node count, depth and load time\n"
           "options:\n"
           "  --zero-based     number array elements from 0\n"
           "  --single-quote   treat single quotes as string quotes\n"
           "  --predecode      decode escapes and entities before parsing\n"
           "  --compact-paths  paths in compact form (a[0].b) for --paths and --get\n"
           "  --raw            pass input and output bytes unchanged (GB18030)\n"
           "  --url URL        fetch the document (\"URL\" or \"URL|POST body\") instead of reading FILE\n"
           "  --encoding NAME  charset of the fetched body: auto, utf8 or gbk\n"
           "  --version        the program's name and version\n"
           "FILE absent or - reads standard input. UTF-8 (with or without a byte-order mark) and\n"
           "UTF-16 with a byte-order mark are converted; other input is taken as GB18030.\n"
           "Exit status: 0 done, 1 no node at the --get path or the URL gave nothing, 2 usage or input error.\n";
}

bool selectsMode(const std::vector<std::string>& args)
{
    for (const std::string& a : args) {
        if (a == "--")
            break;
        if (modeOf(a) || a == "--url")
            return true;
    }
    return false;
}

ParseOutcome parseArguments(const std::vector<std::string>& args)
{
    ParseOutcome out;
    Options& o = out.options;
    bool onlyFiles = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto needValue = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                out.error = "missing argument after " + a;
                return false;
            }
            into = args[++i];
            return true;
        };
        if (!onlyFiles && a.size() > 1 && a[0] == '-') {
            if (a == "--") {
                onlyFiles = true;
                continue;
            }
            if (const auto m = modeOf(a)) {
                if (o.mode != Mode::None && o.mode != *m && !answersAtOnce(*m) && !answersAtOnce(o.mode)) {
                    out.error = "only one mode may be given (" + a + ")";
                    return out;
                }
                // --help wins over --version, which wins over the modes.
                if (!answersAtOnce(o.mode) || *m == Mode::Help)
                    o.mode = *m;
                if (*m == Mode::Get && !needValue(o.getPath))
                    return out;
                continue;
            }
            if (a == "--zero-based") o.zeroBased = true;
            else if (a == "--single-quote") o.singleQuote = true;
            else if (a == "--predecode") o.predecode = true;
            else if (a == "--raw") o.raw = true;
            else if (a == "--compact-paths") o.compactPaths = true;
            else if (a == "--url") { if (!needValue(o.url)) return out; }
            else if (a == "--encoding") { if (!needValue(o.encoding)) return out; }
            else {
                out.error = "unknown option " + a;
                return out;
            }
            continue;
        }
        if (o.file) {
            out.error = "more than one input file given (" + a + ")";
            return out;
        }
        o.file = a;
    }
    if (o.mode == Mode::None) {
        if (!o.url.empty() || !o.encoding.empty())
            out.error = "--url needs a mode: --tree, --table, --paths, --get PATH, --decode or --stats";
        else
            out.error = "no mode given";
    }
    if (out.error.empty() && !o.url.empty() && o.file)
        out.error = "--url and an input file cannot be used together";
    if (out.error.empty() && !o.encoding.empty() && o.url.empty())
        out.error = "--encoding applies to --url only";
    return out;
}

} // namespace tess::cli
