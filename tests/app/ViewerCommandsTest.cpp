// The window's added commands, driven by their keys and menu entries on real widgets:
// Enter in the find and path boxes, expanding and collapsing, JSON inside a string,
// undo of a load, opening and saving files, the status line, the resizable layout.
#include "ViewerFixture.h"

#include "app/SlotFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QDropEvent>
#include <QUrl>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace tess::testing {
namespace {

std::string box(const QLineEdit* e)
{
    return e->text().toStdString();
}

std::string iniSection(const std::string& ini, const std::string& header)
{
    const std::size_t start = ini.find(header);
    if (start == std::string::npos)
        return {};
    const std::size_t end = ini.find("\r\n[", start);
    return ini.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(ViewerCommands, EnterInTheFindBoxSearchesForwardShiftEnterBackward)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"id\":1,\"user\":{\"userid\":\"x\"},\"idle\":true}");
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    find->setText(QStringLiteral("id"));
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_EQ(v.tree().selectedItem(), 1);
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Enter); // the keypad's Enter as well
    EXPECT_EQ(v.tree().selectedItem(), 3);
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(v.tree().selectedItem(), 1);
    find->setFocus();
    QTest::keyClick(find, Qt::Key_Return, Qt::ShiftModifier); // wraps to the last match
    EXPECT_EQ(v.tree().selectedItem(), 4);
}

TEST(ViewerCommands, EnterInThePathBoxSelectsTheNodeOrSignalsThatItNamesNone)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"list\":[1,2,{\"k\":\"v\"}],\"a.b\":{\"c\":3}}");
    const int k = itemAt(v, "list/[3]/k"), second = itemAt(v, "list/[2]"), first = itemAt(v, "list/[1]");
    const int c = itemAt(v, "a.b/c"), list = itemAt(v, "list");
    ASSERT_TRUE(k > 0 && second > 0 && first > 0 && c > 0 && list > 0);
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    const auto typeAndEnter = [&](const char* text) {
        path->setFocus();
        path->setText(QString::fromUtf8(text));
        QTest::keyClick(path, Qt::Key_Return);
    };
    typeAndEnter("list[3].k"); // compact form, while the boxes show the canonical one
    EXPECT_EQ(v.tree().selectedItem(), k);
    EXPECT_EQ(box(path), "list.[3].k");
    EXPECT_EQ(value->toPlainText().toStdString(), "v");
    typeAndEnter("list.[2]");
    EXPECT_EQ(v.tree().selectedItem(), second);
    // The syntaxes of "复制路径为", indexed from 0 whatever the tree's numbering.
    typeAndEnter(".list[2].k");
    EXPECT_EQ(v.tree().selectedItem(), k);
    typeAndEnter("$['a.b'].c");
    EXPECT_EQ(v.tree().selectedItem(), c);
    typeAndEnter("[\"list\"][0]");
    EXPECT_EQ(v.tree().selectedItem(), first);
    typeAndEnter("\"a.b\".c");
    EXPECT_EQ(v.tree().selectedItem(), c);
    // The same node in another form refreshes the boxes although the selection stays.
    typeAndEnter("\"a.b\".c");
    EXPECT_EQ(box(path), "\"a.b\".c");
    EXPECT_EQ(value->toPlainText().toStdString(), "3");
    // A path that names nothing: the box flashes, the status line says so, and neither
    // the selection nor the boxes change.
    typeAndEnter("list[9]");
    EXPECT_EQ(v.tree().selectedItem(), c);
    EXPECT_EQ(box(path), "list[9]");
    EXPECT_EQ(value->toPlainText().toStdString(), "3");
    EXPECT_FALSE(path->styleSheet().isEmpty());
    EXPECT_NE(v.window->statusText().toStdString().find("list[9]"), std::string::npos);
    QTest::qWait(800);
    EXPECT_TRUE(path->styleSheet().isEmpty());
    // The menu entry does the same for the text in the box.
    path->setText(QStringLiteral("list"));
    ASSERT_NE(menuAction(v, u8"转到路径框中的路径"), nullptr);
    menuAction(v, u8"转到路径框中的路径")->trigger();
    EXPECT_EQ(v.tree().selectedItem(), list);
}

