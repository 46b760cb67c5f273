// The engine against a slow literal second implementation, on generated and real
// texts: the fast buffers (shared slices, prefix counts, block index, find caches) must
// give exactly the same node tables.
#include "EngineTestSupport.h"
#include "ReferenceParser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using tess::testing::dumpNodes;
using tess::testing::parseNodes;
using tess::testing::referenceParse;

namespace {

std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Random texts built from JSON-ish pieces, so that brackets, quotes and escapes meet in
// every order, well-formed and broken.
std::string randomText(std::mt19937& rng, int pieces)
{
    static const char* const kPieces[] = {
        "{", "}", "[", "]", ",", ":", "\"", "\"k\"", "\"v\"", "1", "true", " ", "\n", "\t", "\r\n", "  ",
        "\\\"", "\\\\", "\\|", "'", "\xA1\xA1", "\xD6\xD0", "\xD5\x5B", "\xD5\x7B", "\x81\x30\x81\x30", "#SYH#",
        "{\"a\":", "[1,2]", "{\"x\":[{\"y\":\"z\"}]}", "null", "\"a b\"", "\\u4e2d", ".", "\x80", "x",
        // Strings holding what the scan looks for, which only blanking hides from it.
        "\"x:y\"", "\"a,b\"", "\"[{\"", "\"}]\"", "\"\xD5\x5B\"",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::string out;
    for (int i = 0; i < pieces; ++i)
        out += kPieces[pick(rng)];
    return out;
}

std::string nestedText(std::mt19937& rng, int depth)
{
    std::string out;
    std::uniform_int_distribution<int> coin(0, 3);
    std::vector<char> closers;
    for (int d = 0; d < depth; ++d) {
        switch (coin(rng)) {
        case 0: out += "{\"a\":"; closers.push_back('}'); break;
        case 1: out += "["; closers.push_back(']'); break;
        case 2: out += "[1,\n  "; closers.push_back(']'); break;
        default: out += "{\"k\": 2, \"b\" : "; closers.push_back('}'); break;
        }
    }
    out += "\"leaf\"";
    while (!closers.empty()) {
        out += closers.back();
        if (coin(rng) == 0)
            out += ",3";
        closers.pop_back();
    }
    return out;
}

// A random value printed with indentation, so that containers span lines with blanks at
// their edges and strings hold escapes: the cases where a nested container's text must
// be trimmed or prepared again rather than shared.
void prettyValue(std::mt19937& rng, int depth, const std::string& indent, std::string& out)
{
    static const char* const kIndents[] = {"  ", "\t", " \t", "\xA1\xA1"};
    static const char* const kStrings[] = {"\"a\\\"b\"", "\"c:\\\\\"", "\"x|y\"", "\"\\|\\|\"", "\"p q \"", "\"\xD6\xD0\""};
    std::uniform_int_distribution<int> kind(0, depth > 0 ? 4 : 1);
    std::uniform_int_distribution<int> count(0, 3);
    const std::string inner = indent + kIndents[rng() % std::size(kIndents)];
    const char* nl = (rng() % 3 == 0) ? "\r\n" : "\n";
    switch (kind(rng)) {
    case 0: out += std::to_string(rng() % 1000); return;
    case 1: out += kStrings[rng() % std::size(kStrings)]; return;
    case 2: case 3: {
        const int n = count(rng);
        out += "{";
        for (int i = 0; i < n; ++i) {
            out += nl + inner + "\"k" + std::to_string(i) + "\" : ";
            prettyValue(rng, depth - 1, inner, out);
            if (i + 1 < n || rng() % 5 == 0)
                out += ",";
            if (rng() % 4 == 0)
                out += "  ";
        }
        out += nl + indent + "}";
        return;
    }
    default: {
        const int n = count(rng);
        out += "[";
        for (int i = 0; i < n; ++i) {
            out += nl + inner;
            prettyValue(rng, depth - 1, inner, out);
            if (i + 1 < n)
                out += ",";
            if (rng() % 4 == 0)
                out += " ";
        }
        out += nl + indent + "]";
    }
    }
}

// Strings as responses hold them, and the escape cases around them: runs of one to four
// backslashes before a quote or '|', a backslash that is the second byte of a two-byte
// character, white space that compacting removes between a backslash and a quote (also
// after characters whose second byte is a backslash), line breaks with blanks inside a
// string, the two placeholders, JSON inside a string.
const char* const kEscapedStrings[] = {
    R"("say \"hi\"")",      R"("C:\\data\\")",   R"("a\\\"b")",        R"("\\\\")",   R"("x\\\\\"y")",
    R"("pipe \| and \\|")", R"("\|\|")",         R"("#SYH#")",         R"("\ ")",     R"("\  ,")",
    "\"\xD5\x5C\"",         "\"\xD6\xD0\\\\\"",  "\"\xD6\xD0\xD5\\\\\"x\"", "\"l1 \n  l2\"", "\"\xA1\xA1q\"",
    R"("{\"a\":[1,\"b\"]}")", R"("<a href=\"/x\">y</a>")", R"("tab\there")", R"("\u4e2d")", R"("plain")",
    "\"\xD6\xD0\xD5\\\\ \"", "\"\xD5\\ \"",  "\"\xD6\xD5\\ \"",
};

// A random document with escaped strings at every level, compact or printed with LF and
// two spaces, with CR LF and tabs, or with ideographic spaces.
void escapedValue(std::mt19937& rng, int depth, int style, int indent, std::string& out)
{
    static const char* const kNewlines[] = {"", "\n", "\r\n", "\n"};
    static const char* const kIndents[] = {"", "  ", "\t", "\xA1\xA1"};
    auto newline = [&](int level) {
        if (style == 0)
            return;
        out += kNewlines[style];
        for (int i = 0; i < level; ++i)
            out += kIndents[style];
    };
    const uint32_t roll = rng() % 10;
    if (depth == 0 || roll < 3) {
        if (roll == 0)
            out += std::to_string(rng() % 100);
        else
            out += kEscapedStrings[rng() % std::size(kEscapedStrings)];
        return;
    }
    const bool object = roll % 2 == 0;
    const int n = 1 + static_cast<int>(rng() % 4);
    out += object ? '{' : '[';
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            out += ',';
        newline(indent + 1);
        if (object)
            out += std::string(kEscapedStrings[rng() % std::size(kEscapedStrings)]) + (style ? ": " : ":");
        escapedValue(rng, depth - 1, style, indent + 1, out);
    }
    newline(indent);
    out += object ? '}' : ']';
}

