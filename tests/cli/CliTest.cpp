// The command line run as a separate process: modes, escaping, encodings and errors.
#include "CliFixture.h"

using tess::test::Cli;
using tess::test::Outcome;
using tess::test::slurp;
namespace fs = std::filesystem;

TEST_F(Cli, TreeAndTableOfADocument)
{
    Outcome r = run("--tree", R"({"a":1,"b":[true,"x"]})");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "JSON\n  a:1\n  b\n    [1]:true\n    [2]:\"x\"\n");
    r = run("--table --zero-based", R"({"b":[true]})");
    EXPECT_EQ(r.out, "1\t1\t1\t1\t1\tJSON\t{\"b\":[true]}\n"
                     "2\t2\t2\t1\t1\tb\t[true]\n"
                     "3\t3\t0\t0\t1\t[0]\ttrue\n");
}

TEST_F(Cli, ControlBytesAreEscapedInLineModes)
{
    const Outcome r = run("--table", std::string("[\"a\\\\b\tc\",\"\x01\x7f\"]\r\n"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("JSON\t[\"a\\\\\\\\b\\tc\",\"\\x01\\x7f\"]\\r\\n\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[1]\t\"a\\\\\\\\b\\tc\"\n"), std::string::npos) << r.out;
}

TEST_F(Cli, PathsAndGetInBothForms)
{
    const std::string doc = R"({"data":[{"id":1}],"a.b":2})";
    Outcome r = run("--paths --compact-paths --zero-based", doc);
    EXPECT_EQ(r.out, "data\t[{\"id\":1}]\ndata[0]\t{\"id\":1}\ndata[0].id\t1\n\"a.b\"\t2\n");
    r = run("--paths", doc);
    EXPECT_EQ(r.out, "data\t[{\"id\":1}]\ndata.[1]\t{\"id\":1}\ndata.[1].id\t1\n\"a.b\"\t2\n");
    r = run("--get data[0].id --compact-paths --zero-based", doc);
    EXPECT_EQ(r.out, "1\n");
    r = run("--get 'data.[1].id'", doc);
    EXPECT_EQ(r.out, "1\n");
    r = run("--get nothing", doc);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(Cli, Utf8InAndOutGbkAndRawPassThrough)
{
    // UTF-8 input with a BOM comes back as UTF-8; GBK input is read as GB18030.
    Outcome r = run("--tree", "\xEF\xBB\xBF{\"\xE4\xB8\xAD\":\"\xF0\x9F\x98\x80\"}");
    EXPECT_EQ(r.out, "JSON\n  \xE4\xB8\xAD:\"\xF0\x9F\x98\x80\"\n");
    r = run("--tree", "{\"\xD6\xD0\":1}");
    EXPECT_EQ(r.out, "JSON\n  \xE4\xB8\xAD:1\n");
    r = run("--tree --raw", "{\"\xD6\xD0\":1}");
    EXPECT_EQ(r.out, "JSON\n  \xD6\xD0:1\n");
    r = run("--get \xE4\xB8\xAD", "{\"\xE4\xB8\xAD\":\"\xE6\x96\x87\"}");
    EXPECT_EQ(r.out, "\xE6\x96\x87\n");
}

TEST_F(Cli, PathStylesForPathsAndGet)
{
    const std::string doc = "{\"data\":[{\"id\":1}],\"odd key\":{\"\xE4\xB8\xAD\":2}}";
    Outcome r = run("--paths --path-style jq", doc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ".data\t[{\"id\":1}]\n.data[0]\t{\"id\":1}\n.data[0].id\t1\n"
                     ".[\"odd key\"]\t{\"\xE4\xB8\xAD\":2}\n.[\"odd key\"][\"\xE4\xB8\xAD\"]\t2\n");
    r = run("--paths --path-style python", doc);
    EXPECT_NE(r.out.find("[\"odd key\"][\"\xE4\xB8\xAD\"]\t2\n"), std::string::npos) << r.out;
    // Every form of the same node gives its value; the tree's own reading first.
    for (const char* path : {"'data.[1].id'", "'data[1].id'", "'.data[0].id'", "'$.data[0].id'", "'data[0].id'",
                             "'[\"data\"][0][\"id\"]'"}) {
        r = run(std::string("--get ") + path, doc);
        EXPECT_EQ(r.out, "1\n") << path;
    }
    r = run("--get '$[\"odd key\"][\"\xE4\xB8\xAD\"]'", doc);
    EXPECT_EQ(r.out, "2\n");
    // With --path-style the path is read in that syntax only.
    EXPECT_EQ(run("--get 'data[0].id' --path-style js", doc).out, "1\n");
    r = run("--get 'data[1].id' --path-style js", doc);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run("--get 'data[1].id' --path-style tree", doc).out, "1\n");
    for (const char* bad : {"--paths --path-style xml", "--paths --path-style", "--tree --path-style jq",
                            "--paths --path-style jq --compact-paths"}) {
        r = run(bad, doc);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
    }
}

TEST_F(Cli, GetFormattedIndentsContainersOnly)
{
    const std::string doc = R"({"a":{"b":[1,"x, y"],"c":{}},"s":"p, q"})";
    Outcome r = run("--get a --formatted", doc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\n  \"b\": [\n    1,\n    \"x, y\"\n  ],\n  \"c\": {}\n}\n");
    // A string value is printed as --get prints it, not broken at its commas.
    EXPECT_EQ(run("--get s --formatted", doc).out, "p, q\n");
    EXPECT_EQ(run("--tree --formatted", doc).status, 2);
}

TEST_F(Cli, FindListsEveryStopInTreeOrder)
{
    const std::string doc = R"({"id":1,"user":{"userid":"x","ID":2},"list":[{"id":3}],"f(x).y":0})";
    Outcome r = run("--find id", doc);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "id\tid:1\nuser.userid\tuserid:\"x\"\nlist.[1].id\tid:3\n");
    r = run("--find id --ignore-case --path-style js --zero-based", doc);
    EXPECT_EQ(r.out, "id\tid:1\nuser.userid\tuserid:\"x\"\nuser.ID\tID:2\nlist[0].id\tid:3\n");
    r = run("--find 'i?:[13]' --regex", doc);
    EXPECT_EQ(r.out, "id\tid:1\nlist.[1].id\tid:3\n");
    // Wildcard: "*" and "?" are jokers, "(" and "." are themselves.
    r = run("--find 'f(x).*' --wildcard --compact-paths", doc);
    EXPECT_EQ(r.out, "\"f(x).y\"\tf(x).y:0\n");
    r = run("--find JSON", doc); // the root's caption
    EXPECT_EQ(r.out, "\tJSON\n");
    r = run("--find nothing-like-it", doc);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    r = run("--find '(' --regex", doc);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--find"), std::string::npos) << r.err;
    for (const char* bad : {"--find", "--find a --wildcard --regex", "--tree --ignore-case", "--get a --regex"})
        EXPECT_EQ(run(bad, doc).status, 2) << bad;
}

