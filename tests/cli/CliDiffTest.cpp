// --diff: its lines against the deep comparison of check_diff.py (Python's json module) on
// random pairs, on both roads; the exit status; the path styles; errors.
#include "CliFixture.h"

#include <cstdio>

using tess::test::Cli;
using tess::test::Outcome;

namespace {

std::string runCheck(const std::string& env, const std::string& dir, int count, int seed)
{
    std::string out;
    const std::string cmd = env + " python3 '" TESS_CHECK_DIFF "' '" TESS_BINARY "' '" + dir + "' " +
                            std::to_string(count) + " " + std::to_string(seed) + " 2>&1";
    if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

} // namespace

TEST_F(Cli, DiffAgreesWithADeepComparisonOnBothRoads)
{
    if (std::system("command -v python3 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    EXPECT_EQ(runCheck("", (m_dir / "engine").string(), 60, 1), "ok\n");
    EXPECT_EQ(runCheck("TESSARINE_BIG_THRESHOLD=0", (m_dir / "big").string(), 60, 2), "ok\n");
}

TEST_F(Cli, DiffLinesStatusAndErrors)
{
    const std::string a = file("a.json", R"({"k":[1,2],"n":1.0,"s":"x"})").string();
    const std::string b = file("b.json", "{\"s\":\"\\u4e2d\",\"k\":[1,0,2],\"n\":1}").string();
    for (const char* env : {"", "TESSARINE_BIG_THRESHOLD=0"}) {
        Outcome r = run("--diff '" + a + "' '" + b + "'", "", env);
        EXPECT_EQ(r.status, 1) << env << r.err;
        EXPECT_EQ(r.out, "+ .k[1] 0\n~ .s \"x\" \xe2\x86\x92 \"\\\\u4e2d\"\n") << env;
        r = run("--diff '" + a + "' '" + b + "' --path-style python", "", env);
        EXPECT_EQ(r.out, "+ [\"k\"][1] 0\n~ [\"s\"] \"x\" \xe2\x86\x92 \"\\\\u4e2d\"\n") << env;
        r = run("--diff '" + a + "' '" + b + "' --path-style tree", "", env);
        EXPECT_EQ(r.out, "+ k.[2] 0\n~ s \"x\" \xe2\x86\x92 \"\\\\u4e2d\"\n") << env;
        r = run("--diff - '" + a + "'", R"({"s":"x","n":1e0,"k":[1,2]})", env);
        EXPECT_EQ(r.status, 0) << env << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(run("--diff '" + a + "' '" + (m_dir / "missing.json").string() + "'", "", env).status, 2);
    }
    // The big road reads strict JSON: an error there is said, with status 2.
    const std::string broken = file("broken.json", R"({"k":[1,2)").string();
    Outcome r = run("--diff '" + a + "' '" + broken + "'", "", "TESSARINE_BIG_THRESHOLD=0");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("broken.json"), std::string::npos) << r.err;
    EXPECT_EQ(run("--diff - -").status, 2);
    EXPECT_EQ(run("--diff '" + a + "'").status, 2);
    EXPECT_EQ(run("--diff '" + a + "' '" + b + "' --leaves").status, 2);
    EXPECT_NE(run("--help").out.find("~ PATH OLD \xe2\x86\x92 NEW"), std::string::npos);
}
