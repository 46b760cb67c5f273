// The long commands of the normal road: the question before a large expansion, and
// expansions, loads, formatted copies and finds that run in the background or in
// slices, with Esc to stop them.
#include "tests/app/ViewerFixture.h"

#include "app/SlotFiles.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QMessageBox>

namespace tess::testing {
namespace {

// A document of n records {"a":[1]} in "list": 1 + 1 + 3n items.
std::string records(int n)
{
    std::string s = "{\"list\":[";
    for (int i = 0; i < n; ++i)
        s += i ? ",{\"a\":[1]}" : "{\"a\":[1]}";
    return s + "]}";
}

void pasteText(Viewer& v, const std::string& text)
{
    QApplication::clipboard()->setText(QString::fromStdString(text));
    v.window->pasteIntoCurrentSlot();
    settle();
}

void waitForParse(Viewer& v, int slot);

bool expanded(TreeView& t, int item)
{
    return t.isExpanded(t.treeModel().indexOfItem(item));
}

TEST(ViewerLongTasks, ExpandingAsksFirstWhenMoreRowsThanTheLimitWouldShow)
{
    TempDir dir;
    Viewer v(dir.str());
    // root, a, b, 1, 2, 3, c, d, e: expand all below the root shows 8 rows, level 2 five
    // (root, a, b, c, d).
    v.paste(u8"{\"a\":{\"b\":[1,2,3]},\"c\":{\"d\":{\"e\":1}}}");
    TreeView& t = v.tree();
    const int a = itemAt(v, "a"), b = itemAt(v, "a/b"), d = itemAt(v, "c/d");
    ASSERT_EQ(t.rowsBelow(0), 8);
    ASSERT_EQ(t.rowsAtLevel(2), 5);
    const struct {
        int64_t limit;
        bool level2; // else expand all below the root
        QMessageBox::StandardButton answer;
        bool asked;
        bool opened;
    } cases[] = {
        {8, false, QMessageBox::No, false, true}, {7, false, QMessageBox::No, true, false},
        {7, false, QMessageBox::Yes, true, true}, {4, true, QMessageBox::No, true, false},
        {5, true, QMessageBox::No, false, true},  {-1, false, QMessageBox::No, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "limit " << c.limit << (c.level2 ? " level 2" : " all"));
        menuAction(v, u8"第 1 层")->trigger();
        settle();
        ASSERT_FALSE(expanded(t, a));
        t.selectItem(0);
        v.window->setExpandAskLimit(c.limit);
        QString question;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                question = box->text();
                EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
                box->button(c.answer)->click();
            }
        });
        if (c.level2)
            menuAction(v, u8"第 2 层")->trigger();
        else
            menuAction(v, u8"展开全部下级")->trigger();
        settle();
        EXPECT_EQ(!question.isEmpty(), c.asked);
        if (c.asked) { // the question says how many rows
            EXPECT_TRUE(question.contains(c.level2 ? QStringLiteral("5") : QStringLiteral("8"))) << question.toStdString();
        }
        EXPECT_EQ(expanded(t, a), c.opened);
        EXPECT_EQ(expanded(t, c.level2 ? d : b), c.opened && !c.level2);
    }
    // Above the second limit: refused without a question.
    menuAction(v, u8"第 1 层")->trigger();
    settle();
    v.window->setExpandAskLimit(1);
    v.window->setExpandRefuseLimit(7);
    t.selectItem(0);
    menuAction(v, u8"展开全部下级")->trigger();
    settle();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(expanded(t, a));
    EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"展开后要显示的节点超过 7 个"))) << v.window->statusText().toStdString();
}

