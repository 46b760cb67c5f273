#include "tree/widgets/TreeModel.h"

#include "platform/GbkText.h"
#include "platform/qt/QtText.h"
#include "json/TreeContentBuffer.h"
#include "tree/widgets/TreeIcons.h"

#include <algorithm>
#include <cstring>

namespace tess {
std::size_t gbPrefixLength(std::string_view text, std::size_t limit)
{
    return gbk::prefixLength(text, limit);
}

TreeModel::TreeModel(QObject* parent) : QAbstractItemModel(parent) {}

TreeModel::~TreeModel() = default;

void TreeModel::setIcons(const TreeIcons* icons)
{
    m_icons = icons;
    iconsChanged();
}

void TreeModel::iconsChanged()
{
    // Covers the top-level rows only; views repaint their viewport for the rest.
    if (m_topCount > 0)
        emit dataChanged(index(0, 0), index(m_topCount - 1, 0), {Qt::DecorationRole});
}

void TreeModel::clear()
{
    beginResetModel();
    m_items.clear();
    m_items.shrink_to_fit();
    m_children.clear();
    m_children.shrink_to_fit();
    m_block = TreeContentBlock();
    m_own.clear();
    m_own.shrink_to_fit();
    m_topCount = 0;
    endResetModel();
}

TreeRecordView TreeModel::recordOf(int item) const
{
    const uint64_t record = m_items[static_cast<std::size_t>(item)].record;
    const std::string_view records = (record & kOwnRecord) ? std::string_view(m_own) : m_block.view();
    std::size_t pos = static_cast<std::size_t>(record & ~kOwnRecord);
    TreeRecordView r;
    readTreeRecord(records, pos, r); // every item's record was read once already
    return r;
}

uint64_t TreeModel::ownRecord(std::string_view caption, const char* tailFrom, int32_t image)
{
    caption = caption.substr(0, std::min(caption.size(), caption.find('\0')));
    const uint64_t offset = m_own.size();
    m_own.append(caption);
    const std::size_t tail = m_own.size();
    m_own.resize(tail + 1 + kTreeRecordTailSize);
    if (tailFrom) {
        m_own[tail] = '\0';
        std::memcpy(m_own.data() + tail + 1, tailFrom, kTreeRecordTailSize);
    } else {
        writeTreeRecordTail(m_own.data() + tail, image, 0, 0, 0, 0, 1);
    }
    return offset | kOwnRecord;
}

void TreeModel::appendItem(int32_t parent, uint64_t record)
{
    Item it{};
    it.record = record;
    it.parent = parent;
    if (parent < 0) {
        ++m_topCount;
        it.depth = 1;
    } else {
        Item& p = m_items[static_cast<std::size_t>(parent)];
        ++p.childCount;
        it.depth = p.depth + 1;
    }
    m_items.push_back(it);
}

void TreeModel::linkChildren()
{
    // Each list is filled from its end, walking the items backwards, so that children
    // keep their order; childStart ends at the start of its list.
    m_children.assign(m_items.size(), 0);
    int32_t next = m_topCount;
    for (Item& it : m_items) {
        next += it.childCount;
        it.childStart = next;
    }
    int32_t topEnd = m_topCount;
    for (std::size_t i = m_items.size(); i-- > 0;) {
        const int32_t parent = m_items[i].parent;
        int32_t& end = parent < 0 ? topEnd : m_items[static_cast<std::size_t>(parent)].childStart;
        m_children[static_cast<std::size_t>(--end)] = static_cast<int32_t>(i);
    }
}

int TreeModel::rowOf(int item) const
{
    const int32_t parent = m_items[static_cast<std::size_t>(item)].parent;
    const auto first = m_children.begin() + (parent < 0 ? 0 : m_items[static_cast<std::size_t>(parent)].childStart);
    const auto last = first + (parent < 0 ? m_topCount : m_items[static_cast<std::size_t>(parent)].childCount);
    return static_cast<int>(std::lower_bound(first, last, item) - first);
}

void TreeModel::addTopLevelItem(std::string_view caption)
{
    beginResetModel();
    appendItem(-1, ownRecord(caption, nullptr, 0));
    linkChildren();
    endResetModel();
}

void TreeModel::replaceAll(std::string_view block)
{
    TreeContentBlock copy(block.size());
    if (!block.empty())
        std::memcpy(copy.data(), block.data(), block.size());
    replaceAll(std::move(copy));
}

void TreeModel::replaceAll(TreeContentBlock&& block)
{
    beginResetModel();
    m_items.clear();
    m_children.clear();
    m_own.clear();
    m_topCount = 0;
    m_block = std::move(block);
    const std::string_view records = m_block.view();
    // A record takes at least 24 bytes: room reserved but not touched costs nothing.
    m_items.reserve(records.size() / (1 + kTreeRecordTailSize) + 1);

    struct Level {
        int32_t depth;
        int32_t parent;
        int32_t last;
    };
    std::vector<Level> levels;
    std::size_t pos = 0;
    std::size_t start = 0;
    TreeRecordView r;
    while (readTreeRecord(records, pos, r)) {
        if (levels.empty()) {
            levels.push_back({r.depth, -1, -1});
        } else {
            while (levels.size() > 1 && r.depth < levels.back().depth)
                levels.pop_back();
            if (r.depth > levels.back().depth && levels.back().last >= 0)
                levels.push_back({r.depth, levels.back().last, -1});
        }
        const int32_t index = static_cast<int32_t>(m_items.size());
        appendItem(levels.back().parent, start);
        levels.back().last = index;
        start = pos;
    }
    linkChildren();
    endResetModel();
}

QModelIndex TreeModel::indexOfItem(int item) const
{
    if (item < 0 || item >= itemCount())
        return {};
    return createIndex(rowOf(item), 0, static_cast<quintptr>(item));
}

int TreeModel::itemOfIndex(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    const quintptr id = index.internalId();
    return id < m_items.size() ? static_cast<int>(id) : -1;
}

std::string_view TreeModel::itemCaption(int item) const
{
    if (item < 0 || item >= itemCount())
        return {};
    return recordOf(item).caption;
}

void TreeModel::setItemCaption(int item, std::string_view caption)
{
    if (item < 0 || item >= itemCount())
        return;
    const TreeRecordView old = recordOf(item);
    // The tail follows the caption's zero byte; copy it before m_own may move.
    char tail[kTreeRecordTailSize];
    std::memcpy(tail, old.caption.data() + old.caption.size() + 1, kTreeRecordTailSize);
    m_items[static_cast<std::size_t>(item)].record = ownRecord(caption, tail, 0);
    const QModelIndex idx = indexOfItem(item);
    emit dataChanged(idx, idx, {Qt::DisplayRole});
}

int TreeModel::itemImage(int item) const
{
    return item >= 0 && item < itemCount() ? recordOf(item).image : -1;
}

int TreeModel::itemDepth(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].depth : 0;
}

