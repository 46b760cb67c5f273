#include "tree/widgets/RecordTableModel.h"

#include <algorithm>
#include <climits>

namespace tess {
namespace {

// Rows read at once in the array's order, and the most rows kept.
constexpr uint64_t kBlockRows = 128;
constexpr std::size_t kMostCachedRows = 4096;

} // namespace

RecordTableModel::RecordTableModel(std::shared_ptr<const big::BigDocument> document, const big::Node& array,
                                   uint64_t columnRows, QObject* parent)
    : QAbstractTableModel(parent), m_document(std::move(document)),
      m_table(std::make_unique<big::RecordTable>(*m_document, array))
{
    m_table->readColumns(columnRows);
    m_rows = static_cast<int>(std::min<uint64_t>(m_table->rowCount(), INT_MAX));
}

RecordTableModel::~RecordTableModel() = default;

uint64_t RecordTableModel::elementOfRow(int row) const
{
    if (row < 0)
        return 0;
    return m_order.empty() ? static_cast<uint64_t>(row) : m_order[static_cast<std::size_t>(row)];
}

void RecordTableModel::setOrder(std::vector<uint64_t> order, int column, Qt::SortOrder direction)
{
    beginResetModel();
    m_order = std::move(order);
    m_sortColumn = m_order.empty() ? -1 : column;
    endResetModel();
    (void)direction;
}

const RecordTableModel::CachedRow& RecordTableModel::cachedRow(uint64_t element) const
{
    const auto found = m_cache.find(element);
    if (found != m_cache.end())
        return found->second;
    if (m_cache.size() >= kMostCachedRows)
        m_cache.clear();
    // In the array's order neighbours are asked for next: read a block of them in one walk.
    const uint64_t from = m_order.empty() ? element / kBlockRows * kBlockRows : element;
    const uint64_t count = m_order.empty() ? kBlockRows : 1;
    uint64_t at = from;
    m_table->forEachRecord(from, [&](const big::Node& record) {
        CachedRow row;
        for (big::TableCell& cell : m_table->cells(record)) {
            row.texts.push_back(QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())));
            row.numbers.push_back(cell.kind == big::TableCell::Kind::Number);
        }
        m_cache.emplace(at, std::move(row));
        return ++at < from + count;
    });
    static const CachedRow kEmpty;
    const auto read = m_cache.find(element);
    return read != m_cache.end() ? read->second : kEmpty;
}

std::vector<big::TableCell> RecordTableModel::rowCells(int row) const
{
    std::vector<big::TableCell> cells;
    m_table->forEachRecord(elementOfRow(row), [&](const big::Node& record) {
        cells = m_table->cells(record);
        return false;
    });
    return cells;
}

int RecordTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table->columns().size());
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
        return {};
    const CachedRow& row = cachedRow(elementOfRow(index.row()));
    const auto column = static_cast<std::size_t>(index.column());
    if (column >= row.texts.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return row.numbers[column] ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    QString text = row.texts[column];
    // A cell is one line: breaks shown as the arrow a long value would need anyway.
    text.replace(QLatin1Char('\n'), QChar(0x21B5));
    return text;
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return QString::number(elementOfRow(section) + static_cast<uint64_t>(m_firstNumber));
    const auto& columns = m_table->columns();
    if (section < 0 || static_cast<std::size_t>(section) >= columns.size())
        return {};
    return QString::fromStdString(columns[static_cast<std::size_t>(section)]);
}

} // namespace tess
