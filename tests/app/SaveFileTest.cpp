// Saving a data file against the real file system: modes, owners, links, leftovers.
#include "app/CloseSave.h"
#include "app/UnsavedCopies.h"
#include "app/SaveFile.h"
#include "app/SlotFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tess {
namespace {

constexpr uid_t kNobody = 65534;

class SaveFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tess-save-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void write(const std::string& path, const std::string& bytes, mode_t mode)
    {
        std::ofstream(path, std::ios::binary) << bytes;
        ::chmod(path.c_str(), mode);
    }
    static struct stat statOf(const std::string& path)
    {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return st;
    }
    // Names in the folder other than `keep`: leftovers of a save.
    std::vector<std::string> others(std::initializer_list<std::string> keep) const
    {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            if (std::find(keep.begin(), keep.end(), name) == keep.end())
                out.push_back(name);
        }
        return out;
    }

    std::string dir;
};

TEST_F(SaveFile, ContentInRunsIsWrittenBackToBackAndAFailedRunKeepsTheOldFile)
{
    const std::string path = file("data.txt");
    write(path, "old", 0644);
    const std::vector<std::string> runs{"{\"a\":", std::string(100000, 'x'), "", "\\\"}"};
    auto all = [&](const ByteSink& sink) {
        for (const std::string& run : runs)
            if (!sink(run))
                return false;
        return true;
    };
    EXPECT_EQ(saveFileAtomically(path, all), SaveOutcome::Written);
    EXPECT_EQ(read(path), runs[0] + runs[1] + runs[2] + runs[3]);
    // A producer that gives up half way: the file keeps what it held, no leftovers.
    EXPECT_EQ(saveFileAtomically(path, [](const ByteSink& sink) { return sink("half") && false; }),
              SaveOutcome::Failed);
    EXPECT_EQ(read(path), runs[0] + runs[1] + runs[2] + runs[3]);
    EXPECT_TRUE(others({"data.txt"}).empty());
}

