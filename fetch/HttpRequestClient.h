#pragma once
// One HTTP(S) exchange on libcurl: the request URL and headers built from the user's URL,
// redirects followed by the client (http and https only), the status never examined,
// the response-header charset rule and the gzip step on the body.
#include "fetch/FetchEncoding.h"
#include "fetch/FetchOptions.h"
#include "fetch/TextMarkers.h"

#include <memory>
#include <string>
#include <string_view>

namespace tess {

inline constexpr const char* kFetchUserAgent =
    "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/30.0.1599.101 Safari/537.36";
inline constexpr const char* kFetchContentType = "application/x-www-form-urlencoded";

struct HttpResponse {
    FetchStatus status = FetchStatus::Ok; // Ok (body may be empty), TooLarge or Cancelled
    std::string body;                     // empty on any transfer failure
    std::string headers;                  // header text of the final response
};

// "http://" in front unless the text begins with "http://" or "https://" (any case).
std::string withHttpScheme(std::string_view url);
// The request URL: trimmed, scheme added, everything from the first "#" cut.
std::string requestUrlOf(std::string_view url);
// The Referer: trimmed, scheme added, fragment kept.
std::string refererOf(std::string_view url);
// GB18030 URL text to the bytes sent on the wire: a host name with non-ASCII letters in
// its ASCII (IDNA) form, then UTF-8 with non-ASCII bytes, blanks and control bytes
// percent-encoded.
std::string wireUrl(std::string_view gbUrl);

class HttpRequestClient {
public:
    explicit HttpRequestClient(const FetchOptions& options = {});
    ~HttpRequestClient();
    HttpRequestClient(const HttpRequestClient&) = delete;
    HttpRequestClient& operator=(const HttpRequestClient&) = delete;

    // GET, or POST when postBody is not empty. Under Auto, a response header naming
    // charset utf-8 switches encoding to Utf8. A body beginning 1F 8B is gunzipped.
    HttpResponse sendRequest(std::string_view url, std::string_view postBody,
                             int timeoutSeconds, FetchEncoding& encoding);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace tess
