#include "json/TreeContentBuilder.h"

#include "json/JsonScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace tess {
namespace {

// Below this many nodes a second thread costs more than it saves.
constexpr int32_t kNodesPerThread = 200000;
// Records per part of a piece: a few MiB of typical records.
constexpr int32_t kPieceNodesPerPart = 16384;

constexpr std::size_t kRecordTail = 1 + kTreeRecordTailSize;

// Copies text to out (an empty text may have no address); returns the end.
inline char* put(char* out, std::string_view text)
{
    if (!text.empty())
        std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// Decimal digits of n: from its bit length, log10 estimated low by at most one.
inline std::size_t decimalDigits(uint64_t n)
{
    static constexpr uint64_t kPowers[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull,
                                           10000000ull, 100000000ull, 1000000000ull, 10000000000ull,
                                           100000000000ull, 1000000000000ull, 10000000000000ull,
                                           100000000000000ull, 1000000000000000ull, 10000000000000000ull,
                                           100000000000000000ull, 1000000000000000000ull, 10000000000000000000ull};
    n |= 1;
    const std::size_t guess = static_cast<std::size_t>((64 - __builtin_clzll(n)) * 1233) >> 12;
    return guess + (n >= kPowers[guess]);
}

// An element's name "[n]" (n >= 0): its length, and written at out (returns the end).
inline std::size_t elementNameLength(int64_t n)
{
    return decimalDigits(static_cast<uint64_t>(n)) + 2;
}

inline char* putElementName(char* out, int64_t n)
{
    const std::size_t length = elementNameLength(n);
    char* p = out + length - 1;
    *p = ']';
    auto v = static_cast<uint64_t>(n);
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    *out = '[';
    return out + length;
}

inline std::size_t nameLength(const JsonNodeList::NodeTexts& t)
{
    return t.element >= 0 ? elementNameLength(t.element) : t.name.size();
}

inline char* putName(char* out, const JsonNodeList::NodeTexts& t)
{
    return t.element >= 0 ? putElementName(out, t.element) : put(out, t.name);
}

// A piece's buffer, reused piece after piece; its bytes are not cleared when it grows.
struct PieceBuffer {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;

    // Makes room for at least bytes, keeping the first used. It at least doubles: pieces
    // that each need a little more (longer element names) would otherwise each allocate
    // anew, which raised the peak by a few hundred KiB over a million numbers.
    void grow(std::size_t used, std::size_t bytes)
    {
        bytes = std::max(bytes, 2 * size);
        std::unique_ptr<char[]> larger(new char[bytes]);
        if (used != 0)
            std::memcpy(larger.get(), data.get(), used);
        data = std::move(larger);
        size = bytes;
    }
};

class RecordWriter {
public:
    explicit RecordWriter(const JsonNodeList& nodes) : m_nodes(nodes)
    {
        // Every text of a freshly parsed table is cut from the root's (prepared) text, or
        // made from it without adding bytes other than "#SYH#" for an escaped quote, so one
        // look at that text tells whether any caption can hold a zero byte or the placeholder.
        const std::string_view root = nodes.rootScanText();
        const bool fromRootOnly = !nodes.hasForeignTexts();
        m_noZero = fromRootOnly && root.find('\0') == std::string_view::npos;
        m_noPlaceholder =
            fromRootOnly && root.find('#') == std::string_view::npos && root.find("\\\"") == std::string_view::npos;
    }

    // Bytes of the records of nodes [first, last].
    std::size_t size(int32_t first, int32_t last) const
    {
        std::size_t bytes = 0;
        std::string restored;
        for (int32_t i = first; i <= last; ++i) {
            const JsonNodeList::NodeTexts t = m_nodes.textsOf(i);
            if (plain(t))
                bytes += nameLength(t) + kRecordTail + (isKind(t.kind, NodeKind::Scalar) ? 1 + t.value.size() : 0);
            else
                bytes += caption(i, nullptr, restored) + kRecordTail;
        }
        return bytes;
    }

    // Writes the records of nodes [first, last] at out; returns the end.
    char* write(int32_t first, int32_t last, char* out) const
    {
        std::string restored;
        for (int32_t i = first; i <= last; ++i) {
            const JsonNodeList::NodeTexts t = m_nodes.textsOf(i);
            out = writeRecord(i, t, plain(t), out, restored);
        }
        return out;
    }

    // Writes the records of nodes [first, last] into buffer from its start, in one pass:
    // each record is written where its size bound fits, and the buffer grows when one does
    // not. Returns the bytes written.
    std::size_t append(int32_t first, int32_t last, PieceBuffer& buffer) const
    {
        std::string restored;
        std::size_t used = 0;
        for (int32_t i = first; i <= last; ++i) {
            const JsonNodeList::NodeTexts t = m_nodes.textsOf(i);
            if (used + bound(t) > buffer.size) {
                // The buffer is reused piece after piece. When it is too small it is sized
                // for the rest of this piece at once: growing it step by step left the freed
                // smaller buffers in the heap, a few MB for a text of long values.
                buffer.grow(used, used + sizeBound(i, last));
            }
            used = static_cast<std::size_t>(writeRecord<true>(i, t, plain(t), buffer.data.get() + used, restored) -
                                            buffer.data.get());
        }
        return used;
    }

private:
    // The most bytes the record of a node can take: restoring quotes and cutting at a zero
    // byte only shorten a caption.
    static std::size_t bound(const JsonNodeList::NodeTexts& t)
    {
        return nameLength(t) + kRecordTail + (isKind(t.kind, NodeKind::Scalar) ? 1 + t.value.size() : 0);
    }
    std::size_t sizeBound(int32_t first, int32_t last) const
    {
        std::size_t bytes = 0;
        for (int32_t i = first; i <= last; ++i)
            bytes += bound(m_nodes.textsOf(i));
        return bytes;
    }

    // With roomForBound, out has room for the record's bound.
    template <bool roomForBound = false>
    [[gnu::always_inline]] char* writeRecord(int32_t i, const JsonNodeList::NodeTexts& t, bool isPlain, char* out,
                                             std::string& restored) const
    {
        if (isPlain) {
            out = putName(out, t);
            if (isKind(t.kind, NodeKind::Scalar)) {
                *out++ = ':';
                out = put(out, t.value);
            }
        } else if (roomForBound) {
            out += captionInRoom(t, out);
        } else {
            out += caption(i, out, restored);
        }
        writeTreeRecordTail(out, t.kind, t.kind, i, 0, 0, t.level);
        return out + kRecordTail;
    }

    // The caption of node i, written at out unless out is null; returns its length. A zero
    // byte ends a caption.
    std::size_t caption(int32_t i, char* out, std::string& restored) const
    {
        const JsonNodeList::NodeTexts t = m_nodes.textsOf(i);
        char element[24];
        const std::string_view name =
            t.element >= 0 ? std::string_view(element, static_cast<std::size_t>(putElementName(element, t.element) - element))
                           : t.name;
        std::string_view parts[3] = {name, {}, {}};
        int count = 1;
        if (isKind(t.kind, NodeKind::Scalar)) {
            std::string_view value = t.value;
            if (!m_noPlaceholder && value.find(kQuotePlaceholder) != std::string_view::npos) {
                restored = JsonScanner::restoreQuotes(value);
                value = restored;
            }
            parts[1] = ":";
            parts[2] = value;
            count = 3;
        }
        std::size_t length = 0;
        for (int k = 0; k < count; ++k) {
            std::string_view part = parts[k];
            bool cut = false;
            if (!m_noZero && !part.empty()) {
                const void* zero = std::memchr(part.data(), '\0', part.size());
                if (zero) {
                    part = part.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - part.data()));
                    cut = true;
                }
            }
            if (out)
                put(out + length, part);
            length += part.size();
            if (cut)
                break;
        }
        return length;
    }

