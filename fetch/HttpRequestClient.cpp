#include "fetch/HttpRequestClient.h"

#include "fetch/Gunzip.h"
#include "platform/Codec.h"
#include "platform/GbkText.h"

#include <curl/curl.h>
#include <idn2.h>

#include <algorithm>
#include <mutex>

namespace tess {
namespace {

bool beginsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && findNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    const FetchOptions* options = nullptr;
    std::string body;
    std::string headers;
    bool tooLarge = false;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->options->maxBodyBytes) {
        transfer->tooLarge = true;
        return 0; // aborts the transfer
    }
    if (isCancelled(*transfer->options))
        return 0;
    transfer->body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    // A new status line starts the headers of the next response (after a redirect):
    // only the final response's headers count.
    if (line.starts_with("HTTP/"))
        transfer->headers.clear();
    transfer->headers.append(line);
    return size * count;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return isCancelled(*static_cast<Transfer*>(user)->options) ? 1 : 0;
}

// The UTF-8 URL with a host name that holds non-ASCII letters in its ASCII (IDNA) form.
// Done here, from UTF-8, because the HTTP library would convert from the encoding of the
// process locale, which is plain ASCII unless the environment sets one (and a command
// line's locale is often unset or not UTF-8). A name that cannot be converted stays.
std::string withAsciiHostName(std::string url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const std::size_t authority = scheme + 3;
    const std::size_t authorityEnd = std::min(url.find_first_of("/?#", authority), url.size());
    const std::size_t at = url.rfind('@', authorityEnd - 1);
    const std::size_t host = at != std::string::npos && at >= authority ? at + 1 : authority;
    if (host < url.size() && url[host] == '[')
        return url; // an IPv6 address
    const std::size_t hostEnd = std::min(url.find(':', host), authorityEnd);
    const std::string name = url.substr(host, hostEnd - host);
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return url;
    char* ascii = nullptr;
    int rc = idn2_lookup_u8(reinterpret_cast<const uint8_t*>(name.c_str()), reinterpret_cast<uint8_t**>(&ascii),
                            IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
    if (rc != IDN2_OK) // names valid only under the older rules (a sharp s, for one)
        rc = idn2_lookup_u8(reinterpret_cast<const uint8_t*>(name.c_str()), reinterpret_cast<uint8_t**>(&ascii),
                            IDN2_NFC_INPUT | IDN2_TRANSITIONAL);
    if (rc == IDN2_OK && ascii)
        url.replace(host, hostEnd - host, ascii);
    idn2_free(ascii);
    return url;
}

} // namespace

std::string withHttpScheme(std::string_view url)
{
    if (beginsWithNoCase(url, "http://") || beginsWithNoCase(url, "https://"))
        return std::string(url);
    return "http://" + std::string(url);
}

std::string requestUrlOf(std::string_view url)
{
    std::string request = withHttpScheme(trimSpaces(url));
    const std::size_t hash = gbk::find(request, "#");
    if (hash != std::string::npos)
        request.resize(hash);
    return request;
}

std::string refererOf(std::string_view url)
{
    return withHttpScheme(trimSpaces(url));
}

std::string wireUrl(std::string_view gbUrl)
{
    const std::string utf8 = withAsciiHostName(codec::gb18030ToUtf8(gbUrl).text);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

struct HttpRequestClient::Impl {
    FetchOptions options;
    CURLM* multi = nullptr;
};

HttpRequestClient::HttpRequestClient(const FetchOptions& options) : m_impl(std::make_unique<Impl>())
{
    initCurlOnce();
    m_impl->options = options;
    m_impl->multi = curl_multi_init();
}

HttpRequestClient::~HttpRequestClient()
{
    if (m_impl->multi)
        curl_multi_cleanup(m_impl->multi);
}

HttpResponse HttpRequestClient::sendRequest(std::string_view url, std::string_view postBody,
                                            int timeoutSeconds, FetchEncoding& encoding)
{
    HttpResponse response;
    if (isCancelled(m_impl->options)) {
        response.status = FetchStatus::Cancelled;
        return response;
    }
    CURL* easy = curl_easy_init();
    if (!easy || !m_impl->multi) {
        if (easy)
            curl_easy_cleanup(easy);
        return response; // no client: an empty body, like any failed exchange
    }

    Transfer transfer;
    transfer.options = &m_impl->options;
    const std::string requestUrl = wireUrl(requestUrlOf(url));
    const std::string referer = "Referer: " + wireUrl(refererOf(url));
    const std::string contentType = std::string("Content-Type: ") + kFetchContentType;
    const std::string userAgent = std::string("User-Agent: ") + kFetchUserAgent;
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, referer.c_str());
    headers = curl_slist_append(headers, contentType.c_str());
    headers = curl_slist_append(headers, userAgent.c_str());
    // An empty value removes a header the library would add on its own.
    headers = curl_slist_append(headers, "Accept:");
    headers = curl_slist_append(headers, "Expect:"); // no 100-continue round trip
    // The POST body goes out as UTF-8, like the URL.
    const std::string body = codec::gb18030ToUtf8(postBody).text;

    curl_easy_setopt(easy, CURLOPT_URL, requestUrl.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_PROXY, ""); // no proxy, whatever the environment says
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeoutSeconds));
    // Receive timeout: the transfer ends when no byte arrives for the timeout.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeoutSeconds));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_impl->options.maxBodyBytes));
    if (!body.empty()) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);

    // Driven through the multi interface so the cancellation flag is seen every 50 ms,
    // also while connecting or waiting for the first byte.
    CURLcode result = CURLE_OK;
    bool cancelled = false;
    curl_multi_add_handle(m_impl->multi, easy);
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m_impl->multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        bool done = false;
        while (CURLMsg* message = curl_multi_info_read(m_impl->multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (isCancelled(m_impl->options)) {
            cancelled = true;
            break;
        }
        curl_multi_poll(m_impl->multi, nullptr, 0, 50, nullptr);
    }
    curl_multi_remove_handle(m_impl->multi, easy);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);

    if (cancelled || isCancelled(m_impl->options)) {
        response.status = FetchStatus::Cancelled;
        return response;
    }
    if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        response.status = FetchStatus::TooLarge;
        return response;
    }
    if (result != CURLE_OK)
        return response; // any failure: an empty body

    response.headers = std::move(transfer.headers);
    if (encoding == FetchEncoding::Auto &&
        containsAnyOf(response.headers, {"charset=utf-8", "charset=\"utf-8\"", "charset='utf-8'"}))
        encoding = FetchEncoding::Utf8;
    response.body = std::move(transfer.body);
    if (hasGzipMagic(response.body)) {
        GunzipResult gz = gunzipBody(response.body, m_impl->options.maxBodyBytes);
        if (gz.tooLarge) {
            response.status = FetchStatus::TooLarge;
            response.body.clear();
            return response;
        }
        response.body = std::move(gz.bytes);
    }
    return response;
}

} // namespace tess