TEST(ViewerLongTasks, AnExpansionRunsInSlicesAndEscStopsIt)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    pasteText(v, records(3000));
    TreeView& t = v.tree();
    t.setExpansionSliceMs(0); // a slice of 256 items at most
    const int list = 1, last = t.itemCount() - 2; // the last record's array
    t.selectItem(0);
    menuAction(v, u8"展开全部下级")->trigger();
    ASSERT_TRUE(t.expansionRunning());
    EXPECT_TRUE(v.window->taskRunning());
    QCoreApplication::processEvents();
    EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"正在展开"))) << v.window->statusText().toStdString();
    // The window answers meanwhile: Ctrl+F goes to the find box.
    t.setFocus();
    QTest::keyClick(&t, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), v.control<QLineEdit>(u8"编辑框查找文本"));
    ASSERT_TRUE(t.expansionRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(t.expansionRunning());
    EXPECT_FALSE(v.window->taskRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止展开"));
    // Stopped: the item shows its children, all closed; what the walk opened is closed again.
    EXPECT_TRUE(expanded(t, 0));
    EXPECT_FALSE(expanded(t, list));
    settle();
    EXPECT_FALSE(t.collapsePending());
    t.expand(t.treeModel().indexOfItem(list));
    for (int item = list + 1; item < t.itemCount(); ++item)
        ASSERT_FALSE(expanded(t, item)) << item;

    // Not stopped, it ends with everything open.
    menuAction(v, u8"展开全部下级")->trigger();
    while (t.expansionRunning())
        QCoreApplication::processEvents();
    EXPECT_TRUE(expanded(t, last));
    EXPECT_FALSE(v.window->statusText().startsWith(qt::ui(u8"正在展开")));

    // A new document ends a running expansion; nothing of it is left.
    menuAction(v, u8"第 1 层")->trigger();
    settle();
    t.selectItem(0);
    menuAction(v, u8"展开全部下级")->trigger();
    ASSERT_TRUE(t.expansionRunning());
    pasteText(v, records(2));
    EXPECT_FALSE(t.expansionRunning());
    EXPECT_FALSE(expanded(t, 1));
    // Also one that comes from a worker while the expansion runs; the status line then
    // gives the new document's facts.
    pasteText(v, records(3000));
    t.selectItem(0);
    menuAction(v, u8"展开全部下级")->trigger();
    v.window->setBackgroundLoadBytes(64);
    v.window->loadTextIntoCurrentSlot(records(30));
    ASSERT_TRUE(t.expansionRunning());
    waitForParse(v, 1);
    EXPECT_FALSE(t.expansionRunning());
    EXPECT_EQ(t.itemCount(), 2 + 3 * 30);
    EXPECT_NE(v.window->statusText(), qt::ui(u8"已停止展开"));
}

// Runs the event loop until the tab's parse is over.
void waitForParse(Viewer& v, int slot)
{
    for (int i = 0; i < 2000 && v.window->parseRunning(slot); ++i)
        QTest::qWait(5);
    ASSERT_FALSE(v.window->parseRunning(slot));
    settle();
}

std::string source(const Viewer& v)
{
    return v.tree().sourceText.copy();
}

TEST(ViewerLongTasks, ALargeTextIsParsedInTheBackgroundWhileTheTabKeepsItsDocument)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"old\":[1,2]}");
    v.window->setBackgroundLoadBytes(64); // the texts below take the worker's road, the first did not
    const std::string big = records(20);
    v.window->loadTextIntoCurrentSlot(big);
    ASSERT_TRUE(v.window->parseRunning(1));
    EXPECT_TRUE(v.window->taskRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"正在解析…（Esc 停止）"));
    // The tab shows, and the window reads, its document meanwhile.
    EXPECT_EQ(source(v), "{\"old\":[1,2]}");
    v.tree().selectItem(2);
    EXPECT_EQ(v.control<QLineEdit>(u8"编辑框路径")->text(), QStringLiteral("old.[1]"));
    waitForParse(v, 1);
    EXPECT_EQ(source(v), big);
    EXPECT_EQ(v.tree().itemCount(), 2 + 3 * 20);
    EXPECT_EQ(v.caption(1), "list");
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("62"))) << v.window->statusText().toStdString();
    // An option change parses again and keeps the selection; undo brings back the first text.
    v.tree().selectItem(5);
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
    ASSERT_TRUE(v.window->parseRunning(1));
    waitForParse(v, 1);
    EXPECT_EQ(v.tree().selectedItem(), 5);
    EXPECT_EQ(v.caption(2), "[0]");
    v.window->undoLoad();
    waitForParse(v, 1);
    EXPECT_EQ(source(v), "{\"old\":[1,2]}");
    // A cut-off text gets its note as from the window's own parse.
    v.window->loadTextIntoCurrentSlot("{\"a\":1,\"cut\":[1,2,{\"x\":[3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]");
    waitForParse(v, 1);
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"未闭合"))) << v.window->statusText().toStdString();
}

