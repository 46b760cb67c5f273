// Control states through the neutral control list: the main window's full save, and
// the keys and encodings of every control kind.
#include <gtest/gtest.h>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"
#include "settings/SyncControls.h"

namespace tess {
namespace {

using test::gb;
using test::golden;
using test::readFile;
using test::TempDir;
using test::writeFile;

ControlState control(std::u8string_view name, ControlKind kind, std::u8string_view tag = u8"")
{
    ControlState c;
    c.name = gb(name);
    c.kind = kind;
    c.tag = gb(tag);
    return c;
}

// The main window's controls in their order, with their first-run states.
std::vector<ControlState> mainWindowControls()
{
    using K = ControlKind;
    std::vector<ControlState> list;
    list.push_back(control(u8"图片框1", K::None));
    for (auto name : {u8"选择框先行解码", u8"选择框单引号格式", u8"选择框数组从0开始", u8"选择框数组独立节点",
                      u8"选择框文字图标", u8"选择框窗口置顶"})
        list.push_back(control(name, K::CheckBox));
    list[4].checked = true; // 选择框数组独立节点
    for (auto name : {u8"图片Korvell软件", u8"图片疑点说明", u8"链接疑点说明", u8"图片软件主页", u8"链接软件主页"})
        list.push_back(control(name, K::None));
    list.push_back(control(u8"按钮粘贴JSON树", K::Button, u8"禁止保存"));
    list.push_back(control(u8"选择夹", K::None));
    for (auto name : {u8"树型框", u8"树型框2", u8"树型框3", u8"树型框4", u8"树型框5", u8"树型框6", u8"树型框7"})
        list.push_back(control(name, K::None));
    for (auto name : {u8"编辑框路径", u8"编辑框路径数据", u8"编辑框路径数据2"}) {
        list.push_back(control(name, K::EditBox, u8"禁止保存"));
        list.back().text = "not saved";
    }
    list.push_back(control(u8"外形框1", K::None));
    list.push_back(control(u8"标签查找选项", K::None));
    list.push_back(control(u8"编辑框查找文本", K::EditBox));
    list.back().text = "name\r\nid";
    for (auto name : {u8"按钮粘贴", u8"按钮上一个", u8"按钮下一个", u8"按钮读取"})
        list.push_back(control(name, K::Button));
    list.push_back(control(u8"选择框忽略大小写", K::CheckBox));
    for (auto name : {u8"单选框正则", u8"单选框通配", u8"单选框默认"})
        list.push_back(control(name, K::RadioButton));
    list.back().checked = true;
    return list;
}

class SyncControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ini = dir.file("Tessarine.ini");
        ASSERT_TRUE(store.open(ini));
    }
    TempDir dir;
    std::string ini;
    SettingsStore store;
};

TEST_F(SyncControlsTest, MainWindowFullSave)
{
    auto controls = mainWindowControls();
    syncControls(store, controls, false, gb(u8"JSON树"));
    EXPECT_EQ(readFile(ini), golden("main_window_save.ini"));
    EXPECT_EQ(store.section(), gb(u8"JSON树"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("inibin")));
}

TEST_F(SyncControlsTest, FirstRunRestoreChangesNothingAndASavedWindowComesBack)
{
    auto controls = mainWindowControls();
    auto before = controls;
    syncControls(store, controls, true, gb(u8"JSON树"));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].checked, before[i].checked);
        EXPECT_EQ(controls[i].text, before[i].text);
        EXPECT_EQ(controls[i].tag, before[i].tag);
    }
    EXPECT_EQ(readFile(ini), "");

    // Change some states, save, and restore onto first-run states.
    controls[1].checked = true;   // 先行解码
    controls[4].checked = false;  // 数组独立节点
    controls.back().checked = false;
    controls[controls.size() - 3].checked = true; // 单选框正则
    controls[26].text = gb(u8"查找\r\n文本");
    controls[27].tag = gb(u8"标记值");
    syncControls(store, controls, false, gb(u8"JSON树"));

    auto restored = mainWindowControls();
    restored[21].text = "changed"; // 编辑框路径: tagged 禁止保存, must keep its text
    syncControls(store, restored, true, gb(u8"JSON树"));
    for (std::size_t i = 0; i < restored.size(); ++i) {
        if (i == 21)
            continue;
        EXPECT_EQ(restored[i].checked, controls[i].checked) << i;
        EXPECT_EQ(restored[i].text, controls[i].text) << i;
        EXPECT_EQ(restored[i].tag, controls[i].tag) << i;
    }
    EXPECT_EQ(restored[21].text, "changed");
    EXPECT_FALSE(restored[21].restored);
    EXPECT_TRUE(restored[1].restored);
    EXPECT_FALSE(restored[0].restored);
}

