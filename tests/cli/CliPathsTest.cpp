// --paths, --leaves and --get on paths: every printed path evaluated by the tool of its
// syntax (check_paths.py), scalars only, and a path that cannot be read.
#include "CliFixture.h"

#include <cstdio>

using tess::test::Cli;
using tess::test::Outcome;

namespace {

std::string runScript(const std::string& args)
{
    std::string out;
    if (std::FILE* p = ::popen(("python3 '" TESS_CHECK_PATHS "' " + args + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

bool haveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

TEST_F(Cli, EveryPrintedPathGivesItsValueInItsTool)
{
    if (!haveTool("python3"))
        GTEST_SKIP() << "python3 is not installed";
    const std::string doc = (m_dir / "doc.json").string();
    ASSERT_EQ(runScript("doc '" + doc + "'"), "");
    const struct {
        const char* style;
        const char* tool;
    } styles[] = {{"jq", "jq"},     {"js", "node"},       {"python", "python3"},
                  {"jsonpath", "python3"}, {"tree", "python3"}, {"tree-compact", "python3"}};
    for (const auto& s : styles) {
        if (!haveTool(s.tool)) {
            ADD_FAILURE() << s.tool << " is not installed (scripts/setup.sh installs it)";
            continue;
        }
        EXPECT_EQ(runScript(std::string(s.style) + " '" TESS_BINARY "' '" + doc + "'"), "ok\n") << s.style;
    }
}

TEST_F(Cli, LeavesAreTheScalarsInTreeOrder)
{
    const std::string doc = R"({"a":[1,{"b":null}],"c":{},"d":"x","e":[]})";
    Outcome r = run("--paths --leaves", doc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "a.[1]\t1\na.[2].b\tnull\nd\tx\n");
    EXPECT_EQ(run("--paths --leaves --path-style jq", doc).out, ".a[0]\t1\n.a[1].b\tnull\n.d\tx\n");
    EXPECT_EQ(run("--tree --leaves", doc).status, 2);
}

TEST_F(Cli, APathThatCannotBeReadIsAnError)
{
    const std::string doc = R"({"a":{"b":1}})";
    for (const char* path : {"'.['", "'$['", "'[\"a\"'", "'.a[x]'", "'$.a.'", "a --path-style jq", "'.a' --path-style js"}) {
        const Outcome r = run(std::string("--get ") + path, doc);
        EXPECT_EQ(r.status, 2) << path;
        EXPECT_EQ(r.out, "") << path;
        EXPECT_NE(r.err.find("cannot read"), std::string::npos) << path << ": " << r.err;
    }
    // Well formed, naming no node: status 1 and silent.
    for (const char* path : {"'.a.c'", "'$.x'", "'[\"a\"][\"c\"]'", "a.c", "'.a[0]'"}) {
        const Outcome r = run(std::string("--get ") + path, doc);
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.out + r.err, "") << path;
    }
}
