#include "json/TreeContentBuffer.h"

#include <bit>
#include <cstring>

namespace tess {
namespace {

int32_t getInt32(const unsigned char* p)
{
    const uint32_t u = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return static_cast<int32_t>(u);
}

} // namespace

void TreeContentBuffer::appendItem(std::string_view caption, int32_t image, int32_t selectedImage,
                                   int32_t itemValue, uint8_t state, int32_t checkMode, int32_t depth)
{
    appendItem({caption}, image, selectedImage, itemValue, state, checkMode, depth);
}

void TreeContentBuffer::appendItem(std::initializer_list<std::string_view> captionParts, int32_t image,
                                   int32_t selectedImage, int32_t itemValue, uint8_t state, int32_t checkMode,
                                   int32_t depth, bool knownWithoutZero)
{
    if (knownWithoutZero) {
        for (std::string_view part : captionParts)
            m_bytes.append(part);
        appendTail(image, selectedImage, itemValue, state, checkMode, depth);
        return;
    }
    for (std::string_view part : captionParts) {
        const void* zero = part.empty() ? nullptr : std::memchr(part.data(), '\0', part.size());
        if (zero) {
            m_bytes.append(part.substr(0, static_cast<const char*>(zero) - part.data()));
            break;
        }
        m_bytes.append(part);
    }
    appendTail(image, selectedImage, itemValue, state, checkMode, depth);
}

void TreeContentBuffer::appendTail(int32_t image, int32_t selectedImage, int32_t itemValue, uint8_t state,
                                   int32_t checkMode, int32_t depth)
{
    char tail[1 + kTreeRecordTailSize];
    writeTreeRecordTail(tail, image, selectedImage, itemValue, state, checkMode, depth);
    m_bytes.append(tail, sizeof tail);
}

bool readTreeRecord(std::string_view block, std::size_t& pos, TreeRecordView& out)
{
    if (pos >= block.size())
        return false;
    const void* z = std::memchr(block.data() + pos, '\0', block.size() - pos);
    if (!z)
        return false;
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(z) - block.data());
    if (block.size() - (end + 1) < kTreeRecordTailSize)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(block.data() + end + 1);
    out.caption = block.substr(pos, end - pos);
    using namespace treerecord;
    out.image = getInt32(p + kImage);
    out.selectedImage = getInt32(p + kSelectedImage);
    out.itemValue = getInt32(p + kItemValue);
    out.state = p[kState];
    out.checkState = p[kCheckState];
    out.depth = getInt32(p + kDepth);
    pos = end + 1 + kTreeRecordTailSize;
    return true;
}

std::vector<TreeItemRecord> readTreeContent(std::string_view block)
{
    std::vector<TreeItemRecord> items;
    std::size_t pos = 0;
    TreeRecordView r;
    while (readTreeRecord(block, pos, r))
        items.push_back(TreeItemRecord{std::string(r.caption), r.image, r.selectedImage, r.itemValue, r.state,
                                       r.checkState, r.depth});
    return items;
}
} // namespace tess