int TreeModel::itemValue(int item) const
{
    return item >= 0 && item < itemCount() ? recordOf(item).itemValue : 0;
}

int TreeModel::itemChildCount(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].childCount : 0;
}

int TreeModel::itemParent(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].parent : -1;
}

int TreeModel::subtreeEnd(int item) const
{
    if (item < 0 || item >= itemCount())
        return item;
    // The last child's subtree ends where item's does; follow last children down.
    int last = item;
    while (true) {
        const Item& it = m_items[static_cast<std::size_t>(last)];
        if (it.childCount == 0)
            return last + 1;
        last = m_children[static_cast<std::size_t>(it.childStart + it.childCount - 1)];
    }
}

void TreeModel::readBack(TreeContentBuffer& out, std::size_t captionLimit) const
{
    out.reserve(out.bytes().size() + m_block.size() + m_own.size());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const TreeRecordView r = recordOf(static_cast<int>(i));
        const std::string_view caption = r.caption.substr(0, gbPrefixLength(r.caption, captionLimit));
        out.appendItem(caption, r.image, r.selectedImage, r.itemValue, r.state, r.checkState / 0x10 - 1,
                       m_items[i].depth);
    }
}

int TreeModel::childAt(int parentItem, int row) const
{
    if (parentItem < 0) {
        if (row < 0 || row >= m_topCount)
            return -1;
        return m_children[static_cast<std::size_t>(row)];
    }
    const Item& p = m_items[static_cast<std::size_t>(parentItem)];
    if (row < 0 || row >= p.childCount)
        return -1;
    return m_children[static_cast<std::size_t>(p.childStart + row)];
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0)
        return {};
    int parentItem = -1;
    if (parent.isValid()) {
        parentItem = itemOfIndex(parent);
        if (parentItem < 0)
            return {};
    }
    const int child = childAt(parentItem, row);
    if (child < 0)
        return {};
    return createIndex(row, 0, static_cast<quintptr>(child));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    const int item = itemOfIndex(child);
    if (item < 0)
        return {};
    return indexOfItem(m_items[static_cast<std::size_t>(item)].parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_topCount;
    if (parent.column() != 0)
        return 0;
    const int item = itemOfIndex(parent);
    return item < 0 ? 0 : m_items[static_cast<std::size_t>(item)].childCount;
}

int TreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    const int item = itemOfIndex(index);
    if (item < 0)
        return {};
    if (role == Qt::DisplayRole) {
        std::string_view caption = itemCaption(item);
        return qt::toQString(caption.substr(0, gbPrefixLength(caption, kDisplayLimit)));
    }
    if (role == Qt::DecorationRole && m_icons)
        return m_icons->icon(recordOf(item).image);
    return {};
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tess