    // The caption as caption() writes it, in one pass where out has room for the record's
    // bound: written whole, quotes restored on the way, then cut at its first zero byte.
    std::size_t captionInRoom(const JsonNodeList::NodeTexts& t, char* out) const
    {
        char* end = putName(out, t);
        if (isKind(t.kind, NodeKind::Scalar)) {
            *end++ = ':';
            end = m_noPlaceholder ? put(end, t.value) : JsonScanner::restoreQuotesTo(t.value, end);
        }
        const auto length = static_cast<std::size_t>(end - out);
        const void* zero = m_noZero || length == 0 ? nullptr : std::memchr(out, '\0', length);
        return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - out) : length;
    }

    // True when the caption is the name, and for a scalar ':' and the value, unchanged: no
    // zero byte can cut it and no placeholder is to be shown as an escaped quote (one
    // look for '#' in the value settles that when the text holds placeholders somewhere).
    bool plain(const JsonNodeList::NodeTexts& t) const
    {
        if (!m_noZero)
            return false;
        return m_noPlaceholder || !isKind(t.kind, NodeKind::Scalar) || t.value.empty() ||
               std::memchr(t.value.data(), '#', t.value.size()) == nullptr;
    }

    const JsonNodeList& m_nodes;
    bool m_noZero = false;
    bool m_noPlaceholder = false;
};

