// What the program does before any work: --version, options it does not know, a missing
// display, the exit status of --get, the charset of its input, and whether it restarts
// for huge pages.
#include "CliFixture.h"
#include "cli/Cli.h"
#include "platform/HugePageStart.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using tess::test::Cli;
using tess::test::Outcome;

// No display and no Qt platform: a window could never open.
const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
// A window could open (and would keep running): a limit ends such a run as a failure.
const std::string kOffscreen = "env QT_QPA_PLATFORM=offscreen timeout 20";

bool isOneLine(const std::string& text)
{
    return !text.empty() && text.find('\n') == text.size() - 1;
}

} // namespace

TEST_F(Cli, VersionAndUnknownOptionsNeverStartTheWindow)
{
    for (const std::string& env : {kNoDisplay, kOffscreen}) {
        const Outcome r = run("--version", "", env);
        EXPECT_EQ(r.status, 0) << env << r.err;
        EXPECT_EQ(r.out, "Tessarine " TESS_VERSION "\n");
    }
    for (const char* args : {"--no-such-option", "-x", "--data-dir", "a.json b.json", "--data-dir=d --bogus"}) {
        for (const std::string& env : {kNoDisplay, kOffscreen}) {
            const Outcome r = run(args, "", env);
            EXPECT_EQ(r.status, 2) << args << " " << env;
            EXPECT_TRUE(r.out.empty()) << args;
            EXPECT_TRUE(isOneLine(r.err)) << args << ": " << r.err;
            EXPECT_NE(r.err.find("see --help"), std::string::npos) << r.err;
        }
    }
}

TEST_F(Cli, WithoutADisplayTheWindowSaysSoInOneLine)
{
    // Nothing named; a display named that does not answer; a Qt platform that does not exist.
    for (const std::string& env : {kNoDisplay, std::string("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9431 timeout 20"),
                                   std::string("env QT_QPA_PLATFORM=no-such-platform timeout 20")}) {
        const Outcome r = run("--data-dir '" + m_dir.string() + "'", "", env);
        EXPECT_EQ(r.status, 2) << env;
        EXPECT_TRUE(isOneLine(r.err)) << env << ": " << r.err;
        EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
        for (const char* mode : {"--table", "--tree", "--paths", "--get", "--find", "--decode", "--stats"})
            EXPECT_NE(r.err.find(mode), std::string::npos) << mode << ": " << r.err;
    }
}

TEST_F(Cli, GetTellsAnEmptyValueFromNoNode)
{
    const std::string doc = R"({"a":"","n":null,"o":{"b":[]}})";
    for (const char* path : {"a", "o.b", "''"}) {
        const Outcome r = run(std::string("--get ") + path, doc);
        EXPECT_EQ(r.status, 0) << path;
    }
    EXPECT_EQ(run("--get a", doc).out, "\n");
    EXPECT_EQ(run("--get n", doc).out, "null\n");
    for (const char* path : {"zz", "a.x", "o.b.[1]", "o.c"}) {
        const Outcome r = run(std::string("--get ") + path, doc);
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.out, "") << path;
    }
    EXPECT_NE(run("--help").out.find("exit status 1 when PATH names no node"), std::string::npos);
}

TEST_F(Cli, ByteOrderMarksOfFilesAndStandardInput)
{
    // {"中":1} in UTF-16 with either mark, from a file and from standard input.
    const std::string le = std::string("\xFF\xFE{\0\"\0\x2D\x4E\"\0:\0" "1\0}\0", 16);
    const std::string be = std::string("\xFE\xFF\0{\0\"\x4E\x2D\0\"\0:\0" "1\0}", 16);
    const std::string expected = "JSON\n  \xE4\xB8\xAD:1\n";
    for (const std::string& bytes : {le, be, std::string("\xEF\xBB\xBF{\"\xE4\xB8\xAD\":1}")}) {
        EXPECT_EQ(run("--tree '" + file("in.json", bytes).string() + "'").out, expected);
        EXPECT_EQ(run("--tree", bytes).out, expected);
    }
    // The mark never reaches the engine: the root value starts with the brace.
    EXPECT_EQ(run("--get ''", "\xEF\xBB\xBF{\"a\":1}").out, "{\"a\":1}\n");
}

// The restart for 2 MiB pages is decided from the arguments alone: it is worth it for a
// regular file of a megabyte or more that a command-line mode reads, and for every input
// whose size is not known in advance.
TEST_F(Cli, OnlyALargeFileOrAnInputOfUnknownSizeIsWorthTheRestart)
{
    const std::string small = file("small.json", "[1]").string();
    const std::string large = file("large.json", "[" + std::string(tess::kHugePageInputMin, ' ') + "]").string();
    const struct {
        std::vector<std::string> args;
        std::optional<std::uint64_t> size;
        bool worth;
    } cases[] = {
        {{"--stats", small}, 3, false},
        {{"--tree", "--raw", "--", large}, tess::kHugePageInputMin + 2, true},
        {{"--stats"}, std::nullopt, true}, // standard input
        {{"--stats", "-"}, std::nullopt, true},
        {{"--url", "http://localhost/x.json"}, std::nullopt, true},
        {{small}, std::nullopt, true}, // the window
        {{"--stats", m_dir.string()}, std::nullopt, true}, // a folder
        {{"--stats", small + ".none"}, std::nullopt, true},
        {{"--stats", "--bogus", small}, std::nullopt, true}, // refused
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        std::vector<char*> argv = {const_cast<char*>("tessarine")};
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::optional<std::uint64_t> size = tess::cli::inputFileSize(static_cast<int>(argv.size() - 1), argv.data());
        EXPECT_EQ(size, c.size) << args.front();
        EXPECT_EQ(tess::inputWorthHugePages(size), c.worth) << args.front();
    }
    EXPECT_FALSE(tess::inputWorthHugePages(tess::kHugePageInputMin - 1));
}

// The restart for huge pages keeps the program's name, so that ps, pgrep and killall
// find it: read while the restarted program waits for its input on a named pipe.
TEST_F(Cli, TheRestartedProgramKeepsItsName)
{
    std::ifstream policyFile("/sys/kernel/mm/transparent_hugepage/enabled");
    const std::string policy((std::istreambuf_iterator<char>(policyFile)), std::istreambuf_iterator<char>());
    if (!tess::hugePageRestartHelps(nullptr, nullptr, policy))
        GTEST_SKIP() << "no restart where huge pages are " << policy;
    const std::string fifo = (m_dir / "input.json").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        unsetenv("GLIBC_TUNABLES");
        unsetenv("LD_PRELOAD");
        if (!std::freopen("/dev/null", "w", stdout))
            _exit(126);
        execl(TESS_BINARY, "tessarine", "--stats", fifo.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string proc = "/proc/" + std::to_string(pid);
    bool restarted = false;
    for (int k = 0; k < 1000 && !restarted; ++k) {
        restarted = tess::test::slurp(proc + "/environ").find("TESSARINE_RESTARTED_FOR_HUGE_PAGES") != std::string::npos;
        if (!restarted)
            usleep(10000);
    }
    const std::string comm = tess::test::slurp(proc + "/comm");
    std::ofstream(fifo) << "[1]";
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(restarted);
    EXPECT_EQ(comm, "tessarine\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
