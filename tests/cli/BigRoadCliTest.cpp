// Which input takes the big-document road on the command line, and what it prints there.
#include "CliFixture.h"

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