void expectSameAsReference(const std::string& text, const std::string& label)
{
    for (bool zeroBased : {false, true}) {
        const std::string expected = dumpNodes(referenceParse(text, zeroBased));
        const std::string actual = dumpNodes(parseNodes(text, zeroBased));
        ASSERT_EQ(actual, expected) << label << "\ninput: " << text;
    }
}

} // namespace

TEST(CrossCheck, RandomPieces)
{
    std::mt19937 rng(20261207);
    for (int i = 0; i < 3000; ++i)
        expectSameAsReference(randomText(rng, 1 + i % 40), "random #" + std::to_string(i));
}

TEST(CrossCheck, RandomNesting)
{
    // Deep enough that the literal walks hand over to the block index.
    std::mt19937 rng(7);
    for (int i = 0; i < 60; ++i)
        expectSameAsReference(nestedText(rng, 20 + i * 3), "nested #" + std::to_string(i));
}

TEST(CrossCheck, PrettyPrintedWithEscapes)
{
    std::mt19937 rng(11);
    for (int i = 0; i < 400; ++i) {
        std::string text;
        prettyValue(rng, 2 + i % 5, i % 2 ? "" : " ", text);
        expectSameAsReference(text, "pretty #" + std::to_string(i));
    }
}

TEST(CrossCheck, EscapeHeavyDocumentsDeepAndWide)
{
    std::mt19937 rng(2026);
    for (int i = 0; i < 600; ++i) {
        std::string text;
        escapedValue(rng, 2 + i % 7, i % 4, 0, text);
        expectSameAsReference(text, "escaped #" + std::to_string(i) + " style " + std::to_string(i % 4));
    }
    // Deep: a record with escapes at every one of 40 levels. Wide: 300 records in one array.
    for (int style = 0; style < 4; ++style) {
        std::string deep;
        for (int d = 0; d < 40; ++d)
            deep += std::string("{") + (style ? "\r\n\t" : "") + "\"p\\\\\":" + kEscapedStrings[d % std::size(kEscapedStrings)] + ",\"n\":";
        deep += "[1,\"x\\\\\"]" + std::string(40, '}');
        expectSameAsReference(deep, "deep style " + std::to_string(style));
        std::string wide = "{\"items\":[";
        for (int r = 0; r < 300; ++r) {
            std::string record;
            escapedValue(rng, 2, style, 1, record);
            wide += (r ? "," : "") + record;
        }
        wide += "]}";
        expectSameAsReference(wide, "wide style " + std::to_string(style));
    }
}

