#pragma once
// The input of --flat, --csv, --query and --get --json as a document of standard JSON on
// the big road's reader: a file from the size threshold on (or named as JSON Lines) mapped
// as it is; a smaller one or standard input read whole, and, when it is not standard JSON,
// read by the tolerant engine and written out again by the strict writer.
#include "cli/CliOptions.h"
#include "json/big/BigDocument.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tess::cli {

struct StrictInput {
    big::BigDocument doc;
    std::string bytes;       // the text doc reads, when it was read or written here
    std::string name;        // for messages: the file's name or "standard input"
    bool rewritten = false;  // the input was not standard JSON: doc reads the strict writer's text
    uint64_t size = 0;       // the input's size in bytes
};

// Opens the input of the options (engineText: a text already fetched, GB18030). On a
// failure the message is written to stderr and the result is null; a big file that is no
// standard JSON fails too (the engine's tolerant reading stops below the threshold).
std::unique_ptr<StrictInput> openStrictInput(const Options& o, const std::string* engineText);

// Resolves a typed path as --get does (any syntax, or --path-style's); ".", "$" or the
// empty text name the root. False when it names nothing.
bool resolveStrictPath(const StrictInput& in, const Options& o, const std::string& path, std::vector<big::Node>& chain);

// Writes the message of a broken line of JSON Lines skipped by a mode (once, with the count).
void reportBrokenLines(const StrictInput& in);

} // namespace tess::cli
