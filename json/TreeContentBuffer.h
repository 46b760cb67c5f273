#pragma once
// The tree content block: item records back to back, no header, no count.
// Record: caption bytes + one zero byte, then little-endian int32 image,
// int32 selected image, int32 item value, uint8 state, 2 reserved zero bytes,
// uint8 check state (0x10..0x40), int32 depth (at least 1).
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

// Where each field of a record's fixed tail starts, counted from the byte after the
// caption's zero byte.
namespace treerecord {
inline constexpr std::size_t kImage = 0;         // int32
inline constexpr std::size_t kSelectedImage = 4; // int32
inline constexpr std::size_t kItemValue = 8;     // int32
inline constexpr std::size_t kState = 12;        // uint8
inline constexpr std::size_t kReserved = 13;     // 2 zero bytes
inline constexpr std::size_t kCheckState = 15;   // uint8
inline constexpr std::size_t kDepth = 16;        // int32
// The check-state byte of check mode m (0..3) is kCheckStep * (m + 1).
inline constexpr uint8_t kCheckStep = 0x10;
} // namespace treerecord

// One record: TreeItemRecord owns its caption, TreeRecordView's is a view into a block.
template <typename Text>
struct BasicTreeRecord {
    Text caption;
    int32_t image = 0;
    int32_t selectedImage = 0;
    int32_t itemValue = 0;
    uint8_t state = 0;
    uint8_t checkState = treerecord::kCheckStep;
    int32_t depth = 1;
};
using TreeItemRecord = BasicTreeRecord<std::string>;
using TreeRecordView = BasicTreeRecord<std::string_view>;

// Find searches a caption in its first 510 bytes (never ending inside a two-byte unit), and
// a tree read back keeps that much of each caption.
inline constexpr std::size_t kSearchedCaptionBytes = 510;

// Fixed bytes after the caption's zero byte.
inline constexpr std::size_t kTreeRecordTailSize = treerecord::kDepth + 4;

class TreeContentBuffer {
public:
    // checkMode 0..3 gives the check-state byte 0x10..0x40; any other value counts as 3.
    // A caption holding a zero byte is cut there, since the zero byte ends it.
    void appendItem(std::string_view caption, int32_t image, int32_t selectedImage, int32_t itemValue,
                    uint8_t state, int32_t checkMode, int32_t depth);
    // The same with the caption given in pieces (written back to back). With
    // knownWithoutZero the caller vouches that no piece holds a zero byte.
    void appendItem(std::initializer_list<std::string_view> captionParts, int32_t image, int32_t selectedImage,
                    int32_t itemValue, uint8_t state, int32_t checkMode, int32_t depth,
                    bool knownWithoutZero = false);
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }
    const std::string& bytes() const { return m_bytes; }
    std::string take() { return std::move(m_bytes); }
    void clear() { m_bytes.clear(); }

private:
    void appendTail(int32_t image, int32_t selectedImage, int32_t itemValue, uint8_t state, int32_t checkMode,
                    int32_t depth);
    std::string m_bytes;
};

// A finished block of known size, written in place (its bytes start uninitialised, so a
// large block is not cleared before it is filled).
class TreeContentBlock {
public:
    TreeContentBlock() = default;
    explicit TreeContentBlock(std::size_t size)
        : m_data(size ? std::make_unique_for_overwrite<char[]>(size) : nullptr), m_size(size)
    {
    }
    char* data() { return m_data.get(); }
    const char* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::string_view view() const { return {m_data.get(), m_size}; }
    operator std::string_view() const { return view(); }
    std::size_t find(std::string_view text) const { return view().find(text); }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
};

// Writes a record's fixed tail (its caption's zero byte first) at out, which has room for
// 1 + kTreeRecordTailSize bytes.
inline void writeTreeRecordTail(char* out, int32_t image, int32_t selectedImage, int32_t itemValue, uint8_t state,
                                int32_t checkMode, int32_t depth)
{
    if (checkMode < 0 || checkMode > 3)
        checkMode = 3;
    // out[0] is the caption's terminating zero byte; the fixed fields follow.
    out[0] = 0;
    auto* tail = reinterpret_cast<unsigned char*>(out + 1);
    auto put = [tail](std::size_t at, int32_t v) {
        const uint32_t u = static_cast<uint32_t>(v);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(tail + at, &u, 4);
        } else {
            tail[at] = static_cast<unsigned char>(u & 0xFF);
            tail[at + 1] = static_cast<unsigned char>((u >> 8) & 0xFF);
            tail[at + 2] = static_cast<unsigned char>((u >> 16) & 0xFF);
            tail[at + 3] = static_cast<unsigned char>((u >> 24) & 0xFF);
        }
    };
    using namespace treerecord;
    put(kImage, image);
    put(kSelectedImage, selectedImage);
    put(kItemValue, itemValue);
    tail[kState] = state;
    tail[kReserved] = 0;
    tail[kReserved + 1] = 0;
    tail[kCheckState] = static_cast<unsigned char>(kCheckStep * (checkMode + 1));
    put(kDepth, depth < 1 ? 1 : depth);
}

// Reads the record starting at pos and moves pos past it; false at the end of the block
// or at a truncated last record.
bool readTreeRecord(std::string_view block, std::size_t& pos, TreeRecordView& out);

// Reads a block back into records. A truncated last record is dropped.
std::vector<TreeItemRecord> readTreeContent(std::string_view block);

} // namespace tess
