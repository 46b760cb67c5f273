// Exact bytes of the settings file after typical edits, against hand-written files.
#include <gtest/gtest.h>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace tess {
namespace {

using test::gb;
using test::golden;
using test::readFile;
using test::TempDir;
using test::writeFile;

class SettingsGolden : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.path().empty());
        ini = dir.file("Tessarine.ini");
    }
    // The file on disk equals the golden file and the store's image.
    void expectFile(std::string_view goldenName)
    {
        std::string expected = golden(goldenName);
        EXPECT_EQ(readFile(ini), expected) << goldenName;
        EXPECT_EQ(store.image(), expected) << goldenName;
    }

    TempDir dir;
    std::string ini;
    SettingsStore store;
};

TEST_F(SettingsGolden, MissingFileIsCreatedEmptyAndFirstWriteHasNoLineBreakAround)
{
    ASSERT_TRUE(store.open(ini));
    expectFile("empty.ini");
    store.setSection(gb(u8"JSON树"));
    EXPECT_TRUE(store.writeText("k", "v"));
    expectFile("first_write.ini");
}

TEST_F(SettingsGolden, NewKeysGoDirectlyBelowTheHeaderAndValuesResizeInPlace)
{
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"JSON树"));
    EXPECT_TRUE(store.writeText("a", "1"));
    EXPECT_TRUE(store.writeText("b", "2"));
    expectFile("two_keys.ini");

    store.setSection(gb(u8"其他"));
    EXPECT_TRUE(store.writeText("c", "3"));
    store.setSection(gb(u8"JSON树"));
    EXPECT_TRUE(store.writeText("a", gb(u8"一个更长的值")));
    expectFile("longer_value.ini");
    EXPECT_TRUE(store.writeText("a", ""));
    expectFile("shorter_value.ini");
    EXPECT_EQ(store.readText("a", gb(u8"默认")), gb(u8"默认")); // empty value reads as default

    // Reopening reads back what was written.
    store.close();
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"其他"));
    EXPECT_EQ(store.readText("c", ""), "3");
}

TEST_F(SettingsGolden, KeyOfALaterSectionIsNotTheEarlierSectionsKey)
{
    writeFile(ini, gb(u8"[JSON树]\r\nx=1\r\n[其他]\r\nk=later"));
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"JSON树"));
    EXPECT_EQ(store.readText("k", "none"), "none");
    EXPECT_TRUE(store.writeText("k", "new"));
    expectFile("later_section_key.ini");
    EXPECT_EQ(store.readText("k", "none"), "new");
    store.setSection(gb(u8"其他"));
    EXPECT_EQ(store.readText("k", "none"), "later");
}

TEST_F(SettingsGolden, HeaderTextInsideAValueIsNoHeader)
{
    writeFile(ini, gb(u8"[前]\r\nx=[JSON树]"));
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"JSON树"));
    EXPECT_EQ(store.readText("x", "none"), "none");
    EXPECT_TRUE(store.writeText("k", "v"));
    expectFile("header_in_value.ini");
    store.setSection(gb(u8"前"));
    EXPECT_EQ(store.readText("x", ""), gb(u8"[JSON树]"));
}

TEST_F(SettingsGolden, LineBreaksAreStoredOnOneLine)
{
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"JSON树"));
    const std::string text = gb(u8"第一行\r\n第二行\r\n");
    EXPECT_TRUE(store.writeText(gb(u8"多行"), text));
    expectFile("line_breaks.ini");
    EXPECT_EQ(store.readText(gb(u8"多行"), ""), text);
}

TEST_F(SettingsGolden, BooleansAndNumbers)
{
    ASSERT_TRUE(store.open(ini));
    store.setSection(gb(u8"JSON树"));
    EXPECT_TRUE(store.writeBool(gb(u8"是"), true));
    EXPECT_TRUE(store.writeBool(gb(u8"否"), false));
    EXPECT_TRUE(store.writeNumber(gb(u8"十六"), 16));
    EXPECT_TRUE(store.writeNumber(gb(u8"一半"), 0.5));
    EXPECT_TRUE(store.writeNumber(gb(u8"负一"), -1));
    EXPECT_TRUE(store.writeNumber(gb(u8"大数"), 123456789012345678901.0));
    EXPECT_TRUE(store.writeNumber(gb(u8"三分之一"), 1.0 / 3));
    expectFile("bools_numbers.ini");
    EXPECT_TRUE(store.readBool(gb(u8"是"), false));
    EXPECT_FALSE(store.readBool(gb(u8"否"), true));
    EXPECT_EQ(store.readNumber(gb(u8"负一"), 0), -1);
    EXPECT_EQ(store.readNumber(gb(u8"一半"), 0), 0.5);
}

} // namespace
} // namespace tess
