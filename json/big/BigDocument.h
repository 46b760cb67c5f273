#pragma once
// A big document: a mapped file (or borrowed bytes), its index, and the operations a
// tree view needs without holding the document as nodes: the root, a container's
// children read lazily from the bytes, a node's value (bounded, or in pieces), the node
// at a byte offset with its ancestors. No Qt.
//
// Nodes are values identified by byte spans. Texts handed out (names, values, captions)
// are engine texts (GB18030), converted from the file's UTF-8 at the moment they are asked for.
#include "json/TreeContentBuffer.h"
#include "json/big/BigIndex.h"
#include "json/big/MappedFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tess::big {

class TranscodedFile;

// The bytes of a value read for a caption that find searches: its searched part counts
// kSearchedCaptionBytes of engine text, and a character takes at most one and a half
// times its GB18030 bytes in UTF-8.
inline constexpr uint64_t kCaptionReadBytes = 2 * kSearchedCaptionBytes + 8;

enum class Kind : uint8_t { Null, False, True, Number, String, Object, Array, Lines, Error };

struct Node {
    uint64_t start = 0;    // first byte of the value (of the line, for a broken line)
    uint64_t end = 0;      // past its last byte (the cut, for a truncated container)
    Kind kind = Kind::Null;
    uint64_t keyStart = 0; // an object member: its name's opening quote ...
    uint64_t keyEnd = 0;   // ... and past its closing quote; 0 otherwise
    uint64_t index = 0;    // position among its siblings, from 0
    uint64_t line = 0;     // a record of JSON Lines: its line (1-based); else 0
    int64_t error = -1;    // a broken line: index into BigIndex::lineErrors
    bool truncated = false;
    bool isContainer() const { return kind == Kind::Object || kind == Kind::Array || kind == Kind::Lines; }
    bool isMember() const { return keyEnd != 0; }
};

struct OpenOptions {
    IndexOptions index; // its progress callback may cancel the pass (run it off the window's thread)
};

class BigDocument;

// The children of a container in order, read from the index and the bytes.
class ChildCursor {
public:
    bool next(Node& out);

private:
    friend class BigDocument;
    const BigDocument* m_doc = nullptr;
    Node m_parent;
    uint64_t m_pos = 0;
    uint64_t m_limit = 0;
    uint64_t m_index = 0;
    uint64_t m_line = 1; // JSON Lines: the line at m_pos
    bool m_done = true;
};

class BigDocument {
public:
    BigDocument();
    ~BigDocument();
    // Maps the file and builds the index; false with a message when the file cannot be
    // read (a JSON error is not a failure: see error()). A file in UTF-16 (with its
    // byte-order mark) or GB18030 is read from a UTF-8 copy made on the way (see
    // Transcode.h): offsets then count in the copy, and fileOffset() gives the file's.
    bool open(const std::string& path, const OpenOptions& options, std::string& error);
    // The same for a descriptor of a regular file (standard input redirected from a file);
    // of the files in another encoding only JSON Lines are converted.
    bool openDescriptor(int fd, const OpenOptions& options, std::string& error);
    // Bytes the caller keeps alive.
    void openBytes(std::string_view bytes, const OpenOptions& options);

    std::string_view bytes() const { return m_file.bytes(); }
    // True, with a message, once a read found the file shorter than when it was opened
    // (another program cut it): what was read past the cut were zero bytes.
    bool fileCut(std::string& error) const;
    // The file's own byte offset of an offset into bytes(): the same, unless the file was
    // read from a converted copy.
    uint64_t fileOffset(uint64_t offset) const;
    // The same for the first JSON error's offset, found once at open.
    uint64_t errorFileOffset() const;
    const BigIndex& index() const { return m_index; }
    // The first JSON error (present == false for valid input). A JSON Lines file has its
    // broken lines as records instead (index().lineErrors).
    const ParseError& error() const { return m_index.error; }
    bool isLines() const { return m_index.lines; }
    // How a broken line's caption gives its message (English, as the pass wrote it, unless
    // the window asks for its own language).
    using MessageText = std::string (*)(std::string_view message);
    void setMessageText(MessageText text) { m_messageText = text; }

