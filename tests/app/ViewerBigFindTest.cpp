// Find and expansion on the big-document road against the normal road: the same nodes
// for every mode and direction, Esc stopping the worker, and asking before a large
// expansion.
#include "ViewerFixture.h"
#include "app/BigTabs.h"
#include "tree/widgets/BigTreeModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <cstdlib>

namespace tess::testing {
namespace {

struct Threshold {
    explicit Threshold(const char* bytes) { ::setenv("TESSARINE_BIG_THRESHOLD", bytes, 1); }
    ~Threshold() { ::unsetenv("TESSARINE_BIG_THRESHOLD"); }
};

void waitForBigWork(Viewer& v)
{
    for (int i = 0; i < 3000 && (v.window->bigLoadRunning() || v.window->bigFindRunning() || v.window->bigExpandRunning());
         ++i)
        QTest::qWait(5);
    settle();
}

// A random document whose captions hold the find texts below in many ways: in names and
// values, across the ":", in any case, after an escaped quote, and past the part of a
// long value that find searches.
std::string randomDocument(std::mt19937& rng)
{
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const char* const words[] = {"Alpha", "beta", "needle", "NEEDLE", "a\\\"b", "中文", "x", "ab", "Eab", "9"};
    std::function<void(std::string&, int)> value = [&](std::string& out, int depth) {
        const int kind = depth == 0 ? 0 : depth > 3 ? 2 + pick(4) : pick(6);
        if (kind < 2) {
            out += kind == 0 ? '{' : '[';
            for (int i = 0, n = depth == 0 ? 12 : pick(6); i < n; ++i) {
                out += i ? "," : "";
                if (kind == 0)
                    out += "\"" + std::string(words[pick(10)]) + std::to_string(i) + "\":";
                value(out, depth + 1);
            }
            out += kind == 0 ? '}' : ']';
        } else if (kind == 2) {
            out += "\"" + std::string(words[pick(10)]) + " " + words[pick(10)] + "\"";
        } else if (kind == 3) {
            // a long value: the word lies inside the searched part of the caption or past it
            std::string s;
            for (int i = 0, n = 150 + pick(150); i < n; ++i)
                s += "长";
            out += "\"" + s + "needle\"";
        } else {
            out += std::to_string(pick(300) - 100);
        }
    };
    std::string doc;
    value(doc, 0);
    return doc;
}

struct Query {
    const char* text;
    int mode; // 0 plain, 1 wildcard, 2 regular expression
    bool ignoreCase;
};

// The paths the path box shows after each of four finds forward and three backward,
// from the root.
QStringList findSteps(Viewer& v, const Query& q)
{
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QString::fromUtf8(q.text));
    const char8_t* modes[] = {u8"单选框默认", u8"单选框通配", u8"单选框正则"};
    v.control<QRadioButton>(modes[q.mode])->setChecked(true);
    v.control<QCheckBox>(u8"选择框忽略大小写")->setChecked(q.ignoreCase);
    v.tree().setCurrentIndex(v.tree().model()->index(0, 0));
    settle();
    QStringList steps;
    for (const bool backward : {false, false, false, false, true, true, true}) {
        v.window->findInTree(backward);
        waitForBigWork(v);
        steps << v.control<QLineEdit>(u8"编辑框路径")->text();
    }
    return steps;
}

TEST(ViewerBigFind, StopsWhereTheNormalRoadStops)
{
    const Query queries[] = {
        {"needle", 0, false}, {"NEEDLE", 0, true}, {"9:\"", 0, false},  {"b\"", 0, false},     {"[2]", 0, false},
        {"中文", 0, false},   {"SYH", 0, false},   {"ab", 0, true},     {"JSON", 0, false},    {"n*E", 1, true},
        {"?9:", 1, false},    {"a?b", 1, false},   {"^\\[\\d\\]:\\d", 2, false}, {"al|ee", 2, true}, {"beta", 2, false},
    };
    TempDir dir;
    Viewer v(dir.str());
    std::mt19937 rng(17);
    int compared = 0;
    for (int round = 0; round < 4; ++round) {
        const std::string json = randomDocument(rng);
        writeFile(dir.file("doc.json"), json);
        QStringList steps[2][std::size(queries)];
        for (const bool bigRoad : {false, true}) {
            Threshold threshold(bigRoad ? "1" : "100000000");
            ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("doc.json")));
            waitForBigWork(v);
            ASSERT_EQ(v.window->slot(v.window->currentSlot()).big != nullptr, bigRoad);
            for (std::size_t q = 0; q < std::size(queries); ++q)
                steps[bigRoad][q] = findSteps(v, queries[q]);
        }
        for (std::size_t q = 0; q < std::size(queries); ++q) {
            EXPECT_EQ(steps[1][q], steps[0][q]) << queries[q].text << " in " << json;
            compared += QSet<QString>(steps[0][q].begin(), steps[0][q].end()).size() > 2;
        }
    }
    EXPECT_GT(compared, 20); // many searches stop at several nodes

}

