#include "platform/Codec.h"
#include "platform/CodecGb18030.h"
#include "platform/Iconv.h"
#include "platform/OutputBuffer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <initializer_list>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace tess::codec {

namespace {

// How a conversion treats input it cannot convert.
struct BadInputPolicy {
    std::string replacement;     // bytes written (in the target charset) per replaced unit
    std::size_t unit = 1;        // smallest step over bad input (2 for UTF-16 input)
    bool probeUnconvertible = false; // a valid character may lack a target form: skip it whole
};

// Length of the one valid character at the start of in (in the source charset), or 0 when
// the bytes there are not a character of it.
std::size_t validCharLength(const std::string& from, const char* in, std::size_t avail)
{
    const Iconv probe("UTF-32LE", from.c_str());
    if (!probe.ok())
        return 0;
    char out[4];
    const char* ip = in;
    std::size_t il = avail < 16 ? avail : 16;
    const std::size_t before = il;
    char* op = out;
    std::size_t ol = sizeof out;
    probe.convert(ip, il, op, ol);
    return op == out + sizeof out ? before - il : 0;
}

// The conversion loop shared by every entry point. Runs in one pass over the input; the
// output grows geometrically, so the cost stays linear however large the input is.
ConvertResult run(const std::string& from, const std::string& to, std::string_view input,
    const BadInputPolicy& policy, std::size_t sizeHint)
{
    ConvertResult result;
    const Iconv cd(to.c_str(), from.c_str());
    if (!cd.ok()) {
        // Unknown charset: nothing converts; every unit is reported and replaced.
        const std::size_t units = (input.size() + policy.unit - 1) / policy.unit;
        result.badBytes = input.size();
        result.firstBad = input.empty() ? std::string::npos : 0;
        result.text.reserve(units * policy.replacement.size());
        for (std::size_t i = 0; i < units; ++i)
            result.text += policy.replacement;
        return result;
    }

    OutputBuffer<std::string> out(result.text, sizeHint < 64 ? 64 : sizeHint);
    const char* ip = input.data();
    std::size_t il = input.size();
    auto markBad = [&](std::size_t count) {
        const std::size_t offset = input.size() - il;
        if (result.firstBad == std::string::npos)
            result.firstBad = offset;
        result.badBytes += count;
    };

    bool flushing = false; // input done: one last call writes any closing shift sequence
    while (true) {
        std::size_t ol = out.room();
        const char* flush = nullptr;
        const std::size_t rc = flushing ? cd.convert(flush, il, out.o, ol) : cd.convert(ip, il, out.o, ol);
        if (rc != static_cast<std::size_t>(-1)) {
            if (flushing)
                break;
            flushing = true; // success means all input was taken
            continue;
        }
        const int err = errno;
        if (err == E2BIG) {
            out.grow(out.used() + 64); // doubling keeps the cost linear
            continue;
        }
        if (flushing || il == 0)
            break;
        // EILSEQ: invalid input, or a character without a target form. EINVAL: the input
        // ends inside a character; its first unit is bad and the rest is converted again,
        // so a valid byte after a broken lead byte survives. Any other error is treated
        // alike so that the loop always moves on.
        std::size_t skip = 0;
        if (err == EILSEQ && policy.probeUnconvertible)
            skip = validCharLength(from, ip, il);
        if (skip == 0)
            skip = policy.unit < il ? policy.unit : il;
        markBad(skip);
        out.append(policy.replacement);
        ip += skip;
        il -= skip;
    }
    out.finish();
    return result;
}

std::string questionMarkIn(const std::string& charset)
{
    const Iconv cd(charset.c_str(), "UTF-8");
    if (!cd.ok())
        return "?";
    const char* ip = "?";
    std::size_t il = 1;
    char out[16];
    char* op = out;
    std::size_t ol = sizeof out;
    if (cd.convert(ip, il, op, ol) == static_cast<std::size_t>(-1) || op == out)
        return "?";
    return std::string(out, static_cast<std::size_t>(op - out));
}

} // namespace

namespace {

bool namesCharset(std::string_view name, std::initializer_list<std::string_view> spellings)
{
    for (std::string_view s : spellings)
        if (name.size() == s.size()
            && std::equal(name.begin(), name.end(), s.begin(),
                [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }))
            return true;
    return false;
}

} // namespace

ConvertResult convert(std::string_view fromCharset, std::string_view toCharset, std::string_view input)
{
    // UTF-8 bodies take the table road; like iconv here, a character without a GB18030
    // form becomes one "?".
    if (namesCharset(fromCharset, {"UTF-8", "UTF8"}) && namesCharset(toCharset, {"GB18030"}))
        return utf8ToGb18030Tables(input, true);
    const std::string from(fromCharset);
    const std::string to(toCharset);
    BadInputPolicy policy { questionMarkIn(to), 1, true };
    // Two-byte source charsets step over bad input a unit at a time.
    if (from.rfind("UTF-16", 0) == 0 || from.rfind("UCS-2", 0) == 0)
        policy.unit = 2;
    else if (from.rfind("UTF-32", 0) == 0 || from.rfind("UCS-4", 0) == 0)
        policy.unit = 4;
    return run(from, to, input, policy, input.size() + input.size() / 2 + 16);
}

bool isValidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Skip ASCII eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p >= end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80;
        unsigned char hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0)
                lo = 0xA0; // no overlongs
            else if (c == 0xED)
                hi = 0x9F; // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F; // nothing above U+10FFFF
        } else {
            return false;
        }
        if (static_cast<std::size_t>(end - p) < len)
            return false;
        if (p[1] < lo || p[1] > hi)
            return false;
        for (std::size_t i = 2; i < len; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += len;
    }
    return true;
}

namespace {

struct StringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view> {}(s); }
};

struct LiteralCache {
    std::mutex mutex;
    std::unordered_map<std::string, std::string, StringHash, std::equal_to<>> map;
};

LiteralCache& literalCache()
{
    // Never destroyed: views handed out stay valid during static destruction too.
    static LiteralCache* cache = new LiteralCache;
    return *cache;
}

} // namespace

std::string_view gb(std::string_view utf8Literal)
{
    LiteralCache& cache = literalCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    auto it = cache.map.find(utf8Literal);
    if (it == cache.map.end())
        // Straight through iconv: a few short literals do not pay for filling the tables
        // (about 4 ms, a noticeable share of a small command-line run).
        it = cache.map
                 .emplace(std::string(utf8Literal),
                          run("UTF-8", "GB18030", utf8Literal, BadInputPolicy{"?", 1, true}, utf8Literal.size() * 2 + 16).text)
                 .first;
    // Map nodes never move, so the stored string (and its bytes) stays where it is.
    return it->second;
}

} // namespace tess::codec