    // The root: the top-level value, or the list of records of JSON Lines. False when
    // nothing before the first error can be shown.
    bool root(Node& out) const;
    uint64_t childCount(const Node& container) const;
    // The children from number `from` on (checkpoints make this quick in big containers).
    ChildCursor children(const Node& container, uint64_t from = 0) const;
    bool child(const Node& container, uint64_t number, Node& out) const;

    // The member name's bytes between its quotes, as in the file (UTF-8, escapes kept).
    std::string_view rawName(const Node& node) const;
    // The value as the value box shows it: a string's contents between its quotes, other
    // scalars as written, a container with the blanks around structure left out, a broken
    // line as written. Given in pieces of at most about 1 MiB; stop by returning false.
    void forEachValuePiece(const Node& node, const std::function<bool(std::string_view)>& piece) const;
    // The value in engine text, at most maxBytes of it (cut at a character); *cut tells.
    std::string value(const Node& node, uint64_t maxBytes, bool* cut = nullptr) const;
    // The value with \u escapes and HTML entities decoded, from the bounded value.
    std::string decodedValue(const Node& node, uint64_t maxBytes, bool* cut = nullptr) const;
    // The tree's caption in engine text: "JSON" for the root, the name for a container,
    // "name:value" for a scalar (the value as written, quotes included, cut at maxBytes).
    std::string caption(const Node& node, bool zeroBased, uint64_t maxBytes) const;
    // The name part of a caption: the member name, "[n]" for an element, "[line]" for
    // a record of JSON Lines.
    std::string captionName(const Node& node, bool zeroBased) const;

    // The children from `child` (one of them, as a cursor gave it) on.
    ChildCursor childrenFrom(const Node& container, const Node& child) const;
    // The children whose name (or value, without one) starts at or after offset.
    ChildCursor childrenAfter(const Node& container, uint64_t offset) const;

    // JSON Lines: the record on line `line` (1-based); false when that line holds none.
    bool recordOnLine(uint64_t line, Node& out) const;

    // The chain root ... deepest node whose span (its name included) holds offset; empty
    // when there is no root. With near, the chain of an earlier offset, the walk starts
    // from the nodes they share, so offsets asked for in order cost what lies between them.
    std::vector<Node> chainAt(uint64_t offset, const std::vector<Node>* near = nullptr) const;

private:
    friend class ChildCursor;
    void buildIndex(const OpenOptions& options);
    bool readChild(uint64_t& pos, uint64_t limit, bool object, Node& out) const;
    uint64_t stringEnd(uint64_t quote, uint64_t limit) const;
    uint64_t containerEnd(uint64_t open, uint64_t limit, bool& truncated) const;
    uint64_t skipSpace(uint64_t pos, uint64_t limit) const;
    bool nextRecord(uint64_t& pos, uint64_t& line, Node& out) const;

    // The pass says the file is in another encoding than UTF-8.
    bool notUtf8() const;
    bool convertToUtf8(const std::string& path, const OpenOptions& options, std::string& error);
    // The child number of the container's last checkpoint at or before offset (0 without one).
    uint64_t checkpointBefore(const Node& container, uint64_t offset) const;

    MappedFile m_file;
    BigIndex m_index;
    std::unique_ptr<TranscodedFile> m_copy; // the UTF-8 copy of a file in another encoding
    uint64_t m_errorFileOffset = 0;
    MessageText m_messageText = nullptr;
};

// The number of line feeds in text.
uint64_t countLineFeeds(std::string_view text);

// Engine text (GB18030) of UTF-8 bytes from the file.
std::string toEngineText(std::string_view utf8);

} // namespace tess::big
