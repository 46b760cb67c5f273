#include "fetch/CommandLineFetch.h"

#include "fetch/TextMarkers.h"
#include "fetch/UrlCommand.h"
#include "platform/Codec.h"

namespace tess {

std::optional<FetchEncoding> parseFetchEncoding(std::string_view name)
{
    auto is = [&](std::string_view word) { return name.size() == word.size() && findNoCase(name, word) == 0; };
    if (name.empty() || is("auto"))
        return FetchEncoding::Auto;
    if (is("utf8"))
        return FetchEncoding::Utf8;
    if (is("gbk"))
        return FetchEncoding::Ansi;
    return std::nullopt;
}

CommandLineFetchResult fetchForCommandLine(std::string_view urlUtf8, std::string_view encodingName,
                                           const FetchOptions& options)
{
    CommandLineFetchResult result;
    const std::optional<FetchEncoding> encoding = parseFetchEncoding(encodingName);
    if (!encoding) {
        result.error = "unknown encoding '" + std::string(encodingName) + "' (use auto, utf8 or gbk)";
        return result;
    }
    const FetchOutcome outcome = fetchJsonText(codec::utf8ToGb18030(urlUtf8).text, *encoding, options);
    switch (outcome.status) {
    case FetchStatus::Ok:
        result.ok = true;
        result.text = outcome.text;
        break;
    case FetchStatus::NotUrl:
        result.error = "the URL must begin with http (for example http://host/path or https://host/path)";
        break;
    case FetchStatus::Empty:
        result.error = "nothing was read from " + std::string(urlUtf8) + " (three attempts gave an empty document)";
        break;
    case FetchStatus::TooLarge:
        result.error = "the document at " + std::string(urlUtf8) + " is too large (more than 1 GiB)";
        break;
    case FetchStatus::Cancelled:
        result.error = "the fetch was cancelled";
        break;
    }
    return result;
}

} // namespace tess
