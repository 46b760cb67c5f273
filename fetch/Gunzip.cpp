#include "fetch/Gunzip.h"

#include <zlib.h>

#include <algorithm>

namespace tess {

GunzipResult gunzipBody(std::string_view gz, std::size_t maxBytes)
{
    constexpr std::size_t kChunk = 8192;
    GunzipResult result;
    z_stream stream{};
    // 15 + 32: zlib or gzip framing, detected from the header.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return result;
    unsigned char out[kChunk];
    std::size_t offset = 0;
    for (;;) {
        const std::size_t take = std::min(kChunk, gz.size() - offset);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data() + offset));
        stream.avail_in = static_cast<uInt>(take);
        stream.next_out = out;
        stream.avail_out = kChunk;
        const int rc = inflate(&stream, Z_NO_FLUSH);
        const std::size_t used = take - stream.avail_in;
        const std::size_t produced = kChunk - stream.avail_out;
        if (result.bytes.size() + produced > maxBytes) {
            result.tooLarge = true;
            break;
        }
        result.bytes.append(reinterpret_cast<const char*>(out), produced);
        offset += used;
        // End of stream, a corrupt stream, or no progress at all (a truncated stream
        // once its input is used up) ends the loop with what was produced so far.
        if (rc != Z_OK || (used == 0 && produced == 0))
            break;
    }
    inflateEnd(&stream);
    return result;
}

} // namespace tess
