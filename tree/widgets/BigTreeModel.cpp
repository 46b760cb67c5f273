#include "tree/widgets/BigTreeModel.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeIcons.h"

#include <algorithm>
#include <climits>

namespace tess {

using big::Kind;
using big::Node;

BigTreeModel::BigTreeModel(std::shared_ptr<const big::BigDocument> document, bool zeroBased, QObject* parent)
    : QAbstractItemModel(parent), m_document(std::move(document)), m_zeroBased(zeroBased)
{
    Node root;
    if (m_document && m_document->root(root)) {
        m_entries.emplace_back();
        m_entries.back().node = root;
    }
}

BigTreeModel::~BigTreeModel() = default;

int BigTreeModel::imageOf(Kind kind)
{
    switch (kind) {
    case Kind::Object:
        return 1;
    case Kind::Array:
    case Kind::Lines:
        return 2;
    default:
        return 0;
    }
}

int BigTreeModel::countOf(int entry) const
{
    Entry& e = m_entries[static_cast<std::size_t>(entry)];
    if (e.count < 0) {
        // A view counts rows in int: a container of more children shows the first INT_MAX.
        const uint64_t n = e.node.isContainer() ? m_document->childCount(e.node) : 0;
        e.count = static_cast<int32_t>(std::min<uint64_t>(n, INT_MAX));
    }
    return e.count;
}

bool BigTreeModel::blockRead(int parent, int row) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(parent)];
    const auto block = static_cast<std::size_t>(row / kBlockRows);
    return block < e.blocks.size() && e.blocks[block] >= 0;
}

void BigTreeModel::readBlock(int parent, int block) const
{
    const int count = countOf(parent);
    Entry& p = m_entries[static_cast<std::size_t>(parent)];
    if (p.blocks.empty())
        p.blocks.assign(static_cast<std::size_t>((count + kBlockRows - 1) / kBlockRows), -1);
    const int first = block * kBlockRows;
    const int rows = std::min(kBlockRows, count - first);
    p.blocks[static_cast<std::size_t>(block)] = static_cast<int32_t>(m_entries.size());
    big::ChildCursor cursor = m_document->children(p.node, static_cast<uint64_t>(first));
    for (int k = 0; k < rows; ++k) {
        Entry child;
        // A file that lost children since the count (cut short) leaves empty rows.
        if (!cursor.next(child.node)) {
            child.node = Node{};
            child.node.index = static_cast<uint64_t>(first + k);
        }
        child.parent = parent;
        m_entries.push_back(std::move(child));
    }
}

int BigTreeModel::childEntry(int parent, int row) const
{
    if (row < 0 || row >= countOf(parent))
        return -1;
    if (!blockRead(parent, row))
        readBlock(parent, row / kBlockRows);
    return m_entries[static_cast<std::size_t>(parent)].blocks[static_cast<std::size_t>(row / kBlockRows)] +
           row % kBlockRows;
}

int BigTreeModel::entryOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.column() != 0)
        return -1;
    const quintptr id = index.internalId();
    if (id == 0)
        return m_entries.empty() ? -1 : 0;
    if (id > m_entries.size())
        return -1;
    return childEntry(static_cast<int>(id - 1), index.row());
}

QModelIndex BigTreeModel::indexOfEntry(int entry) const
{
    const Entry& e = m_entries[static_cast<std::size_t>(entry)];
    if (e.parent < 0)
        return createIndex(0, 0, quintptr(0));
    return createIndex(static_cast<int>(e.node.index), 0, quintptr(e.parent + 1));
}

Node BigTreeModel::nodeOf(const QModelIndex& index) const
{
    const int e = entryOf(index);
    return e < 0 ? Node{} : m_entries[static_cast<std::size_t>(e)].node;
}

std::vector<Node> BigTreeModel::chainOf(const QModelIndex& index) const
{
    std::vector<Node> chain;
    for (int e = entryOf(index); e >= 0; e = m_entries[static_cast<std::size_t>(e)].parent)
        chain.push_back(m_entries[static_cast<std::size_t>(e)].node);
    return {chain.rbegin(), chain.rend()};
}

QModelIndex BigTreeModel::indexOfChain(const std::vector<Node>& chain) const
{
    if (chain.empty() || m_entries.empty() || chain[0].start != m_entries[0].node.start)
        return {};
    int at = 0;
    for (std::size_t k = 1; k < chain.size(); ++k) {
        // Children are numbered from 0 in their container, rows too.
        if (chain[k].index >= static_cast<uint64_t>(countOf(at)))
            return {};
        at = childEntry(at, static_cast<int>(chain[k].index));
        if (m_entries[static_cast<std::size_t>(at)].node.start != chain[k].start)
            return {};
    }
    return indexOfEntry(at);
}

bool BigTreeModel::opens(const QModelIndex& index) const
{
    const int e = entryOf(index);
    return e >= 0 && m_entries[static_cast<std::size_t>(e)].node.isContainer() && countOf(e) > 0;
}

bool BigTreeModel::isRead(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return false;
    const quintptr id = index.internalId();
    return id == 0 || (id <= m_entries.size() && blockRead(static_cast<int>(id - 1), index.row()));
}

int BigTreeModel::nextReadRow(const QModelIndex& parent, int from) const
{
    const int p = entryOf(parent);
    if (p < 0)
        return -1;
    const Entry& e = m_entries[static_cast<std::size_t>(p)];
    const int count = e.count < 0 ? 0 : e.count;
    for (int row = std::max(from, 0); row < count; row = (row / kBlockRows + 1) * kBlockRows)
        if (blockRead(p, row))
            return row;
    return -1;
}

QModelIndex BigTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && !m_entries.empty() ? createIndex(0, 0, quintptr(0)) : QModelIndex();
    const int p = entryOf(parent);
    if (p < 0 || row >= countOf(p))
        return {};
    return createIndex(row, 0, quintptr(p + 1));
}

QModelIndex BigTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.model() != this || child.internalId() == 0 ||
        child.internalId() > m_entries.size())
        return {};
    return indexOfEntry(static_cast<int>(child.internalId() - 1));
}

int BigTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_entries.empty() ? 0 : 1;
    const int p = entryOf(parent);
    return p < 0 ? 0 : countOf(p);
}

int BigTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool BigTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !m_entries.empty();
    if (parent.model() != this || parent.column() != 0)
        return false;
    const quintptr id = parent.internalId();
    // A row not read yet in a large container: assumed to open, so that the view's
    // layout of a million rows reads none of them (it asks this of every row).
    if (id != 0 && id <= m_entries.size() && countOf(static_cast<int>(id - 1)) > kEagerRows &&
        !blockRead(static_cast<int>(id - 1), parent.row()))
        return true;
    return opens(parent);
}

QVariant BigTreeModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != kOpensRole)
        return {};
    const int e = entryOf(index);
    if (e < 0)
        return {};
    const Node& node = m_entries[static_cast<std::size_t>(e)].node;
    if (role == kOpensRole)
        return node.isContainer() && countOf(e) > 0;
    if (role == Qt::DisplayRole)
        return e == 0 ? m_rootCaption : qt::toQString(m_document->caption(node, m_zeroBased, kCaptionBytes));
    if (m_icons)
        return m_icons->icon(imageOf(node.kind));
    return {};
}

Qt::ItemFlags BigTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tess