TEST_F(SaveFile, FilesWithoutWritePermissionAreLeftExactlyAsTheyWere)
{
    // No write bit: the user made the file read-only (0444) or closed it (000). This
    // holds for root as well, whom the kernel would let write.
    for (mode_t mode : {0444, 0400, 0000}) {
        const std::string path = file("data.txt");
        write(path, "old", mode);
        const struct stat before = statOf(path);
        EXPECT_EQ(saveFileAtomically(path, "new"), SaveOutcome::Skipped) << std::oct << mode;
        const struct stat after = statOf(path);
        EXPECT_EQ(after.st_ino, before.st_ino); // not replaced
        EXPECT_EQ(after.st_mode, before.st_mode);
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(read(path), "old");
        EXPECT_TRUE(others({"data.txt"}).empty());
        ::unlink(path.c_str());
    }
    // A folder or a pipe in place of the file is not replaced either, and that is a
    // failure: the text has not been put anywhere.
    std::filesystem::create_directory(file("folder"));
    int error = 0;
    EXPECT_EQ(saveFileAtomically(file("folder"), [](const ByteSink& sink) { return sink("x"); }, &error), SaveOutcome::Failed);
    EXPECT_EQ(error, EISDIR);
    EXPECT_TRUE(std::filesystem::is_directory(file("folder")));
    ASSERT_EQ(::mkfifo(file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(saveFileAtomically(file("pipe"), "x"), SaveOutcome::Failed);
    EXPECT_EQ(others({"data.txt", "folder", "pipe"}), std::vector<std::string>{});
}

TEST_F(SaveFile, ReplacementKeepsModeOwnerAndGroup)
{
    for (mode_t mode : {0600, 0640, 0664, 0200}) {
        const std::string path = file("data.txt");
        write(path, "old", mode);
        EXPECT_EQ(saveFileAtomically(path, "new content"), SaveOutcome::Written);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(read(path), "new content");
        ::unlink(path.c_str());
    }
    // A new file gets the usual mode for new files (the umask applies).
    const mode_t mask = ::umask(022);
    EXPECT_EQ(saveFileAtomically(file("fresh.txt"), ""), SaveOutcome::Written);
    ::umask(mask);
    EXPECT_EQ(statOf(file("fresh.txt")).st_mode & 07777, 0644u);
    EXPECT_EQ(read(file("fresh.txt")), "");

    if (::geteuid() != 0)
        GTEST_SKIP() << "a file of another owner can only be made by root";
    const std::string theirs = file("theirs.txt");
    write(theirs, "old", 0640);
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(saveFileAtomically(theirs, "new"), SaveOutcome::Written);
    const struct stat st = statOf(theirs);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(read(theirs), "new");
}

TEST_F(SaveFile, FileOfAnotherOwnerThatThisUserMayNotWriteIsLeftAlone)
{
    // Run as an ordinary user: root drops to "nobody" in a child process, in a folder
    // that user may write, so only the file's own permission stands in the way.
    const std::string path = file("data.txt");
    write(path, "old", 0644);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                _exit(3);
            _exit(saveFileAtomically(path, "new") == SaveOutcome::Skipped ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
        // An ordinary user cannot give a file away; a file of root is at hand, though.
        EXPECT_EQ(saveFileAtomically("/etc/hostname", "new"), SaveOutcome::Skipped);
        EXPECT_EQ(saveFileAtomically(path, "new"), SaveOutcome::Written);
        write(path, "old", 0644);
    }
    EXPECT_EQ(read(path), "old");
    EXPECT_EQ(statOf(path).st_uid, ::geteuid());
    EXPECT_TRUE(others({"data.txt"}).empty());
}

TEST_F(SaveFile, LinksAreFollowedAndStayLinks)
{
    std::filesystem::create_directory(file("real"));
    std::filesystem::create_directory(file("links"));
    write(file("real/target.json"), "old", 0600);
    // An absolute link, a relative link, and a link to a link.
    ASSERT_EQ(::symlink(file("real/target.json").c_str(), file("links/abs.txt").c_str()), 0);
    ASSERT_EQ(::symlink("../real/target.json", file("links/rel.txt").c_str()), 0);
    ASSERT_EQ(::symlink("rel.txt", file("links/chain.txt").c_str()), 0);
    int round = 0;
    for (const char* link : {"links/abs.txt", "links/rel.txt", "links/chain.txt"}) {
        const std::string content = "content " + std::to_string(++round);
        EXPECT_EQ(saveFileAtomically(file(link), content), SaveOutcome::Written) << link;
        EXPECT_TRUE(S_ISLNK(statOf(file(link)).st_mode)) << link;
        EXPECT_EQ(read(file("real/target.json")), content) << link;
        EXPECT_EQ(statOf(file("real/target.json")).st_mode & 07777, 0600u);
    }
    EXPECT_EQ(std::filesystem::read_symlink(file("links/rel.txt")).string(), "../real/target.json");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file("real")), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file("links")), {}), 3);

    // A link to a read-only file leaves both alone; a dangling link gets its file made;
    // a loop of links fails without writing anything.
    write(file("real/locked.json"), "old", 0444);
    ASSERT_EQ(::symlink("../real/locked.json", file("links/locked.txt").c_str()), 0);
    EXPECT_EQ(saveFileAtomically(file("links/locked.txt"), "new"), SaveOutcome::Skipped);
    EXPECT_EQ(read(file("real/locked.json")), "old");
    ASSERT_EQ(::symlink("../real/later.json", file("links/dangling.txt").c_str()), 0);
    EXPECT_EQ(saveFileAtomically(file("links/dangling.txt"), "made"), SaveOutcome::Written);
    EXPECT_EQ(read(file("real/later.json")), "made");
    EXPECT_TRUE(S_ISLNK(statOf(file("links/dangling.txt")).st_mode));
    ASSERT_EQ(::symlink("loop2", file("links/loop1").c_str()), 0);
    ASSERT_EQ(::symlink("loop1", file("links/loop2").c_str()), 0);
    EXPECT_EQ(saveFileAtomically(file("links/loop1"), "x"), SaveOutcome::Failed);
    EXPECT_TRUE(S_ISLNK(statOf(file("links/loop1")).st_mode));
}

