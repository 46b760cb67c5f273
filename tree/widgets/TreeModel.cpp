#include "tree/widgets/TreeModel.h"

#include "platform/GbkText.h"
#include "platform/qt/QtText.h"
#include "json/TreeContentBuffer.h"
#include "tree/widgets/TreeIcons.h"

#include <QColor>

#include <algorithm>
#include <cstring>

namespace tess {
namespace {

int32_t load32(const unsigned char* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}

} // namespace

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
    m_markOf = nullptr; // marks speak of the items replaced
    m_items.clear();
    m_items.shrink_to_fit();
    m_kinds.clear();
    m_kinds.shrink_to_fit();
    m_wideRefs.clear();
    m_wideRefs.shrink_to_fit();
    m_children.clear();
    m_children.shrink_to_fit();
    m_captions.release();
    m_own.clear();
    m_own.shrink_to_fit();
    m_topCount = 0;
    endResetModel();
}

TreeRecordView TreeModel::recordOf(int item) const
{
    const std::size_t i = static_cast<std::size_t>(item);
    const uint64_t ref = refOf(i);
    TreeRecordView r;
    if (m_kinds[i] & kWholeRecord) {
        std::size_t pos = static_cast<std::size_t>(ref);
        readTreeRecord(m_own, pos, r); // every kept record was read once already
        return r;
    }
    const char* caption = m_captions.data() + ref;
    r.caption = std::string_view(caption, std::strlen(caption));
    r.image = r.selectedImage = m_kinds[i] & kImageMask;
    r.itemValue = item + 1;
    r.state = 0;
    r.checkState = 0x10;
    r.depth = m_items[i].depth;
    return r;
}

void TreeModel::setRef(std::size_t item, uint64_t ref)
{
    if (ref > m_narrowLimit && m_wideRefs.empty()) {
        m_wideRefs.reserve(m_items.capacity());
        for (const Item& it : m_items)
            m_wideRefs.push_back(it.ref);
    }
    if (!m_wideRefs.empty())
        m_wideRefs[item] = ref;
    m_items[item].ref = static_cast<uint32_t>(ref);
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
    return offset;
}

void TreeModel::appendItem(int32_t parent, uint64_t ref, uint8_t kind)
{
    int32_t depth = 1;
    if (parent < 0) {
        ++m_topCount;
    } else {
        Item& p = m_items[static_cast<std::size_t>(parent)];
        ++p.childCount;
        depth = p.depth + 1;
    }
    m_items.push_back({static_cast<uint32_t>(ref), parent, 0, 0, depth});
    m_kinds.push_back(kind);
    if (ref > m_narrowLimit || !m_wideRefs.empty()) {
        if (!m_wideRefs.empty())
            m_wideRefs.push_back(0);
        setRef(m_items.size() - 1, ref);
    }
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
    m_markOf = nullptr; // marks speak of the items replaced
    appendItem(-1, ownRecord(caption, nullptr, 0), kWholeRecord);
    linkChildren();
    endResetModel();
}

void TreeModel::replaceAll(std::string_view block)
{
    // A record takes at least 22 bytes: room reserved but not touched costs nothing.
    beginItems(block.size() / (1 + kTreeRecordTailSize) + 1);
    m_captions.reserve(block.size());
    addRecords(block);
    endItems();
}

void TreeModel::takeItems(TreeModel& other)
{
    beginResetModel();
    m_markOf = nullptr; // marks speak of the items replaced
    m_items.swap(other.m_items);
    m_kinds.swap(other.m_kinds);
    m_wideRefs.swap(other.m_wideRefs);
    m_children.swap(other.m_children);
    std::swap(m_topCount, other.m_topCount);
    m_captions.swap(other.m_captions);
    m_own.swap(other.m_own);
    m_levels.swap(other.m_levels);
    endResetModel();
}

void TreeModel::beginItems(std::size_t expectedItems)
{
    beginResetModel();
    m_markOf = nullptr; // marks speak of the items replaced
    m_items.clear();
    m_kinds.clear();
    m_wideRefs.clear();
    m_children.clear();
    m_captions.release();
    m_own.clear();
    m_levels.clear();
    m_topCount = 0;
    m_items.reserve(expectedItems);
    m_kinds.reserve(expectedItems);
}

