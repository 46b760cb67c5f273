#include "json/big/Transcode.h"

#include "platform/Codec.h"
#include "platform/Gb18030Decoder.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::big {
namespace {

constexpr std::size_t kPiece = std::size_t(4) << 20;

// An unnamed file for the copy: in $TMPDIR, else /var/tmp (on disk by convention, where
// /tmp may be memory), else /tmp.
int unnamedFile(std::string& error)
{
    std::vector<std::string> dirs;
    if (const char* t = std::getenv("TMPDIR"); t && *t)
        dirs.emplace_back(t);
    dirs.emplace_back("/var/tmp");
    dirs.emplace_back("/tmp");
    for (const std::string& dir : dirs) {
        int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            return fd;
        std::string name = dir + "/tessarine-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(name.c_str());
            return fd;
        }
        error = "cannot make a temporary file in " + dir + ": " + std::strerror(errno);
    }
    return -1;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The bytes read (fewer at the end of the file), or nothing on a read error (errno says).
std::optional<std::size_t> readUpTo(int fd, uint64_t at, char* into, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(at + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// The length of the GB18030 character at p (of n bytes), as the decoder takes it.
std::size_t gbLength(const char* p, std::size_t n)
{
    return gb18030::decodeAt(std::string_view(p, n), 0).length;
}

} // namespace

SourceEncoding encodingOf(std::string_view head)
{
    if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE')
        return SourceEncoding::Utf16LE;
    if (head.size() >= 2 && head[0] == '\xFE' && head[1] == '\xFF')
        return SourceEncoding::Utf16BE;
    return SourceEncoding::Gb18030;
}

std::size_t gb18030WholeCharacters(std::string_view piece)
{
    for (std::size_t i = piece.size(); i > 0; --i)
        if (static_cast<unsigned char>(piece[i - 1]) < 0x30)
            return i;
    std::size_t i = 0;
    while (i < piece.size()) {
        const unsigned char c = static_cast<unsigned char>(piece[i]);
        // A lead byte whose character may run past the piece: stop before it.
        if (c >= 0x81 && c <= 0xFE && piece.size() - i < 4)
            break;
        i += gbLength(piece.data() + i, piece.size() - i);
    }
    return i;
}

std::size_t utf16ToUtf8(std::string_view bytes, bool bigEndian, bool last, std::string& out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t k) -> char32_t {
        return bigEndian ? char32_t(p[2 * k] << 8 | p[2 * k + 1]) : char32_t(p[2 * k + 1] << 8 | p[2 * k]);
    };
    char buf[4];
    std::size_t k = 0;
    while (k < units) {
        char32_t u = unit(k);
        std::size_t used = 1;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (k + 1 == units && !last)
                break; // its low half is in the next piece
            const char32_t low = k + 1 < units ? unit(k + 1) : 0;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                used = 2;
            } else {
                u = 0xFFFD;
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            u = 0xFFFD;
        }
        out.append(buf, encodeUtf8(u, buf));
        k += used;
    }
    if (last && bytes.size() % 2 != 0 && k == units) {
        out.append(buf, encodeUtf8(0xFFFD, buf));
        return bytes.size();
    }
    return 2 * k;
}

TranscodedFile::~TranscodedFile()
{
    if (m_source >= 0)
        ::close(m_source);
    if (m_copy >= 0)
        ::close(m_copy);
}

bool TranscodedFile::convert(const std::string& path, SourceEncoding from,
                             const std::function<bool(uint64_t, uint64_t)>& progress, std::string& error)
{
    m_from = from;
    m_source = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (m_source < 0 || fstat(m_source, &st) != 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    m_sourceSize = static_cast<uint64_t>(st.st_size);
    m_copy = unnamedFile(error);
    if (m_copy < 0)
        return false;
    const bool utf16 = from != SourceEncoding::Gb18030;
    std::string in(kPiece, '\0');
    std::string out;
    uint64_t at = utf16 ? 2 : 0; // the byte-order mark is left out
    uint64_t written = 0;
    std::size_t carried = 0; // bytes at the front of `in` left from the last piece
    for (;;) {
        if (progress && !progress(at, m_sourceSize)) {
            m_cancelled = true;
            return false;
        }
        const std::optional<std::size_t> read = readUpTo(m_source, at + carried, in.data() + carried, kPiece - carried);
        if (!read) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return false;
        }
        const std::size_t got = *read;
        const std::size_t have = carried + got;
        const bool last = at + have >= m_sourceSize || got == 0;
        const std::string_view piece(in.data(), have);
        out.clear();
        std::size_t used;
        if (utf16) {
            used = utf16ToUtf8(piece, from == SourceEncoding::Utf16BE, last, out);
        } else {
            used = last ? have : gb18030WholeCharacters(piece);
            if (used == 0 && have > 0)
                used = gbLength(piece.data(), have); // a piece of one character cannot cut it
            codec::ConvertResult converted = codec::gb18030ToUtf8(piece.substr(0, used));
            m_badBytes += converted.badBytes;
            out = std::move(converted.text);
        }
        m_marks.push_back({written, at});
        if (!writeAll(m_copy, out)) {
            error = std::string("cannot write the converted copy: ") + std::strerror(errno);
            return false;
        }
        written += out.size();
        at += used;
        if (last)
            break;
        carried = have - used;
        std::memmove(in.data(), in.data() + used, carried);
    }
    return true;
}

uint64_t TranscodedFile::sourceOffset(uint64_t copyOffset) const
{
    if (m_marks.empty())
        return copyOffset;
    auto it = std::upper_bound(m_marks.begin(), m_marks.end(), copyOffset,
                               [](uint64_t o, const Mark& m) { return o < m.copy; });
    const Mark& mark = *(it == m_marks.begin() ? it : it - 1);
    const uint64_t sourceEnd = it == m_marks.end() ? m_sourceSize : it->source;
    std::string in(static_cast<std::size_t>(sourceEnd - mark.source), '\0');
    in.resize(readUpTo(m_source, mark.source, in.data(), in.size()).value_or(0));
    // Walk the piece's characters, counting what each makes in UTF-8.
    uint64_t copy = mark.copy;
    std::size_t i = 0;
    std::string one;
    while (i < in.size() && copy < copyOffset) {
        if (m_from == SourceEncoding::Gb18030) {
            const gb18030::Decoded d = gb18030::decodeAt(std::string_view(in.data() + i, in.size() - i), 0);
            char buf[4];
            copy += encodeUtf8(d.codePoint, buf);
            i += d.length;
            continue;
        }
        // A surrogate pair is one character of four bytes in both; anything else is one unit.
        std::size_t length = 2;
        if (in.size() - i >= 4) {
            const std::size_t hi = m_from == SourceEncoding::Utf16BE ? 0 : 1;
            const unsigned char a = static_cast<unsigned char>(in[i + hi]);
            const unsigned char b = static_cast<unsigned char>(in[i + 2 + hi]);
            if (a >= 0xD8 && a <= 0xDB && b >= 0xDC && b <= 0xDF)
                length = 4;
        }
        one.clear();
        utf16ToUtf8(std::string_view(in.data() + i, std::min(length, in.size() - i)), m_from == SourceEncoding::Utf16BE,
                    true, one);
        copy += one.size();
        i += length;
    }
    return mark.source + i;
}

} // namespace tess::big
