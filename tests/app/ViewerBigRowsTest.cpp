// Rows of a big tab in the window: every child of a large container is a row from the
// start (End reaches the last one, a far jump reads only the rows around its target), and
// a collapse or a stopped expansion leaves nothing open below that would come back.
#include "ViewerFixture.h"
#include "tree/widgets/BigCollapse.h"
#include "tree/widgets/BigTreeModel.h"

#include <QElapsedTimer>
#include <QRadioButton>
#include <cstdlib>

namespace tess::testing {
namespace {

struct Threshold {
    explicit Threshold(const char* bytes) { ::setenv("TESSARINE_BIG_THRESHOLD", bytes, 1); }
    ~Threshold() { ::unsetenv("TESSARINE_BIG_THRESHOLD"); }
};

void waitForBigWork(Viewer& v)
{
    QElapsedTimer clock;
    clock.start();
    while ((v.window->bigLoadRunning() || v.window->bigFindRunning() || v.window->bigExpandRunning() ||
            BigCollapse::runningOn(v.tree())) &&
           clock.elapsed() < 30000)
        QTest::qWait(5);
    settle();
}

BigTreeModel* openBig(Viewer& v, const std::string& path)
{
    if (!v.window->loadFileIntoCurrentSlot(path))
        return nullptr;
    waitForBigWork(v);
    return v.window->slot(v.window->currentSlot()).big;
}

QString selectedCaption(Viewer& v)
{
    return v.tree().model()->data(v.tree().selectedIndex()).toString();
}

void goToPath(Viewer& v, const char* path)
{
    v.control<QLineEdit>(u8"编辑框路径")->setText(QString::fromUtf8(path));
    v.window->goToTypedPath();
    settle();
}

TEST(ViewerBigRows, EveryChildOfALargeMiddleArrayIsReachedAndFarOnesAlone)
{
    constexpr int kCount = 100000;
    TempDir dir;
    Threshold threshold("1");
    std::string json = R"({"data":{"items":[)";
    for (int i = 0; i < kCount; ++i)
        json += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(i) + "}";
    json += R"(],"next":"x"},"tail":1})";
    writeFile(dir.file("big.json"), json);
    Viewer v(dir.str());
    BigTreeModel* model = openBig(v, dir.file("big.json"));
    ASSERT_NE(model, nullptr);

    // End goes to the tree's last row; just above the array's next member is its last child.
    goToPath(v, "data.items");
    v.tree().expand(v.tree().selectedIndex());
    QTest::keyClick(&v.tree(), Qt::Key_End);
    const QModelIndex last = v.tree().currentIndex();
    EXPECT_EQ(v.tree().model()->data(last).toString(), QStringLiteral("tail:1"));
    const QModelIndex next = v.tree().indexAbove(last);
    EXPECT_EQ(v.tree().model()->data(next).toString(), QStringLiteral("next:\"x\""));
    EXPECT_EQ(v.tree().model()->data(v.tree().indexAbove(next)).toString(), QStringLiteral("[100000]"));
    // And Up from there walks the array's children one by one.
    v.tree().setCurrentIndex(v.tree().indexAbove(next));
    QTest::keyClick(&v.tree(), Qt::Key_Up);
    EXPECT_EQ(v.tree().model()->data(v.tree().currentIndex()).toString(), QStringLiteral("[99999]"));

    // A typed path and a find hit far inside: selected, and only their blocks of rows read.
    const std::size_t before = model->itemsRead();
    goToPath(v, "data.items.[85000].id");
    EXPECT_EQ(selectedCaption(v), QStringLiteral("id:84999"));
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QStringLiteral("id:99990"));
    v.control<QRadioButton>(u8"单选框默认")->setChecked(true);
    v.window->findInTree(false);
    waitForBigWork(v);
    EXPECT_EQ(selectedCaption(v), QStringLiteral("id:99990"));
    EXPECT_LE(model->itemsRead(), before + 3u * BigTreeModel::kBlockRows);
}

// Collapse, then open again or jump inside: only the rows on the way are open, not what
// an expand-all had opened below. Esc while an expansion opens containers closes them again.
TEST(ViewerBigRows, CollapseAndStoppedExpansionLeaveNothingOpenBelow)
{
    TempDir dir;
    Threshold threshold("1");
    writeFile(dir.file("small.json"), R"({"a":[{"b":[1,2]},{"c":{"d":[3]}}],"e":1})");
    Viewer v(dir.str());
    BigTreeModel* model = openBig(v, dir.file("small.json"));
    ASSERT_NE(model, nullptr);
    const QModelIndex root = model->index(0, 0);
    const QModelIndex a = model->index(0, 0, root);
    v.tree().setCurrentIndex(a);
    v.window->expandBelowSelected();
    waitForBigWork(v);
    const QModelIndex first = model->index(0, 0, a);
    const QModelIndex second = model->index(1, 0, a);
    const QModelIndex c = model->index(0, 0, second);
    ASSERT_TRUE(v.tree().isExpanded(first));
    ASSERT_TRUE(v.tree().isExpanded(c));

    v.window->collapseBelowSelected();
    waitForBigWork(v);
    EXPECT_FALSE(v.tree().isExpanded(a));
    v.tree().expand(a);
    EXPECT_FALSE(v.tree().isExpanded(first));
    EXPECT_FALSE(v.tree().isExpanded(second));
    v.tree().setCurrentIndex(a);
    v.window->collapseBelowSelected();
    waitForBigWork(v);
    goToPath(v, "a.[2].c.d.[1]");
    EXPECT_EQ(selectedCaption(v), QStringLiteral("[1]:3"));
    EXPECT_TRUE(v.tree().isExpanded(c));
    EXPECT_FALSE(v.tree().isExpanded(first));

    // Esc while the containers are being opened (the first record is open, not yet the
    // top): the top opens with its own children only.
    std::string json = "[";
    for (int i = 0; i < 60000; ++i)
        json += (i ? ",{\"k\":[" : "{\"k\":[") + std::to_string(i) + "]}";
    json += "]";
    writeFile(dir.file("big.json"), json);
    model = openBig(v, dir.file("big.json"));
    ASSERT_NE(model, nullptr);
    const QModelIndex top = model->index(0, 0);
    const QModelIndex record = model->index(0, 0, top);
    v.tree().setCurrentIndex(top);
    v.window->expandBelowSelected();
    QElapsedTimer clock;
    clock.start();
    while (v.window->bigExpandRunning() && !v.tree().isExpanded(record) && clock.elapsed() < 30000)
        QTest::qWait(1);
    ASSERT_TRUE(v.window->bigExpandRunning());
    v.window->cancelBigLoad();
    waitForBigWork(v);
    EXPECT_TRUE(v.tree().isExpanded(top));
    EXPECT_FALSE(v.tree().isExpanded(record));
    EXPECT_FALSE(v.tree().isExpanded(model->index(0, 0, record)));
}

} // namespace
} // namespace tess::testing
