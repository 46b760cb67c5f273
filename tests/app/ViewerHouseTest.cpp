// Each tab's controller and the big road around it: a big load wins over a parse still
// running, the expansion question outlives a model replaced meanwhile, a job that throws
// is a status message, big values are copied whole (or refused, said before), a file
// that changes while shown is let go, and JSON Lines paths work with jq.
#include "ViewerFixture.h"
#include "app/BigTabs.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/ValueBox.h"

#include <QFileDialog>
#include <QMessageBox>

#include <cstdlib>
#include <new>
#include <unistd.h>

namespace tess::testing {
namespace {

struct Threshold {
    explicit Threshold(const char* bytes) { ::setenv("TESSARINE_BIG_THRESHOLD", bytes, 1); }
    ~Threshold() { ::unsetenv("TESSARINE_BIG_THRESHOLD"); }
};

void waitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000 && !done(); ++i)
        QTest::qWait(10);
    settle();
}

bool openBig(Viewer& v, const std::string& path)
{
    if (!v.window->loadFileIntoCurrentSlot(path))
        return false;
    waitUntil([&] { return !v.window->bigLoadRunning(); });
    return v.window->slot(v.window->currentSlot()).big != nullptr;
}

BigTreeModel* bigModel(Viewer& v)
{
    return v.window->slot(v.window->currentSlot()).big;
}

void selectRow(Viewer& v, const QModelIndex& at)
{
    v.tree().selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    settle();
}

std::string records(int n)
{
    std::string s = "[";
    for (int i = 0; i < n; ++i)
        s += i ? ",{\"a\":[1,2]}" : "{\"a\":[1,2]}";
    return s + "]";
}

TEST(ViewerHouse, ABigLoadDropsAParseStillRunningForTheTab)
{
    TempDir dir;
    Threshold threshold("16");
    writeFile(dir.file("big.json"), R"({"big":[1,2,3,4,5]})");
    Viewer v(dir.str());
    v.window->setBackgroundLoadBytes(64);
    v.window->loadTextIntoCurrentSlot(records(200000));
    ASSERT_TRUE(v.window->parseRunning(1));
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
    EXPECT_FALSE(v.window->parseRunning(1));
    waitUntil([&] { return !v.window->bigLoadRunning() && !v.window->parseRunning(1); });
    QTest::qWait(100);
    settle();
    ASSERT_NE(bigModel(v), nullptr) << "the earlier paste replaced the big file";
    EXPECT_EQ(v.tree().itemCount(), 0);
}

TEST(ViewerHouse, TheExpansionQuestionOutlivesAModelReplacedMeanwhile)
{
    TempDir dir;
    Threshold threshold("16");
    writeFile(dir.file("big.json"), "{\"list\":" + records(50) + "}");
    Viewer v(dir.str());
    activate(v);
    ASSERT_TRUE(openBig(v, dir.file("big.json")));
    v.window->bigTabs().askAbove = 10;
    QString asked;
    // While the question is open a paste replaces the big document, then Yes is pressed.
    answerNextDialog([&](QWidget* box) {
        if (!asked.isEmpty())
            return;
        asked = static_cast<QMessageBox*>(box)->text();
        v.window->loadTextIntoCurrentSlot("[\"pasted\"]");
        static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
    });
    v.window->expandBelowSelected();
    waitUntil([&] { return !asked.isEmpty() && !v.window->taskRunning(); });
    // The count of rows, not the limit.
    EXPECT_TRUE(asked.contains(QStringLiteral("200")) || asked.contains(QStringLiteral("201"))) << asked.toStdString();
    EXPECT_EQ(bigModel(v), nullptr);
    EXPECT_EQ(v.caption(1), "[1]:\"pasted\"");
    EXPECT_FALSE(v.window->bigExpandRunning());
}

