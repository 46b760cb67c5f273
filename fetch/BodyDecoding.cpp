#include "fetch/BodyDecoding.h"

#include "fetch/Gunzip.h"
#include "fetch/TextMarkers.h"
#include "platform/Codec.h"

#include <cstring>

namespace tess {
namespace {

bool startsWithBytes(std::string_view body, std::string_view pattern)
{
    return body.size() >= pattern.size() && body.substr(0, pattern.size()) == pattern;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

const char* charsetName(FetchEncoding encoding)
{
    switch (encoding) {
    case FetchEncoding::Utf8: return "UTF-8";
    case FetchEncoding::Utf16Le: return "UTF-16LE";
    case FetchEncoding::Utf16Be: return "UTF-16BE";
    case FetchEncoding::Big5: return "BIG5";
    case FetchEncoding::Big5Hkscs: return "BIG5-HKSCS";
    default: return nullptr;
    }
}

// Bytes taken as text end before the first NUL.
std::string upToNul(std::string_view bytes)
{
    const void* nul = std::memchr(bytes.data(), 0, bytes.size());
    if (!nul)
        return std::string(bytes);
    return std::string(bytes.substr(0, static_cast<const char*>(nul) - bytes.data()));
}

} // namespace

bool isLikelyUtf8(std::string_view bytes)
{
    const std::size_t count = bytes.size();
    std::size_t ascii = 0;
    std::size_t p = 0;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    while (p < count) {
        if (at(p) < 0x80) {
            ++ascii;
            p += 1;
        } else if (p + 1 < count && (at(p) & 0xE0) == 0xC0 && (at(p + 1) & 0xC0) == 0x80) {
            p += 2;
        } else if (p + 2 < count && (at(p) & 0xF0) == 0xE0 && (at(p + 1) & 0xC0) == 0x80 &&
                   (at(p + 2) & 0xC0) == 0x80) {
            p += 3;
        } else {
            return false;
        }
    }
    return count != ascii;
}

int findMetaCharset(std::string_view text)
{
    std::size_t position = 0;
    std::string headText = textBetweenMarkers(text, "<head>", "</head>", position);
    const std::string_view head = headText.empty() ? text : std::string_view(headText);
    position = 0;
    for (;;) {
        bool found = false;
        const std::string tag = textBetweenMarkers(head, "<meta", ">", position, &found);
        if (!found)
            return 0;
        if (containsAnyOf(tag, {"charset=UTF-8", "charset=\"UTF-8\"", "charset='UTF-8'"}))
            return 1;
        if (containsAnyOf(tag, {"charset=Big5", "charset=\"Big5\"", "charset='Big5'"}))
            return 2;
        if (containsAnyOf(tag, {"charset=Big5-HKSCS", "charset=\"Big5-HKSCS\"", "charset='Big5-HKSCS'"}))
            return 3;
    }
}

std::string convertToGb18030(std::string_view bytes, std::string_view charset)
{
    if (bytes.empty())
        return {};
    return codec::convert(charset, "GB18030", bytes).text;
}

DecodedBody decodeBody(std::string_view body, FetchEncoding encoding, std::size_t maxBytes)
{
    DecodedBody result;
    std::string unzipped;
    if (hasGzipMagic(body)) {
        GunzipResult gz = gunzipBody(body, maxBytes);
        if (gz.tooLarge) {
            result.tooLarge = true;
            return result;
        }
        unzipped = std::move(gz.bytes);
        body = unzipped;
    }

    FetchEncoding effective = encoding;
    std::size_t cursor = 0;
    if (encoding == FetchEncoding::Auto) {
        if (startsWithBytes(body, kUtf8Bom)) {
            effective = FetchEncoding::Utf8;
            cursor = 3;
        } else if (startsWithBytes(body, kUtf16LeBom)) {
            effective = FetchEncoding::Utf16Le;
            cursor = 2;
        } else if (startsWithBytes(body, kUtf16BeBom)) {
            effective = FetchEncoding::Utf16Be;
            cursor = 2;
        } else {
            // The meta search reads the body as text, which ends at its first NUL.
            const int family = findMetaCharset(body.substr(0, body.find('\0')));
            if (family == 1)
                effective = FetchEncoding::Utf8;
            else if (family == 2)
                effective = FetchEncoding::Big5;
            else if (family == 3)
                effective = FetchEncoding::Big5Hkscs;
        }
    } else if (encoding == FetchEncoding::Utf16Le || encoding == FetchEncoding::Utf16Be) {
        cursor = 2;
    } else if (encoding == FetchEncoding::Utf8) {
        cursor = startsWithBytes(body, kUtf8Bom) ? 3 : 0;
    }

    const std::string_view payload = cursor <= body.size() ? body.substr(cursor) : std::string_view();
    if (effective == FetchEncoding::Auto && isLikelyUtf8(payload))
        effective = FetchEncoding::Utf8;

    std::string text;
    if (const char* charset = charsetName(effective); charset && !payload.empty())
        text = convertToGb18030(payload, charset);
    if (text.empty()) {
        result.text = upToNul(body);
        result.used = FetchEncoding::Ansi;
        return result;
    }
    result.text = upToNul(text);
    result.used = effective;
    return result;
}

} // namespace tess
