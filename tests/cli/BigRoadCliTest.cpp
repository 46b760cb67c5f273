// Which input takes the big-document road on the command line, and what it prints there.
#include "CliFixture.h"
#include "support/RandomJson.h"

#include <algorithm>
#include <sstream>

using tess::test::Cli;
using tess::test::Outcome;

// A trailing comma: the tolerant engine reads it, the big road stops there. So the
// outcome tells the road: the threshold decides for a document, the text for JSON Lines.
TEST_F(Cli, ThresholdAndJsonLinesDecideTheRoad)
{
    const std::string doc = "{\"a\":[1, 2,]}"; // 13 bytes
    const std::string engineTree = "JSON\n  a\n    [1]:1\n    [2]:2\n    [3]:\n";
    const std::string bigTree = "JSON\n  a\n    [1]:1\n    [2]:2\n";
    const std::filesystem::path lines = file("log.jsonl", "{\"a\":1}\n{\"a\":2}\n");
    const std::filesystem::path plain = file("doc.json", doc);
    const std::string broken = "{\"a\":1}\n[2]\n{bad\n\"s\"\n";
    struct Case {
        std::string args, input, env;
        int status;
        std::string out, err; // err: a part of standard error
    };
    const Case cases[] = {
        // below the threshold (default 64 MiB, or a larger override): the engine
        {"--tree", doc, "", 0, engineTree, ""},
        {"--tree", doc, "TESSARINE_BIG_THRESHOLD=14", 0, engineTree, ""},
        // at or above it: the big road, the error with its position, what came before it
        {"--tree", doc, "TESSARINE_BIG_THRESHOLD=13", 2, bigTree, "line 1, column 12 (byte 11): unexpected ]"},
        {"--tree '" + plain.string() + "'", "", "TESSARINE_BIG_THRESHOLD=1", 2, bigTree, "doc.json: line 1, column 12"},
        {"--stats '" + plain.string() + "'", "", "TESSARINE_BIG_THRESHOLD=1", 2, "nodes 4, depth 3", "unexpected ]"},
        // a file that is not UTF-8 goes to the engine (here GB18030: 中 is D6 D0)
        {"--tree", "{\"a\":\"\xD6\xD0\",}", "TESSARINE_BIG_THRESHOLD=1", 0, "JSON\n  a:\"中\"\n", ""},
        // the tolerant engine's options keep a big input on the engine
        {"--tree --predecode", doc, "TESSARINE_BIG_THRESHOLD=1", 0, engineTree, ""},
        // JSON Lines by name, and detected in a small text; a broken line is a record
        {"--paths --path-style jq '" + lines.string() + "'", "", "", 0, ".[0]\t{\"a\":1}\n.[0].a\t1\n.[1]\t{\"a\":2}\n.[1].a\t2\n", ""},
        {"--tree", broken, "", 0, "JSON\n  [1]\n    a:1\n  [2]\n    [1]:2\n  [3]:expected a quoted member name\n  [4]:\"s\"\n",
         "1 broken line(s), the first at line 3"},
        {"--get '[4]'", broken, "", 0, "s\n", ""},
        // one value over several lines is no JSON Lines
        {"--get .a", "{\n\"a\":1\n}\n", "", 0, "1\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env + " " + c.args);
        const Outcome r = run(c.args, c.input, c.env);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

// The big road's modes print the same as the engine's on a valid document.
TEST_F(Cli, BigRoadModesPrintLikeTheEngine)
{
    const std::string doc = R"({"data":{"items":[{"id":1,"name":"中文","tags":["x","y"]},{"id":2,"a.b":null}]},"n":-1.5e3})";
    const char* const modes[] = {"--tree", "--paths", "--paths --path-style jq", "--paths --compact-paths --zero-based",
                                 "--find id", "--find 2", "--find 'i?' --wildcard --path-style python", "--find S", "--find SO", "--get data.items.[2]",
                                 "--get '$.data.items[0]' --formatted", "--stats"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const Outcome engine = run(mode, doc);
        const Outcome bigRoad = run(mode, doc, "TESSARINE_BIG_THRESHOLD=1");
        EXPECT_EQ(bigRoad.status, engine.status) << bigRoad.err;
        if (std::string(mode) == "--stats")
            EXPECT_EQ(bigRoad.out.substr(0, 17), engine.out.substr(0, 17)); // not the time
        else
            EXPECT_EQ(bigRoad.out, engine.out);
    }
}

namespace {

// The lines of a text, the value after the tab left out where it is a container's.
std::string pathColumn(const std::string& out)
{
    std::istringstream in(out);
    std::string line, kept;
    while (std::getline(in, line)) {
        // a path and its value, or a value alone (--get)
        const std::size_t tab = line.find('\t');
        const std::size_t value = tab == std::string::npos ? 0 : tab + 1;
        const bool container = value < line.size() && (line[value] == '{' || line[value] == '[');
        kept += (container ? line.substr(0, value) : line) + "\n";
    }
    return kept;
}

} // namespace

// Random documents, compact and pretty: every mode and option prints the same on both
// roads (a container's value aside in pretty text, where the big road leaves out every
// blank); --get reads back paths the engine printed.
TEST_F(Cli, BothRoadsPrintTheSameOnRandomDocuments)
{
    const std::string modes[] = {
        "--tree", "--tree --zero-based", "--paths", "--paths --leaves", "--paths --path-style jq",
        "--paths --path-style jsonpath --leaves", "--paths --path-style js --zero-based", "--paths --path-style python",
        "--paths --compact-paths", "--paths --compact-paths --zero-based --leaves", "--find a", "--find 目标",
        "--find 中 --path-style jq", "--find x.y --path-style python", "--find '*c' --wildcard --compact-paths",
        "--find '[0-9]_' --regex --path-style jsonpath", "--find B --ignore-case", "--find 1 --zero-based",
        "--find '\\' --path-style js", "--stats"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const bool pretty = seed % 2 == 0;
        std::string text = tess::testing::RandomJson(seed, pretty).document();
        // Blanks as spaces only: the engine keeps line breaks in values of pretty arrays.
        std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
        const std::filesystem::path doc = file("doc.json", text);
        SCOPED_TRACE(tess::test::slurp(doc));
        std::vector<std::string> args(std::begin(modes), std::end(modes));
        // paths the engine printed, read back by --get in their own style
        for (const char* style : {"tree", "jq", "python"}) {
            std::istringstream paths(run("--paths --path-style " + std::string(style) + " '" + doc.string() + "'").out);
            std::string line;
            for (int k = 0; std::getline(paths, line); ++k)
                if (k % 7 == 3) {
                    std::string path = line.substr(0, line.find('\t'));
                    for (std::size_t q = 0; (q = path.find('\'', q)) != std::string::npos; q += 4)
                        path.replace(q, 1, "'\\''");
                    args.push_back("--get '" + path + "' --path-style " + style + (pretty ? "" : " --formatted"));
                }
        }
        for (const std::string& mode : args) {
            SCOPED_TRACE(mode);
            const std::string command = mode + " '" + doc.string() + "'";
            const Outcome engine = run(command);
            const Outcome bigRoad = run(command, "", "TESSARINE_BIG_THRESHOLD=1");
            EXPECT_EQ(bigRoad.status, engine.status) << bigRoad.err;
            EXPECT_EQ(bigRoad.err, "");
            if (mode == "--stats")
                EXPECT_EQ(bigRoad.out.substr(0, bigRoad.out.find(", loaded")), engine.out.substr(0, engine.out.find(", loaded")));
            else if (pretty)
                EXPECT_EQ(pathColumn(bigRoad.out), pathColumn(engine.out));
            else
                EXPECT_EQ(bigRoad.out, engine.out);
        }
    }
}

// Past the nesting limit every mode prints what came before the bracket that went too
// deep, says so and ends with status 2, on both roads; at the limit all is read.
TEST_F(Cli, NestingPastTheLimitIsRefusedInEveryMode)
{
    const std::string modes[] = {"--stats", "--tree", "--paths", "--paths --leaves", "--find 1", "--get '[1]'", "--table"};
    for (const int levels : {1024, 1025, 200000}) {
        const std::filesystem::path doc = file("deep.json", std::string(levels, '[') + "1" + std::string(levels, ']'));
        for (const std::string& mode : modes)
            for (const char* env : {"", "TESSARINE_BIG_THRESHOLD=1"}) {
                const bool bigRoad = *env != 0;
                if (mode == "--table" && bigRoad)
                    continue; // the engine's only
                SCOPED_TRACE(std::to_string(levels) + " " + env + " " + mode);
                const Outcome r = run(mode + " '" + doc.string() + "'", "", env);
                if (levels == 1024) {
                    EXPECT_EQ(r.status, 0) << r.err;
                    continue;
                }
                EXPECT_EQ(r.status, 2);
                EXPECT_NE(r.err.find("nested deeper than 1024 levels"), std::string::npos) << r.err;
                if (mode == "--stats")
                    EXPECT_EQ(r.out.substr(0, 23), "nodes 1024, depth 1024,");
                if (mode == "--tree") // the root and 1023 levels of "[1]" below it
                    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1024);
                // the values printed are cut there: a few MB, not the whole text per level
                EXPECT_LT(r.out.size(), std::size_t(8) << 20);
            }
    }
}

// JSON Lines in GB18030 are converted before they are read, from a file mapped or read
// whole, by name or by content; a UTF-8 file with a byte-order mark keeps its bad bytes as broken lines.
TEST_F(Cli, JsonLinesInGb18030AreReadAsGb18030)
{
    // {"id":1} {"id":2} {"name":"张三"} in GB18030 (张三 is D5 C5 C8 FD)
    const std::string gb = "{\"id\":1}\n{\"id\":2}\n{\"name\":\"\xD5\xC5\xC8\xFD\"}\n";
    const std::string expected = "[1]\t{\"id\":1}\n[1].id\t1\n[2]\t{\"id\":2}\n[2].id\t2\n[3]\t{\"name\":\"张三\"}\n[3].name\t张三\n";
    for (const std::string& name : {"g.json", "g.jsonl"}) {
        const std::filesystem::path f = file(name, gb);
        for (const std::string& env : {"", "TESSARINE_BIG_THRESHOLD=1"}) {
            SCOPED_TRACE(name + " " + env);
            const Outcome r = run("--paths '" + f.string() + "'", "", env);
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.out, expected);
            EXPECT_EQ(r.err, "");
            const Outcome redirected = run("--paths", gb, env);
            EXPECT_EQ(redirected.out, expected);
        }
    }
    const std::filesystem::path marked = file("m.jsonl", "\xEF\xBB\xBF[\"\xD5\xC5\"]\n[1]\n");
    const Outcome r = run("--tree '" + marked.string() + "'");
    EXPECT_EQ(r.out, "JSON\n  [1]:invalid UTF-8\n  [2]\n    [1]:1\n");
}