void TreeModel::addRecords(std::string_view piece)
{
    // Records are read as readTreeRecord reads them (a truncated last record is dropped),
    // with the tail compared in place: this loop runs once per item of a document.
    const char* const bytes = piece.data();
    const std::size_t size = piece.size();
    std::size_t start = 0;
    while (start < size) {
        const void* zero = std::memchr(bytes + start, '\0', size - start);
        if (!zero)
            break;
        const auto end = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);
        if (size - (end + 1) < kTreeRecordTailSize)
            break;
        const auto* tail = reinterpret_cast<const unsigned char*>(bytes + end + 1);
        const std::size_t next = end + 1 + kTreeRecordTailSize;
        const int32_t depth = load32(tail + 16);
        if (m_levels.empty()) {
            m_levels.push_back({depth, -1, -1});
        } else {
            while (m_levels.size() > 1 && depth < m_levels.back().depth)
                m_levels.pop_back();
            if (depth > m_levels.back().depth && m_levels.back().last >= 0)
                m_levels.push_back({depth, m_levels.back().last, -1});
        }
        const auto index = static_cast<int32_t>(m_items.size());
        // image == selected image (0..3), item value == index + 1, state 0, reserved 0,
        // check state 0x10.
        const auto image = static_cast<uint32_t>(load32(tail));
        const bool documentTail = image <= kImageMask && static_cast<uint32_t>(load32(tail + 4)) == image &&
                                  int64_t(load32(tail + 8)) == int64_t(index) + 1 &&
                                  static_cast<uint32_t>(load32(tail + 12)) == 0x10000000u;
        if (documentTail) {
            const uint64_t ref = m_captions.size();
            m_captions.appendWithZero(bytes + start, end - start);
            appendItem(m_levels.back().parent, ref, static_cast<uint8_t>(image));
        } else {
            const uint64_t ref = m_own.size();
            m_own.append(bytes + start, next - start);
            appendItem(m_levels.back().parent, ref, kWholeRecord);
        }
        m_levels.back().last = index;
        start = next;
    }
}

void TreeModel::endItems()
{
    m_levels.clear();
    m_levels.shrink_to_fit();
    m_captions.shrinkToFit();
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
    const std::size_t i = static_cast<std::size_t>(item);
    // A kept record's tail follows its caption's zero byte; copy it before m_own may move.
    char tail[1 + kTreeRecordTailSize];
    if (m_kinds[i] & kWholeRecord) {
        const TreeRecordView old = recordOf(item);
        std::memcpy(tail + 1, old.caption.data() + old.caption.size() + 1, kTreeRecordTailSize);
    } else {
        const int32_t image = m_kinds[i] & kImageMask;
        writeTreeRecordTail(tail, image, image, item + 1, 0, 0, m_items[i].depth);
    }
    setRef(i, ownRecord(caption, tail + 1, 0));
    m_kinds[i] = kWholeRecord;
    const QModelIndex idx = indexOfItem(item);
    emit dataChanged(idx, idx, {Qt::DisplayRole});
}

int TreeModel::itemImage(int item) const
{
    if (item < 0 || item >= itemCount())
        return -1;
    const uint8_t kind = m_kinds[static_cast<std::size_t>(item)];
    return (kind & kWholeRecord) ? recordOf(item).image : kind & kImageMask;
}

int TreeModel::itemDepth(int item) const
{
    return item >= 0 && item < itemCount() ? m_items[static_cast<std::size_t>(item)].depth : 0;
}

int TreeModel::itemValue(int item) const
{
    if (item < 0 || item >= itemCount())
        return 0;
    return (m_kinds[static_cast<std::size_t>(item)] & kWholeRecord) ? recordOf(item).itemValue : item + 1;
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
    out.reserve(out.bytes().size() + m_captions.size() + m_own.size() + m_items.size() * kTreeRecordTailSize);
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
    const int mark = m_markOf ? m_markOf(item) : -1;
    if (role == Qt::DisplayRole) {
        std::string_view caption = itemCaption(item);
        QString shown = qt::toQString(caption.substr(0, gbPrefixLength(caption, kDisplayLimit)));
        // A text mark besides the colour, for those who cannot tell the colours apart.
        static const char16_t* const kMarks[] = {u"[+] ", u"[-] ", u"[~] ", u"[#] "};
        if (mark >= 0 && mark < 4)
            shown.prepend(QString::fromUtf16(kMarks[mark]));
        return shown;
    }
    if (role == kDiffMarkRole)
        return mark;
    if (role == Qt::ForegroundRole && mark >= 0 && mark < 4) {
        static const QColor kColours[] = {QColor(0x1a, 0x7f, 0x37), QColor(0xc0, 0x1c, 0x28), QColor(0xb3, 0x5c, 0x00),
                                          QColor(0x6f, 0x2d, 0xa8)};
        return kColours[mark];
    }
    if (role == Qt::DecorationRole && m_icons)
        return m_icons->icon(itemImage(item));
    return {};
}

void TreeModel::setItemMarks(std::function<int(int item)> markOf)
{
    m_markOf = std::move(markOf);
    if (m_topCount > 0)
        emit dataChanged(index(0, 0), index(m_topCount - 1, 0));
    // Items below the top level are drawn again when the views repaint.
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tess
