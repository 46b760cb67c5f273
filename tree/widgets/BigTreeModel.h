#pragma once
// The item model of a tab on the big-document road: one top-level item (the root) and,
// below every container, as many rows as it has children. A row's node is read from the
// document when the row is first touched (data, a walk, a path), together with the rest
// of its block of rows, starting at the index's nearest checkpoint; rows nobody touched
// cost nothing. So any child of a container of millions is reached in time independent of
// its place, and the rows never change once the model exists (no insertions).
// Captions and icons as the normal tree has them.
#include "json/big/BigDocument.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace tess {

class TreeIcons;

class BigTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    BigTreeModel(std::shared_ptr<const big::BigDocument> document, bool zeroBased, QObject* parent = nullptr);
    ~BigTreeModel() override;

    void setIcons(const TreeIcons* icons) { m_icons = icons; }
    // The root item's caption ("JSON" until set), as the loader writes the load time there.
    void setRootCaption(const QString& caption) { m_rootCaption = caption; }
    const big::BigDocument& document() const { return *m_document; }
    const std::shared_ptr<const big::BigDocument>& sharedDocument() const { return m_document; }
    bool zeroBased() const { return m_zeroBased; }

    // The node of an index, and its chain root ... node (empty for an invalid index).
    big::Node nodeOf(const QModelIndex& index) const;
    std::vector<big::Node> chainOf(const QModelIndex& index) const;
    // The index of chain.back(), chain[0] being the root; only the blocks of rows on the
    // way are read. Invalid when the chain does not fit the document.
    QModelIndex indexOfChain(const std::vector<big::Node>& chain) const;
    // Whether the node is a container with at least one child (hasChildren guesses for
    // rows not read yet in a large container; this reads).
    bool opens(const QModelIndex& index) const;
    // Whether the row's node has been read.
    bool isRead(const QModelIndex& index) const;
    // The first row from `from` on below parent whose node has been read, or -1: walks
    // over what was read without reading more.
    int nextReadRow(const QModelIndex& parent, int from) const;
    // The icon image of a kind: 0 scalar, 1 object, 2 array (and the list of records).
    static int imageOf(big::Kind kind);
    // Nodes read so far (the root included).
    std::size_t itemsRead() const { return m_entries.size(); }

    // Rows are read in blocks of this many.
    static constexpr int kBlockRows = 256;
    // A container with more children answers hasChildren for its rows not read yet
    // without reading them (true), so that laying its rows out reads nothing; the view
    // draws the branch of a row it paints from the opensRole.
    static constexpr int kEagerRows = 16384;
    static constexpr int kOpensRole = Qt::UserRole + 1;
    // Longest caption shown, in bytes (the value boxes show more).
    static constexpr uint64_t kCaptionBytes = 4096;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // A node read. An index's internal id is its parent's entry + 1 (0 for the root), so
    // an index is made without reading its row.
    struct Entry {
        big::Node node;
        int32_t parent = -1;
        int32_t count = -1;          // children (up to INT_MAX), -1 not counted yet
        std::vector<int32_t> blocks; // the entry of each block's first row, -1 not read
    };
    int entryOf(const QModelIndex& index) const;
    int childEntry(int parent, int row) const;
    int countOf(int entry) const;
    bool blockRead(int parent, int row) const;
    void readBlock(int parent, int block) const;
    QModelIndex indexOfEntry(int entry) const;

    std::shared_ptr<const big::BigDocument> m_document;
    bool m_zeroBased = false;
    const TreeIcons* m_icons = nullptr;
    QString m_rootCaption = QStringLiteral("JSON");
    // [0] is the root when the document has one. Read on demand from const calls (the
    // view asks through them); a deque keeps entries in place as it grows.
    mutable std::deque<Entry> m_entries;
};

} // namespace tess
