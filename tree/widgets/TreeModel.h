#pragma once
// The item model of one tree view, built from a tree content block in one pass.
// Items are stored in pre-order; the item index (0-based) is the model's internal id,
// so item index <-> model index conversions are O(1) in both directions. The model keeps
// the block it was given and reads captions and images from its records; per item it
// holds only where the record is and where the item sits in the tree (24 bytes).
#include "json/TreeContentBuffer.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class TreeIcons;

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TreeModel(QObject* parent = nullptr);
    ~TreeModel() override;

    // The icon set to draw (shared by all trees; may be null for no icons).
    void setIcons(const TreeIcons* icons);
    // Tells the views that the icon set changed its images.
    void iconsChanged();

    // Deletes all items.
    void clear();
    // Appends one top-level item with the caption (image 0).
    void addTopLevelItem(std::string_view caption);
    // Replaces all items by the records of the block, nested by their depths: the first
    // record's depth is the top level, a deeper record starts the children of the last
    // inserted item, a shallower one closes levels until one matches. The model keeps
    // the block (the first form copies it).
    void replaceAll(std::string_view block);
    void replaceAll(TreeContentBlock&& block);

    int itemCount() const { return static_cast<int>(m_items.size()); }
    QModelIndex indexOfItem(int item) const;
    int itemOfIndex(const QModelIndex& index) const;
    std::string_view itemCaption(int item) const;
    // A caption ends at its first zero byte, as in a tree content record.
    void setItemCaption(int item, std::string_view caption);
    int itemImage(int item) const;
    int itemDepth(int item) const;
    int itemValue(int item) const;
    int itemChildCount(int item) const;
    int itemParent(int item) const; // -1 for a top-level item or an invalid index
    // One past the last item of item's subtree (items are in pre-order).
    int subtreeEnd(int item) const;
    std::size_t itemCaptionBytes(int item) const { return itemCaption(item).size(); }

    // Appends all items in pre-order to out as tree content records; captions longer
    // than captionLimit bytes are cut (never inside a two-byte unit).
    void readBack(TreeContentBuffer& out, std::size_t captionLimit = 510) const;

    // Longest caption shown on screen, in bytes; the rest is still searched and copied.
    static constexpr std::size_t kDisplayLimit = 4096;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Item {
        uint64_t record;    // offset of its record, in m_own when kOwnRecord is set
        int32_t parent;     // -1 for a top-level item
        int32_t childStart; // first entry of its children in m_children
        int32_t childCount;
        int32_t depth;      // 1 for a top-level item
    };
    static constexpr uint64_t kOwnRecord = uint64_t(1) << 63;

    // The item's record: its caption, the zero byte, the fixed tail.
    TreeRecordView recordOf(int item) const;
    // Writes a record into m_own; returns its offset with kOwnRecord set.
    uint64_t ownRecord(std::string_view caption, const char* tailFrom, int32_t image);
    void appendItem(int32_t parent, uint64_t record);
    void linkChildren();
    int childAt(int parentItem, int row) const;
    int rowOf(int item) const;

    std::vector<Item> m_items;
    std::vector<int32_t> m_children; // children lists back to back; top-level items first
    int32_t m_topCount = 0;
    TreeContentBlock m_block;
    std::string m_own; // records the model wrote: added items and changed captions
    const TreeIcons* m_icons = nullptr;
};

// Byte length of the longest prefix of text of at most limit bytes that does not end
// inside a two-byte GB18030 unit.
std::size_t gbPrefixLength(std::string_view text, std::size_t limit);

} // namespace tess
