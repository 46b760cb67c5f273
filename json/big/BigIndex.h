#pragma once
// The index of a big document: one pass over its bytes (strict JSON, UTF-8) that keeps
// the containers spanning at least bigSpan bytes (start, end, child count) and, inside
// them, a checkpoint (child number, byte offset) every checkpointSpan bytes. Smaller
// containers are read again from the bytes when someone asks for them, so the index of
// a file stays a small fraction of its size.
//
// Invalid input stops the pass at the first error; the containers open there are kept
// (marked truncated) with the children completed before it. Several values separated by
// line breaks are JSON Lines: the root becomes the list of records, one per line, and a
// broken line becomes an error record while the pass goes on at the next line.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::big {

enum class LinesMode { Detect, Always, Never };

struct IndexOptions {
    uint64_t bigSpan = 4096;         // containers at least this long are kept
    uint64_t checkpointSpan = 16384; // a checkpoint at the first child after this many bytes
    LinesMode lines = LinesMode::Detect;
    // Called about every 16 MiB with the bytes done and the total; returning false stops
    // the pass (cancelled is set; the document is not meant to be shown then).
    std::function<bool(uint64_t done, uint64_t total)> progress;
};

struct ParseError {
    bool present = false;
    uint64_t offset = 0; // byte offset of the offending byte
    uint64_t line = 0;   // 1-based
    uint64_t column = 0; // 1-based, in characters
    std::string message; // English
    bool encoding = false; // the text is not UTF-8 (UTF-16, or a byte sequence UTF-8 does not have)
};

struct ContainerEntry {
    uint64_t start = 0;  // the opener
    uint64_t end = 0;    // past the closer; the cut for a truncated container
    uint64_t count = 0;  // direct children
    uint32_t firstCheckpoint = 0;
    uint32_t checkpointCount = 0;
    bool truncated = false;
};

struct Checkpoint {
    uint64_t child = 0;  // number of the child (from 0) starting here
    uint64_t offset = 0; // where it starts (its key in an object)
};

// A record of JSON Lines kept as a checkpoint (one every checkpointSpan bytes): record
// number `record` (from 0) starts at offset, on line (1-based). The records between are
// read again from the bytes.
struct LineCheckpoint {
    uint64_t record = 0;
    uint64_t offset = 0;
    uint64_t line = 0;
};

// A JSON Lines file stops being read as records after this many broken lines.
constexpr uint64_t kMaxBrokenLines = 100000;

struct BigIndex {
    std::vector<ContainerEntry> containers; // sorted by start
    std::vector<Checkpoint> checkpoints;
    bool lines = false;
    uint64_t recordCount = 0;               // JSON Lines only: records, broken lines included
    std::vector<LineCheckpoint> lineCheckpoints; // JSON Lines only
    std::vector<ParseError> lineErrors;     // JSON Lines only: the broken lines, in order
    ParseError error;                       // the document's first error
    bool cancelled = false;                 // the progress callback stopped the pass
    uint64_t begin = 0;                     // after a byte-order mark
    uint64_t limit = 0;                     // usable bytes end here (the input size, or the start of the value cut by the error)
    bool hasRoot = false;                   // a root value (not JSON Lines) was read or begun
    uint64_t rootStart = 0;
    uint64_t nodeCount = 0;                 // values, the root (or the list of records) included
    uint64_t depth = 0;                     // greatest level; the root is level 1

    // The kept container starting at offset, or null.
    const ContainerEntry* find(uint64_t start) const;
    // Memory the index holds (bytes).
    uint64_t heapBytes() const;
};

BigIndex buildIndex(std::string_view bytes, const IndexOptions& options);

// Line and column (1-based; the column counts characters) of a byte offset.
void lineAndColumn(std::string_view bytes, uint64_t offset, uint64_t& line, uint64_t& column);

} // namespace tess::big