TEST(ViewerCommands, APathThatReadsTwoWaysTakesOneAndEnterAgainTheOther)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.control<QCheckBox>(u8"选择框数组从0开始")->setChecked(false);
    v.paste(u8"{\"nested\":{\"arr\":[10,20]}}");
    const int first = itemAt(v, "nested/arr/[1]"), second = itemAt(v, "nested/arr/[2]"); // numbered from 1
    ASSERT_TRUE(first > 0 && second > 0);
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    auto* arrayAsNode = v.control<QCheckBox>(u8"选择框数组独立节点");
    const auto typeAndEnter = [&](const char* text) {
        path->setFocus();
        if (text)
            path->setText(QString::fromUtf8(text));
        QTest::keyClick(path, Qt::Key_Return);
        return v.tree().selectedItem();
    };
    const auto status = [&] { return v.window->statusText().toStdString(); };
    // JavaScript's copy of the second element, with the boxes in the canonical form: the
    // tree would write a.[1], so JavaScript's reading comes first; Enter again takes the
    // tree's compact reading, and again the first one.
    ASSERT_TRUE(arrayAsNode->isChecked());
    EXPECT_EQ(typeAndEnter("nested.arr[1]"), second);
    EXPECT_NE(status().find("JavaScript"), std::string::npos) << status();
    EXPECT_EQ(typeAndEnter(nullptr), first);
    EXPECT_EQ(box(path), "nested.arr.[1]");
    EXPECT_EQ(typeAndEnter(nullptr), second);
    // With the compact form the tree's own reading comes first.
    arrayAsNode->click();
    EXPECT_EQ(typeAndEnter("nested.arr[1]"), first);
    EXPECT_EQ(typeAndEnter(nullptr), second);
    // One reading only: Enter again stays; a text that is no path says so.
    EXPECT_EQ(typeAndEnter(".nested.arr[1]"), second);
    EXPECT_EQ(typeAndEnter(nullptr), second);
    EXPECT_EQ(typeAndEnter(".nested["), second);
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"写法有误"))) << status();
}