TEST_F(SyncControlsTest, WhatIsSkipped)
{
    std::vector<ControlState> list;
    list.push_back(control(u8"勾选框A", ControlKind::CheckBox));       // no kind word
    list.push_back(control(u8"选择框假", ControlKind::EditBox));       // name says check box
    list.push_back(control(u8"选择框排除", ControlKind::CheckBox));
    list.push_back(control(u8"", ControlKind::CheckBox));
    list.push_back(control(u8"选择框标记", ControlKind::CheckBox, u8"禁止保存 ")); // tag must match exactly
    for (auto& c : list)
        c.checked = true;
    SyncOptions options;
    options.exclusions = {gb(u8"选择框排除")};
    syncControls(store, list, false, "s", options);
    EXPECT_EQ(readFile(ini), gb(u8"[s]\r\n选择框标记=真"));

    writeFile(ini, gb(u8"[s]\r\n选择框标记=1\r\n选择框排除=假"));
    ASSERT_TRUE(store.open(ini));
    syncControls(store, list, true, "s", options);
    EXPECT_FALSE(list[4].checked); // stored "1" is not "真"
    EXPECT_TRUE(list[2].checked);
}

TEST_F(SyncControlsTest, EveryKindKeysAndEncodings)
{
    using K = ControlKind;
    std::vector<ControlState> list;
    list.push_back(control(u8"按钮字节", K::Button, u8"字节集方式"));
    list.push_back(control(u8"编辑框字节", K::EditBox, u8"字节集方式"));
    list.back().text = std::string("a\r\nb\0c", 6);
    list.push_back(control(u8"颜色选择器A", K::ColourPicker));
    list.back().colour = 16711680;
    list.push_back(control(u8"组合框A", K::ComboBox));
    list.back().items = {"x", "y", "z"};
    list.back().currentIndex = 2;
    list.back().text = "typed";
    list.push_back(control(u8"列表框A", K::ListBox));
    list.back().items = {"0", "1", "2", "3", "4", "5"};
    list.back().selected = {0, 2, 5};
    list.push_back(control(u8"选择列表框A", K::CheckedListBox));
    list.back().items = {"p", "q", "r"};
    list.back().currentIndex = 1;
    list.back().checkedItems = {0, 2};
    SyncOptions options;
    options.comboLists = options.comboTexts = true;
    syncControls(store, list, false, "s", options);

    EXPECT_EQ(readFile(ini), gb(u8"[s]\r\n选择列表框A.打勾=0,2\r\n选择列表框A.选中=1\r\n列表框A.选中=0,2,5\r\n"
                                u8"组合框A.内容=typed\r\n组合框A=2\r\n颜色选择器A=16711680"));
    EXPECT_EQ(readFile(dir.file(u8"inibin/s-按钮字节.标记.ibn")), gb(u8"字节集方式"));
    EXPECT_EQ(readFile(dir.file(u8"inibin/s-编辑框字节.ibn")), list[1].text);
    EXPECT_EQ(readFile(dir.file(u8"inibin/s-列表框A.ibn")), "6\n1\n0\n1\n1\n1\n2\n1\n3\n1\n4\n1\n5\n");

    // Restore onto empty controls of the same kinds.
    std::vector<ControlState> fresh;
    for (const auto& c : list) {
        fresh.push_back(c);
        fresh.back() = control(u8"", c.kind, u8"");
        fresh.back().name = c.name;
        fresh.back().tag = c.tag;
    }
    // A byte-mode button whose side file carries bytes after a zero byte.
    test::writeFile(dir.file(u8"inibin/s-按钮字节.标记.ibn"), std::string("\xD0\xC2\0tail", 7));
    syncControls(store, fresh, true, "s", options);
    EXPECT_EQ(fresh[0].tag, "\xD0\xC2"); // "新", cut at the zero byte
    EXPECT_EQ(fresh[1].text, "a\r\nb");
    EXPECT_EQ(fresh[2].colour, 16711680);
    EXPECT_EQ(fresh[3].items, list[3].items);
    EXPECT_EQ(fresh[3].currentIndex, 2);
    EXPECT_EQ(fresh[3].text, "typed");
    EXPECT_EQ(fresh[4].items, list[4].items);
    EXPECT_EQ(fresh[4].selected, (std::vector<int>{0, 2, 5}));
    EXPECT_EQ(fresh[5].items, list[5].items);
    EXPECT_EQ(fresh[5].currentIndex, 1);
    EXPECT_EQ(fresh[5].checkedItems, (std::vector<int>{0, 2}));
    for (const auto& c : fresh)
        EXPECT_TRUE(c.restored);
}

TEST_F(SyncControlsTest, IndexListsAreClippedToTheItems)
{
    writeFile(ini, gb(u8"[s]\r\n列表框A.选中=9,1,x,-3,1\r\n组合框A=7"));
    ASSERT_TRUE(store.open(ini));
    std::vector<ControlState> list;
    list.push_back(control(u8"列表框A", ControlKind::ListBox));
    list.back().items = {"a", "b"};
    list.push_back(control(u8"组合框A", ControlKind::ComboBox));
    list.back().items = {"a", "b"};
    list.back().currentIndex = 1;
    syncControls(store, list, true, "s");
    EXPECT_EQ(list[0].items, (std::vector<std::string>{"a", "b"})); // no side file: unchanged
    EXPECT_EQ(list[0].selected, (std::vector<int>{0, 1}));         // "x" reads as 0
    EXPECT_EQ(list[1].currentIndex, 1);                             // 7 is out of range
}

} // namespace
} // namespace tess
