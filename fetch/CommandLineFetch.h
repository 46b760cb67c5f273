#pragma once
// The fetch for "tessarine --url URL [--encoding auto|utf8|gbk]". The URL argument is the
// clipboard text of the GUI command ("URL" or "URL|POST body"), given in UTF-8 as on the
// command line. Messages are English.
#include "fetch/FetchEncoding.h"
#include "fetch/FetchOptions.h"

#include <optional>
#include <string>
#include <string_view>

namespace tess {

struct CommandLineFetchResult {
    bool ok = false;
    std::string text;  // GB18030 document text when ok
    std::string error; // English message when not ok
};

// "auto" -> Auto, "utf8" -> Utf8, "gbk" -> Ansi (letters without case); nullopt otherwise.
std::optional<FetchEncoding> parseFetchEncoding(std::string_view name);

// Runs the fetch. encodingName empty means auto. An unknown encoding name, a text that does
// not begin with "http", an empty result, a too large body all give ok == false.
CommandLineFetchResult fetchForCommandLine(std::string_view urlUtf8, std::string_view encodingName,
                                           const FetchOptions& options = {});

} // namespace tess
