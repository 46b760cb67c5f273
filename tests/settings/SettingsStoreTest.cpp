// The store against real files: locking, unusable folders, hostile content, names that
// would break the file, typed values and side files.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace tess {
namespace {

using test::gb;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(SettingsStore, SecondStoreOnTheSameFileDoesNotHoldIt)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    writeFile(ini, "[s]\r\na=1");
    SettingsStore first, second;
    ASSERT_TRUE(first.open(ini));
    EXPECT_TRUE(first.holdsFile());
    EXPECT_FALSE(second.open(ini));
    EXPECT_FALSE(second.holdsFile());

    // The second store reads the content, but its writes stay in its image.
    second.setSection("s");
    EXPECT_EQ(second.readText("a", ""), "1");
    EXPECT_TRUE(second.writeText("a", "2"));
    EXPECT_EQ(second.readText("a", ""), "2");
    EXPECT_EQ(readFile(ini), "[s]\r\na=1");

    first.close();
    EXPECT_TRUE(second.open(ini));
    EXPECT_EQ(second.readText("a", ""), "1");
}

TEST(SettingsStore, FileThatCannotBeOpenedLeavesWritesInTheImage)
{
    TempDir dir;
    SettingsStore store;
    EXPECT_FALSE(store.open(dir.file("missing-folder/Tessarine.ini")));
    store.setSection("s");
    EXPECT_TRUE(store.writeText("a", "1"));
    EXPECT_EQ(store.readText("a", ""), "1");
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing-folder")));

    // A folder in place of the file.
    std::filesystem::create_directory(dir.file("folder.ini"));
    EXPECT_FALSE(store.open(dir.file("folder.ini")));
    EXPECT_EQ(store.image(), "");
    EXPECT_EQ(store.readText("a", "d"), "d");
}

TEST(SettingsStore, FifoIsNotReadNorHeld)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SettingsStore store;
    EXPECT_FALSE(store.open(fifo)); // returns instead of blocking on the pipe
    EXPECT_EQ(store.image(), "");
}

TEST(SettingsStore, HostileContentReadsWithoutHarm)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    struct Case {
        std::string content;
        std::string key;
        std::string expected;
    };
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    const Case cases[] = {
        {binary, "a", "d"},
        {"[s]\ra=1", "a", "1"},            // lone CR ends a line
        {"[s]\na=1\nb=2", "a", "1"},       // so does LF
        {"[s\r\na=1", "a", "d"},           // header without "]"
        {"[s]\r\na=1\r\n[t\r\nb=2", "b", "2"}, // an unclosed "[" line is no header
        {"[s]\r\n[s]\r\na=1", "a", "d"},     // the key belongs to the second header
        {"[s]\r\na=", "a", "d"},           // empty value reads as default
        {"[s]\r\na=x\r\na=y", "a", "x"},   // the first line wins
        {"\r\n[s]\r\na=1", "a", "1"},
        {"x[s]\r\na=1", "a", "d"},         // header at offset 1 is no header
    };
    for (const Case& c : cases) {
        writeFile(ini, c.content);
        SettingsStore store;
        ASSERT_TRUE(store.open(ini));
        EXPECT_EQ(store.image(), c.content);
        store.setSection("s");
        EXPECT_EQ(store.readText(c.key, "d"), c.expected) << c.content;
        EXPECT_TRUE(store.writeText("w", "1"));
        EXPECT_EQ(readFile(ini), store.image());
        EXPECT_EQ(store.readText("w", ""), "1") << c.content;
    }
}

TEST(SettingsStore, LargeFileFullOfBrokenHeadersStaysLinear)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    // 100 MB of "[" lines that never close between a section and the next real header:
    // deciding whether a key line belongs to the first section crosses all of them.
    std::string content = "[s]";
    content.reserve((100u << 20) + 64);
    while (content.size() < (100u << 20))
        content += "\r\n[x\r\n[y=[";
    content += "\r\n[z]\r\na=1";
    writeFile(ini, content);
    SettingsStore store;
    auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(store.open(ini));
    store.setSection("s");
    EXPECT_EQ(store.readText("a", "d"), "d");
    store.setSection("z");
    EXPECT_EQ(store.readText("a", "d"), "1");
    store.setSection("s");
    EXPECT_TRUE(store.writeText("a", "22"));
    EXPECT_EQ(store.readText("a", "d"), "22");
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 60.0); // a quadratic search would run for hours
    EXPECT_EQ(store.image().substr(0, 11), "[s]\r\na=22\r\n");
    EXPECT_TRUE(readFile(ini) == store.image());
}

