#pragma once
// The conversion loop the codec used to run on iconv, kept as the reference its tables are
// checked against: one call over the input, and at each byte (or UTF-16 unit) iconv stops
// at, one replacement and a step of one unit.
#include "platform/Codec.h"

#include <cerrno>
#include <iconv.h>
#include <string>
#include <string_view>

namespace tess::test {

inline codec::ConvertResult iconvReference(const char* from, const char* to, std::string_view input,
    std::string_view replacement, std::size_t unit = 1)
{
    codec::ConvertResult r;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return r;
    std::string out(input.size() * 4 + 64, '\0');
    char* ip = const_cast<char*>(input.data());
    std::size_t il = input.size();
    char* op = out.data();
    std::size_t ol = out.size();
    while (il > 0) {
        // Windows of 4 KiB: sanitizer builds check the whole input range on every call.
        const std::size_t window = il < 4096 ? il : 4096;
        std::size_t wl = window;
        const char* before = ip;
        const std::size_t rc = iconv(cd, &ip, &wl, &op, &ol);
        const int err = errno;
        il -= static_cast<std::size_t>(ip - before);
        if (rc != static_cast<std::size_t>(-1) || (err == EINVAL && window < il + static_cast<std::size_t>(ip - before)))
            continue; // the window ended, or cut a character that the next one holds whole
        const std::size_t offset = input.size() - il;
        if (r.firstBad == std::string::npos)
            r.firstBad = offset;
        const std::size_t skip = unit < il ? unit : il;
        r.badBytes += skip;
        ip += skip;
        il -= skip;
        for (char c : replacement) {
            *op++ = c;
            --ol;
        }
    }
    iconv_close(cd);
    out.resize(static_cast<std::size_t>(op - out.data()));
    r.text = std::move(out);
    return r;
}

inline codec::ConvertResult iconvUtf8ToGb(std::string_view utf8)
{
    return iconvReference("UTF-8", "GB18030", utf8, "?");
}

inline codec::ConvertResult iconvGbToUtf8(std::string_view gb)
{
    return iconvReference("GB18030", "UTF-8", gb, "\xEF\xBF\xBD");
}

inline codec::ConvertResult iconvUtf16ToGb(std::u16string_view utf16)
{
    return iconvReference("UTF-16LE", "GB18030",
        std::string_view(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2), "?", 2);
}

inline codec::ConvertResult iconvGbToUtf16(std::string_view gb)
{
    return iconvReference("GB18030", "UTF-16LE", gb, std::string_view("\xFD\xFF", 2));
}

inline std::u16string asUtf16(const std::string& bytes)
{
    return std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
}

} // namespace tess::test