// The captions of the rows a view shows, in order, each indented by its depth.
QStringList shownRows(QTreeView& view)
{
    QStringList rows;
    QAbstractItemModel* model = view.model();
    std::function<void(const QModelIndex&, int)> add = [&](const QModelIndex& parent, int depth) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex idx = model->index(r, 0, parent);
            rows << QString(depth, ' ') + (parent.isValid() ? model->data(idx).toString() : QStringLiteral("root"));
            if (view.isExpanded(idx))
                add(idx, depth + 1);
        }
    };
    add(QModelIndex(), 0);
    return rows;
}

// Expand all below a node and the levels show the rows the normal road shows.
TEST(ViewerBigFind, ExpansionShowsTheRowsOfTheNormalRoad)
{
    TempDir dir;
    Viewer v(dir.str());
    std::mt19937 rng(5);
    const std::string json = randomDocument(rng);
    writeFile(dir.file("doc.json"), json);
    // level, or 0 for expand all below the node the path names
    const struct {
        int level;
        const char* path;
    } steps[] = {{0, ""}, {1, ""}, {3, ""}, {2, ""}, {0, "NEEDLE2"}, {0, "NEEDLE2.needle1"}};
    QStringList shown[2];
    for (const bool bigRoad : {false, true}) {
        Threshold threshold(bigRoad ? "1" : "100000000");
        ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("doc.json")));
        waitForBigWork(v);
        ASSERT_EQ(v.window->slot(v.window->currentSlot()).big != nullptr, bigRoad);
        for (const auto& step : steps) {
            if (step.level > 0) {
                v.window->expandTreeToLevel(step.level);
            } else {
                v.window->collapseBelowSelected();
                v.control<QLineEdit>(u8"编辑框路径")->setText(QString::fromUtf8(step.path));
                if (*step.path)
                    v.window->goToTypedPath();
                else
                    v.tree().setCurrentIndex(v.tree().model()->index(0, 0));
                v.window->expandBelowSelected();
            }
            waitForBigWork(v);
            shown[bigRoad] << shownRows(v.tree()).join('\n');
        }
    }
    ASSERT_EQ(shown[0].size(), shown[1].size());
    for (int k = 0; k < shown[0].size(); ++k)
        EXPECT_EQ(shown[1][k], shown[0][k]) << "step " << k;
    EXPECT_GT(shown[0][0].count('\n'), 25); // the whole document was shown
}

