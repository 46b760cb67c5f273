// Arrays of records as a table: columns and cells (a tolerant text written out as standard
// JSON first), the sort order of a column on both sides of the worker's threshold, a row
// click selecting its element in the tree on either road, TSV copies and CSV files.
#include "ViewerFixture.h"
#include "app/RecordTableCommand.h"
#include "app/RecordTableWindow.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/RecordTableModel.h"

#include <QHeaderView>
#include <QTableView>

#include <cstdlib>
#include <random>

namespace tess::testing {
namespace {

QString cellText(RecordTableWindow& t, int row, int column)
{
    return t.model().data(t.model().index(row, column)).toString();
}

QStringList columnNames(RecordTableWindow& t)
{
    QStringList names;
    for (int c = 0; c < t.model().columnCount(); ++c)
        names << t.model().headerData(c, Qt::Horizontal).toString();
    return names;
}

bool waitIdle(RecordTableWindow& t)
{
    for (int i = 0; i < 3000 && t.busy(); ++i)
        QTest::qWait(10);
    settle();
    return !t.busy();
}

void selectItem(Viewer& v, const char* names)
{
    const int item = itemAt(v, names);
    ASSERT_GE(item, 0) << names;
    v.tree().selectItem(item);
    settle();
}

TEST(ViewerTable, ColumnsInFirstSeenOrderAndCellsAsText)
{
    TempDir dir;
    Viewer v(dir.str());
    // Unquoted and single-quoted names and a trailing comma: the table reads the strict copy.
    v.paste(u8R"({list:[{b:1,'a':"x,y"},{a:"中文",c:[1,{d:2}],},{b:true,e:null},7]})");
    selectItem(v, "list");
    RecordTableWindow* t = openRecordTable(*v.window);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(columnNames(*t), (QStringList{"b", "a", "c", "e", "."}));
    ASSERT_EQ(t->model().rowCount(), 4);
    EXPECT_EQ(cellText(*t, 0, 0), "1");
    EXPECT_EQ(cellText(*t, 0, 1), "x,y");
    EXPECT_EQ(cellText(*t, 1, 1), QString::fromUtf8("中文"));
    EXPECT_EQ(cellText(*t, 1, 2), R"([1,{"d":2}])");
    EXPECT_EQ(cellText(*t, 2, 0), "true");
    EXPECT_EQ(cellText(*t, 2, 3), "null");
    EXPECT_EQ(cellText(*t, 3, 4), "7");
    EXPECT_EQ(cellText(*t, 1, 0), "");
    EXPECT_EQ(t->model().headerData(0, Qt::Vertical).toString(), "1"); // counted as the tree counts
    t->close();

    // A scalar, or an array of scalars, is no table.
    selectItem(v, "list/[4]");
    EXPECT_EQ(openRecordTable(*v.window), nullptr);
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"不是对象的数组")));
}

// Numbers by value, then texts by their bytes, missing cells last; ties in the array's
// order; descending turns the first two groups round. Below and above the worker's threshold.
TEST(ViewerTable, SortOrderOfAColumn)
{
    for (const int rows : {300, 25000}) {
        std::mt19937 random(static_cast<unsigned>(rows));
        std::string json = "[";
        struct Expected {
            int group; // 0 number, 1 text, 2 missing
            double number;
            std::string text;
            int element;
        };
        std::vector<Expected> expected;
        for (int i = 0; i < rows; ++i) {
            json += i ? ",{" : "{";
            json += "\"id\":" + std::to_string(i);
            const int kind = static_cast<int>(random() % 3);
            const int value = static_cast<int>(random() % 50) - 25;
            if (kind == 0) {
                const std::string number = std::to_string(value) + (value % 2 ? ".5" : "");
                json += ",\"v\":" + number;
                expected.push_back({0, std::stod(number), {}, i});
            } else if (kind == 1) {
                const std::string text = "t" + std::to_string(value);
                json += ",\"v\":\"" + text + "\"";
                expected.push_back({1, 0, text, i});
            } else {
                expected.push_back({2, 0, {}, i});
            }
            json += "}";
        }
        json += "]";
        TempDir dir;
        Viewer v(dir.str());
        QApplication::clipboard()->setText(QString::fromStdString(json));
        QTest::mouseClick(v.control<QPushButton>(u8"按钮粘贴JSON树"), Qt::LeftButton);
        for (int i = 0; i < 1000 && v.window->parseRunning(v.window->currentSlot()); ++i)
            QTest::qWait(10);
        settle();
        RecordTableWindow* t = openRecordTable(*v.window);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(t->model().rowCount(), rows);
        for (const bool descending : {false, true}) {
            t->sortBy(1, descending);
            ASSERT_TRUE(waitIdle(*t));
            std::vector<Expected> want = expected;
            std::stable_sort(want.begin(), want.end(), [descending](const Expected& a, const Expected& b) {
                if (a.group != b.group)
                    return a.group < b.group;
                if (a.group == 0)
                    return descending ? a.number > b.number : a.number < b.number;
                if (a.group == 1)
                    return descending ? a.text > b.text : a.text < b.text;
                return false;
            });
            for (int r = 0; r < rows; ++r)
                ASSERT_EQ(t->model().elementOfRow(r), static_cast<uint64_t>(want[static_cast<std::size_t>(r)].element))
                    << rows << " rows, row " << r << (descending ? " descending" : "");
            // The cells follow the order.
            EXPECT_EQ(cellText(*t, 0, 0).toInt(), want[0].element);
        }
    }
}

