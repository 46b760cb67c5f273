#pragma once
// Shared helpers of the fetch tests: GB18030 literals and gzip bodies.
#include "platform/Codec.h"

#include <zlib.h>

#include <string>
#include <string_view>

namespace tess::test {

inline std::string gb(std::string_view utf8)
{
    return codec::utf8ToGb18030(utf8).text;
}

inline std::string gzipBytes(std::string_view plain)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, plain.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

} // namespace tess::test
