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
    {"--find", Mode::Find}, {"--diff", Mode::Diff}, {"--flat", Mode::Flat}, {"--unflat", Mode::Unflat},
    {"--check", Mode::Check}, {"--query", Mode::Query}, {"--csv", Mode::Csv},
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

// Options that belong to one mode, given with another.
std::string checkModeOptions(const Options& o)
{
    if (answersAtOnce(o.mode))
        return {};
    if (o.leaves && o.mode != Mode::Paths)
        return "--leaves applies to --paths only";
    if (o.formatted && o.mode != Mode::Get && o.mode != Mode::Unflat)
        return "--formatted applies to --get and --unflat only";
    if (o.json && o.mode != Mode::Get)
        return "--json applies to --get only";
    if (o.byteOrderMark && o.mode != Mode::Csv)
        return "--bom applies to --csv only";
    if (o.raw && (o.json || o.mode == Mode::Flat || o.mode == Mode::Unflat || o.mode == Mode::Check ||
                  o.mode == Mode::Query || o.mode == Mode::Csv))
        return "--raw does not apply to modes that write standard JSON (their output is UTF-8)";
    if ((o.findMode != FindMode::Plain || o.ignoreCase) && o.mode != Mode::Find)
        return "--wildcard, --regex and --ignore-case apply to --find only";
    if (o.pathStyleGiven && o.mode != Mode::Paths && o.mode != Mode::Get && o.mode != Mode::Find &&
        o.mode != Mode::Diff && o.mode != Mode::Flat && o.mode != Mode::Csv)
        return "--path-style applies to --paths, --get, --find, --diff, --flat and --csv only";
    if (o.mode == Mode::Diff && !o.file)
        return "--diff needs two inputs: --diff A B";
    if (o.mode == Mode::Diff && o.diffLeft == "-" && *o.file == "-")
        return "--diff reads standard input for one side only";
    if (o.compactPaths && o.pathStyle != PathStyle::Tree)
        return "--compact-paths applies to the tree path style only";
    return {};
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
           "  --paths          every node's path and its value, one node a line\n"
           "  --get PATH       the value at PATH: a path of the tree (a.[0].b or a[0].b), jq\n"
           "                   (.a[0].b), JSONPath ($.a[0].b), JavaScript (a[0].b) or Python\n"
           "                   ([\"a\"][0][\"b\"]); with --path-style, of that syntax only;\n"
           "                   exit status 1 when PATH names no node, 2 when it is no path\n"
           "  --find TEXT      path and caption of every node whose caption contains TEXT\n"
           "                   (or matches it, with --wildcard or --regex), in tree order;\n"
           "                   exit status 1 when there is none\n"
           "  --decode         the text with \\u escapes and HTML entities decoded\n"
           "  --stats          node count, depth and load time\n"
           "  --diff A B       one line per difference from A to B: + PATH VALUE (added),\n"
           "                   - PATH VALUE (removed), ~ PATH OLD → NEW (changed); paths in\n"
           "                   jq syntax unless --path-style is given; exit status 0 equal,\n"
           "                   1 different; A or B may be - for standard input\n"
           "  --flat           one line per leaf, PATH = VALUE; with the value as JSON and the\n"
           "                   path in jq syntax (or --path-style)\n"
           "  --unflat         the document that lines of --flat (any subset of them) describe\n"
           "  --check          nothing when the input is standard JSON, else its first error\n"
           "                   with line, column and byte; exit status 4\n"
           "  --query PROGRAM  the results of the jq program, one compact value a line; JSON\n"
           "                   Lines run it once per record; exit status 3 on a compile error,\n"
           "                   5 on a run-time error\n"
           "  --csv PATH       the array of records at PATH (. or empty: the root) as CSV\n"
           "options:\n"
           "  --zero-based     number array elements from 0\n"
           "  --single-quote   treat single quotes as string quotes\n"
           "  --predecode      decode escapes and entities before parsing\n"
           "  --compact-paths  tree paths in compact form (a[0].b) for --paths and --find\n"
           "  --path-style S   path syntax of --paths and --find: tree (default), jq,\n"
           "                   jsonpath, js or python; the last four number elements from 0\n"
           "  --leaves         --paths: strings, numbers and literals only\n"
           "  --formatted      --get, --unflat: an object or array indented by two spaces a level\n"
           "  --json           --get: the value as standard JSON (a string quoted)\n"
           "  --bom            --csv: start with a UTF-8 byte-order mark (for spreadsheets)\n"
           "  --color=WHEN     colour --tree, --paths, --flat and --get --json: always, never\n"
           "                   or auto (default: when standard output is a terminal and\n"
           "                   NO_COLOR is not set)\n"
           "  --wildcard       --find: TEXT with * (any text) and ? (one character or none)\n"
           "  --regex          --find: TEXT is a regular expression\n"
           "  --ignore-case    --find: ASCII letters match either case\n"
           "  --raw            pass input and output bytes unchanged (GB18030)\n"
           "  --url URL        fetch the document (\"URL\" or \"URL|POST body\") instead of reading FILE\n"
           "  --encoding NAME  charset of the fetched body: auto, utf8 or gbk\n"
           "  --version        the program's name and version\n"
           "FILE absent or - reads standard input. UTF-8 (with or without a byte-order mark) and\n"
           "UTF-16 with a byte-order mark are converted; other input is taken as GB18030.\n"
           "Paths are printed as they paste into their syntax; the value column doubles a\n"
           "backslash and writes TAB, LF, CR and other control bytes as \\t, \\n, \\r, \\xNN.\n"
           "Exit status: 0 done, 1 no node at the --get path, no match for --find or the URL gave\n"
           "nothing, 2 usage or input error or a --get PATH that cannot be read, 3 and 5 --query\n"
           "errors, 4 --check found the input not standard JSON.\n";
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
                if (*m == Mode::Find && !needValue(o.findText))
                    return out;
                if (*m == Mode::Diff && !needValue(o.diffLeft))
                    return out;
                if (*m == Mode::Query && !needValue(o.query))
                    return out;
                if (*m == Mode::Csv && !needValue(o.csvPath))
                    return out;
                continue;
            }
            if (a == "--zero-based") o.zeroBased = true;
            else if (a == "--single-quote") o.singleQuote = true;
            else if (a == "--predecode") o.predecode = true;
            else if (a == "--raw") o.raw = true;
            else if (a == "--compact-paths") o.compactPaths = true;
            else if (a == "--leaves") o.leaves = true;
            else if (a == "--url") { if (!needValue(o.url)) return out; }
            else if (a == "--encoding") { if (!needValue(o.encoding)) return out; }
            else if (a == "--path-style") {
                std::string name;
                if (!needValue(name))
                    return out;
                if (!parsePathStyle(name, &o.pathStyle)) {
                    out.error = "unknown path style " + name + " (tree, jq, jsonpath, js or python)";
                    return out;
                }
                o.pathStyleGiven = true;
            }
            else if (a == "--formatted") o.formatted = true;
            else if (a == "--wildcard" || a == "--regex") {
                const FindMode mode = a == "--regex" ? FindMode::Regex : FindMode::Wildcard;
                if (o.findMode != FindMode::Plain && o.findMode != mode) {
                    out.error = "--wildcard and --regex cannot be used together";
                    return out;
                }
                o.findMode = mode;
            }
            else if (a == "--ignore-case") o.ignoreCase = true;
            else if (a == "--json") o.json = true;
            else if (a == "--bom") o.byteOrderMark = true;
            else if (a.starts_with("--color=")) {
                const std::string when = a.substr(8);
                if (when == "always") o.color = ColorChoice::Always;
                else if (when == "never") o.color = ColorChoice::Never;
                else if (when == "auto") o.color = ColorChoice::Auto;
                else {
                    out.error = "unknown --color value " + when + " (always, never or auto)";
                    return out;
                }
            }
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
            out.error = "--url needs a mode: --tree, --table, --paths, --get PATH, --find TEXT, --decode, --stats, "
                        "--flat, --check, --query PROGRAM or --csv PATH";
        else
            out.error = "no mode given";
    }
    if (out.error.empty())
        out.error = checkModeOptions(o);
    if (out.error.empty() && !o.url.empty() && o.file)
        out.error = "--url and an input file cannot be used together";
    if (out.error.empty() && !o.encoding.empty() && o.url.empty())
        out.error = "--encoding applies to --url only";
    return out;
}

} // namespace tess::cli