TEST_F(SaveFile, LeftoverOfAnInterruptedSaveIsReplacedAndRemoved)
{
    const std::string path = file("data.txt");
    write(path, "old", 0644);
    write(file(".data.txt.saving"), "half a file from a crash", 0644);
    // Even a link there is replaced, never followed.
    ASSERT_EQ(::symlink(file("victim").c_str(), file(".other.txt.saving").c_str()), 0);
    EXPECT_EQ(saveFileAtomically(path, "new"), SaveOutcome::Written);
    EXPECT_EQ(saveFileAtomically(file("other.txt"), "x"), SaveOutcome::Written);
    EXPECT_EQ(read(path), "new");
    EXPECT_FALSE(std::filesystem::exists(file("victim")));
    EXPECT_EQ(others({"data.txt", "other.txt"}), std::vector<std::string>{});
}

TEST_F(SaveFile, TabsThatFailAtCloseStayFailedUntilWrittenSomewhere)
{
    // A full disk, made with a file size limit: texts of more than 4 bytes fail.
    const std::string texts[] = {"", "[1]", "{\"long\":1}", "[\"also long\"]"};
    CloseSave saver(dir, [&](int n) {
        return [&texts, n](const ByteSink& sink) { return sink(texts[n]); };
    });
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool allSaved = saver.save({1, 2, 3});
    const bool retried = saver.retry();
    const bool elsewhereFull = saver.saveElsewhere(2, file("elsewhere.txt"));
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(allSaved);
    EXPECT_FALSE(retried);
    EXPECT_FALSE(elsewhereFull);
    EXPECT_EQ(read(slotFilePath(dir, 1)), "[1]");
    ASSERT_EQ(saver.failures().size(), 2u);
    EXPECT_EQ(saver.failures()[0].error, EFBIG);
    const std::string list = saver.failureList();
    EXPECT_NE(list.find(reinterpret_cast<const char*>(u8"第 2 个树页（JSON数据2.txt）")), std::string::npos) << list;
    EXPECT_NE(list.find(reinterpret_cast<const char*>(u8"第 3 个树页")), std::string::npos) << list;

    // No path given, or a tab that did not fail: nothing changes.
    EXPECT_FALSE(saver.saveElsewhere(2, ""));
    EXPECT_FALSE(saver.saveElsewhere(1, file("one.txt")));
    EXPECT_EQ(saver.failures().size(), 2u);
    // Once room is back, a tab saved elsewhere stops failing; the other one is retried.
    EXPECT_TRUE(saver.saveElsewhere(2, file("elsewhere.txt")));
    EXPECT_EQ(read(file("elsewhere.txt")), texts[2]);
    ASSERT_EQ(saver.failures().size(), 1u);
    EXPECT_EQ(saver.failures()[0].slot, 3);
    EXPECT_TRUE(saver.retry());
    EXPECT_EQ(read(slotFilePath(dir, 3)), texts[3]);
    EXPECT_FALSE(std::filesystem::exists(slotFilePath(dir, 2)));
}

// A folder in a data file's place: the tab fails, and a close nobody can be asked about
// puts its text into an unsaved copy and says so; the folder stays as it was.
TEST_F(SaveFile, ATabWhoseDataFileIsAFolderGoesToAnUnsavedCopy)
{
    const std::string texts[] = {"", "[1]", "{\"a\":2}"};
    CloseSave saver(dir, [&](int n) {
        return [&texts, n](const ByteSink& sink) { return sink(texts[n]); };
    });
    std::filesystem::create_directory(slotFilePath(dir, 2));
    EXPECT_FALSE(saver.save({1, 2}));
    ASSERT_EQ(saver.failures().size(), 1u);
    EXPECT_EQ(saver.failures()[0].slot, 2);
    EXPECT_EQ(saver.failures()[0].error, EISDIR);
    const std::vector<std::string> lines = saver.leaveUnsavedCopies();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("tab 2 could not be saved (Is a directory); its text is in "), std::string::npos) << lines[0];
    const std::vector<UnsavedCopy> copies = findUnsavedCopies(dir);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(read(copies[0].path), texts[2]);
    EXPECT_TRUE(std::filesystem::is_directory(slotFilePath(dir, 2)));
    EXPECT_TRUE(std::filesystem::is_empty(slotFilePath(dir, 2)));
}

} // namespace
} // namespace tess
