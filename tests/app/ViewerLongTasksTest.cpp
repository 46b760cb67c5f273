// The long commands of the normal road: the question before a large expansion, and
// expansions, loads, formatted copies and finds that run in the background or in
// slices, with Esc to stop them.
#include "tests/app/ViewerFixture.h"

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
}

} // namespace
} // namespace tess::testing
