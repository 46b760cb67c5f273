#pragma once
// A file in UTF-16 (with a byte-order mark) or GB18030, converted to UTF-8 into an unnamed
// temporary file that the big road maps like the file itself. The conversion streams: its
// memory is a few MiB of buffers whatever the file's size, and the copy on disk is gone
// when it is closed. Byte offsets in the copy are taken back to the file's own offsets.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::big {

enum class SourceEncoding { Utf16LE, Utf16BE, Gb18030 };

// UTF-16 when the bytes begin with its byte-order mark, else GB18030.
SourceEncoding encodingOf(std::string_view head);

// How much of a GB18030 piece can be converted without cutting a character: the piece up
// to its last byte below 0x30 (such a byte is never part of a longer character), or,
// without one, what a walk over its characters finds.
std::size_t gb18030WholeCharacters(std::string_view piece);

// UTF-16 code units (in the given order) to UTF-8; a lone surrogate becomes U+FFFD. Stops
// before a last high surrogate or odd byte, which belong to the next piece unless last.
// Returns the bytes used.
std::size_t utf16ToUtf8(std::string_view bytes, bool bigEndian, bool last, std::string& out);

class TranscodedFile {
public:
    TranscodedFile() = default;
    ~TranscodedFile();
    TranscodedFile(const TranscodedFile&) = delete;
    TranscodedFile& operator=(const TranscodedFile&) = delete;

    // Converts the file at path; progress(done, total) in the file's bytes may stop it by
    // returning false (then false, with cancelled() true). False with a message (English)
    // when the copy cannot be made.
    bool convert(const std::string& path, SourceEncoding from,
                 const std::function<bool(uint64_t, uint64_t)>& progress, std::string& error);
    bool cancelled() const { return m_cancelled; }
    // Bytes of the file that are no GB18030 (each made U+FFFD in the copy).
    uint64_t badBytes() const { return m_badBytes; }
    // The copy, open for reading (owned by this object).
    int descriptor() const { return m_copy; }
    // The file's offset of the character at this offset in the copy.
    uint64_t sourceOffset(uint64_t copyOffset) const;

private:
    struct Mark {
        uint64_t copy = 0;   // where a converted piece begins in the copy ...
        uint64_t source = 0; // ... and in the file
    };
    int m_source = -1;
    int m_copy = -1;
    SourceEncoding m_from = SourceEncoding::Gb18030;
    std::vector<Mark> m_marks;
    uint64_t m_sourceSize = 0;
    bool m_cancelled = false;
    uint64_t m_badBytes = 0;
};

} // namespace tess::big
