#include "cli/CliOutput.h"

#include "platform/Codec.h"

#include <cstdint>
#include <cstring>

namespace tess::cli {

namespace {

const char kHex[] = "0123456789abcdef";

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// True when one of the eight bytes of w is below 0x20 (exact for the word as a whole).
inline bool hasControl(uint64_t w)
{
    return ((w - kOnes * 0x20) & ~w & kHighs) != 0;
}

inline bool hasByte(uint64_t w, unsigned char c)
{
    const uint64_t x = w ^ (kOnes * c);
    return ((x - kOnes) & ~x & kHighs) != 0;
}

// Appends text with the bytes for which escape(c) is true replaced by write(out, c); the
// runs between them go in whole. quiet(word) is false when a byte of those eight may
// need escaping, so the long runs of plain text are passed over a word at a time.
template <typename Quiet, typename Escape, typename Write>
void appendWith(std::string& out, std::string_view text, Quiet quiet, Escape escape, Write write)
{
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((i & 7) == 0) {
            uint64_t w;
            while (i + 8 <= text.size() && (std::memcpy(&w, text.data() + i, 8), quiet(w)))
                i += 8;
            if (i >= text.size())
                break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!escape(c))
            continue;
        out.append(text.data() + run, i - run);
        write(out, c);
        run = i + 1;
    }
    out.append(text.data() + run, text.size() - run);
}

} // namespace

void appendEscaped(std::string& out, std::string_view text)
{
    appendWith(
        out, text, [](uint64_t w) { return !hasControl(w) && !hasByte(w, '\\') && !hasByte(w, 0x7F); },
        [](unsigned char c) { return c < 0x20 || c == '\\' || c == 0x7F; },
        [](std::string& o, unsigned char c) {
            switch (c) {
            case '\\': o.append("\\\\"); break;
            case '\t': o.append("\\t"); break;
            case '\n': o.append("\\n"); break;
            case '\r': o.append("\\r"); break;
            default:
                o.append("\\x");
                o.push_back(kHex[c >> 4]);
                o.push_back(kHex[c & 0xF]);
            }
        });
}

void appendPath(std::string& out, std::string_view path)
{
    appendWith(
        out, path, [](uint64_t w) { return !hasControl(w); }, [](unsigned char c) { return c < 0x20; },
        [](std::string& o, unsigned char c) {
            switch (c) {
            case '\t': o.append("\\t"); break;
            case '\n': o.append("\\n"); break;
            case '\r': o.append("\\r"); break;
            default:
                o.append("\\u00");
                o.push_back(kHex[c >> 4]);
                o.push_back(kHex[c & 0xF]);
            }
        });
}

void OutputSink::flush()
{
    if (m_buffer.empty())
        return;
    if (m_raw) {
        if (std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            m_failed = true;
    } else {
        const codec::ConvertResult r = codec::gb18030ToUtf8(m_buffer);
        if (std::fwrite(r.text.data(), 1, r.text.size(), m_file) != r.text.size())
            m_failed = true;
    }
    m_buffer.clear();
    if (std::fflush(m_file) != 0)
        m_failed = true;
}

} // namespace tess::cli
