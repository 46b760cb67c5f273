#include "tree/widgets/TreeModel.h"

#include "platform/GbkText.h"
#include "platform/qt/QtText.h"
#include "json/TreeContentBuffer.h"
#include "tree/widgets/TreeIcons.h"

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
    m_captions.clear();
    m_captions.shrink_to_fit();
    m_topCount = 0;
    endResetModel();
}

void TreeModel::appendItem(int32_t parent, std::string_view caption, int32_t image, int32_t selectedImage,
                           int32_t itemValue, uint8_t state, uint8_t checkState)
{
    Item it{};
    it.captionOffset = m_captions.size();
    it.captionLength = static_cast<uint32_t>(caption.size());
    m_captions.append(caption);
    it.parent = parent;
    if (parent < 0) {
        it.row = m_topCount++;
        it.depth = 1;
    } else {
        Item& p = m_items[static_cast<std::size_t>(parent)];
        it.row = p.childCount++;
        it.depth = p.depth + 1;
    }
    it.childStart = 0;
    it.childCount = 0;
    it.image = image;
    it.selectedImage = selectedImage;
    it.itemValue = itemValue;
    it.state = state;
    it.checkState = checkState;
    m_items.push_back(it);
}

void TreeModel::linkChildren()
{
    m_children.assign(m_items.size(), 0);
    int32_t next = m_topCount;
    for (Item& it : m_items) {
        it.childStart = next;
        next += it.childCount;
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& it = m_items[i];
        const int32_t slot = it.parent < 0 ? it.row : m_items[static_cast<std::size_t>(it.parent)].childStart + it.row;
        m_children[static_cast<std::size_t>(slot)] = static_cast<int32_t>(i);
    }
}

void TreeModel::addTopLevelItem(std::string_view caption)
{
    beginResetModel();
    appendItem(-1, caption, 0, 0, 0, 0, 0x10);
    linkChildren();
    endResetModel();
}

void TreeModel::replaceAll(std::string_view block)
{
    beginResetModel();
    m_items.clear();
    m_children.clear();
    m_captions.clear();
    m_topCount = 0;
    // Rough sizes from the block: a record carries at least 23 bytes besides its caption.
    m_items.reserve(block.size() / 32 + 1);
    m_captions.reserve(block.size() / 2);

    struct Level {
        int32_t depth;
        int32_t parent;
        int32_t last;
    };
    std::vector<Level> levels;
    std::size_t pos = 0;
    TreeRecordView r;
    while (readTreeRecord(block, pos, r)) {
        if (levels.empty()) {
            levels.push_back({r.depth, -1, -1});
        } else {
            while (levels.size() > 1 && r.depth < levels.back().depth)
                levels.pop_back();
            if (r.depth > levels.back().depth && levels.back().last >= 0)
                levels.push_back({r.depth, levels.back().last, -1});
        }
        const int32_t index = static_cast<int32_t>(m_items.size());
        appendItem(levels.back().parent, r.caption, r.image, r.selectedImage, r.itemValue, r.state, r.checkState);
        levels.back().last = index;
    }
    linkChildren();
    endResetModel();
}

QModelIndex TreeModel::indexOfItem(int item) const
{
    if (item < 0 || item >= itemCount())
        return {};
    return createIndex(m_items[static_cast<std::size_t>(item)].row, 0, static_cast<quintptr>(item));
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
    const Item& it = m_items[static_cast<std::size_t>(item)];
    return std::string_view(m_captions).substr(it.captionOffset, it.captionLength);
}

void TreeModel::setItemCaption(int item, std::string_view caption)
{
    if (item < 0 || item >= itemCount())
        return;
    Item& it = m_items[static_cast<std::size_t>(item)];
    if (caption.size() <= it.captionLength) {
        std::memcpy(m_captions.data() + it.captionOffset, caption.data(), caption.size());
    } else {
        it.captionOffset = m_captions.size();
        m_captions.append(caption);
    }
    it.captionLength = static_cast<uint32_t>(caption.size());
    const QModelIndex idx = indexOfItem(item);
    emit dataChanged(idx, idx, {Qt::DisplayRole});
}

int TreeModel::itemImage(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].image : -1;
}

int TreeModel::itemDepth(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].depth : 0;
}

int TreeModel::itemValue(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].itemValue : 0;
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
    out.reserve(out.bytes().size() + m_captions.size() + m_items.size() * (kTreeRecordTailSize + 1));
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& it = m_items[i];
        std::string_view caption = itemCaption(static_cast<int>(i));
        caption = caption.substr(0, gbPrefixLength(caption, captionLimit));
        out.appendItem(caption, it.image, it.selectedImage, it.itemValue, it.state, it.checkState / 0x10 - 1,
                       it.depth);
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
        return m_icons->icon(m_items[static_cast<std::size_t>(item)].image);
    return {};
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tess