TEST(ViewerHouse, TheNormalRoadsQuestionDoesNotExpandADocumentLoadedMeanwhile)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"a\":{\"b\":[1,2]},\"c\":{\"d\":[3]}}");
    v.window->setExpandAskLimit(1);
    bool asked = false;
    answerNextDialog([&](QWidget* box) {
        if (asked)
            return;
        asked = true;
        v.window->loadTextIntoCurrentSlot("{\"x\":{\"y\":[1,2,3]},\"z\":{\"w\":[4]}}");
        static_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click();
    });
    v.window->expandBelowSelected();
    waitUntil([&] { return asked && !v.window->taskRunning(); });
    ASSERT_EQ(v.caption(1), "x");
    EXPECT_FALSE(v.tree().isExpanded(v.tree().treeModel().indexOfItem(1))) << "expanded the new document";
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"树页的文档已更换，未展开"));
}

TEST(ViewerHouse, AJobThatThrowsIsSaidInTheStatusLine)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"[1]");
    v.window->tab(1).start(TabJob::Copy, [](BackgroundJob::Control&) -> BackgroundJob::Finish { throw std::bad_alloc(); });
    waitUntil([&] { return !v.window->taskRunning(); });
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"内存不足"))) << v.window->statusText().toStdString();
    EXPECT_EQ(v.caption(1), "[1]:1");
}

TEST(ViewerHouse, BigValuesAreCopiedWholeOrRefusedWithTheirSize)
{
    TempDir dir;
    Threshold threshold("16");
    const std::string text(5'000'000, 'x');
    writeFile(dir.file("big.json"), "{\"s\":\"" + text + "\",\"n\":1}");
    Viewer v(dir.str());
    activate(v);
    ASSERT_TRUE(openBig(v, dir.file("big.json")));
    const QModelIndex root = bigModel(v)->index(0, 0);
    selectRow(v, bigModel(v)->index(0, 0, root));
    const QString shown = v.control<ValueBox>(u8"编辑框路径数据")->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("5000002"))) << "the value's size in the file, not the box's share";
    QApplication::clipboard()->clear();
    v.window->copyValue();
    EXPECT_TRUE(v.window->taskRunning());
    waitUntil([&] { return !v.window->taskRunning(); });
    EXPECT_EQ(QApplication::clipboard()->text().size(), static_cast<qsizetype>(text.size()));
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"已复制全部")));
    // Above the bound nothing is copied, and the status line says why.
    v.window->bigTabs().copyMostBytes = 1'000'000;
    QApplication::clipboard()->setText(QStringLiteral("before"));
    v.window->copyFormattedValue();
    EXPECT_FALSE(v.window->taskRunning());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"超过复制的上限"))) << v.window->statusText().toStdString();
    // Esc stops a copy, which then leaves the clipboard alone.
    v.window->bigTabs().copyMostBytes = uint64_t(1) << 30;
    v.window->copyDecodedValue();
    ASSERT_TRUE(v.window->taskRunning());
    v.window->stopTask();
    waitUntil([&] { return !v.window->taskRunning(); });
    QTest::qWait(50);
    settle();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST(ViewerHouse, AFileThatChangesWhileShownIsLetGoAndReadAgainOnRequest)
{
    TempDir dir;
    Threshold threshold("16");
    const std::string path = dir.file("big.json");
    const std::string before = R"({"first":[1,2,3],"second":"text"})";
    Viewer v(dir.str());
    activate(v);
    const struct {
        std::function<void()> change;
        bool readAgain;
    } changes[] = {
        {[&] { ::truncate(path.c_str(), 10); }, false},                                   // cut short
        {[&] { writeFile(path, R"({"first":[7,8,9],"second":"TEXT"})"); }, true},          // rewritten, same size
    };
    for (const auto& c : changes) {
        writeFile(path, before);
        ASSERT_TRUE(openBig(v, path));
        const QModelIndex root = bigModel(v)->index(0, 0);
        selectRow(v, bigModel(v)->index(1, 0, root));
        c.change();
        bool asked = false;
        answerNextDialog([&](QWidget* box) {
            asked = true;
            static_cast<QMessageBox*>(box)->button(c.readAgain ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        // Any reading of the file notices: here the status line's refresh.
        v.window->updateStatus();
        EXPECT_EQ(bigModel(v), nullptr);
        EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"大文件已改变"))) << v.window->statusText().toStdString();
        ASSERT_EQ(v.tree().itemCount(), 1);
        EXPECT_TRUE(qt::toQString(v.tree().treeModel().itemCaption(0)).startsWith(qt::ui(u8"大文件已改变")));
        waitUntil([&] { return asked && !v.window->bigLoadRunning(); });
        EXPECT_TRUE(asked);
        if (c.readAgain) {
            ASSERT_NE(bigModel(v), nullptr);
            const QModelIndex again = bigModel(v)->index(0, 0);
            selectRow(v, bigModel(v)->index(1, 0, again));
            EXPECT_EQ(v.control<ValueBox>(u8"编辑框路径数据")->toPlainText(), QStringLiteral("TEXT"));
        } else {
            EXPECT_EQ(bigModel(v), nullptr);
        }
    }
}