void clickRow(RecordTableWindow& t, int row)
{
    QTableView* view = t.view();
    view->scrollTo(t.model().index(row, 0));
    const QRect cell = view->visualRect(t.model().index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    settle();
}

TEST(ViewerTable, RowClickSelectsTheElementInTheTree)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8R"({"x":{"rows":[{"n":"b"},{"n":"c"},{"n":"a"}]}})");
    selectItem(v, "x/rows");
    RecordTableWindow* t = openRecordTable(*v.window);
    ASSERT_NE(t, nullptr);
    t->show();
    t->sortBy(0, false); // a, b, c: row 0 is element 2
    clickRow(*t, 0);
    EXPECT_EQ(v.caption(v.tree().selectedItem()), "[3]");
    EXPECT_EQ(v.caption(v.tree().selectedItem() + 1), "n:\"a\"");
    clickRow(*t, 2);
    EXPECT_EQ(v.caption(v.tree().selectedItem() + 1), "n:\"c\"");

    // The tab loads another document: a click no longer selects anything there.
    v.paste(u8R"([{"n":1}])");
    clickRow(*t, 0);
    EXPECT_EQ(v.tree().selectedItem(), -1);
}

TEST(ViewerTable, BigRoadJsonLinesRowsAndClicks)
{
    ::setenv("TESSARINE_BIG_THRESHOLD", "1", 1);
    TempDir dir;
    std::string lines;
    for (int i = 0; i < 2000; ++i)
        lines += "{\"i\":" + std::to_string(i) + (i == 1500 ? ",\"late\":1" : "") + ",\"s\":\"r" + std::to_string(i) + "\"}\n";
    writeFile(dir.file("log.jsonl"), lines);
    Viewer v(dir.str());
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("log.jsonl")));
    for (int i = 0; i < 500 && v.window->bigLoadRunning(); ++i)
        QTest::qWait(10);
    settle();
    ::unsetenv("TESSARINE_BIG_THRESHOLD");
    BigTreeModel* model = v.window->slot(v.window->currentSlot()).big;
    ASSERT_NE(model, nullptr);
    RecordTableWindow* t = openRecordTable(*v.window);
    ASSERT_NE(t, nullptr);
    // Columns from the first records read: the member of record 1500 is not one.
    EXPECT_EQ(columnNames(*t), (QStringList{"i", "s"}));
    ASSERT_EQ(t->model().rowCount(), 2000);
    EXPECT_EQ(cellText(*t, 1999, 1), "r1999");
    EXPECT_EQ(cellText(*t, 130, 0), "130");
    t->show();
    t->sortBy(0, true);
    clickRow(*t, 0); // record 1999
    const QModelIndex selected = v.tree().selectedIndex();
    ASSERT_TRUE(selected.isValid());
    EXPECT_EQ(model->nodeOf(selected).line, 2000u);
}

TEST(ViewerTable, CopiesAsTsvAndSavesAsCsv)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8R"([{"a":"x\ty","b":"say \"hi\""},{"a":"1,2","b":"line\nbreak"},{"a":" pad"}])");
    RecordTableWindow* t = openRecordTable(*v.window);
    ASSERT_NE(t, nullptr);
    t->copyRows();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "a\tb\n\"x\ty\"\t\"say \"\"hi\"\"\"\n1,2\t\"line\nbreak\"\n\" pad\"\t\n");
    // Only the selected rows, in the order shown.
    t->view()->selectRow(1);
    t->copyRows();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "a\tb\n1,2\t\"line\nbreak\"\n");

    t->sortBy(0, false);
    const std::string path = dir.file("t.csv");
    t->saveCsv(path, true);
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF"
                              "a,b\r\n\" pad\",\r\n\"1,2\",\"line\nbreak\"\r\nx\ty,\"say \"\"hi\"\"\"\r\n");
    t->saveCsv(path, false);
    EXPECT_EQ(readFile(path).substr(0, 5), "a,b\r\n");
    // A folder that does not exist: said, nothing written.
    t->saveCsv(dir.file("none/t.csv"), false);
    EXPECT_TRUE(t->statusText().contains(qt::ui(u8"无法写入文件")));
}

} // namespace
} // namespace tess::testing
