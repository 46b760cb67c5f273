// Fuzzes body decoding: the first byte picks the encoding, the rest is the body.
#include "fetch/BodyDecoding.h"
#include "fetch/Gunzip.h"

#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto encoding = static_cast<tess::FetchEncoding>(static_cast<int>(data[0] % 8) - 1);
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr std::size_t kLimit = std::size_t(1) << 20; // keeps gzip bombs small
    const tess::DecodedBody decoded = tess::decodeBody(body, encoding, kLimit);
    // The text never holds a NUL, and raw text is a prefix of the body.
    if (std::memchr(decoded.text.data(), 0, decoded.text.size()))
        __builtin_trap();
    if (decoded.used == tess::FetchEncoding::Ansi && !decoded.tooLarge && !tess::hasGzipMagic(body) &&
        body.substr(0, decoded.text.size()) != decoded.text)
        __builtin_trap();
    const tess::GunzipResult gz = tess::gunzipBody(body, kLimit);
    if (gz.bytes.size() > kLimit)
        __builtin_trap();
    (void)tess::isLikelyUtf8(body);
    (void)tess::findMetaCharset(body);
    return 0;
}
