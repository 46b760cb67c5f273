#pragma once
// An array of records as a table, read from a big-road document (a file mapped, or the
// strict writer's text of a tolerant one): one row per element, one column per member
// name in the order names first appear, a cell the member's value as text (a string's
// characters, a number or literal as written, a nested value as compact JSON). An element
// that is not an object fills the column ".". Rows are read from the bytes when asked for,
// so the table holds its column names and nothing per row. No Qt.
#include "json/big/BigDocument.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tess::big {

struct TableCell {
    enum class Kind : uint8_t { Missing, String, Number, Literal, Nested };
    Kind kind = Kind::Missing;
    std::string text; // UTF-8
};

// Progress of a long pass: (done, total); returning false stops it.
using TableProgress = std::function<bool(uint64_t done, uint64_t total)>;

class RecordTable {
public:
    // array: an array, or the records of JSON Lines (broken lines are left out).
    RecordTable(const BigDocument& doc, const Node& array);

    // Reads the column names from the first `rows` records (0: from all of them). False
    // when progress stopped it (the columns found so far stay).
    bool readColumns(uint64_t rows = 0, const TableProgress& progress = {});
    const std::vector<std::string>& columns() const { return m_columns; }
    uint64_t rowCount() const { return m_rows; }

    // Visits the records from row `from` on, in order; visit returns false to stop.
    void forEachRecord(uint64_t from, const std::function<bool(const Node& record)>& visit) const;
    // A record's cells, one per column (a name not among the columns is left out).
    std::vector<TableCell> cells(const Node& record) const;
    // One cell of a record.
    TableCell cell(const Node& record, std::size_t column) const;

    // The rows in the order of one column: numbers first, by value; then every other
    // text, by its bytes (code point order); missing cells last. Ties keep the file's
    // order. Descending turns the first two groups round; missing cells stay last.
    // Empty when progress stopped it.
    std::vector<uint64_t> sortedRows(std::size_t column, bool descending, const TableProgress& progress = {}) const;

private:
    void addColumn(std::string name);
    std::size_t columnOf(const std::string& name) const;
    TableCell valueCell(const Node& node) const;

    const BigDocument& m_doc;
    Node m_array;
    uint64_t m_rows = 0;
    // Names looked up by view, so a name without escapes costs no copy.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> m_columns;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> m_columnIndex;
    // The column of a member's name as the file writes it (escapes decoded when it has any).
    std::size_t columnOfRaw(std::string_view raw) const;
};

// The characters of a JSON string's contents (escapes decoded; a lone surrogate escape
// becomes U+FFFD), in UTF-8.
std::string decodeJsonString(std::string_view contents);

} // namespace tess::big