TEST(ViewerHouse, JsonLinesPathsForJqAndTheOpenDialogsFilter)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"a\":1}\n[2]\n{bad\n{\"a\":{\"b\":[5,6]}}\n");
    ASSERT_NE(bigModel(v), nullptr);
    const QModelIndex root = bigModel(v)->index(0, 0);
    const QModelIndex record = bigModel(v)->index(3, 0, root);
    const QModelIndex a = bigModel(v)->index(0, 0, record);
    const QModelIndex b = bigModel(v)->index(0, 0, a);
    selectRow(v, bigModel(v)->index(1, 0, b));
    v.window->copyPathAs(static_cast<int>(PathStyle::Jq));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("jq -cnR 'nth(3; inputs) | fromjson | .a.b[1]'"));
    QStringList filters;
    answerNextDialog([&](QWidget* dialog) {
        filters = static_cast<QFileDialog*>(dialog)->nameFilters();
        static_cast<QFileDialog*>(dialog)->reject();
    });
    v.window->openFileDialog();
    ASSERT_FALSE(filters.isEmpty());
    for (const char* pattern : {"*.json ", "*.jsonl", "*.ndjson", "*.geojson"})
        EXPECT_TRUE(filters.first().contains(QLatin1String(pattern))) << pattern;
}

TEST(ViewerHouse, TheErrorsPlaceComesBeforeTheSelectedNodeInTheStatusLine)
{
    TempDir dir;
    Threshold threshold("16");
    writeFile(dir.file("bad.json"), R"({"a":[1,2,3],"b":tru})");
    Viewer v(dir.str());
    ASSERT_TRUE(openBig(v, dir.file("bad.json")));
    const QModelIndex root = bigModel(v)->index(0, 0);
    selectRow(v, bigModel(v)->index(0, 0, root));
    const QString status = v.window->statusText();
    const qsizetype error = status.indexOf(qt::ui(u8"JSON 有误"));
    const qsizetype node = status.indexOf(QStringLiteral("  |  "));
    ASSERT_GE(error, 0) << status.toStdString();
    ASSERT_GE(node, 0) << status.toStdString();
    EXPECT_LT(error, node) << "a long line would cut the error's place off";
    EXPECT_TRUE(status.contains(qt::ui(u8"第 1 行第 "))) << status.toStdString();
}

TEST(ViewerHouse, ARememberedBigFileThatChangedKeepsSayingSo)
{
    TempDir dir;
    Threshold threshold("16");
    const std::string path = dir.file("big.json");
    writeFile(path, R"({"first":[1,2,3]})");
    {
        Viewer v(dir.str());
        ASSERT_TRUE(openBig(v, path));
        v.closeWindow();
    }
    writeFile(path, R"({"first":[1,2,3,4]})");
    Viewer v(dir.str());
    settle();
    ASSERT_EQ(bigModel(v), nullptr);
    // Away to another tab and back: the status line still says what happened and how to go on.
    v.window->tabs()->setCurrentIndex(1);
    settle();
    v.window->tabs()->setCurrentIndex(0);
    settle();
    EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"大文件已改变"))) << v.window->statusText().toStdString();
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("Ctrl+O")));
}

} // namespace
} // namespace tess::testing