// Runs work(0) .. work(parts - 1), all but the first on threads of their own.
template <typename Work>
void inParallel(int parts, Work&& work)
{
    std::vector<std::thread> helpers;
    for (int k = 1; k < parts; ++k)
        helpers.emplace_back(work, k);
    work(0);
    for (std::thread& t : helpers)
        t.join();
}

} // namespace

TreeContentBlock buildTreeContentBlock(const JsonNodeList& nodes, int threads)
{
    const int32_t count = nodes.nodeCount();
    if (count == 0)
        return TreeContentBlock();
    const RecordWriter writer(nodes);
    const int parts = std::clamp<int>(count / kNodesPerThread, 1, std::max(threads, 1));
    // Part k holds nodes [bounds[k], bounds[k + 1]).
    std::vector<int32_t> bounds(static_cast<std::size_t>(parts) + 1);
    for (int k = 0; k <= parts; ++k)
        bounds[static_cast<std::size_t>(k)] = 1 + static_cast<int32_t>(int64_t(count) * k / parts);
    std::vector<std::size_t> offsets(static_cast<std::size_t>(parts) + 1, 0);
    inParallel(parts, [&](int k) {
        const std::size_t slot = static_cast<std::size_t>(k);
        offsets[slot + 1] = writer.size(bounds[slot], bounds[slot + 1] - 1);
    });
    for (std::size_t k = 1; k < offsets.size(); ++k)
        offsets[k] += offsets[k - 1];
    TreeContentBlock block(offsets.back());
    inParallel(parts, [&](int k) {
        const std::size_t slot = static_cast<std::size_t>(k);
        writer.write(bounds[slot], bounds[slot + 1] - 1, block.data() + offsets[slot]);
    });
    return block;
}

void forEachTreeContentPiece(const JsonNodeList& nodes, int threads,
                             const std::function<void(std::string_view)>& piece)
{
    const int32_t count = nodes.nodeCount();
    if (count == 0)
        return;
    const RecordWriter writer(nodes);
    const int parts = std::max(threads, 1);
    // Each part writes its run of records into a buffer of its own, reused piece after piece.
    std::vector<PieceBuffer> buffers(static_cast<std::size_t>(parts));
    std::vector<std::size_t> used(static_cast<std::size_t>(parts));
    const int64_t perPiece = int64_t(kPieceNodesPerPart) * parts;
    for (int64_t first = 1; first <= count; first += perPiece) {
        const int64_t last = std::min<int64_t>(count, first + perPiece - 1);
        const int64_t span = last - first + 1;
        const int partsUsed = static_cast<int>(std::min<int64_t>(parts, (span + kPieceNodesPerPart - 1) / kPieceNodesPerPart));
        inParallel(partsUsed, [&](int k) {
            const auto from = static_cast<int32_t>(first + span * k / partsUsed);
            const auto to = static_cast<int32_t>(first + span * (k + 1) / partsUsed - 1);
            const std::size_t slot = static_cast<std::size_t>(k);
            used[slot] = writer.append(from, to, buffers[slot]);
        });
        for (std::size_t k = 0; k < static_cast<std::size_t>(partsUsed); ++k)
            piece(std::string_view(buffers[k].data.get(), used[k]));
    }
}

} // namespace tess
