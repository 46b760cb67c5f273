// Control states of real widgets through the Qt adapter (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

#include "SettingsTestSupport.h"
#include "settings/qt/QtControls.h"
#include "settings/SettingsStore.h"

namespace tess {
namespace {

using test::gb;
using test::readFile;
using test::TempDir;

struct TestWindow {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QCheckBox* check = nullptr;
    QCheckBox* unnamedKind = nullptr;
    QRadioButton* radioX = nullptr;
    QRadioButton* radioY = nullptr;
    QPlainTextEdit* multi = nullptr;
    QLineEdit* single = nullptr;
    QPushButton* byteButton = nullptr;
    QPushButton* plainButton = nullptr;
    QLineEdit* noSave = nullptr;
    QComboBox* combo = nullptr;
    QListWidget* list = nullptr;
    QListWidget* checkList = nullptr;
    QWidget* colour = nullptr;
    QWidget* other = nullptr;
    QCheckBox* otherCheck = nullptr;

    template <class W>
    W* add(QWidget* parent, const char8_t* name)
    {
        auto* w = new W(parent);
        w->setObjectName(QString::fromUtf8(reinterpret_cast<const char*>(name)));
        return w;
    }

    // The form: every control with its design-time state.
    TestWindow()
    {
        QWidget* root = window.get();
        check = add<QCheckBox>(root, u8"选择框A");
        unnamedKind = add<QCheckBox>(root, u8"勾选框B");
        auto* panel = add<QWidget>(root, u8"图片框1");
        radioX = add<QRadioButton>(panel, u8"单选框X");
        radioY = add<QRadioButton>(panel, u8"单选框Y");
        radioX->setChecked(true);
        multi = add<QPlainTextEdit>(root, u8"编辑框多行");
        single = add<QLineEdit>(root, u8"编辑框单行");
        byteButton = add<QPushButton>(root, u8"按钮字节");
        setControlTag(byteButton, gb(u8"字节集方式"));
        plainButton = add<QPushButton>(root, u8"按钮普通");
        noSave = add<QLineEdit>(root, u8"编辑框禁止");
        setControlTag(noSave, gb(u8"禁止保存"));
        combo = add<QComboBox>(root, u8"组合框C");
        combo->addItems({"a", "b", "c"});
        list = add<QListWidget>(root, u8"列表框L");
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->addItems({"l0", "l1", "l2", "l3"});
        checkList = add<QListWidget>(root, u8"选择列表框K");
        for (QString s : {"k0", "k1", "k2"}) {
            auto* item = new QListWidgetItem(s, checkList);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        colour = add<QWidget>(root, u8"颜色选择器P");
        colour->setProperty("color", QColor(Qt::black));
        // A separate window owned by this one: not one of its controls.
        other = add<QWidget>(root, u8"窗口2");
        other->setWindowFlag(Qt::Window);
        otherCheck = add<QCheckBox>(other, u8"选择框窗外");
    }
};

TEST(QtControls, ListsTheWindowsOwnControlsInOrder)
{
    TestWindow w;
    std::vector<ControlState> states = qtcontrols::listControls(w.window.get());
    std::vector<std::string> names;
    for (const auto& s : states)
        names.push_back(s.name);
    std::vector<std::string> expected;
    for (auto n : {u8"选择框A", u8"勾选框B", u8"图片框1", u8"单选框X", u8"单选框Y", u8"编辑框多行", u8"编辑框单行",
                   u8"按钮字节", u8"按钮普通", u8"编辑框禁止", u8"组合框C", u8"列表框L", u8"选择列表框K", u8"颜色选择器P"})
        expected.push_back(gb(n));
    EXPECT_EQ(names, expected);
    auto byName = [&](std::u8string_view name) {
        for (const auto& s : states)
            if (s.name == gb(name))
                return s;
        return ControlState{};
    };
    EXPECT_EQ(byName(u8"按钮字节").tag, gb(u8"字节集方式"));
    EXPECT_EQ(byName(u8"按钮字节").kind, ControlKind::Button);
    EXPECT_EQ(byName(u8"选择列表框K").kind, ControlKind::CheckedListBox);
    EXPECT_EQ(byName(u8"列表框L").kind, ControlKind::ListBox);
    EXPECT_EQ(byName(u8"颜色选择器P").kind, ControlKind::ColourPicker);
    EXPECT_EQ(byName(u8"编辑框多行").kind, ControlKind::EditBox);
    EXPECT_EQ(byName(u8"图片框1").kind, ControlKind::None);
}

TEST(QtControls, SaveAndRestoreRoundTrip)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    const std::string section = gb(u8"JSON树");
    {
        TestWindow w;
        w.check->setChecked(true);
        w.unnamedKind->setChecked(true);
        w.radioY->setChecked(true);
        w.multi->setPlainText(QString::fromUtf8(u8"第一行\n第二行\n"));
        w.single->setText(QString::fromUtf8(u8"单行"));
        setControlTag(w.plainButton, gb(u8"普通标记"));
        w.noSave->setText("saved?");
        w.combo->setCurrentIndex(2);
        w.list->item(0)->setSelected(true);
        w.list->item(2)->setSelected(true);
        w.checkList->item(1)->setCheckState(Qt::Checked);
        w.checkList->setCurrentRow(2);
        w.colour->setProperty("color", QColor(10, 20, 30));
        w.otherCheck->setChecked(true);
        SettingsStore store;
        ASSERT_TRUE(store.open(ini));
        saveWindowControls(w.window.get(), store, section);
    }
    const std::string file = readFile(ini);
    EXPECT_NE(file.find(gb(u8"\r\n编辑框多行=第一行┊*┊第二行┊*┊")), std::string::npos);
    EXPECT_NE(file.find(gb(u8"\r\n按钮普通.标记=普通标记")), std::string::npos);
    EXPECT_NE(file.find(gb(u8"\r\n单选框X=假")), std::string::npos);
    for (auto absent : {u8"编辑框禁止", u8"勾选框B", u8"选择框窗外", u8"按钮字节"})
        EXPECT_EQ(file.find(gb(absent)), std::string::npos) << reinterpret_cast<const char*>(absent);
    // The byte-mode button's tag went to its side file; replace it to see it come back.
    const std::string side = dir.file(u8"inibin/JSON树-按钮字节.标记.ibn");
    EXPECT_EQ(readFile(side), gb(u8"字节集方式"));
    test::writeFile(side, gb(u8"新标记"));

