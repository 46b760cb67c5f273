#pragma once
// Output of the command line: escaping of control bytes and conversion to UTF-8.
#include <cstdio>
#include <string>
#include <string_view>

namespace tess::cli {

// Appends text with backslash, TAB, LF, CR, other bytes below 0x20 and 0x7F escaped.
void appendEscaped(std::string& out, std::string_view text);

// Appends a path: as it is, except that a control byte (which a foreign syntax writes as
// its own escape, so only a tree path of a malformed key holds one) is written as its
// JSON escape (\t, \n, \r, \u00XX), so that the path stays on its line.
void appendPath(std::string& out, std::string_view path);

// Collects GB18030 output and writes it in chunks (converted to UTF-8 unless raw).
class OutputSink {
public:
    OutputSink(std::FILE* file, bool raw) : m_file(file), m_raw(raw) {}
    ~OutputSink() { flush(); }
    std::string& buffer() { return m_buffer; }
    // Writes out the buffer when it is large; call after each complete line.
    void lineDone()
    {
        if (m_buffer.size() >= (1u << 20))
            flush();
    }
    void flush();
    bool failed() const { return m_failed; }

private:
    std::FILE* m_file;
    bool m_raw;
    bool m_failed = false;
    std::string m_buffer;
};

} // namespace tess::cli
