// --check, --flat/--unflat, --query, --csv and --get --json, against Python's json and
// csv modules and the jq program (check_standard.py), and their exit statuses.
#include "CliFixture.h"

#include <cstdio>

using tess::test::Cli;
using tess::test::Outcome;

namespace {

std::string runChecker(const std::string& args)
{
    std::string out;
    if (std::FILE* p = ::popen(("python3 '" TESS_CHECK_STANDARD "' " + args + " 2>&1").c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

} // namespace

TEST_F(Cli, CheckAgreesWithStrictPythonOnTheTestSuite)
{
    EXPECT_EQ(runChecker("suite '" TESS_BINARY "' '" TESS_JSON_TEST_SUITE "'"), "ok\n");
}

TEST_F(Cli, FlatLinesRebuildTheDocumentAndAnySubsetOfThem)
{
    EXPECT_EQ(runChecker("flat '" TESS_BINARY "' 29 40"), "ok\n");
}

TEST_F(Cli, CsvReadsBackThroughPythonsCsvModule)
{
    EXPECT_EQ(runChecker("csv '" TESS_BINARY "' 29 30"), "ok\n");
}

TEST_F(Cli, QueryPrintsWhatJqPrints)
{
    EXPECT_EQ(runChecker("query '" TESS_BINARY "' '" + m_dir.string() + "'"), "ok\n");
}

TEST_F(Cli, CheckNamesTheFirstErrorAndItsPlace)
{
    Outcome r = run("--check", "{\"a\": [1, 2");
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("line 1, column 12 (byte 11): unexpected end of input"), std::string::npos) << r.err;
    r = run("--check", "{\n  \"a\": 1,\n  \"b\": [1, 2,]\n}");
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("line 3, column 14 (byte 25)"), std::string::npos) << r.err;
    r = run("--check", "{\"中文\": \"值\", \"n\": NaN}");
    EXPECT_NE(r.err.find("line 1, column 18 (byte 23)"), std::string::npos) << r.err; // columns count characters
    r = run("--check", "[1, {\"a\": \"\\u00e9\"}]\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
}

TEST_F(Cli, GetJsonTellsStringsFromNumbers)
{
    const std::string doc = R"({"s": "123", "n": 123, "o": {"x": [1, "a\"b"]}})";
    EXPECT_EQ(run("--get s --json", doc).out, "\"123\"\n");
    EXPECT_EQ(run("--get n --json", doc).out, "123\n");
    EXPECT_EQ(run("--get .o --json", doc).out, "{\"x\":[1,\"a\\\"b\"]}\n");
    EXPECT_EQ(run("--get .o --json --formatted", doc).out, "{\n  \"x\": [\n    1,\n    \"a\\\"b\"\n  ]\n}\n");
    EXPECT_EQ(run("--get .nothing --json", doc).status, 1);
    // A tolerant text comes out as standard JSON.
    EXPECT_EQ(run("--get . --json", "{a: 'x', b: [1,2,],}").out, "{\"a\":\"x\",\"b\":[1,2]}\n");
}

TEST_F(Cli, UnflatSaysWhichLineItCannotRead)
{
    Outcome r = run("--unflat", ".a = 1;\n.b = 2\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 2: expected PATH = VALUE;"), std::string::npos) << r.err;
    r = run("--unflat", ".a = 1;\n.b = tru;\n");
    EXPECT_NE(r.err.find("line 2: the value is not"), std::string::npos) << r.err;
    // Gaps in arrays are null; a later line wins.
    EXPECT_EQ(run("--unflat", ".a[2] = 1;\n.b = 1;\n.b.c = \"x\";\n").out, "{\"a\":[null,null,1],\"b\":{\"c\":\"x\"}}\n");
}

