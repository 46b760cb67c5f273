#pragma once
// Turns a fetched body into NUL-free GB18030 text: BOM, HTML meta charset and a UTF-8
// plausibility test decide the source charset under Auto; otherwise the given encoding.
#include "fetch/FetchEncoding.h"
#include "fetch/FetchOptions.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tess {

struct DecodedBody {
    std::string text;                          // GB18030, stops before the first NUL
    FetchEncoding used = FetchEncoding::Ansi;  // Ansi when the bytes were taken as they are
    bool tooLarge = false;                     // a gzip payload expanded beyond the limit
};

DecodedBody decodeBody(std::string_view body, FetchEncoding encoding,
                       std::size_t maxBytes = kMaxBodyBytes);

// True when the bytes hold at least one 2- or 3-byte UTF-8-like sequence and nothing
// else but ASCII. Lead bytes are not checked for overlongs; 4-byte sequences fail.
bool isLikelyUtf8(std::string_view bytes);

// Searches the <meta ...> tags of the head (the whole text when there is no head) for
// charset UTF-8 (family 1), Big5 (2) or Big5-HKSCS (3). Returns 0 when none is named.
int findMetaCharset(std::string_view text);

// Converts bytes from an iconv charset name to GB18030; empty when impossible.
std::string convertToGb18030(std::string_view bytes, std::string_view charset);

} // namespace tess