TEST(SettingsStore, NamesThatWouldBreakTheFileAreRejected)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    writeFile(ini, "[s]\r\na=1");
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    store.setSection("s");
    for (std::string key : {"a=b", "a\rb", "a\nb", "[a", "a]", "x\r\n[t]"})
        EXPECT_FALSE(store.writeText(key, "v")) << key;
    for (std::string section : {"s]", "[s", "s\r\n", "s=t"})
        EXPECT_EQ(store.writeItem(section, "a", "v", false), SettingsStore::WriteStatus::Failed) << section;
    EXPECT_EQ(store.writeItem("s", "a", "x\r\n[t]\r\ny=1", false), SettingsStore::WriteStatus::Failed);
    EXPECT_EQ(store.writeItem("s", std::string("\xB0", 1), "v", true), SettingsStore::WriteStatus::Failed); // cut character
    EXPECT_EQ(readFile(ini), "[s]\r\na=1");
    EXPECT_EQ(store.pendingWrites(), 0u);

    // "]" and "[" as trail bytes of two-byte characters are ordinary name bytes.
    const std::string trail = "\x81]\x81[";
    EXPECT_TRUE(store.writeText(trail, "v"));
    store.setSection(trail);
    EXPECT_TRUE(store.writeText(trail, "w"));
    EXPECT_EQ(store.readText(trail, ""), "w");
    store.setSection("s");
    EXPECT_EQ(store.readText(trail, ""), "v");
    EXPECT_EQ(readFile(ini), store.image());
}

TEST(SettingsStore, TypedReadersFollowTheEncodings)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    writeFile(ini, gb(u8"[s]\r\nb1=1\r\nb2=true\r\nb3=真\r\nn1=abc\r\nn2=１２．５\r\nn3=　-3e2x\r\n"
                      u8"n4=1e999\r\nn5=12abc\r\nt=a┊*┊b"));
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    store.setSection("s");
    EXPECT_FALSE(store.readBool("b1", true));
    EXPECT_FALSE(store.readBool("b2", true));
    EXPECT_TRUE(store.readBool("b3", false));
    EXPECT_TRUE(store.readBool("missing", true));
    EXPECT_EQ(store.readNumber("n1", 7), 0);
    EXPECT_EQ(store.readNumber("n2", 7), 12.5);   // full-width digits and point
    EXPECT_EQ(store.readNumber("n3", 7), -300);   // full-width blank, then a prefix
    EXPECT_EQ(store.readNumber("n4", 7), 0);      // out of range is no usable number
    EXPECT_EQ(store.readNumber("n5", 7), 12);
    EXPECT_EQ(store.readNumber("missing", 2.5), 2.5);
    EXPECT_EQ(store.readText("t", ""), "a\r\nb");
    EXPECT_EQ(store.readText("missing", "x\r\ny"), "x\r\ny");
}

TEST(SettingsStore, SideFilesHoldRawBytes)
{
    TempDir dir;
    SettingsStore store;
    EXPECT_EQ(store.sideFilePath("k"), ""); // no folder before open
    ASSERT_TRUE(store.open(dir.file("Tessarine.ini")));
    store.setSection(gb(u8"JSON树"));
    const std::string bytes("\x00\x01\xff\r\nraw", 8);
    EXPECT_EQ(store.readBytes(gb(u8"键"), "def"), "def");
    EXPECT_TRUE(store.writeBytes(gb(u8"键"), bytes));
    const std::string side = dir.file(u8"inibin/JSON树-键.ibn");
    EXPECT_EQ(store.sideFilePath(gb(u8"键")), side);
    EXPECT_EQ(readFile(side), bytes);
    EXPECT_EQ(store.readBytes(gb(u8"键"), "def"), bytes);
    EXPECT_TRUE(store.writeBytes(gb(u8"键"), "short"));
    EXPECT_EQ(readFile(side), "short");
    EXPECT_TRUE(store.writeBytes(gb(u8"键"), ""));
    EXPECT_EQ(store.readBytes(gb(u8"键"), "def"), "def"); // empty side file
    EXPECT_EQ(store.image(), ""); // the settings file itself is untouched

    // A name that would leave the folder is refused.
    EXPECT_FALSE(store.writeBytes("../escape", "x"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("escape.ibn")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("inibin/JSON树-..")));
}

} // namespace
} // namespace tess
