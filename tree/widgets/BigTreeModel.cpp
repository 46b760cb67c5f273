#include "tree/widgets/BigTreeModel.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeIcons.h"

#include <algorithm>

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

int BigTreeModel::entryOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    const auto e = static_cast<std::size_t>(index.internalId());
    return e < m_entries.size() ? static_cast<int>(e) : -1;
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

QModelIndex BigTreeModel::indexOfChain(const std::vector<Node>& chain)
{
    if (chain.empty() || m_entries.empty() || chain[0].start != m_entries[0].node.start)
        return {};
    QModelIndex at = index(0, 0);
    for (std::size_t k = 1; k < chain.size(); ++k) {
        // Children are numbered from 0 in their container, rows too.
        const uint64_t wanted = chain[k].index;
        while (static_cast<uint64_t>(rowCount(at)) <= wanted && canFetchMore(at))
            fetchMore(at);
        if (static_cast<uint64_t>(rowCount(at)) <= wanted)
            return {};
        at = index(static_cast<int>(wanted), 0, at);
    }
    return at;
}

QModelIndex BigTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row == 0 && !m_entries.empty() ? createIndex(0, 0, quintptr(0)) : QModelIndex();
    const int p = entryOf(parent);
    if (p < 0)
        return {};
    const auto& children = m_entries[static_cast<std::size_t>(p)].children;
    if (static_cast<std::size_t>(row) >= children.size())
        return {};
    return createIndex(row, 0, quintptr(children[static_cast<std::size_t>(row)]));
}

QModelIndex BigTreeModel::parent(const QModelIndex& child) const
{
    const int e = entryOf(child);
    if (e <= 0)
        return {};
    const int p = m_entries[static_cast<std::size_t>(e)].parent;
    return createIndex(m_entries[static_cast<std::size_t>(p)].row, 0, quintptr(p));
}

int BigTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_entries.empty() ? 0 : 1;
    if (parent.column() != 0)
        return 0;
    const int p = entryOf(parent);
    return p < 0 ? 0 : static_cast<int>(m_entries[static_cast<std::size_t>(p)].children.size());
}

int BigTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool BigTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return !m_entries.empty();
    const int p = entryOf(parent);
    if (p < 0)
        return false;
    const Entry& e = m_entries[static_cast<std::size_t>(p)];
    if (!e.children.empty())
        return true;
    if (e.hasChildren < 0) {
        Node first;
        e.hasChildren = e.node.isContainer() && m_document->children(e.node).next(first) ? 1 : 0;
    }
    return e.hasChildren == 1;
}

bool BigTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const int p = entryOf(parent);
    return p >= 0 && !m_entries[static_cast<std::size_t>(p)].done && hasChildren(parent);
}

void BigTreeModel::fetchMore(const QModelIndex& parent)
{
    const int p = entryOf(parent);
    if (p < 0 || !canFetchMore(parent))
        return;
    std::vector<Node> batch;
    {
        Entry& e = m_entries[static_cast<std::size_t>(p)];
        if (!e.started) {
            e.cursor = std::make_unique<big::ChildCursor>(m_document->children(e.node));
            e.started = true;
        }
        Node child;
        while (batch.size() < static_cast<std::size_t>(kBatch) && e.cursor->next(child))
            batch.push_back(child);
        if (batch.size() < static_cast<std::size_t>(kBatch)) {
            e.done = true;
            e.cursor.reset();
        }
    }
    if (batch.empty())
        return;
    const int first = static_cast<int>(m_entries[static_cast<std::size_t>(p)].children.size());
    beginInsertRows(parent, first, first + static_cast<int>(batch.size()) - 1);
    // Room grows geometrically: reserving just the batch would copy every entry read so
    // far on each small container opened.
    if (m_entries.capacity() < m_entries.size() + batch.size())
        m_entries.reserve(std::max(m_entries.size() + batch.size(), m_entries.capacity() * 2));
    for (std::size_t k = 0; k < batch.size(); ++k) {
        const auto id = static_cast<int32_t>(m_entries.size());
        m_entries.emplace_back();
        Entry& added = m_entries.back();
        added.node = batch[k];
        added.parent = p;
        added.row = first + static_cast<int32_t>(k);
        m_entries[static_cast<std::size_t>(p)].children.push_back(id);
    }
    endInsertRows();
}

QVariant BigTreeModel::data(const QModelIndex& index, int role) const
{
    const int e = entryOf(index);
    if (e < 0)
        return {};
    const Node& node = m_entries[static_cast<std::size_t>(e)].node;
    if (role == Qt::DisplayRole)
        return e == 0 ? m_rootCaption : qt::toQString(m_document->caption(node, m_zeroBased, kCaptionBytes));
    if (role == Qt::DecorationRole && m_icons)
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
