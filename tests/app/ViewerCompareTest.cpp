// Comparing a tab with another document in the window: the marks and counts, the order
// F7 and Shift+F7 go in, folding away what is unchanged, and the tree as it was after.
#include "ViewerFixture.h"

#include "app/TabCompare.h"

#include <QInputDialog>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace tess::testing {
namespace {

// Left and right: a changed element, a member added to b, a value of another type, a
// removed member; 1 and 1.0 are equal.
constexpr const char8_t* kLeft = u8R"({"a":1,"b":{"c":[1,2,3],"d":"x"},"e":true,"f":null})";
constexpr const char8_t* kRight = u8R"({"a":1.0,"b":{"c":[1,9,3],"d":"x","g":0},"e":"yes"})";

int markAt(const Viewer& v, int item)
{
    const TreeModel& model = v.tree().treeModel();
    return model.data(model.indexOfItem(item), TreeModel::kDiffMarkRole).toInt();
}

std::string marks(const Viewer& v)
{
    std::string out;
    for (int i = 0; i < v.tree().treeModel().itemCount(); ++i)
        out += "+-~#."[markAt(v, i) < 0 ? 4 : markAt(v, i)];
    return out;
}

void waitForComparison(Viewer& v)
{
    for (int i = 0; i < 500 && v.window->tab(v.window->currentSlot()).running(TabJob::Compare); ++i)
        QTest::qWait(10);
    settle();
}

// Tab 1 holds kLeft, tab 2 kRight; tab 1 is compared with tab 2 through the dialog.
void compareTwoTabs(Viewer& v)
{
    v.window->tabs()->setCurrentIndex(1);
    v.paste(kRight);
    v.window->tabs()->setCurrentIndex(0);
    v.paste(kLeft);
    answerNextDialog([](QWidget* dialog) {
        auto* d = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(d, nullptr);
        d->setTextValue(qt::ui(u8"树页 2"));
        d->accept();
    });
    menuAction(v, u8"比较…")->trigger();
    waitForComparison(v);
}

std::vector<int> expandedItems(const Viewer& v)
{
    std::vector<int> out;
    const TreeModel& model = v.tree().treeModel();
    for (int i = 0; i < model.itemCount(); ++i)
        if (v.tree().isExpanded(model.indexOfItem(i)))
            out.push_back(i);
    return out;
}

TEST(ViewerCompare, MarksCountsAndTheOrderOfF7)
{
    TempDir dir;
    Viewer v(dir.str());
    compareTwoTabs(v);
    // Items: root a b c c[0] c[1] c[2] d e f.
    EXPECT_EQ(marks(v), "..+..~..#-");
    const std::string status = v.window->statusText().toStdString();
    EXPECT_NE(status.find(utf8(gb(u8"新增 1，删除 1，值不同 1，类型不同 1"))), std::string::npos) << status;
    // A mark shows as text too, and the selected item's kind is a word in the status line.
    EXPECT_TRUE(v.tree().treeModel().data(v.tree().treeModel().indexOfItem(9)).toString().startsWith("[-] "));

    activate(v);
    v.tree().setFocus();
    v.tree().selectItem(0);
    std::vector<int> visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&v.tree(), Qt::Key_F7);
        visited.push_back(v.tree().selectedItem());
    }
    EXPECT_EQ(visited, (std::vector<int>{2, 5, 8, 9, 9}));
    EXPECT_NE(v.window->statusText().indexOf(qt::ui(u8"后面没有别的不同了")), -1);
    v.tree().selectItem(8);
    EXPECT_NE(v.window->statusText().indexOf(qt::ui(u8"所选：类型不同")), -1) << v.window->statusText().toStdString();
    visited.clear();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&v.tree(), Qt::Key_F7, Qt::ShiftModifier);
        visited.push_back(v.tree().selectedItem());
    }
    EXPECT_EQ(visited, (std::vector<int>{5, 2, 2, 2, 2}));
}

TEST(ViewerCompare, LeavingRestoresExpansionAndSelection)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->tabs()->setCurrentIndex(1);
    v.paste(kRight);
    v.window->tabs()->setCurrentIndex(0);
    v.paste(kLeft);
    // Root open, b closed, the unchanged d selected.
    TreeView& view = v.tree();
    view.collapseAll();
    view.expand(view.treeModel().indexOfItem(0));
    view.selectItem(7);
    const std::vector<int> before = expandedItems(v);

    answerNextDialog([](QWidget* dialog) {
        auto* d = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(d, nullptr);
        d->setTextValue(qt::ui(u8"树页 2"));
        d->accept();
    });
    menuAction(v, u8"比较…")->trigger();
    waitForComparison(v);
    ASSERT_EQ(marks(v), "..+..~..#-");

    // Folding opens the containers holding a difference and closes the rest.
    menuAction(v, u8"折叠相同的部分")->trigger();
    EXPECT_EQ(expandedItems(v), (std::vector<int>{0, 2, 3}));
    menuAction(v, u8"结束比较")->trigger();
    EXPECT_EQ(marks(v), "..........");
    EXPECT_EQ(expandedItems(v), before);
    EXPECT_EQ(view.selectedItem(), 7);
    EXPECT_EQ(v.window->statusText().indexOf(qt::ui(u8"比较")), -1);
}

TEST(ViewerCompare, NewDocumentInTheOtherTabEndsIt)
{
    TempDir dir;
    Viewer v(dir.str());
    compareTwoTabs(v);
    ASSERT_EQ(marks(v), "..+..~..#-");
    v.window->tabs()->setCurrentIndex(1);
    v.paste(kLeft);
    v.window->tabs()->setCurrentIndex(0);
    v.tree().selectItem(1);
    EXPECT_EQ(marks(v), "..........");
    menuAction(v, u8"下一处不同")->trigger();
    EXPECT_EQ(v.tree().selectedItem(), 1);
}

TEST(ViewerCompare, WithThePreviousDocument)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(kRight);
    v.paste(kLeft);
    menuAction(v, u8"与上次载入比较")->trigger();
    waitForComparison(v);
    EXPECT_EQ(marks(v), "..+..~..#-");
}

TEST(ViewerCompare, WithAFileInUtf8)
{
    TempDir dir;
    Viewer v(dir.str());
    const std::string path = dir.file("right.json");
    writeFile(path, reinterpret_cast<const char*>(kRight));
    v.paste(kLeft);
    answerNextDialog([path](QWidget* dialog) { chooseFile(dialog, path); });
    menuAction(v, u8"与文件比较…")->trigger();
    waitForComparison(v);
    EXPECT_EQ(marks(v), "..+..~..#-");
}

} // namespace
} // namespace tess::testing