TEST_F(Cli, QueryAndCsvStatuses)
{
    Outcome r = run("--query '.a |'", "{}");
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("compile error"), std::string::npos) << r.err;
    r = run("--query '.a.b'", "{\"a\": 1}");
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("Cannot index number with string \"b\""), std::string::npos) << r.err;
    EXPECT_EQ(run("--csv .a", "{\"a\": 1}").status, 2);
    EXPECT_EQ(run("--csv .b", "{\"a\": []}").status, 1);
    EXPECT_EQ(run("--csv . --raw", "[]").status, 2);
}

TEST_F(Cli, ColourOnlyWhenAsked)
{
    const std::string doc = R"({"s": "x", "n": 1, "t": true})";
    const Outcome always = run("--flat --color=always", doc);
    EXPECT_EQ(always.out, "\x1b[34m.s\x1b[0m = \x1b[32m\"x\"\x1b[0m;\n\x1b[34m.n\x1b[0m = \x1b[36m1\x1b[0m;\n"
                          "\x1b[34m.t\x1b[0m = \x1b[33mtrue\x1b[0m;\n");
    EXPECT_EQ(run("--get . --json --color=always", doc).out,
              "{\x1b[34;1m\"s\"\x1b[0m:\x1b[32m\"x\"\x1b[0m,\x1b[34;1m\"n\"\x1b[0m:\x1b[36m1\x1b[0m,"
              "\x1b[34;1m\"t\"\x1b[0m:\x1b[33mtrue\x1b[0m}\n");
    // The tree, the same on both roads, and the paths.
    const std::string path = file("c.json", R"({"a:b": "x", "n": 1, "o": {"t": true}, "l": [1, "s"]})").string();
    EXPECT_EQ(run("--tree --color=always '" + path + "'", "", "TESSARINE_BIG_THRESHOLD=10").out,
              run("--tree --color=always '" + path + "'").out);
    EXPECT_NE(run("--tree --color=always '" + path + "'").out.find("\x1b[34;1ma:b\x1b[0m:\x1b[32m\"x\"\x1b[0m"),
              std::string::npos);
    for (const char* big : {"", "TESSARINE_BIG_THRESHOLD=10"})
        EXPECT_NE(run("--paths --color=always '" + path + "'", "", big).out.find("\x1b[34ml.[2]\x1b[0m\t\x1b[32ms\x1b[0m"),
                  std::string::npos);
    // Not a terminal, or NO_COLOR: plain.
    EXPECT_EQ(run("--flat", doc).out, ".s = \"x\";\n.n = 1;\n.t = true;\n");
    EXPECT_EQ(run("--flat --color=auto", doc, "NO_COLOR=1").out, ".s = \"x\";\n.n = 1;\n.t = true;\n");
    EXPECT_EQ(run("--flat --color=sometimes", doc).status, 2);
}

TEST_F(Cli, BigRoadGivesTheSameFlatLinesAndTable)
{
    std::string doc = "{\"rows\": [";
    for (int i = 0; i < 300; ++i)
        doc += std::string(i ? "," : "") + "{\"id\": " + std::to_string(i) + ", \"name\": \"n\\\"" + std::to_string(i) +
               "\", \"tags\": [\"中\", " + std::to_string(i % 7) + "]}";
    doc += "], \"empty\": {}}";
    const std::string path = file("big.json", doc).string();
    for (const char* mode : {"--flat", "--csv .rows", "--get .rows[7] --json", "--query '.rows | map(.id) | add'"}) {
        const Outcome small = run(std::string(mode) + " '" + path + "'");
        const Outcome big = run(std::string(mode) + " '" + path + "'", "", "TESSARINE_BIG_THRESHOLD=1024");
        EXPECT_EQ(small.status, 0) << mode << small.err;
        EXPECT_EQ(big.out, small.out) << mode;
        EXPECT_NE(small.out, "") << mode;
    }
    // A big file that is not standard JSON is refused with its first error.
    const std::string broken = file("broken.json", doc + ",").string();
    const Outcome r = run("--flat '" + broken + "'", "", "TESSARINE_BIG_THRESHOLD=1024");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("not standard JSON"), std::string::npos) << r.err;
}