TEST_F(Cli, DecodeStatsAndPredecode)
{
    Outcome r = run("--decode", "\\u4e2d&amp;&#x42;\\ud83d\\ude00");
    EXPECT_EQ(r.out, "\xE4\xB8\xAD&B\xF0\x9F\x98\x80");
    r = run("--stats", "{\"a\":[1,[2]]}");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("nodes 5, depth 4, loaded in ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find_first_not_of("0123456789", 28), r.out.size() - 4) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 4), " ms\n") << r.out;
    r = run("--tree --predecode", "{\"a\":\"\\u4e2d\"}");
    EXPECT_EQ(r.out, "JSON\n  a:\"\xE4\xB8\xAD\"\n");

    // A cut-off text: where its content stops being shown, in the input's bytes (UTF-8
    // with its mark, GB18030 as it is) and lines.
    const struct {
        const char* flags;
        std::string input;
        const char* said; // empty: nothing left out
    } cut[] = {
        {"", "{\"oops\":\"x\",\"list\":[1,2,", "unclosed from byte 19, line 1: the text ends inside an array"},
        {"", "\xEF\xBB\xBF{\"a\":\"\xE4\xB8\xAD\",\n\"b\":{\"c\":1", "unclosed from byte 19, line 2: the text ends inside an object"},
        {"--raw", "{\"a\":\"\xD6\xD0\",\"b\":[", "unclosed from byte 14, line 1"},
        {"", "{\"a\":1", ""},
        {"--single-quote", "{'a':'[',\n'b':[1,", "unclosed from byte 14, line 2: the text ends inside an array"},
    };
    for (const auto& c : cut) {
        r = run(std::string("--stats ") + c.flags, c.input);
        const std::size_t line = r.out.find('\n');
        ASSERT_NE(line, std::string::npos) << r.out;
        const std::string rest = r.out.substr(line + 1);
        if (*c.said)
            EXPECT_EQ(rest.rfind(c.said, 0), 0u) << rest;
        else
            EXPECT_EQ(rest, "") << c.input;
    }
}

TEST_F(Cli, FileArgumentAndErrors)
{
    const fs::path f = file("doc.json", "[1]");
    Outcome r = run("--tree '" + f.string() + "'");
    EXPECT_EQ(r.out, "JSON\n  [1]:1\n");
    r = run("--tree -", "[2]");
    EXPECT_EQ(r.out, "JSON\n  [1]:2\n");

    for (const char* bad : {"--tree /nonexistent/file.json", "--tree --bogus", "--get", "--tree --table",
                            "--tree a.json b.json", "--encoding gbk --tree"}) {
        r = run(bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(r.out.empty()) << bad;
        EXPECT_FALSE(r.err.empty()) << bad;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage:"), std::string::npos);
}

TEST_F(Cli, BinaryGarbageDoesNotCrash)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    for (const char* mode : {"--tree", "--table", "--paths", "--decode", "--stats"}) {
        const Outcome r = run(mode, garbage);
        EXPECT_EQ(r.status, 0) << mode << r.err;
    }
}

TEST_F(Cli, UrlFetchGoesThroughTheViewerModule)
{
    // Nothing listens on port 1: the module is loaded and its fetch reports the failure.
    Outcome r = run("--stats --url http://127.0.0.1:1/");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("127.0.0.1:1"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("viewer module"), std::string::npos) << r.err;

    // A copy of the program without its module still runs the engine modes, and says
    // plainly why it cannot fetch or show a window.
    const fs::path lone = m_dir / "tessarine";
    fs::copy_file(TESS_BINARY, lone);
    const fs::path doc = file("doc.json", "[1,2]");
    const std::string quiet = " 2> '" + (m_dir / "err.txt").string() + "'";
    EXPECT_EQ(std::system(("'" + lone.string() + "' --stats --raw '" + doc.string() + "' > /dev/null" + quiet).c_str()), 0);
    EXPECT_NE(std::system(("'" + lone.string() + "' --stats --url http://127.0.0.1:1/" + quiet).c_str()), 0);
    EXPECT_NE(slurp(m_dir / "err.txt").find("cannot load the viewer module"), std::string::npos);
}
