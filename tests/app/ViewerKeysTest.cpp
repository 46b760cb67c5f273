// Keys as the platform delivers them (to the window, through its shortcuts, to the widget
// with the focus): Enter in the find box after a file dialog and in quick succession;
// where a hit is scrolled to.
#include "ViewerFixture.h"

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

TEST(ViewerKeys, EveryEnterInTheFindBoxIsOneStepAlsoAfterAFileDialogClosedByReturn)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    writeFile(dir.file("in.json"), "{\"name\":1,\"a\":{\"name\":2,\"b\":{\"name\":3}}}");
    // Typed as a user types it: the name box's completer list is open when Return accepts.
    answerNextDialog([&](QWidget* dialog) {
        if (dialog->property("typed").toBool())
            return;
        dialog->setProperty("typed", true);
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(dir.str()));
        QTest::qWait(100);
        type(dialog, "in.json");
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        press(dialog, Qt::Key_Return);
    });
    press(v.window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(v.caption(1), "name:1");
    const int top = itemAt(v, "name"), middle = itemAt(v, "a/name"), deep = itemAt(v, "a/b/name");
    // No activation here: the window is left as the dialog's end left it.
    auto* find = v.control<QLineEdit>(u8"编辑框查找文本");
    QTest::mouseClick(find, Qt::LeftButton);
    find->clear();
    type(v.window.get(), "name");
    const int steps[][2] = {{0, top}, {0, middle}, {0, deep}, {1, middle}, {1, top}, {1, deep}, {0, top}}; // Shift, the hit
    for (const auto& s : steps) {
        press(v.window.get(), Qt::Key_Return, s[0] ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(v.tree().selectedItem(), s[1]);
    }
    EXPECT_EQ(v.window->focusWidget(), find);
}

TEST(ViewerKeys, FindAndThePathBoxShowTheHitWhollyWithARowOfRoomAroundIt)
{
    TempDir dir;
    Viewer v(dir.str());
    activate(v);
    std::string json = "{\"list\":[";
    for (int i = 0; i < 400; ++i)
        json += (i ? ",{\"k" : "{\"k") + std::to_string(i) + "\":0}";
    v.paste(reinterpret_cast<const char8_t*>((json + "]}").c_str()));
    TreeView& t = v.tree();
    std::mt19937 rng(7);
    for (int round = 0; round < 12; ++round) {
        const int i = static_cast<int>(rng() % 400);
        const std::string name = "k" + std::to_string(i);
        t.selectItem(0);
        auto* box = v.control<QLineEdit>(round % 2 ? u8"编辑框路径" : u8"编辑框查找文本");
        box->setText(QString::fromStdString(round % 2 ? "list.[" + std::to_string(i + 1) + "]." + name : name + ":"));
        box->setFocus();
        press(v.window.get(), round % 2 ? Qt::Key_Return : Qt::Key_F3);
        const int hit = itemAt(v, "list/[" + std::to_string(i + 1) + "]/" + name);
        ASSERT_EQ(t.selectedItem(), hit);
        const QRect row = t.visualRect(t.treeModel().indexOfItem(hit));
        EXPECT_TRUE(row.top() >= row.height() && row.bottom() + row.height() <= t.viewport()->rect().bottom())
            << "round " << round << ": row at " << row.top() << " in a view " << t.viewport()->height() << " high";
    }
}

} // namespace
} // namespace tess::testing
