#pragma once
// The item model of a tab on the big-document road: one top-level item (the root) and,
// below it, the children of a container read from the document when the container is
// expanded (canFetchMore / fetchMore, in batches). Rows already read stay; nothing is
// read for a container nobody opened. Captions and icons as the normal tree has them.
#include "json/big/BigDocument.h"

#include <QAbstractItemModel>

#include <cstdint>
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
    // The index of chain.back(), chain[0] being the root; the rows on the way are read
    // as far as needed. Invalid when the chain does not fit the document.
    QModelIndex indexOfChain(const std::vector<big::Node>& chain);
    // The icon image of a kind: 0 scalar, 1 object, 2 array (and the list of records).
    static int imageOf(big::Kind kind);
    // Items read so far.
    std::size_t itemsRead() const { return m_entries.size(); }

    // Children read per fetchMore.
    static constexpr int kBatch = 20000;
    // Longest caption shown, in bytes (the value boxes show more).
    static constexpr uint64_t kCaptionBytes = 4096;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Entry {
        big::Node node;
        int32_t parent = -1;
        int32_t row = 0;
        std::vector<int32_t> children;
        std::unique_ptr<big::ChildCursor> cursor; // while children are being read
        bool started = false;
        bool done = false;
        mutable int8_t hasChildren = -1; // -1 not known yet
    };
    int entryOf(const QModelIndex& index) const;

    std::shared_ptr<const big::BigDocument> m_document;
    bool m_zeroBased = false;
    const TreeIcons* m_icons = nullptr;
    QString m_rootCaption = QStringLiteral("JSON");
    std::vector<Entry> m_entries; // [0] is the root when the document has one
};

} // namespace tess