    TestWindow w;
    w.noSave->setText("untouched");
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    restoreWindowControls(w.window.get(), store, section);
    EXPECT_TRUE(w.check->isChecked());
    EXPECT_FALSE(w.unnamedKind->isChecked());
    EXPECT_FALSE(w.radioX->isChecked());
    EXPECT_TRUE(w.radioY->isChecked());
    EXPECT_EQ(w.multi->toPlainText(), QString::fromUtf8(u8"第一行\n第二行\n"));
    EXPECT_EQ(w.single->text(), QString::fromUtf8(u8"单行"));
    EXPECT_EQ(controlTag(w.plainButton), gb(u8"普通标记"));
    EXPECT_EQ(controlTag(w.byteButton), gb(u8"新标记"));
    EXPECT_EQ(w.noSave->text(), "untouched");
    EXPECT_EQ(controlTag(w.noSave), gb(u8"禁止保存"));
    EXPECT_EQ(w.combo->currentIndex(), 2);
    EXPECT_TRUE(w.list->item(0)->isSelected());
    EXPECT_FALSE(w.list->item(1)->isSelected());
    EXPECT_TRUE(w.list->item(2)->isSelected());
    EXPECT_EQ(w.checkList->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(w.checkList->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w.checkList->currentRow(), 2);
    EXPECT_EQ(w.colour->property("color").value<QColor>(), QColor(10, 20, 30));
    EXPECT_FALSE(w.otherCheck->isChecked());
}

TEST(QtControls, RestoreWithoutSettingsKeepsTheForm)
{
    TempDir dir;
    TestWindow w;
    w.single->setText("form");
    SettingsStore store;
    ASSERT_TRUE(store.open(dir.file("Tessarine.ini")));
    restoreWindowControls(w.window.get(), store, gb(u8"JSON树"));
    EXPECT_TRUE(w.radioX->isChecked());
    EXPECT_FALSE(w.check->isChecked());
    EXPECT_EQ(w.single->text(), "form");
    EXPECT_EQ(w.list->count(), 4);
    EXPECT_EQ(controlTag(w.byteButton), gb(u8"字节集方式"));
    EXPECT_EQ(store.image(), "");
}

} // namespace
} // namespace tess

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
