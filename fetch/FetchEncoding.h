#pragma once
// How a fetched body is interpreted. Passed by reference through a fetch: the HTTP
// exchange may switch Auto to Utf8 (a UTF-8 charset in the response headers), and that
// choice then holds for the later attempts of the same fetch.
#include <cstdint>

namespace tess {

enum class FetchEncoding : std::int32_t {
    Raw = -1,       // chosen by Shift; treated exactly like Ansi
    Auto = 0,       // detect: response header, BOM, HTML meta tag, UTF-8 test
    Ansi = 1,       // the body already is GBK/GB18030 text
    Utf8 = 2,
    Utf16Le = 3,
    Utf16Be = 4,
    Big5 = 5,
    Big5Hkscs = 6,
};

} // namespace tess