TEST(ViewerLongTasks, EscStopsALoadAndTheTabStaysAsItWas)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"[\"kept\",1]");
    v.tree().selectItem(1);
    v.window->setBackgroundLoadBytes(64);
    v.window->loadTextIntoCurrentSlot(records(50));
    ASSERT_TRUE(v.window->parseRunning(1));
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->parseRunning(1));
    EXPECT_FALSE(v.window->taskRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止载入"));
    QTest::qWait(50); // the dropped parse ends meanwhile; its result must not come in
    settle();
    EXPECT_EQ(source(v), "[\"kept\",1]");
    EXPECT_EQ(v.tree().itemCount(), 3);
    EXPECT_EQ(v.tree().selectedItem(), 1);
    EXPECT_TRUE(v.tree().isExpanded(v.tree().treeModel().indexOfItem(0)));
    // Nothing was remembered for undo: it goes back to the empty tab before the paste.
    v.window->undoLoad();
    EXPECT_EQ(v.tree().itemCount(), 0);
}

TEST(ViewerLongTasks, TheLaterOfTwoLoadsIntoATabWins)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->setBackgroundLoadBytes(64);
    const std::string first = records(400), second = records(30);
    // A later background load, and a later small one (loaded at once), over a running one.
    for (const std::string& later : {second, std::string("[\"small\"]")}) {
        v.window->loadTextIntoCurrentSlot(first);
        ASSERT_TRUE(v.window->parseRunning(1));
        v.window->loadTextIntoCurrentSlot(later);
        waitForParse(v, 1);
        QTest::qWait(50);
        settle();
        EXPECT_EQ(source(v), later);
        EXPECT_EQ(v.tree().itemCount(), later == second ? 2 + 3 * 30 : 2);
    }
}

TEST(ViewerLongTasks, ATabWhoseTextIsStillParsedAtStartIsNotEmpty)
{
    TempDir dir;
    const std::string stored = records(50);
    writeFile(slotFilePath(dir.str(), 1), stored);
    writeFile(dir.file("start.json"), "[\"start\"]");
    Viewer v(dir.str(), false, [&](MainWindowSetup& s) { s.startFile = dir.file("start.json"); });
    v.window->setBackgroundLoadBytes(64);
    v.window->show();
    settle();
    waitForParse(v, 1);
    EXPECT_EQ(v.window->tree(1)->sourceText.copy(), stored);
    EXPECT_EQ(v.window->tree(2)->sourceText.copy(), "[\"start\"]");
}

TEST(ViewerLongTasks, AFileAtStartThatReplacesADocumentSaysSoOnceShown)
{
    TempDir dir;
    for (int n = 1; n <= MainWindow::kSlots; ++n)
        writeFile(slotFilePath(dir.str(), n), "[" + std::to_string(n) + "]");
    writeFile(dir.file("start.json"), records(40));
    Viewer v(dir.str(), false, [&](MainWindowSetup& s) { s.startFile = dir.file("start.json"); });
    v.window->setBackgroundLoadBytes(64);
    v.window->show();
    settle();
    waitForParse(v, 1);
    EXPECT_EQ(v.window->tree(1)->sourceText.copy(), records(40));
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"没有空的树页：文件替换了本页的文档（Ctrl+Z 撤销）"));
}

TEST(ViewerLongTasks, ClosingWhileALoadRunsSavesTheNewText)
{
    TempDir dir;
    const std::string big = records(300);
    {
        Viewer v(dir.str());
        v.paste(u8"[\"before\"]");
        v.window->setBackgroundLoadBytes(64);
        v.window->loadTextIntoCurrentSlot(big);
        ASSERT_TRUE(v.window->parseRunning(1));
        v.window->close();
        EXPECT_FALSE(v.window->isVisible());
    } // the window is destroyed with the worker still running, or just done
    EXPECT_EQ(readFile(slotFilePath(dir.str(), 1)), big);
}