// Records as export tools write them, in GB18030: Chinese keys (also ones with an
// ideographic space, a lone lead byte, 0x80, an A1 trail byte, four-byte codes), names in
// many scripts with emoji, \u escapes, coordinate pairs; compact or in the layouts editors
// write (2 or 4 spaces, tabs, LF or CR LF, with or without a blank after colons).
TEST(CrossCheck, RecordsInEveryLayout)
{
    static const char* const kKeys[] = {
        "\"\xB1\xE0\xBA\xC5\"", "\"\xD0\xD5\xC3\xFB\"", "\"\xB5\xD8\xD6\xB7\"", "\"id\"", "\"\x81\x30\x81\x30k\"",
        "\"\xD6\xD0\xA1\xA1\xCE\xC4\"", "\"a\xD6\"", "\"\x80x\"", "\"\xB0\xA1\"", "\"\x94\x39\xFC\x36\"", "\"\xA1\xA1\"",
    };
    static const char* const kScalars[] = {
        "\"\xD6\xD0\xCE\xC4\"", "\"\\u4e2d\\u6587 \xC9\xCC\xC6\xB7\"", "\"\x81\x30\x8A\x30 \x94\x39\xFC\x36\"", "-73.98",
        "4288.18", "true", "null", "\"\xA7\xD3\xA7\xE0\"", "\"\x82\x35\x8F\x33\x95\x32\x82\x36\"", "1e5", "\"\"",
    };
    struct Layout {
        const char *indent, *newline, *colon;
    };
    const Layout layouts[] = {{"", "", ":"}, {"  ", "\n", ": "}, {"  ", "\n", ":"}, {"    ", "\r\n", ": "}, {"\t", "\n", ": "}};
    std::mt19937 rng(18);
    for (int i = 0; i < 150; ++i) {
        const uint32_t seed = rng();
        for (const Layout& layout : layouts) {
            std::mt19937 doc(seed); // the same records in every layout
            std::string text;
            const auto line = [&](int level) {
                text += layout.newline;
                for (int l = 0; l < level; ++l)
                    text += layout.indent;
            };
            text += "[";
            for (int r = 0, records = 1 + static_cast<int>(doc() % 4); r < records; ++r) {
                text += r ? "," : "";
                line(1);
                text += "{";
                for (int m = 0, members = 1 + static_cast<int>(doc() % 5); m < members; ++m) {
                    text += m ? "," : "";
                    line(2);
                    text += std::string(kKeys[doc() % std::size(kKeys)]) + layout.colon;
                    if (doc() % 4 == 0) { // a ring of coordinate pairs
                        text += "[";
                        for (int k = 0, pairs = 1 + static_cast<int>(doc() % 3); k < pairs; ++k) {
                            text += k ? "," : "";
                            line(3);
                            text += "[" + std::to_string(doc() % 180) + "." + std::to_string(doc() % 10) + ",-" +
                                    std::to_string(doc() % 90) + "]";
                        }
                        line(2);
                        text += "]";
                    } else {
                        text += kScalars[doc() % std::size(kScalars)];
                    }
                }
                line(1);
                text += "}";
            }
            line(0);
            text += "]";
            expectSameAsReference(text, "records #" + std::to_string(i));
        }
    }
}