// Above the limit the user is asked first, No by default; Esc stops the counting, the
// reading and the opening, and a running find.
TEST(ViewerBigFind, AsksBeforeManyRowsAndEscStopsTheWork)
{
    TempDir dir;
    Threshold threshold("1");
    std::string json = "[";
    for (int i = 0; i < 60000; ++i)
        json += (i ? ",{\"k\":[" : "{\"k\":[") + std::to_string(i) + "]}";
    json += "]";
    writeFile(dir.file("big.json"), json);
    Viewer v(dir.str());
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
    waitForBigWork(v);
    BigTreeModel* model = v.window->slot(v.window->currentSlot()).big;
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(0, 0);
    v.tree().setCurrentIndex(root);

    // Esc while the containers are read: the root opens with its own children.
    v.window->expandBelowSelected();
    for (int i = 0; i < 2000 && v.window->bigExpandRunning() && model->itemsRead() < 20000; ++i)
        QTest::qWait(2);
    ASSERT_TRUE(v.window->bigExpandRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->bigExpandRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止展开"));
    settle();
    EXPECT_TRUE(v.tree().isExpanded(root));
    EXPECT_LT(model->itemsRead(), 180001u); // not every container was read

    // A regular expression walks every node: Esc ends the worker, the selection stays.
    v.tree().setCurrentIndex(root);
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QStringLiteral("^k:x"));
    v.control<QRadioButton>(u8"单选框正则")->setChecked(true);
    v.window->findInTree(false);
    ASSERT_TRUE(v.window->bigFindRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->bigFindRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止查找"));
    settle();
    EXPECT_EQ(v.tree().selectedIndex(), root);

    // Two tasks at once (a sliced expansion in another tab, the find here): one Esc stops both.
    QTabWidget* tabs = v.window->tabs();
    tabs->setCurrentIndex(1);
    std::string records = "[";
    for (int i = 0; i < 3000; ++i)
        records += i ? ",{\"a\":[1]}" : "{\"a\":[1]}";
    QApplication::clipboard()->setText(QString::fromStdString(records + "]"));
    v.window->pasteIntoCurrentSlot();
    settle();
    TreeView& other = v.tree();
    other.setExpansionSliceMs(0);
    other.selectItem(0);
    v.window->expandBelowSelected();
    ASSERT_TRUE(other.expansionRunning());
    tabs->setCurrentIndex(0);
    v.tree().setCurrentIndex(root);
    v.window->findInTree(false);
    ASSERT_TRUE(v.window->bigFindRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->bigFindRunning());
    EXPECT_FALSE(other.expansionRunning());

    // Above the limit: asked first, No by default; No leaves the tree as it was.
    v.window->collapseBelowSelected();
    v.window->bigTabs().askAbove = 100;
    QString asked;
    bool noIsDefault = false;
    answerNextDialog([&](QWidget* w) {
        auto* box = static_cast<QMessageBox*>(w);
        asked = box->text();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        box->button(QMessageBox::No)->click();
    });
    v.window->expandTreeToLevel(2);
    waitForBigWork(v);
    // The rows the level would show (60,000 records and their arrays), not the limit.
    EXPECT_TRUE(asked.contains(QStringLiteral("120,000"))) << asked.toStdString();
    EXPECT_TRUE(noIsDefault);
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"未展开"));
    EXPECT_FALSE(v.tree().isExpanded(root));
    // Far above: refused without asking.
    v.window->bigTabs().refuseAbove = 1000;
    v.window->expandTreeToLevel(2);
    waitForBigWork(v);
    EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"展开后要显示的节点超过 1000 个，太多了"))) << v.window->statusText().toStdString();
    EXPECT_FALSE(v.tree().isExpanded(root));
    v.window->bigTabs().refuseAbove = 5000000;
    // Yes: the level opens.
    answerNextDialog([](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    v.window->expandTreeToLevel(2);
    waitForBigWork(v);
    EXPECT_TRUE(v.tree().isExpanded(model->index(59999, 0, root)));
    EXPECT_FALSE(v.tree().isExpanded(model->index(0, 0, model->index(0, 0, root))));
}

// Many small containers opened at once: each one's rows are read without copying every
// row read before (which made this take minutes).
TEST(ViewerBigFind, ExpandAllOfManySmallContainersEnds)
{
    TempDir dir;
    Threshold threshold("1");
    std::string json = "[";
    for (int i = 0; i < 20000; ++i)
        json += (i ? ",{\"k\":[" : "{\"k\":[") + std::to_string(i) + "]}";
    json += "]";
    writeFile(dir.file("many.json"), json);
    Viewer v(dir.str());
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("many.json")));
    waitForBigWork(v);
    BigTreeModel* model = v.window->slot(v.window->currentSlot()).big;
    ASSERT_NE(model, nullptr);
    v.tree().setCurrentIndex(model->index(0, 0));
    v.window->expandBelowSelected();
    QElapsedTimer clock;
    clock.start();
    while (v.window->bigExpandRunning() && clock.elapsed() < 30000)
        QTest::qWait(5);
    EXPECT_FALSE(v.window->bigExpandRunning());
    EXPECT_EQ(model->itemsRead(), 1u + 3u * 20000u); // root, records, their "k" and its element
    EXPECT_TRUE(v.tree().isExpanded(model->index(0, 0, model->index(19999, 0, model->index(0, 0)))));
}

