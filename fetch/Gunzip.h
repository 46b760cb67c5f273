#pragma once
// Gzip decompression on zlib.
#include "fetch/FetchOptions.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tess {

struct GunzipResult {
    std::string bytes;     // the decompressed bytes (all produced so far on a bad stream)
    bool tooLarge = false; // stopped because the output would exceed maxBytes
};

// Decompresses the first gzip (or zlib) member in 8 KiB steps. A truncated or corrupt
// stream gives the bytes decompressed before the fault; the loop always ends.
GunzipResult gunzipBody(std::string_view gz, std::size_t maxBytes = kMaxBodyBytes);

inline bool hasGzipMagic(std::string_view bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

} // namespace tess