void waitForTasks(Viewer& v)
{
    for (int i = 0; i < 2000 && v.window->taskRunning(); ++i)
        QTest::qWait(5);
    ASSERT_FALSE(v.window->taskRunning());
}

TEST(ViewerLongTasks, AFindOverALargeTreeRunsInSlicesAndEscStopsIt)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    pasteText(v, records(300) + " ");
    v.window->setFindSlicedFrom(10);
    auto* findText = v.control<QLineEdit>(u8"编辑框查找文本");
    auto* next = v.control<QPushButton>(u8"按钮下一个");
    TreeView& t = v.tree();
    const int count = t.itemCount();
    // Forward from the selection, wrapping around; backward likewise.
    const struct {
        const char* text;
        int from;
        bool backward;
        int hit; // -1: none
    } cases[] = {
        {"list", 5, false, 1}, {"a", 0, false, 3}, {"a", count - 2, false, 3}, {"a", 3, true, count - 2},
        {"nowhere", 4, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        t.selectItem(c.from);
        findText->setText(QString::fromLatin1(c.text));
        v.window->findInTree(c.backward);
        EXPECT_TRUE(v.window->taskRunning());
        waitForTasks(v);
        EXPECT_EQ(t.selectedItem(), c.hit < 0 ? c.from : c.hit);
        if (c.hit < 0)
            EXPECT_EQ(next->text(), qt::ui(u8"找不到"));
        settle();
    }
    // Esc: the search ends, nothing else is selected.
    t.selectItem(4);
    findText->setText(QStringLiteral("list"));
    v.window->findInTree(false);
    ASSERT_TRUE(v.window->taskRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->taskRunning());
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止查找"));
    settle();
    EXPECT_EQ(t.selectedItem(), 4);
    EXPECT_EQ(next->text(), qt::ui(u8"下一个"));
    // A new document ends it too.
    v.window->findInTree(false);
    ASSERT_TRUE(v.window->taskRunning());
    pasteText(v, records(2));
    EXPECT_FALSE(v.window->taskRunning());
}

TEST(ViewerLongTasks, LargeValuesAreDecodedAndFormattedOffTheWindowsThread)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.window->setBackgroundValueBytes(40);
    // The root (kept as its prepared copy, blanks removed) and a large member.
    v.paste(u8"{ \"big\" : [\"\\u4e2d &amp; 1\", \"\\u6587 &lt; 2\", \"more text to pass forty bytes\"], \"s\":\"\\u4e2d\" }");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    auto* decoded = v.control<QPlainTextEdit>(u8"编辑框路径数据2");
    const struct {
        const char* path;
        const char8_t* decoded;
    } cases[] = {
        {"big", u8"[\"中 & 1\",\"文 < 2\",\"more text to pass forty bytes\"]"},
        {"", u8"{\"big\":[\"中 & 1\",\"文 < 2\",\"more text to pass forty bytes\"],\"s\":\"中\"}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        v.tree().selectItem(c.path[0] ? itemAt(v, c.path) : 0);
        EXPECT_TRUE(v.window->taskRunning());
        EXPECT_TRUE(decoded->toPlainText().isEmpty());
        EXPECT_FALSE(value->toPlainText().isEmpty());
        waitForTasks(v);
        settle();
        EXPECT_EQ(decoded->toPlainText().toStdString(), reinterpret_cast<const char*>(c.decoded));
    }
    // A small value selected while a large one is decoded: the large one's result is dropped.
    v.tree().selectItem(itemAt(v, "big"));
    v.tree().selectItem(itemAt(v, "s"));
    waitForTasks(v);
    settle();
    EXPECT_EQ(decoded->toPlainText(), qt::ui(u8"中"));

    // The formatted copy of a large value; Esc leaves the clipboard alone.
    v.tree().selectItem(itemAt(v, "big"));
    waitForTasks(v);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    v.window->copyFormattedValue();
    ASSERT_TRUE(v.window->taskRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(v.window->taskRunning());
    QTest::qWait(50);
    settle();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    v.window->copyFormattedValue();
    waitForTasks(v);
    settle();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "[\n  \"\\u4e2d &amp; 1\",\n  \"\\u6587 &lt; 2\",\n  \"more text to pass forty bytes\"\n]");
}

} // namespace
} // namespace tess::testing