// A nested value whose text differs from its slice of the parent only by trimming, or not
// at all, is cut without another prepared copy per level: the parser's buffers stay
// within a few times the input however deep the escapes sit.
TEST(CrossCheck, EscapesAndLineBreaksDoNotCopyTheTextPerLevel)
{
    for (const char* newline : {"", "\n  ", "\r\n\t"}) {
        std::string text;
        for (int d = 0; d < 200; ++d)
            text += std::string("{") + newline + "\"path\": \"C:\\\\dir\\\\\", \"html\": \"<a href=\\\"x\\\">\"," + newline +
                    "\"n\": 1," + newline + "\"next\": ";
        text += "0";
        for (int d = 0; d < 200; ++d)
            text += std::string(newline) + "}";
        tess::JsonDocument doc;
        std::string input = text;
        doc.parse(input, false, false);
        EXPECT_EQ(doc.nodes().nodeCount(), 1 + 200 * 4) << newline;
        EXPECT_LE(doc.nodes().sharedBytes(), 3 * text.size()) << "line break [" << newline << "]";
    }
}

TEST(CrossCheck, LongRunsOfCandidates)
{
    std::string wide = "{\"a\":[";
    for (int i = 0; i < 200; ++i)
        wide += "[" + std::to_string(i) + "],";
    wide += "{\"b\":[1,2,3]}], \"c\" : {\"d\":[[],[[]]]}}";
    expectSameAsReference(wide, "wide");
    std::string unbalanced = "[" + std::string(120, '[') + std::string(100, ']') + ",1]";
    expectSameAsReference(unbalanced, "unbalanced");
    std::string braces = "{\"a\":" + std::string(80, '{') + std::string(90, '}') + ",\"b\":1}";
    expectSameAsReference(braces, "braces");
}

// The short scans look at sixteen bytes at a time and fall back to byte steps near the end
// of the text: keys, scalars and nested values of every length up to past the look-ahead,
// holding structure characters inside strings, a stray quote or bracket, or ending the
// text right away.
TEST(CrossCheck, ShortScansAtEveryLengthAndEdge)
{
    const std::string fillers[] = {"x", "a,b", "}{", "][", "\\\"", " ", "\xA1\xA1", "\xB0\x5D"};
    const std::string tails[] = {"", "}", ",\"z\":1}", " }", "\r\n}", "]"};
    int cases = 0;
    for (int length : {0, 1, 2, 3, 5, 8, 13, 14, 15, 16, 17, 31, 32, 33, 47, 62, 63, 64, 65, 66, 80}) {
        for (std::size_t f = 0; f < std::size(fillers); ++f) {
            std::string inner;
            while (inner.size() < static_cast<std::size_t>(length))
                inner += fillers[(f + inner.size()) % std::size(fillers)];
            const std::string key = "\"" + inner + "\"";
            const std::string values[] = {key, inner.empty() ? "0" : "7" + inner, "[" + key + "]", "{" + key + ":" + key + "}",
                                          "\"" + inner};
            for (const std::string& value : values)
                for (const std::size_t t : {(length + f) % std::size(tails), (length + f + 3) % std::size(tails)}) {
                    const std::string& tail = tails[t];
                    expectSameAsReference("{" + key + ":" + value + tail, "length " + std::to_string(length));
                    expectSameAsReference("[" + value + "," + value + tail, "element length " + std::to_string(length));
                    ++cases;
                }
        }
    }
    EXPECT_GT(cases, 1500);
}

TEST(CrossCheck, UnpairedQuoteInsideNestedValues)
{
    // A last quote without a partner inside a nested value leaves that value with an odd
    // number of quotes, so it does not balance even though its brackets do.
    for (const char* text : {R"({"a":{"b":"c},"d":1})", R"({"a":["x],"b":2})", R"([{"k":1,"v":"},2,3])",
                             R"([[1,"],[2]],3])", R"({"a":{"b":[1,2]},"c":"x" ,"d":{"e":"})",
                             R"({"a":{"b":1},"c":{"d":"})"}) {
        expectSameAsReference(text, text);
        expectSameAsReference(std::string("[") + text + "," + text + "]", text);
    }
}

