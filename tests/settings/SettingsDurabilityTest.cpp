// The settings file as people and accidents leave it: hand-edited line ends, a write
// that runs out of room, and a writer killed in the middle of its writes.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace tess {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(SettingsLineEnds, LfAndLoneCrAreLineEndsAndNothingElseIsDropped)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    struct Step {
        std::string section, key, value;
    };
    struct Case {
        std::string content;
        std::vector<std::pair<std::string, std::string>> reads; // "section/key" -> value
        std::vector<Step> writes;
        std::string expected;
    };
    const Case cases[] = {
        // LF lines: found, and a new key leaves every other line and section alone.
        {"[J]\nk=1\nother=2\n[B]\nz=9",
         {{"J/k", "1"}, {"J/other", "2"}, {"B/z", "9"}, {"J/z", "d"}},
         {{"J", "j", "5"}, {"J", "k", "22"}, {"B", "z", ""}},
         "[J]\r\nj=5\nk=22\nother=2\n[B]\nz="},
        // Lone CR lines, a value changed at the very end of the file.
        {"[J]\rk=1\r[B]\rz=9", {{"J/k", "1"}, {"B/z", "9"}}, {{"B", "q", "7"}, {"B", "z", "10"}},
         "[J]\rk=1\r[B]\r\nq=7\rz=10"},
        // Text after the header on its own line stays where it was.
        {"[J] notes\r\nk=1", {{"J/k", "1"}}, {{"J", "j", "2"}}, "[J] notes\r\nj=2\r\nk=1"},
        // A key of a later LF section is not the earlier section's key.
        {"[J]\n[B]\nk=1", {{"J/k", "d"}, {"B/k", "1"}}, {{"J", "k", "2"}}, "[J]\r\nk=2\n[B]\nk=1"},
        // A header after a LF-ended file is appended without an empty line.
        {"[J]\nk=1\n", {}, {{"B", "z", "1"}}, "[J]\nk=1\n[B]\r\nz=1"},
        // Mixed ends; a header at offset 1 after a line break is a header.
        {"\n[J]\r\na=1\nb=2\rc=3", {{"J/a", "1"}, {"J/b", "2"}, {"J/c", "3"}}, {{"J", "b", "20"}},
         "\n[J]\r\na=1\nb=20\rc=3"},
    };
    for (const Case& c : cases) {
        writeFile(ini, c.content);
        SettingsStore store;
        ASSERT_TRUE(store.open(ini));
        for (const auto& [where, expected] : c.reads) {
            const std::size_t slash = where.find('/');
            EXPECT_EQ(store.readItem(where.substr(0, slash), where.substr(slash + 1), "d", true), expected)
                << c.content << " " << where;
        }
        for (const Step& w : c.writes)
            EXPECT_EQ(store.writeItem(w.section, w.key, w.value, false), SettingsStore::WriteStatus::Done) << c.content;
        EXPECT_EQ(store.image(), c.expected) << c.content;
        EXPECT_EQ(readFile(ini), c.expected) << c.content;
    }
}

TEST(SettingsLineEnds, ValueOrNameWithALineBreakIsRefused)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    writeFile(ini, "[J]\r\nk=1");
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    for (std::string value : {"a\nb", "a\rb", "a\r\nb", "\n"})
        EXPECT_EQ(store.writeItem("J", "k", value, false), SettingsStore::WriteStatus::Failed);
    // CR and LF are never part of a two-byte character, also right after a lead byte.
    EXPECT_EQ(store.writeItem("J", "\x81\nk", "v", false), SettingsStore::WriteStatus::Failed);
    EXPECT_EQ(store.writeItem("J\x81\r", "k", "v", false), SettingsStore::WriteStatus::Failed);
    EXPECT_EQ(readFile(ini), "[J]\r\nk=1");
}

// Runs f with the file size limited to `limit` bytes and SIGXFSZ ignored, as a full
// disk would behave for this file; restores both afterwards.
template <typename F>
void withFileSizeLimit(rlim_t limit, F f)
{
    rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit limited = before;
    limited.rlim_cur = limit;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    f();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
}

TEST(SettingsNoRoom, FailedWriteLeavesTheFileAsItWas)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    const std::string original = "[J]\r\nk=1\r\nm=2";
    writeFile(ini, original);
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    store.setSection("J");
    withFileSizeLimit(original.size(), [&] {
        EXPECT_FALSE(store.writeText("q", "Q"));          // new key
        EXPECT_FALSE(store.writeText("k", "123456"));     // longer value
        EXPECT_FALSE(store.writeText("z", "longer key")); // and again, after failures
        EXPECT_EQ(readFile(ini), original);
    });
    store.close();
    EXPECT_EQ(readFile(ini), original);

    // With room again, the next write brings the whole file up to the image.
    ASSERT_TRUE(store.open(ini));
    store.setSection("J");
    withFileSizeLimit(original.size(), [&] { EXPECT_FALSE(store.writeText("k", "11")); });
    EXPECT_TRUE(store.writeText("m", "3"));
    EXPECT_EQ(readFile(ini), "[J]\r\nk=11\r\nm=3");
    EXPECT_EQ(readFile(ini), store.image());
}

TEST(SettingsNoRoom, ShorterValueNeedsNoRoom)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    writeFile(ini, "[J]\r\nk=100\r\nm=2");
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    store.setSection("J");
    withFileSizeLimit(15, [&] { EXPECT_TRUE(store.writeText("k", "1")); });
    EXPECT_EQ(readFile(ini), "[J]\r\nk=1\r\nm=2");
}

// The value written as the i-th write: names its key and i, its length varies, so any
// mix of two writes is recognised.
std::string keyOf(int i)
{
    return "k" + std::to_string(i % 5);
}

std::string valueOf(int i)
{
    return std::to_string(i) + ":" + std::string(static_cast<std::size_t>((i * 37) % 230), 'x') + "#";
}

// Every line of the file is empty, the header, or a key line whose value some write gave it.
::testing::AssertionResult holdsOnlyWrittenValues(const std::string& content)
{
    std::vector<std::string> seen;
    std::size_t at = 0;
    while (at <= content.size()) {
        std::size_t end = content.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = content.size();
        const std::string line = content.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line == "[s]")
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return ::testing::AssertionFailure() << "stray line " << line;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        const int i = std::atoi(value.c_str());
        if (keyOf(i) != key || valueOf(i) != value)
            return ::testing::AssertionFailure() << "mixed value " << line;
        for (const std::string& k : seen) {
            if (k == key)
                return ::testing::AssertionFailure() << "key twice " << key;
        }
        seen.push_back(key);
    }
    return ::testing::AssertionSuccess();
}

TEST(SettingsKilled, WriterKilledAtRandomLeavesEveryKeyWithAWrittenValue)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    std::mt19937 random(12345);
    int killedWhileWriting = 0;
    for (int round = 0; round < 40; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsStore store;
            if (!store.open(ini))
                _exit(3);
            store.setSection("s");
            (void)!write(ready[1], "r", 1);
            for (int i = round * 100000;; ++i)
                store.writeText(keyOf(i), valueOf(i));
        }
        close(ready[1]);
        char c;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        killedWhileWriting += WIFSIGNALED(status) ? 1 : 0;
        ASSERT_TRUE(holdsOnlyWrittenValues(readFile(ini))) << "round " << round;
    }
    EXPECT_EQ(killedWhileWriting, 40);
}

} // namespace
} // namespace tess
