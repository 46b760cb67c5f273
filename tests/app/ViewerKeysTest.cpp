// Keys as the platform delivers them (to the active window, through its shortcuts, to
// the widget with the focus): Enter in the find box after a file dialog and in quick
// succession, a rejected pattern, where a hit is scrolled to.
#include "ViewerFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <random>

namespace tess::testing {
namespace {

void press(QWidget* top, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(top->windowHandle(), key, modifiers);
}

void type(QWidget* top, const std::string& text)
{
    for (const char c : text)
        QTest::keyClick(top->windowHandle(), c);
}

TEST(ViewerKeys, EnterInTheFindBoxFindsAfterAFileWasOpenedWithTheKeyboard)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    writeFile(dir.file("in.json"), "{\"name\":1,\"x\":{\"name\":2}}");
    v.paste(u8"{\"a\":0}");
    // Typed as a user types it: the name box's completer list is open when Return is
    // pressed, so the key goes through the list to the name box, which accepts the dialog.
    answerNextDialog([&](QWidget* dialog) {
        if (dialog->property("typed").toBool())
            return;
        dialog->setProperty("typed", true);
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(dir.str()));
        QTest::qWait(100);
        type(dialog, "in.json");
        ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "the completer list is open";
        press(dialog, Qt::Key_Return);
    });
    press(v.window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(v.caption(1), "name:1");
    // No activation here: the window is left as the dialog's end left it.
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    QTest::mouseClick(find, Qt::LeftButton);
    find->clear();
    type(v.window.get(), "name");
    ASSERT_EQ(find->text(), QStringLiteral("name"));
    press(v.window.get(), Qt::Key_Return);
    EXPECT_EQ(v.tree().selectedItem(), 1);
    press(v.window.get(), Qt::Key_Return);
    EXPECT_EQ(v.tree().selectedItem(), 3);
}

TEST(ViewerKeys, EveryEnterInTheFindBoxIsOneStepHoweverFast)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"name\":1,\"a\":{\"name\":2,\"b\":{\"name\":3}}}");
    // 0 root, 1 name, 2 a, 3 name, 4 b, 5 name
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    QTest::mouseClick(find, Qt::LeftButton);
    find->clear();
    type(v.window.get(), "name");
    const struct {
        Qt::KeyboardModifiers modifiers;
        int selected;
    } steps[] = {{Qt::NoModifier, 1}, {Qt::NoModifier, 3}, {Qt::NoModifier, 5}, {Qt::ShiftModifier, 3},
                 {Qt::ShiftModifier, 1}, {Qt::ShiftModifier, 5}, {Qt::NoModifier, 1}};
    for (const auto& s : steps) {
        press(v.window.get(), Qt::Key_Return, s.modifiers);
        EXPECT_EQ(v.tree().selectedItem(), s.selected);
    }
    EXPECT_EQ(QApplication::focusWidget(), find);
}

TEST(ViewerKeys, ARejectedPatternIsSaidWithItsReasonAndPlaceNotTakenForAMiss)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    v.paste(u8"{\"title\":\"(Web\"}");
    v.tree().selectItem(1);
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    auto* next = v.control<QPushButton>(u8"按钮下一个");
    QTest::mouseClick(v.control<QRadioButton>(u8"单选框正则"), Qt::LeftButton);
    const struct {
        const char8_t* pattern;
        const char8_t* said;
    } cases[] = {{u8"title:\"(Web", u8"（末尾处）：missing closing parenthesis"},
                 {u8"中)b", u8"（第 2 个字符处）：unmatched closing parenthesis"}};
    for (const auto& c : cases) {
        find->setText(qt::ui(c.pattern));
        find->setStyleSheet(QString());
        QString during;
        QTimer::singleShot(10, next, [&] { during = next->text(); });
        QTest::mouseClick(next, Qt::LeftButton);
        QTest::qWait(30);
        EXPECT_EQ(during, qt::ui(u8"下一个")) << "no 找不到 for a pattern that never ran";
        EXPECT_EQ(v.tree().selectedItem(), 1);
        EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"正则表达式无效")));
        EXPECT_TRUE(v.window->statusText().endsWith(qt::ui(c.said))) << v.window->statusText().toStdString();
        EXPECT_FALSE(find->styleSheet().isEmpty());
    }
}

// The item's row lies wholly in the view with a row of room above and below it.
::testing::AssertionResult inViewWithRoom(TreeView& t, int item)
{
    const QRect row = t.visualRect(t.treeModel().indexOfItem(item));
    const QRect area = t.viewport()->rect();
    if (row.top() - row.height() >= area.top() && row.bottom() + row.height() <= area.bottom())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "item " << item << " at y " << row.top() << ".." << row.bottom()
                                         << " in a view 0.." << area.bottom();
}

TEST(ViewerKeys, FindF3AndThePathBoxShowTheHitWhollyWithRoomAroundIt)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    std::string json = "{\"list\":[";
    for (int i = 0; i < 400; ++i)
        json += (i ? ",{\"k" : "{\"k") + std::to_string(i) + "\":" + std::to_string(i) + "}";
    json += "]}";
    v.paste(reinterpret_cast<const char8_t*>(json.c_str()));
    // 0 root, 1 list, 2 + 2i element i, 3 + 2i its member k<i>
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        const int i = static_cast<int>(rng() % 400);
        if (round % 2 == 0) {
            find->setText(QString::fromStdString("k" + std::to_string(i) + ":"));
            v.tree().selectItem(0);
            press(v.window.get(), Qt::Key_F3);
        } else {
            path->setText(QString::fromStdString("list.[" + std::to_string(i + 1) + "].k" + std::to_string(i)));
            path->setFocus();
            press(v.window.get(), Qt::Key_Return);
        }
        ASSERT_EQ(v.tree().selectedItem(), 3 + 2 * i);
        EXPECT_TRUE(inViewWithRoom(v.tree(), 3 + 2 * i)) << "round " << round;
    }
}

} // namespace
} // namespace tess::testing
