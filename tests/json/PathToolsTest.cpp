// The foreign path syntaxes checked by the real tools: every node's jq path run through
// jq, its JavaScript path through node and its Python path through python3 must give
// the node's value. A test is skipped when its tool is not installed.
#include "json/PathSyntax.h"
#include "platform/Codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tess {
namespace {

namespace fs = std::filesystem;

// Keys that need quoting or escaping in at least one syntax, at several depths.
constexpr const char* kDocument =
    R"J({"plain":1,"with.dot":2,"with space":3,"q\"uote":{"in\"ner":4},"back\\slash":5,)J"
    R"J("1digit":6,"ctl\n\t\u0001\u001f":7,"中文":{"键":8},"it's":9,"$dollar":10,"_u9":11,)J"
    R"J("":12,"emoji😀":13,"nested":{"a b":[10,[20,{"x.y":"v","\\(x)":"interp"}]]},)J"
    R"J("arr":[[1,2],[3,[]],{}],"uni\u4e2dx":14,"sl\/ash":15,"sep\u2028":16,"[0]":17,)J"
    R"J("a]b[c":18,"dollar$":19,"del\u007f":22,"class":23,"if":24})J";

bool haveTool(const char* name)
{
    const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class PathTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("tess_pathtools_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        std::string text = codec::utf8ToGb18030(kDocument).text;
        m_doc.parse(text, false, false);
        write("doc.json", kDocument);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path write(const std::string& name, const std::string& bytes)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    // Runs a shell command; returns its standard output, or "exit N: stderr" on failure.
    std::string run(const std::string& cmd)
    {
        const fs::path out = m_dir / "out.txt";
        const fs::path err = m_dir / "err.txt";
        const int status = std::system((cmd + " > '" + out.string() + "' 2> '" + err.string() + "'").c_str());
        if (status != 0)
            return "exit " + std::to_string(status) + ": " + slurp(err);
        return slurp(out);
    }

    // The paths of every node below the root in a style, as UTF-8 lines of a list
    // (separator between them), and the node values as a JSON array.
    void collect(PathStyle style, std::vector<std::string>& paths, std::string& values)
    {
        values = "[";
        for (int n = 2; n <= m_doc.nodes().nodeCount(); ++n) {
            paths.push_back(codec::gb18030ToUtf8(pathInStyle(m_doc, n, style)).text);
            if (n > 2)
                values += ",";
            values += codec::gb18030ToUtf8(JsonScanner::restoreQuotes(m_doc.nodes().valueView(n))).text;
        }
        values += "]";
    }

    fs::path m_dir;
    JsonDocument m_doc;
};

TEST_F(PathTools, DocumentHasTheExpectedShape)
{
    // The checks below are only as good as the nodes they cover.
    ASSERT_GT(m_doc.nodes().nodeCount(), 35);
}

TEST_F(PathTools, JqFindsEveryNodeByItsJqPath)
{
    if (!haveTool("jq"))
        GTEST_SKIP() << "jq is not installed";
    std::vector<std::string> paths;
    std::string values;
    collect(PathStyle::Jq, paths, values);
    std::string program = "[";
    for (std::size_t k = 0; k < paths.size(); ++k)
        program += (k ? ", " : "") + paths[k];
    program += "]";
    write("program.jq", program);
    write("values.json", values);
    const std::string expected = run("jq -c . '" + (m_dir / "values.json").string() + "'");
    const std::string got =
        run("jq -c -f '" + (m_dir / "program.jq").string() + "' '" + (m_dir / "doc.json").string() + "'");
    EXPECT_EQ(got, expected) << program;
}

TEST_F(PathTools, NodeFindsEveryNodeByItsJavaScriptPath)
{
    if (!haveTool("node"))
        GTEST_SKIP() << "node is not installed";
    std::vector<std::string> paths;
    std::string values;
    collect(PathStyle::JavaScript, paths, values);
    // root + path; a path that starts with a name needs the dot.
    std::string script = "const fs = require('fs');\n"
                         "const root = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));\n"
                         "const want = JSON.parse(fs.readFileSync(process.argv[3], 'utf8'));\n"
                         "const got = [\n";
    for (const std::string& p : paths)
        script += "  root" + std::string(p[0] == '[' ? "" : ".") + p + ",\n";
    script += "];\n"
              "const bad = got.map((v, i) => JSON.stringify(v) === JSON.stringify(want[i]) ? '' : i + ': ' +\n"
              "  JSON.stringify(v) + ' != ' + JSON.stringify(want[i])).filter(s => s);\n"
              "console.log(bad.length ? bad.join('\\n') : 'ok');\n";
    write("paths.js", script);
    write("values.json", values);
    const std::string got = run("node '" + (m_dir / "paths.js").string() + "' '" + (m_dir / "doc.json").string() +
                                "' '" + (m_dir / "values.json").string() + "'");
    EXPECT_EQ(got, "ok\n") << script;
}

TEST_F(PathTools, PythonFindsEveryNodeByItsPythonPath)
{
    if (!haveTool("python3"))
        GTEST_SKIP() << "python3 is not installed";
    std::vector<std::string> paths;
    std::string values;
    collect(PathStyle::Python, paths, values);
    std::string script = "import json, sys\n"
                         "root = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                         "want = json.load(open(sys.argv[2], encoding='utf-8'))\n"
                         "got = [\n";
    for (const std::string& p : paths)
        script += "  root" + p + ",\n";
    script += "]\n"
              "bad = [f'{i}: {g!r} != {w!r}' for i, (g, w) in enumerate(zip(got, want)) if g != w]\n"
              "print('\\n'.join(bad) if bad else 'ok')\n";
    write("paths.py", script);
    write("values.json", values);
    const std::string got = run("python3 '" + (m_dir / "paths.py").string() + "' '" + (m_dir / "doc.json").string() +
                                "' '" + (m_dir / "values.json").string() + "'");
    EXPECT_EQ(got, "ok\n") << script;
}

} // namespace
} // namespace tess
