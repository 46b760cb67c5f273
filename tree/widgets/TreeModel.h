#pragma once
// The item model of one tree view, built from a tree content block in one pass.
// Items are stored in pre-order; the item index (0-based) is the model's internal id,
// so item index <-> model index conversions are O(1) in both directions. Almost every
// record a document gives has the same tail (image == selected image, item value == item
// index + 1, state 0, check state 0x10): of those the model keeps only the caption, in one
// buffer, and the image; any other record, and those the model writes itself, are kept
// whole. Per item it holds where the caption or record is and where the item sits in the
// tree (20 bytes), and one byte for the image.
#include "json/TreeContentBuffer.h"
#include "tree/widgets/MappedBytes.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <functional>
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

    // Differences to show (a comparison): markOf gives an item's kind of difference, 0
    // added, 1 removed, 2 changed value, 3 changed type, -1 none; empty shows none. Marked
    // items get a colour, a text mark before the caption and their kind in kDiffMarkRole.
    static constexpr int kDiffMarkRole = Qt::UserRole + 40;
    void setItemMarks(std::function<int(int item)> markOf);
    bool showsMarks() const { return static_cast<bool>(m_markOf); }

    // Deletes all items.
    void clear();
    // Appends one top-level item with the caption (image 0).
    void addTopLevelItem(std::string_view caption);
    // Replaces all items by the records of the block, nested by their depths: the first
    // record's depth is the top level, a deeper record starts the children of the last
    // inserted item, a shallower one closes levels until one matches.
    void replaceAll(std::string_view block);
    // The same for a block given in consecutive pieces of whole records, so that it never
    // has to exist whole: beginItems, addRecords for each piece, endItems. expectedItems
    // (0 when unknown) sizes the item table once. The views see the new items at endItems.
    void beginItems(std::size_t expectedItems);
    void addRecords(std::string_view piece);
    void endItems();

    // Takes the items of other (filled on another thread, shown by no view), which gets
    // these ones; the views see the new items.
    void takeItems(TreeModel& other);

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
    void readBack(TreeContentBuffer& out, std::size_t captionLimit = kSearchedCaptionBytes) const;

    // Offsets above limit switch the model to 64-bit references (normally past 4 GiB of
    // captions or kept records); lets tests reach that path with small documents.
    void setNarrowReferenceLimit(uint64_t limit) { m_narrowLimit = limit; }

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
        uint32_t ref;       // caption offset in m_captions, or record offset in m_own (kWholeRecord)
        int32_t parent;     // -1 for a top-level item
        int32_t childStart; // first entry of its children in m_children
        int32_t childCount;
        int32_t depth;      // 1 for a top-level item
    };
    // m_kinds: the image (0..3) of an item kept as a caption, or kWholeRecord.
    static constexpr uint8_t kWholeRecord = 0x80;
    static constexpr uint8_t kImageMask = 0x03;

    struct Level {
        int32_t depth;
        int32_t parent;
        int32_t last;
    };

    // The item's record: its caption, the zero byte, the fixed tail.
    TreeRecordView recordOf(int item) const;
    uint64_t refOf(std::size_t item) const { return m_wideRefs.empty() ? m_items[item].ref : m_wideRefs[item]; }
    void setRef(std::size_t item, uint64_t ref);
    // Writes a whole record into m_own; returns its offset.
    uint64_t ownRecord(std::string_view caption, const char* tailFrom, int32_t image);
    void appendItem(int32_t parent, uint64_t ref, uint8_t kind);
    void linkChildren();
    int childAt(int parentItem, int row) const;
    int rowOf(int item) const;

    std::vector<Item> m_items;
    std::vector<uint8_t> m_kinds;
    std::vector<uint64_t> m_wideRefs; // every item's reference once one needs more than 32 bits
    std::vector<int32_t> m_children;  // children lists back to back; top-level items first
    int32_t m_topCount = 0;
    MappedBytes m_captions;      // captions back to back, each followed by a zero byte
    std::string m_own;           // whole records: other tails, added items, changed captions
    std::vector<Level> m_levels; // open levels while records are added
    uint64_t m_narrowLimit = UINT32_MAX;
    const TreeIcons* m_icons = nullptr;
    std::function<int(int)> m_markOf;
};

// Byte length of the longest prefix of text of at most limit bytes that does not end
// inside a two-byte GB18030 unit.
std::size_t gbPrefixLength(std::string_view text, std::size_t limit);

} // namespace tess