TEST(ViewerCommands, CopyPathAsTheFourSyntaxesAndTheFormattedValue)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.control<QCheckBox>(u8"选择框数组从0开始")->setChecked(false); // indexes from 1 in the tree
    v.paste(u8"{\"data\":{\"items\":[{\"id\":7,\"odd key\":[1,2]}],\"s\":\"[a,b]\"}}");
    QClipboard* cb = QApplication::clipboard();
    v.tree().selectItem(itemAt(v, "data/items/[1]/id"));
    v.tree().setFocus();
    const struct {
        const char8_t* caption;
        Qt::Key key;
        const char* path;
    } styles[] = {{u8"jq", Qt::Key_Q, ".data.items[0].id"},
                  {u8"JSONPath", Qt::Key_P, "$.data.items[0].id"},
                  {u8"JavaScript", Qt::Key_J, "data.items[0].id"},
                  {u8"Python", Qt::Key_Y, "[\"data\"][\"items\"][0][\"id\"]"}};
    for (const auto& s : styles) {
        cb->clear();
        QTest::keyClick(&v.tree(), s.key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(cb->text().toStdString(), s.path) << s.path;
    }
    v.tree().selectItem(6);
    menuAction(v, u8"jq")->trigger();
    EXPECT_EQ(cb->text().toStdString(), ".data.items[0][\"odd key\"][0]");
    // The formatted view: objects and arrays laid out, strings as they stand; the copy
    // commands keep their forms whatever the view shows.
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    auto* toggle = v.control<QCheckBox>(u8"选择框格式化显示");
    v.tree().selectItem(3);
    EXPECT_EQ(value->toPlainText().toStdString(), "{\"id\":7,\"odd key\":[1,2]}");
    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(toggle->isChecked());
    const std::string formatted = "{\n  \"id\": 7,\n  \"odd key\": [\n    1,\n    2\n  ]\n}";
    EXPECT_EQ(value->toPlainText().toStdString(), formatted);
    menuAction(v, u8"复制路径数据")->trigger();
    EXPECT_EQ(cb->text().toStdString(), "{\"id\":7,\"odd key\":[1,2]}");
    QTest::keyClick(&v.tree(), Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(cb->text().toStdString(), formatted);
    v.tree().selectItem(8);
    EXPECT_EQ(v.caption(8), "s:\"[a,b]\"");
    EXPECT_EQ(value->toPlainText().toStdString(), "[a,b]");
    // The key toggles the view back; the menu entry follows the box.
    QTest::keyClick(&v.tree(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(menuAction(v, u8"格式化显示路径数据")->isChecked());
    v.tree().selectItem(3);
    EXPECT_EQ(value->toPlainText().toStdString(), "{\"id\":7,\"odd key\":[1,2]}");
}

TEST(ViewerCommands, ExpandAndCollapseBelowTheSelectionAndToALevel)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"a\":{\"b\":{\"c\":{\"d\":1}},\"e\":[[1],[2]]},\"f\":{\"g\":{\"h\":2}}}");
    const int a = itemAt(v, "a"), b = itemAt(v, "a/b"), c = itemAt(v, "a/b/c"), e = itemAt(v, "a/e");
    const int e1 = itemAt(v, "a/e/[1]"), e2 = itemAt(v, "a/e/[2]"), f = itemAt(v, "f"), g = itemAt(v, "f/g");
    ASSERT_TRUE(a > 0 && b > 0 && c > 0 && e > 0 && e1 > 0 && e2 > 0 && f > 0 && g > 0);
    TreeView& t = v.tree();
    const auto expanded = [&t](int item) { return t.isExpanded(t.treeModel().indexOfItem(item)); };
    t.selectItem(a);
    t.setFocus();
    QTest::keyClick(&t, Qt::Key_E, Qt::ControlModifier);
    for (int item : {a, b, c, e, e1, e2})
        EXPECT_TRUE(expanded(item)) << item;
    EXPECT_FALSE(expanded(f)); // outside the selected subtree
    // Collapse below: the item closes at once, the states below it are gone afterwards,
    // so opening the item again shows its children closed.
    QTest::keyClick(&t, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(expanded(a));
    EXPECT_TRUE(expanded(0));
    settle();
    EXPECT_FALSE(t.collapsePending());
    t.expand(t.treeModel().indexOfItem(a));
    EXPECT_FALSE(expanded(b));
    EXPECT_FALSE(expanded(e));
    // Opened by hand while the states are still being dropped: they are dropped first.
    t.expandBelow(a);
    t.collapseBelow(a);
    EXPECT_TRUE(t.collapsePending());
    t.expand(t.treeModel().indexOfItem(a));
    EXPECT_FALSE(t.collapsePending());
    EXPECT_FALSE(expanded(b));
    // Whole tree to level 2: the root's children open, their children closed, deeper
    // states dropped.
    t.expandBelow(0);
    QTest::keyClick(&t, Qt::Key_2, Qt::ControlModifier);
    settle();
    for (int item : {0, a, f})
        EXPECT_TRUE(expanded(item)) << item;
    for (int item : {b, c, e, e1, e2, g})
        EXPECT_FALSE(expanded(item)) << item;
    menuAction(v, u8"第 1 层")->trigger();
    settle();
    EXPECT_TRUE(expanded(0));
    EXPECT_FALSE(expanded(a));
    // With nothing selected the commands work on the whole tree; a new load mid-way
    // leaves no state behind.
    t.selectItem(-1);
    menuAction(v, u8"展开全部下级")->trigger();
    EXPECT_TRUE(expanded(g));
    menuAction(v, u8"折叠全部下级")->trigger();
    EXPECT_FALSE(expanded(0));
    v.paste(u8"{\"x\":{\"y\":{\"z\":1}}}");
    settle();
    EXPECT_FALSE(t.collapsePending());
    EXPECT_FALSE(expanded(itemAt(v, "x")));
}

TEST(ViewerCommands, JsonInsideAStringOpensInTheFirstEmptySlotOrAsksFirst)
{
    TempDir dir;
    writeFile(slotFilePath(dir.str(), 2), "[\"kept\"]"); // slot 2 has a document not shown yet
    Viewer v(dir.str());
    v.paste(u8"{\"payload\":\"{\\\"id\\\":1,\\\"名\\\":\\\"\\\\u4e2d\\\",\\\"list\\\":[true]}\",\"plain\":\"{not json\"}");
    v.tree().selectItem(1);
    menuAction(v, u8"以树打开字符串中的JSON")->trigger();
    settle();
    // Slot 2 is not empty (its file has content): the first empty one is slot 3.
    ASSERT_EQ(v.window->currentSlot(), 3);
    EXPECT_EQ(v.tree().sourceText, gb(u8"{\"id\":1,\"名\":\"\\u4e2d\",\"list\":[true]}"));
    EXPECT_EQ(v.caption(2), "名:\"\\u4e2d\"");
    // Not a JSON document: nothing opens, the status line says why.
    v.window->tabs()->setCurrentIndex(0);
    v.tree().selectItem(2);
    menuAction(v, u8"以树打开字符串中的JSON")->trigger();
    EXPECT_EQ(v.window->currentSlot(), 1);
    EXPECT_FALSE(v.window->statusText().isEmpty());
    // Every slot filled: the next slot is replaced only after a yes.
    for (int n = 2; n <= 7; ++n) {
        v.window->tabs()->setCurrentIndex(n - 1);
        settle();
        if (v.tree().itemCount() == 0)
            v.paste(u8"[0]");
    }
    v.window->tabs()->setCurrentIndex(0);
    v.tree().selectItem(1);
    answerNextDialog([](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
    menuAction(v, u8"以树打开字符串中的JSON")->trigger();
    EXPECT_EQ(v.window->currentSlot(), 1);
    EXPECT_EQ(v.window->tree(2)->sourceText, "[\"kept\"]");
    answerNextDialog([](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    menuAction(v, u8"以树打开字符串中的JSON")->trigger();
    EXPECT_EQ(v.window->currentSlot(), 2);
    EXPECT_EQ(v.caption(1), "id:1");
    // ...and the replaced document comes back with undo.
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_EQ(v.tree().sourceText, "[\"kept\"]");
}

TEST(ViewerCommands, UndoBringsBackThePreviousDocumentAndItsSelection)
{
    TempDir dir;
    {
        Viewer v(dir.str());
        activate(v);
        QTest::keyClick(&v.tree(), Qt::Key_Z, Qt::ControlModifier); // nothing to undo
        EXPECT_EQ(v.tree().itemCount(), 0);
        v.paste(u8"{\"first\":[1,2,3]}");
        v.tree().selectItem(3);
        v.paste(u8""); // the empty clipboard pasted by mistake
        v.tree().setFocus();
        QTest::keyClick(&v.tree(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(v.caption(1), "first");
        EXPECT_EQ(v.tree().selectedItem(), 3);
        EXPECT_EQ(box(v.control<QLineEdit>(u8"编辑框路径")), "first.[2]");
        // A second undo returns to the later document, a third to the earlier again.
        QTest::keyClick(&v.tree(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(v.tree().sourceText, "");
        QTest::keyClick(&v.tree(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(v.caption(1), "first");
        // Undo in the path box undoes typing there, not the load.
        auto* path = v.control<QLineEdit>(u8"编辑框路径");
        path->setFocus();
        path->setText(QStringLiteral("x"));
        QTest::keyClicks(path, "y");
        QTest::keyClick(path, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(box(path), "x");
        EXPECT_EQ(v.caption(1), "first");
        // Undo back to the empty slot a first paste replaced.
        v.window->tabs()->setCurrentIndex(1);
        v.paste(u8"[5]");
        menuAction(v, u8"撤销载入")->trigger();
        EXPECT_EQ(v.tree().itemCount(), 0);
        EXPECT_EQ(box(path), "");
        v.closeWindow();
    }
    // What was brought back is what the data files keep.
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), "{\"first\":[1,2,3]}");
    EXPECT_EQ(readFile(dir.file("JSON数据2.txt")), "");
}

TEST(ViewerCommands, OpenAndSaveFilesThroughTheDialogs)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    writeFile(dir.file("in.json"), "{\"k\":\"\xE4\xB8\xAD\"}");
    answerNextDialog([&](QWidget* w) { chooseFile(w, dir.file("in.json")); });
    QTest::keyClick(&v.tree(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(v.caption(1), "k:\"中\"");
    // Saving: UTF-8 by default, GB18030 on request.
    activate(v);
    answerNextDialog([&](QWidget* w) { chooseFile(w, dir.file("out-utf8.json")); });
    QTest::keyClick(&v.tree(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(readFile(dir.file("out-utf8.json")), "{\"k\":\"\xE4\xB8\xAD\"}");
    answerNextDialog([&](QWidget* w) { chooseFile(w, dir.file("out-gb")); });
    activate(v);
    QTest::keyClick(&v.tree(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(readFile(dir.file("out-gb.json")), "{\"k\":\"\xD6\xD0\"}"); // the default suffix added
    // A file that cannot be written is reported in the status line, nothing else.
    EXPECT_FALSE(v.window->saveCurrentSlot(dir.file("no/such/folder/x.json"), SaveEncoding::Utf8));
    // The opened file is a load like a paste: undo returns to the slot before it.
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_EQ(v.tree().itemCount(), 0);
    // The tree as standard JSON, by its key through the dialog.
    v.paste(u8"{k: '中', 'l': [1, 2,], }");
    answerNextDialog([&](QWidget* w) { chooseFile(w, dir.file("out-standard.json")); });
    activate(v);
    QTest::keyClick(&v.tree(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(readFile(dir.file("out-standard.json")), "{\"k\":\"\xE4\xB8\xAD\",\"l\":[1,2]}");
}

TEST(ViewerCommands, EveryEncodingReadsAlikeInTheDialogAndByDragAndDrop)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    const std::string expected = gb(u8"{\"k\":\"中😀\"}");
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"utf8-bom.json", "\xEF\xBB\xBF{\"k\":\"\xE4\xB8\xAD\xF0\x9F\x98\x80\"}"},
        {"utf8.json", "{\"k\":\"\xE4\xB8\xAD\xF0\x9F\x98\x80\"}"},
        {"utf16le.json", std::string("\xFF\xFE{\0\"\0k\0\"\0:\0\"\0\x2D\x4E\x3D\xD8\x00\xDE\"\0}\0", 24)},
        {"utf16be.json", std::string("\xFE\xFF\0{\0\"\0k\0\"\0:\0\"\x4E\x2D\xD8\x3D\xDE\x00\0\"\0}", 24)},
        {"gb18030.json", "{\"k\":\"\xD6\xD0\x94\x39\xFC\x36\"}"},
    };
    for (const auto& f : files) {
        writeFile(dir.file(f.name), f.bytes);
        v.paste(u8"[0]");
        answerNextDialog([&](QWidget* w) { chooseFile(w, dir.file(f.name)); });
        menuAction(v, u8"打开文件...")->trigger();
        EXPECT_EQ(v.tree().sourceText, expected) << f.name << " (dialog)";
        v.paste(u8"[0]");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file(f.name)))});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v.window.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v.window.get(), &drop);
        settle();
        EXPECT_EQ(v.tree().sourceText, expected) << f.name << " (drop)";
    }
}

TEST(ViewerCommands, StatusLineDescribesTheSlotAndTheSelectedNode)
{
    TempDir dir;
    Viewer v(dir.str());
    EXPECT_TRUE(v.window->statusText().isEmpty());
    v.paste(u8"{\"a\":[10,20,{\"b\":null}],\"c\":\"x\"}");
    const std::string slot = v.window->statusText().toStdString();
    EXPECT_EQ(slot.rfind("节点 7 · 深度 4 · 32 字节 · 载入 ", 0), 0u) << slot;
    v.tree().selectItem(1);
    std::string s = v.window->statusText().toStdString();
    EXPECT_NE(s.find("|  数组 · 3 个子节点 · 第 1 个，共 2 个"), std::string::npos) << s;
    v.tree().selectItem(3);
    s = v.window->statusText().toStdString();
    EXPECT_NE(s.find("|  值 · 第 2 个，共 3 个"), std::string::npos) << s;
    // Another tab shows its own slot: an empty one shows nothing.
    v.window->tabs()->setCurrentIndex(4);
    settle();
    EXPECT_TRUE(v.window->statusText().isEmpty());
}

TEST(ViewerCommands, SplitterMinimumSizeAndTheirOwnSettingsSection)
{
    TempDir dir;
    const std::string firstStartSection =
        "[JSON树]\r\n树型框7.现行选中项=-1\r\n树型框6.现行选中项=-1\r\n树型框5.现行选中项=-1\r\n"
        "树型框4.现行选中项=-1\r\n树型框3.现行选中项=-1\r\n树型框2.现行选中项=-1\r\n树型框.现行选中项=-1\r\n"
        "选择夹=0\r\n选择框先行解码=假\r\n选择框单引号格式=假\r\n选择框窗口置顶=假\r\n选择框文字图标=假\r\n"
        "选择框数组从0开始=假\r\n选择框数组独立节点=真\r\n选择框忽略大小写=假\r\n单选框正则=假\r\n单选框通配=假\r\n"
        "单选框默认=真\r\n编辑框查找文本=要在JSON树中查找的文本\r\n按钮粘贴.标记=\r\n按钮上一个.标记=\r\n"
        "按钮下一个.标记=\r\n按钮读取.标记=";
    {
        Viewer v(dir.str());
        // The form's layout at the start: trees 560 wide, boxes from 565.
        EXPECT_EQ(v.window->tabs()->width(), 560);
        EXPECT_EQ(v.control<QLineEdit>(u8"编辑框路径")->x(), 565);
        // Dragging the bar moves the boundary.
        QWidget* handle = v.window->findChild<QWidget*>(QStringLiteral("splitHandle"));
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(handle->x(), 560);
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(2, 100));
        QTest::mouseMove(handle, QPoint(-98, 100));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(-98, 100));
        EXPECT_EQ(v.window->tabs()->width(), 460);
        EXPECT_EQ(v.control<QLineEdit>(u8"编辑框路径")->x(), 465);
        EXPECT_EQ(v.control<QPlainTextEdit>(u8"编辑框路径数据")->width(), 1020 - 465 - 10);
        v.closeWindow();
    }
    const std::string ini = utf8(readFile(dir.file("Tessarine.ini")));
    // The form's section is exactly what it was without these additions.
    EXPECT_EQ(iniSection(ini, "[JSON树]"), firstStartSection);
    EXPECT_EQ(iniSection(ini, "[视图]"), "[视图]\r\n格式化显示=假\r\n分隔比例=0.4510");
    {
        Viewer v(dir.str());
        EXPECT_EQ(v.window->tabs()->width(), 460);
        // The bar keeps its share of a wider window; a narrow one keeps the boxes usable
        // without losing the share.
        v.window->resize(2040, 739);
        settle();
        EXPECT_EQ(v.window->tabs()->width(), 920);
        // At the minimum size every control of the option panel and the find bar lies
        // inside the window, and the logo still has room to move.
        v.window->resize(200, 100);
        settle();
        const QSize min = v.window->size();
        EXPECT_EQ(min, v.window->minimumSize());
        for (const char8_t* name : {u8"选择框窗口置顶", u8"选择框文字图标", u8"选择框忽略大小写", u8"单选框正则",
                                    u8"按钮上一个", u8"编辑框路径", u8"选择框格式化显示", u8"编辑框路径数据2"}) {
            QWidget* w = v.window->findChild<QWidget*>(qt::ui(name));
            const QRect r(w->mapTo(v.window.get(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(QRect(QPoint(0, 0), min).contains(r)) << utf8(gb(name)) << " " << r.x() << "," << r.y();
            EXPECT_GT(r.width(), 40) << utf8(gb(name));
            EXPECT_GT(r.height(), 15) << utf8(gb(name));
        }
        // The boundary keeps both sides usable in a narrow window.
        EXPECT_GE(v.control<QPlainTextEdit>(u8"编辑框路径数据")->width(), 180);
        EXPECT_GE(v.control<QLineEdit>(u8"编辑框路径")->width(), 100);
        v.window->resize(1020, 739);
        settle();
        EXPECT_EQ(v.window->tabs()->width(), 460);
    }
}

TEST(ViewerCommands, TheTreeColumnIsAsWideAsItsWidestShownCaption)
{
    TempDir dir;
    Viewer v(dir.str());
    TreeView& t = v.tree();
    v.paste(u8"{\"short\":1,\"deep\":{\"x\":\"a long caption that is hidden until its parent opens, a long caption that is hidden until its parent opens, a long caption\"}}");
    settle();
    EXPECT_FALSE(t.horizontalScrollBar()->isVisible());
    EXPECT_EQ(t.header()->sectionSize(0), t.viewport()->width());
    t.expandItem(2);
    settle();
    EXPECT_TRUE(t.horizontalScrollBar()->isVisible());
    const int wide = t.header()->sectionSize(0);
    EXPECT_GT(wide, t.viewport()->width());
    EXPECT_EQ(wide, t.captionsWidth());
    t.collapse(t.treeModel().indexOfItem(2));
    settle();
    EXPECT_FALSE(t.horizontalScrollBar()->isVisible());
}

} // namespace
} // namespace tess::testing
