#pragma once
// An array of records shown as a table: a Qt model over a RecordTable. It holds the
// column names and the row order (the array's, or one column's sorted); a row's cells are
// read from the document's bytes when a view asks for them, and only the rows read last
// are kept, so a million records cost what the visible ones do.
#include "json/big/RecordTable.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tess {

class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // document is kept alive by the model; array is an array or the records of JSON Lines.
    // Columns come from the first columnRows records (0: all of them).
    RecordTableModel(std::shared_ptr<const big::BigDocument> document, const big::Node& array, uint64_t columnRows,
                     QObject* parent = nullptr);
    ~RecordTableModel() override;

    const big::RecordTable& table() const { return *m_table; }
    // The element (its number in the array) a row shows.
    uint64_t elementOfRow(int row) const;
    // Shows the rows in order (element numbers; empty for the array's order), the header's
    // sort mark on column (-1 for none).
    void setOrder(std::vector<uint64_t> order, int column, Qt::SortOrder direction);
    const std::vector<uint64_t>& order() const { return m_order; }
    int sortColumn() const { return m_sortColumn; }
    // The number the row header gives the array's first element (0 or 1, as the tree counts).
    void setFirstNumber(int first) { m_firstNumber = first; }
    // A row's cells as UTF-8, one per column.
    std::vector<big::TableCell> rowCells(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct CachedRow {
        std::vector<QString> texts;
        std::vector<bool> numbers;
    };
    const CachedRow& cachedRow(uint64_t element) const;

    std::shared_ptr<const big::BigDocument> m_document;
    std::unique_ptr<big::RecordTable> m_table;
    std::vector<uint64_t> m_order;
    int m_sortColumn = -1;
    int m_rows = 0;
    int m_firstNumber = 0;
    mutable std::unordered_map<uint64_t, CachedRow> m_cache;
};

} // namespace tess