// The table lookups use caches (a parent per node, an index of child names); they must
// answer as the plain walks over the table do, also after edits.
TEST(CrossCheck, ParentsAndChildLookupsMatchTheWalks)
{
    std::string text = "{\"a\":[";
    for (int i = 0; i < 100; ++i)
        text += "{\"k\":" + std::to_string(i) + ",\"d\":[1,{\"k\":2}]},";
    text += "7],\"k\":1,\"k\":2,\"b\":{";
    for (int i = 0; i < 60; ++i)
        text += "\"n" + std::to_string(i % 40) + "\":" + std::to_string(i) + ",";
    text += "\"z\":0}}";
    tess::JsonDocument doc;
    doc.parse(text, false, false);
    tess::JsonNodeList& nodes = doc.nodes();
    nodes.setBulkLookups(true);
    std::mt19937 rng(5);
    for (int round = 0; round < 4; ++round) {
        const auto table = nodes.snapshot();
        auto literalParent = [&](int32_t i) -> int32_t {
            const int32_t level = table[static_cast<std::size_t>(i - 1)].level;
            if (level == 1)
                return 0;
            int64_t j = i;
            for (;;) {
                j -= table[static_cast<std::size_t>(j - 1)].ordinal;
                if (j == 0)
                    return 0;
                if (j < 0)
                    return -1;
                const int32_t l = table[static_cast<std::size_t>(j - 1)].level;
                if (l == level - 1)
                    return static_cast<int32_t>(j);
                if (l < level - 1)
                    return -1;
            }
        };
        auto literalChild = [&](int32_t level, const std::string& name, int32_t from) -> int32_t {
            for (std::size_t j = static_cast<std::size_t>(from) + 1; j <= table.size();) {
                const auto& n = table[j - 1];
                if (n.level == level) {
                    if (n.name == name)
                        return static_cast<int32_t>(j);
                    ++j;
                } else if (n.level < level) {
                    return -1;
                } else {
                    j += 1 + static_cast<std::size_t>(n.childCount);
                }
            }
            return -1;
        };
        for (int32_t i = 1; i <= nodes.nodeCount(); ++i) {
            ASSERT_EQ(nodes.parentOf(i), literalParent(i)) << "node " << i << " round " << round;
            ASSERT_EQ(nodes.parentByOrdinals(i), literalParent(i)) << "node " << i << " round " << round;
            if (nodes.childCountOf(i) > 0) {
                for (const char* name : {"k", "d", "[3]", "[101]", "n5", "z", "missing"})
                    ASSERT_EQ(nodes.findChildByName(nodes.levelOf(i) + 1, name, i),
                              literalChild(nodes.levelOf(i) + 1, name, i))
                        << name << " under " << i;
            }
        }
        // Edit and check again: delete a few nodes, keeping children some of the time,
        // rename one, add one.
        for (int e = 0; e < 5; ++e) {
            const int32_t victim = 2 + static_cast<int32_t>(rng() % static_cast<uint32_t>(nodes.nodeCount() - 1));
            nodes.deleteNode(victim, rng() % 2 == 0);
        }
        nodes.setName(3, "k");
        nodes.addNode(2, "k", tess::NodeKind::Scalar, "x");
    }
}

TEST(CrossCheck, JsonTestSuiteFiles)
{
    const std::filesystem::path dir = std::filesystem::path(TESS_CORPUS_DIR) / "JSONTestSuite" / "test_parsing";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string text = readFile(entry.path());
        // Every file loads; the smaller ones are also compared with the literal parser
        // (the slow one is quadratic on the deep-nesting files).
        tess::JsonDocument doc;
        std::string copy = text;
        doc.parse(copy, false, false);
        EXPECT_GE(doc.nodes().nodeCount(), 1) << entry.path();
        doc.buildTreeContent();
        for (int32_t i = 2; i <= doc.nodes().nodeCount() && i < 200; ++i)
            doc.valueAt(doc.pathOfNode(i));
        if (text.size() < 4000)
            expectSameAsReference(text, entry.path().filename().string());
        ++files;
    }
    EXPECT_GT(files, 300);
}
