// The table of records: columns in first-seen order, cells as text, the sort of a column.
#include "json/big/BigDocument.h"
#include "json/big/RecordTable.h"
#include "json/big/StrictCheck.h"
#include "platform/Codec.h"

#include <gtest/gtest.h>

namespace tess::big {
namespace {

struct Table {
    explicit Table(std::string text) : bytes(std::move(text))
    {
        doc.openBytes(bytes, {});
        Node root;
        EXPECT_TRUE(doc.root(root));
        table = std::make_unique<RecordTable>(doc, root);
        table->readColumns();
    }
    // Column k of every row, in the order given.
    std::vector<std::string> column(std::size_t k, const std::vector<uint64_t>& order) const
    {
        std::vector<Node> rows;
        table->forEachRecord(0, [&](const Node& r) {
            rows.push_back(r);
            return true;
        });
        std::vector<std::string> out;
        for (const uint64_t r : order) {
            const TableCell c = table->cell(rows[r], k);
            out.push_back(c.kind == TableCell::Kind::Missing ? "-" : c.text);
        }
        return out;
    }
    std::string bytes;
    BigDocument doc;
    std::unique_ptr<RecordTable> table;
};

TEST(RecordTable, ColumnsAndCells)
{
    Table t(R"([{"id": 1, "n\u0061me": "x\ny"}, 7, {"tags": [1, {"a": null}], "id": 2.50, "name": "\ud83d\ude00"}])");
    EXPECT_EQ(t.table->columns(), (std::vector<std::string>{"id", "name", ".", "tags"}));
    EXPECT_EQ(t.table->rowCount(), 3u);
    std::vector<std::vector<std::string>> rows;
    t.table->forEachRecord(0, [&](const Node& r) {
        std::vector<std::string> cells;
        for (const TableCell& c : t.table->cells(r))
            cells.push_back(c.kind == TableCell::Kind::Missing ? "-" : c.text);
        rows.push_back(cells);
        return true;
    });
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"1", "x\ny", "-", "-"}, {"-", "-", "7", "-"}, {"2.50", "😀", "-", "[1,{\"a\":null}]"}}));
}

TEST(RecordTable, SortsNumbersByValueThenTextsThenMissing)
{
    Table t(R"([{"v": "b"}, {"v": 10}, {}, {"v": -1.5}, {"v": "10"}, {"v": 2}, {"v": "a"}, {"v": 1e1}, {"v": null}])");
    EXPECT_EQ(t.column(0, t.table->sortedRows(0, false)),
              (std::vector<std::string>{"-1.5", "2", "10", "1e1", "10", "a", "b", "null", "-"}));
    // Descending: the groups keep their order, missing cells stay last, ties keep the file's order.
    EXPECT_EQ(t.column(0, t.table->sortedRows(0, true)),
              (std::vector<std::string>{"10", "1e1", "2", "-1.5", "null", "b", "a", "10", "-"}));
}

TEST(StrictCheck, EngineTextIsCheckedAsItsUtf8)
{
    const std::string gb = codec::utf8ToGb18030("{\"中\": [1, 2,]}").text;
    const StrictCheck c = checkStrictEngineText(gb);
    ASSERT_TRUE(c.error);
    EXPECT_EQ(c.error->column, 13u); // characters, the same in either charset
    EXPECT_EQ(c.error->offset, 14u); // bytes of the UTF-8 text
    EXPECT_FALSE(checkStrictEngineText(codec::utf8ToGb18030("{\"中\": [1, 2]}").text).error);
    // Stopped by its progress callback (asked every 16 MiB, so on a large text only).
    const std::string big = "[" + std::string(40 << 20, ' ') + "]";
    EXPECT_TRUE(checkStrict(big, [](uint64_t, uint64_t) { return false; }).cancelled);
}

} // namespace
} // namespace tess::big
