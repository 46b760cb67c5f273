#pragma once
// fetchUrlText: up to three HTTP exchanges for the clipboard text "URL[|POST body]",
// each decoded, with page redirects followed and links of the final page completed.
#include "fetch/FetchEncoding.h"
#include "fetch/FetchOptions.h"

#include <string>
#include <string_view>

namespace tess {

struct UrlAndBody {
    std::string url;
    std::string postBody;
};

// Splits at "|" (GBK-aware): first piece URL, second piece POST body, the rest dropped.
UrlAndBody splitUrlAndBody(std::string_view clipboard);

struct UrlFetchResult {
    FetchStatus status = FetchStatus::Empty; // Ok, Empty, TooLarge or Cancelled
    std::string text;                        // the completed document text
    std::string finalUrl;                    // the URL after page redirects
};

// encoding may be switched from Auto to Utf8 by a response header.
UrlFetchResult fetchUrlText(std::string_view clipboard, FetchEncoding& encoding,
                            const FetchOptions& options = {});

} // namespace tess
