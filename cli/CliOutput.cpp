#include "cli/CliOutput.h"

#include "platform/Codec.h"

namespace tess::cli {

void appendEscaped(std::string& out, std::string_view text)
{
    static const char kHex[] = "0123456789abcdef";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '\t': out.append("\\t"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out.append("\\x");
                out.push_back(kHex[c >> 4]);
                out.push_back(kHex[c & 0xF]);
            } else {
                out.push_back(ch);
            }
        }
    }
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