// Undo after a load over a big tab brings the big file back, read again by name; undo
// again returns to the later document.
TEST(ViewerBigFind, UndoBringsABigFileBack)
{
    TempDir dir;
    Viewer v(dir.str());
    writeFile(dir.file("big.json"), R"({"big":[1,2,3]})");
    v.paste(u8"[\"first\"]");
    {
        Threshold threshold("1");
        ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
        waitForBigWork(v);
    }
    ASSERT_NE(v.window->slot(v.window->currentSlot()).big, nullptr);
    v.paste(u8"[\"second\"]");
    const auto shown = [&] {
        waitForBigWork(v);
        const bool big = v.window->slot(v.window->currentSlot()).big != nullptr;
        QAbstractItemModel* model = v.tree().model();
        return (big ? QStringLiteral("big ") : QString()) + model->data(model->index(0, 0, model->index(0, 0))).toString();
    };
    EXPECT_EQ(shown(), QStringLiteral("[1]:\"second\""));
    const QStringList expected = {"big big", "[1]:\"second\"", "big big"};
    for (const QString& after : expected) {
        v.window->undoLoad();
        EXPECT_EQ(shown(), after);
    }
    // Over the first document: undo from the big file goes back to it.
    v.paste(u8"[\"third\"]");
    v.window->undoLoad();
    EXPECT_EQ(shown(), QStringLiteral("big big"));
}

// The selected node of a big tab is selected again at the next start, found by its place
// in the file: the root, members deep down and near the top, a container.
TEST(ViewerBigFind, SelectedNodeComesBackAtStart)
{
    TempDir dir;
    Threshold threshold("1");
    writeFile(dir.file("big.json"), R"({"a":{"b":[10,{"c":"d"}]},"e":true})");
    for (const char* path : {"a.b.[2].c", "", "e", "a.b"}) {
        {
            Viewer v(dir.str());
            waitForBigWork(v);
            if (!v.window->slot(1).big) {
                ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
                waitForBigWork(v);
            }
            v.control<QLineEdit>(u8"编辑框路径")->setText(QString::fromUtf8(path));
            if (*path)
                v.window->goToTypedPath();
            else
                v.tree().setCurrentIndex(v.tree().model()->index(0, 0));
            settle();
            v.closeWindow();
        }
        Viewer v(dir.str());
        for (int i = 0; i < 500 && (v.window->bigLoadRunning() || !v.window->slot(1).big); ++i)
            QTest::qWait(5);
        settle();
        ASSERT_NE(v.window->slot(1).big, nullptr);
        EXPECT_EQ(v.control<QLineEdit>(u8"编辑框路径")->text(), QString::fromUtf8(path));
        EXPECT_TRUE(v.tree().selectedIndex().isValid()) << path;
        v.closeWindow();
    }
}

} // namespace
} // namespace tess::testing
