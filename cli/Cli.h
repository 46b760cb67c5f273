#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tess::cli {

// The outcome of fetching a URL for --url: GB18030 text, or an English message.
struct UrlFetchResult {
    bool ok = false;
    std::string text;
    std::string error;
};
// Fetches a URL ("URL" or "URL|POST body", UTF-8) with an encoding name ("" for auto).
using UrlFetcher = UrlFetchResult (*)(std::string_view url, std::string_view encoding);

// True when the arguments select a command-line mode (or --help), so no window is made.
bool hasMode(int argc, char** argv);

// The size of the regular file a command-line mode would read, from the arguments alone;
// nothing for standard input, a URL, arguments that are refused, or the window.
std::optional<std::uint64_t> inputFileSize(int argc, char** argv);

// Runs the command line; returns the process exit status. Without a fetcher, --url
// fails with a message.
int run(int argc, char** argv, UrlFetcher fetchUrl = nullptr);

} // namespace tess::cli
