#include "fetch/UrlFetch.h"

#include "fetch/BodyDecoding.h"
#include "fetch/HttpRequestClient.h"
#include "fetch/PageLinks.h"
#include "platform/GbkText.h"

#include <chrono>
#include <thread>

namespace tess {
namespace {

// Waits pauseMs in 10 ms steps; false when cancelled meanwhile.
bool pause(const FetchOptions& options)
{
    for (int waited = 0; waited < options.pauseMs; waited += 10) {
        if (isCancelled(options))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, options.pauseMs - waited)));
    }
    return !isCancelled(options);
}

} // namespace

UrlAndBody splitUrlAndBody(std::string_view clipboard)
{
    UrlAndBody pair;
    const std::size_t first = gbk::find(clipboard, "|");
    if (first == std::string_view::npos) {
        pair.url = std::string(clipboard);
        return pair;
    }
    pair.url = std::string(clipboard.substr(0, first));
    const std::string_view rest = clipboard.substr(first + 1);
    pair.postBody = std::string(rest.substr(0, gbk::find(rest, "|")));
    return pair;
}

UrlFetchResult fetchUrlText(std::string_view clipboard, FetchEncoding& encoding,
                            const FetchOptions& options)
{
    UrlFetchResult result;
    UrlAndBody request = splitUrlAndBody(clipboard);
    HttpRequestClient client(options);
    std::string text;
    for (int attempt = 1; attempt <= options.attempts; ++attempt) {
        if (isCancelled(options)) {
            result.status = FetchStatus::Cancelled;
            return result;
        }
        HttpResponse response = client.sendRequest(request.url, request.postBody, options.timeoutSeconds, encoding);
        if (response.status != FetchStatus::Ok) {
            result.status = response.status;
            return result;
        }
        DecodedBody decoded = decodeBody(response.body, encoding, options.maxBodyBytes);
        if (decoded.tooLarge) {
            result.status = FetchStatus::TooLarge;
            return result;
        }
        text = std::move(decoded.text);
        if (!findHtmlRedirect(text, request.url).empty())
            continue; // the URL now holds the target: next attempt at once
        if (!text.empty())
            break;
        if (!pause(options)) {
            result.status = FetchStatus::Cancelled;
            return result;
        }
    }
    result.finalUrl = request.url;
    result.text = completeRelativeLinks(request.url, text);
    result.status = result.text.empty() ? FetchStatus::Empty : FetchStatus::Ok;
    return result;
}

} // namespace tess
