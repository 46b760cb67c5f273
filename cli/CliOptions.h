#pragma once
// Parsing of the command-line arguments.
#include "json/PathSyntax.h"
#include "json/TreeSearch.h"

#include <optional>
#include <string>
#include <vector>

namespace tess::cli {

enum class Mode { None, Help, Version, Table, Tree, Paths, Get, Decode, Stats, Find, Flat, Unflat, Check, Query, Csv, Diff };

// --color: colour the output always, never, or when standard output is a terminal.
enum class ColorChoice { Auto, Always, Never };

struct Options {
    Mode mode = Mode::None;
    std::string getPath;      // --get PATH (as given)
    std::string url;          // --url URL (as given)
    std::string encoding;     // --encoding NAME
    bool zeroBased = false;
    bool singleQuote = false;
    bool predecode = false;
    bool raw = false;
    bool compactPaths = false;
    bool leaves = false;              // --paths: scalars only
    std::optional<std::string> file; // absent or "-": standard input
    // Path syntax of --paths, --find and --get (for --get only when given).
    PathStyle pathStyle = PathStyle::Tree;
    bool pathStyleGiven = false;
    bool formatted = false;           // --get: a container indented
    std::string findText;             // --find TEXT (as given)
    FindMode findMode = FindMode::Plain;
    bool ignoreCase = false;
    bool json = false;                // --get: the value as standard JSON
    std::string query;                // --query PROGRAM (as given)
    std::string csvPath;              // --csv PATH (as given)
    bool byteOrderMark = false;       // --csv: a UTF-8 byte-order mark first
    ColorChoice color = ColorChoice::Auto;
    std::string diffLeft;             // --diff A (as given); the input file is B
};

struct ParseOutcome {
    Options options;
    std::string error; // one-line English message when the arguments are wrong
};

// True when the arguments select a command-line mode (or --help / --version / --url).
bool selectsMode(const std::vector<std::string>& args);

ParseOutcome parseArguments(const std::vector<std::string>& args);

std::string usageText();

} // namespace tess::cli
