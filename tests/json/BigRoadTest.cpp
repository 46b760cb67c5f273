// The big-document road against the engine: the same nodes, paths and values on
// documents small enough for both; its own rules (errors, JSON Lines, the classifier).
#include "json/JsonDocument.h"
#include "json/NestingLimit.h"
#include "json/PathSyntax.h"
#include "json/big/BigDocument.h"
#include "json/big/BigPaths.h"
#include "json/big/BlockClassifier.h"
#include "json/big/MappedFile.h"
#include "json/big/Transcode.h"
#include "platform/InputText.h"
#include "support/RandomJson.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <csignal>
#include <cstring>
#include <random>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sstream>
#include <string>
#include <vector>

namespace tess {
namespace {

using big::BigDocument;
using big::Node;

using testing::RandomJson;

std::string trimmed(std::string s)
{
    const std::size_t first = s.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

big::OpenOptions tinyIndex(big::LinesMode lines = big::LinesMode::Detect)
{
    // Small spans, so that kept containers and checkpoints occur in small documents.
    big::OpenOptions o;
    o.index.bigSpan = 24;
    o.index.checkpointSpan = 40;
    o.index.lines = lines;
    return o;
}

// The nodes of a big document in tree order, with their chains.
std::vector<std::vector<Node>> allChains(const BigDocument& doc)
{
    std::vector<std::vector<Node>> out;
    Node root;
    if (!doc.root(root))
        return out;
    std::vector<std::vector<Node>> stack{{root}};
    while (!stack.empty()) {
        std::vector<Node> chain = std::move(stack.back());
        stack.pop_back();
        out.push_back(chain);
        std::vector<std::vector<Node>> kids;
        big::ChildCursor c = doc.children(chain.back());
        Node child;
        while (c.next(child)) {
            kids.push_back(chain);
            kids.back().push_back(child);
        }
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return out;
}

TEST(BigRoad, NodesPathsAndValuesEqualTheEngines)
{
    const PathStyle styles[] = {PathStyle::Tree, PathStyle::Jq, PathStyle::JsonPath, PathStyle::JavaScript, PathStyle::Python};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const bool pretty = seed % 2 == 0;
        const bool zeroBased = seed % 3 == 0;
        const std::string utf8 = RandomJson(seed, pretty).document();
        SCOPED_TRACE(utf8);
        std::string gb = inputTextToGb18030(utf8);
        JsonDocument engine;
        engine.parse(gb, zeroBased, false);
        BigDocument doc;
        doc.openBytes(utf8, tinyIndex());
        ASSERT_FALSE(doc.error().present) << doc.error().message;
        const auto chains = allChains(doc);
        ASSERT_EQ(static_cast<int>(chains.size()), engine.nodes().nodeCount());
        ASSERT_EQ(doc.index().nodeCount, chains.size());
        std::vector<Node> previous;
        for (std::size_t i = 1; i < chains.size(); ++i) {
            const int node = static_cast<int>(i) + 1;
            const Node& n = chains[i].back();
            // In pretty text the engine keeps some blanks in a value (inside a container,
            // after a scalar); the big road keeps none. Compact text gives the same bytes.
            if (!pretty)
                EXPECT_EQ(doc.value(n, 1 << 20), valueOfNode(engine, node));
            else if (!n.isContainer())
                EXPECT_EQ(doc.value(n, 1 << 20), trimmed(valueOfNode(engine, node)));
            EXPECT_EQ(doc.childCount(n), static_cast<uint64_t>(engine.nodes().childCountOf(node)));
            for (const PathStyle style : styles)
                for (const bool compact : {false, true}) {
                    if (compact && style != PathStyle::Tree)
                        continue;
                    const big::PathForm form{style, compact, zeroBased};
                    const std::string path = big::pathOf(doc, chains[i], form);
                    ASSERT_EQ(path, pathInStyle(engine, node, style, compact)) << "node " << node;
                    // Read back, the path names the same node (names are unique).
                    std::vector<Node> found;
                    ASSERT_TRUE(big::resolvePath(doc, path, style, zeroBased, found)) << path;
                    EXPECT_EQ(found.back().start, n.start) << path;
                }
            // Random access and the node at an offset agree with the walk.
            const Node& parent = chains[i][chains[i].size() - 2];
            Node again;
            ASSERT_TRUE(doc.child(parent, n.index, again));
            EXPECT_EQ(again.start, n.start);
            const std::vector<Node> at = doc.chainAt(n.start);
            ASSERT_GE(at.size(), chains[i].size());
            EXPECT_EQ(at[chains[i].size() - 1].start, n.start);
            // Walking on from the previous node's chain finds the same one.
            const std::vector<Node> onward = doc.chainAt(n.start, &previous);
            ASSERT_EQ(onward.size(), at.size());
            EXPECT_EQ(onward.back().start, at.back().start);
            previous = at;
        }
    }
}

TEST(BigRoad, InvalidInputStopsAtTheFirstErrorAndKeepsWhatCameBefore)
{
    struct Case {
        const char* text;
        uint64_t line, column, offset;
        std::vector<std::string> paths; // jq paths of the nodes kept, root excluded
    };
    const Case cases[] = {
        {"{\"a\":[1,2,{\"b\":tru}]}", 1, 19, 18, {".a", ".a[0]", ".a[1]", ".a[2]"}},
        {"[1,\n 2,\n 3,]", 3, 4, 11, {".[0]", ".[1]", ".[2]"}},
        {"{\"a\":1,\n\"b\" 2}", 2, 5, 12, {".a"}},
        {"[\"ok\", \"tab\there\"]", 1, 12, 11, {".[0]"}},
        {"[\"中文\", \"bad \\x\"]", 1, 13, 16, {".[0]"}},
        {"{\"a\":[1,2", 1, 10, 9, {".a", ".a[0]"}}, // 2 may be cut from 23
        {"[1, \"open", 1, 5, 4, {".[0]"}},
        {"[1, 01]", 1, 6, 5, {".[0]"}},
        {"{\"a\":{}} x", 1, 10, 9, {".a"}},
        {"[\"\xC3\x28\"]", 1, 3, 2, {}},
        {"", 1, 1, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BigDocument doc;
        doc.openBytes(c.text, tinyIndex(big::LinesMode::Never));
        const big::ParseError& e = doc.error();
        ASSERT_TRUE(e.present);
        EXPECT_EQ(e.line, c.line);
        EXPECT_EQ(e.column, c.column);
        EXPECT_EQ(e.offset, c.offset);
        std::vector<std::string> paths;
        const auto chains = allChains(doc);
        for (std::size_t i = 1; i < chains.size(); ++i)
            paths.push_back(big::pathOf(doc, chains[i], {PathStyle::Jq, false, false}));
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(doc.index().nodeCount, chains.size());
    }
}

TEST(BigRoad, JsonLinesAreRecordsAndABrokenLineIsAnErrorRecord)
{
    struct Case {
        const char* text;
        big::LinesMode mode;
        bool lines;
        std::vector<std::string> captions; // the root's children; "!" marks a broken line
    };
    const Case cases[] = {
        {"{\"a\":1}\n[2,3]\n\n\"s\"\n", big::LinesMode::Detect, true, {"[1]", "[2]", "[4]:\"s\""}},
        {"{\"a\":1}\r\n{oops}\n7\n", big::LinesMode::Detect, true, {"[1]", "[2]!", "[3]:7"}},
        {"{\"a\":1}\n{\"b\":\"tab\there\"}\n{\"c\":[1,\n", big::LinesMode::Detect, true, {"[1]", "[2]!", "[3]!"}},
        {"bad\n{\"a\":1}\n", big::LinesMode::Always, true, {"[1]!", "[2]"}},
        {"1 2\n3\n", big::LinesMode::Always, true, {"[1]!", "[2]:3"}},
        {"{\"a\":1} {\"b\":2}\n", big::LinesMode::Detect, false, {"a:1"}},
        {"{\n  \"a\": 1\n}\n", big::LinesMode::Detect, false, {"a:1"}},
        {"{\"a\":1}\n{\"b\":2}\n", big::LinesMode::Never, false, {"a:1"}},
        // Line breaks right after the token that shows the file is JSON Lines end records too.
        {"{\"a\":1}\n{\n3\n}\n{\nbad\n", big::LinesMode::Detect, true, {"[1]", "[2]!", "[3]:3", "[4]!", "[5]!", "[6]!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BigDocument doc;
        doc.openBytes(c.text, tinyIndex(c.mode));
        EXPECT_EQ(doc.isLines(), c.lines);
        Node root;
        ASSERT_TRUE(doc.root(root));
        std::vector<std::string> captions;
        big::ChildCursor cursor = doc.children(root);
        for (Node n; cursor.next(n);)
            captions.push_back(n.kind == big::Kind::Error ? doc.captionName(n, false) + "!" : doc.caption(n, false, 100));
        EXPECT_EQ(captions, c.captions);
        if (c.lines) {
            EXPECT_FALSE(doc.error().present);
            EXPECT_EQ(doc.childCount(root), captions.size());
        }
    }
}

TEST(BigRoad, ClassifiersAgree)
{
    if (!big::hasAvx2())
        GTEST_SKIP() << "no AVX2 here";
    std::mt19937 rng(7);
    const std::string alphabet = "\"\\{}[]:, \t\n\rab\x01\x1f\x7f\x80\xff";
    for (int round = 0; round < 2000; ++round) {
        unsigned char block[64];
        for (unsigned char& b : block)
            b = static_cast<unsigned char>(alphabet[rng() % alphabet.size()]);
        big::BlockMasks a, b;
        big::sse2Classifier()(block, a);
        big::pickClassifier()(block, b);
        ASSERT_EQ(a.quote, b.quote);
        ASSERT_EQ(a.backslash, b.backslash);
        ASSERT_EQ(a.op, b.op);
        ASSERT_EQ(a.space, b.space);
        ASSERT_EQ(a.control, b.control);
        ASSERT_EQ(a.newline, b.newline);
        ASSERT_EQ(a.high, b.high);
    }
}

} // namespace
} // namespace tess

namespace tess {
namespace {

TEST(BigRoad, ProgressIsReportedAndCanCancelThePass)
{
    std::string text = "[";
    while (text.size() < (uint64_t(17) << 20))
        text += "12345,";
    text += "0]";
    for (const bool goOn : {true, false}) {
        int calls = 0;
        big::OpenOptions o;
        o.index.progress = [&](uint64_t done, uint64_t total) {
            ++calls;
            EXPECT_LT(done, total);
            return goOn;
        };
        big::BigDocument doc;
        doc.openBytes(text, o);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(doc.index().cancelled, !goOn);
        EXPECT_EQ(doc.error().present, !goOn);
    }
}

} // namespace
} // namespace tess

#include <rapidjson/document.h>

namespace tess {
namespace {

std::vector<std::string> jqPaths(const BigDocument& doc)
{
    std::vector<std::string> out;
    for (const std::vector<Node>& chain : allChains(doc)) {
        const Node& n = chain.back();
        out.push_back(big::pathOf(doc, chain, {PathStyle::Jq, false, false}) +
                      (n.isContainer() ? std::string() : "=" + doc.value(n, 1000)));
    }
    return out;
}

// A document cut anywhere shows the nodes completed before the cut (and the containers
// open there): the first nodes of the whole document, in order, with their values.
TEST(BigRoad, ACutDocumentShowsTheFirstNodesOfTheWhole)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::string whole = RandomJson(seed, seed % 2 == 0).document();
        BigDocument full;
        full.openBytes(whole, tinyIndex());
        const std::vector<std::string> all = jqPaths(full);
        for (std::size_t cut = 1; cut < whole.size(); ++cut) {
            const std::string part = whole.substr(0, cut);
            SCOPED_TRACE("..." + part.substr(cut > 40 ? cut - 40 : 0));
            BigDocument doc;
            doc.openBytes(part, tinyIndex());
            ASSERT_TRUE(doc.error().present);
            const std::vector<std::string> kept = jqPaths(doc);
            ASSERT_LE(kept.size(), all.size());
            const auto diff = std::mismatch(kept.begin(), kept.end(), all.begin());
            EXPECT_TRUE(diff.first == kept.end()) << *diff.first << " instead of " << *diff.second;
            EXPECT_EQ(doc.index().nodeCount, kept.size());
            // A container cut there counts the children it shows, a cut one among them.
            for (const auto& chain : allChains(doc)) {
                uint64_t shown = 0;
                big::ChildCursor c = doc.children(chain.back());
                for (Node n; c.next(n);)
                    ++shown;
                ASSERT_EQ(doc.childCount(chain.back()), shown) << chain.back().start;
            }
        }
    }
}

// Valid or not: the big road's strict reading agrees with RapidJSON's on documents with
// a few bytes changed, inserted or removed.
TEST(BigRoad, StrictReadingAgreesWithRapidJson)
{
    std::mt19937 rng(11);
    const std::string alphabet = "{}[]:,\"\\ \n0123456789.-+eEtrufalsn\x01\x7f\xC3\xA9\xE4\xB8\xAD\x80\xFF";
    int invalid = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        std::string text = RandomJson(seed, seed % 2 == 0).document();
        for (int k = 1 + static_cast<int>(rng() % 2); k > 0; --k) {
            const std::size_t at = rng() % text.size();
            const char c = alphabet[rng() % alphabet.size()];
            switch (rng() % 3) {
            case 0: text[at] = c; break;
            case 1: text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c); break;
            default: text.erase(at, 1); break;
            }
        }
        rapidjson::Document ref;
        ref.Parse<rapidjson::kParseValidateEncodingFlag>(text.data(), text.size());
        // RapidJSON also refuses numbers beyond a double and lone surrogate escapes,
        // which are valid JSON text.
        if (ref.GetParseError() == rapidjson::kParseErrorNumberTooBig ||
            ref.GetParseError() == rapidjson::kParseErrorStringUnicodeSurrogateInvalid)
            continue;
        SCOPED_TRACE(text);
        BigDocument doc;
        doc.openBytes(text, tinyIndex(big::LinesMode::Never));
        EXPECT_EQ(doc.error().present, ref.HasParseError()) << doc.error().message << " at " << doc.error().offset;
        EXPECT_EQ(doc.index().nodeCount, allChains(doc).size());
        invalid += ref.HasParseError();
    }
    EXPECT_GT(invalid, 500); // the changes do break documents
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// Random JSON Lines with blank and broken lines: every valid line is a record holding
// what the engine reads from that line alone, every broken one an error record, each
// with its line number.
TEST(BigRoad, JsonLinesRecordsEqualTheEnginesReadingOfEachLine)
{
    std::mt19937 rng(5);
    for (unsigned round = 0; round < 40; ++round) {
        std::string text;
        std::vector<std::pair<uint64_t, std::string>> expected; // line, the line ("" when broken)
        uint64_t line = 1;
        const bool forced = round % 2 == 0; // a broken first line needs the file name's word
        for (int k = 0; k < 12; ++k, ++line) {
            const unsigned kind = rng() % 6;
            if (kind == 0 && k > 0) {
                text += "\n"; // blank line
                continue;
            }
            std::string record = RandomJson(round * 100 + static_cast<unsigned>(k), false).document();
            const bool broken = kind == 1 && (forced || k > 0);
            if (broken)
                record.insert(rng() % record.size(), rng() % 2 ? "\"" : "}");
            text += record + (rng() % 4 ? "\n" : "\r\n");
            expected.emplace_back(line, broken ? std::string() : record);
        }
        SCOPED_TRACE(text);
        BigDocument doc;
        doc.openBytes(text, tinyIndex(forced ? big::LinesMode::Always : big::LinesMode::Detect));
        ASSERT_TRUE(doc.isLines());
        Node root;
        ASSERT_TRUE(doc.root(root));
        ASSERT_EQ(doc.childCount(root), expected.size());
        for (std::size_t r = 0; r < expected.size(); ++r) {
            Node record;
            ASSERT_TRUE(doc.child(root, r, record));
            EXPECT_EQ(record.line, expected[r].first);
            const std::string& json = expected[r].second;
            if (json.empty()) {
                // a changed record may still be valid JSON; then it is a record like any other
                if (record.kind != big::Kind::Error) {
                    const std::string_view recordText = doc.bytes().substr(record.start, record.end - record.start);
                    rapidjson::Document ref;
                    EXPECT_FALSE(ref.Parse(recordText.data(), recordText.size()).HasParseError());
                }
                continue;
            }
            ASSERT_NE(record.kind, big::Kind::Error) << json;
            std::string gb = inputTextToGb18030(json);
            JsonDocument engine;
            engine.parse(gb, false, false);
            EXPECT_EQ(doc.value(record, 1 << 20), valueOfNode(engine, 1));
            EXPECT_EQ(doc.childCount(record), static_cast<uint64_t>(engine.nodes().childCountOf(1)));
        }
    }
}

// Whatever the lines hold (records broken over several lines among them), walking the
// records, counting them, taking the n-th and the record at an offset agree.
TEST(BigRoad, JsonLinesWalkCountAndOffsetsAgree)
{
    const char* const pieces[] = {"{\"a\":1}", "{\"b\":\n [1,\n  2]}", "bad", "[1,2]", "\"s\"", "{\"x\":[\n]}", "  ",
                                  "{",        "}",                      "3",   "[\n4]"};
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int k = 2 + static_cast<int>(rng() % 6); k > 0; --k)
            text += std::string(pieces[rng() % std::size(pieces)]) + (rng() % 4 ? "\n" : "\r\n");
        for (const big::LinesMode mode : {big::LinesMode::Detect, big::LinesMode::Always}) {
            BigDocument doc;
            big::OpenOptions options = tinyIndex(mode);
            options.index.checkpointSpan = 1 + rng() % 8;
            doc.openBytes(text, options);
            Node root;
            if (!doc.root(root) || root.kind != big::Kind::Lines)
                continue;
            SCOPED_TRACE(text);
            uint64_t count = 0;
            big::ChildCursor cursor = doc.children(root);
            for (Node record; cursor.next(record); ++count) {
                ASSERT_EQ(record.index, count);
                Node again;
                ASSERT_TRUE(doc.child(root, count, again));
                EXPECT_EQ(again.start, record.start);
                const std::vector<Node> chain = doc.chainAt(record.start);
                ASSERT_GE(chain.size(), 2u);
                EXPECT_EQ(chain[1].start, record.start);
                EXPECT_EQ(chain[1].index, record.index);
                EXPECT_EQ(chain[1].line, record.line);
            }
            EXPECT_EQ(count, doc.childCount(root));
        }
    }
}

} // namespace
} // namespace tess

#include "json/big/BigFind.h"
#include "json/TreeSearch.h"

namespace tess {
namespace {

// Find over the bytes stops at the same nodes as a walk matching every caption, forward
// and backward, for text taken from the document.
TEST(BigRoad, FindInTheBytesStopsWhereTheWalkDoes)
{
    std::mt19937 rng(3);
    int searched = 0;
    for (unsigned seed = 1; seed <= 170; ++seed) {
        std::string text = RandomJson(seed, seed % 2 == 0).document();
        if (seed % 3 == 0) // JSON Lines
            text = RandomJson(seed + 1000, false).document() + "\n\n" + text + "\n" + RandomJson(seed + 2000, false).document();
        BigDocument doc;
        doc.openBytes(text, tinyIndex());
        ASSERT_EQ(doc.isLines(), seed % 3 == 0);
        const auto chains = allChains(doc);
        for (int k = 0; k < 6; ++k) {
            const std::size_t at = rng() % text.size();
            std::string needle = text.substr(at, 1 + rng() % 4);
            while (!needle.empty() && (static_cast<unsigned char>(needle.back()) & 0xC0) == 0x80)
                needle.pop_back(); // whole characters only
            if (!big::findSearchesBytes(doc, needle, FindMode::Plain, false))
                continue;
            ++searched;
            SCOPED_TRACE(needle + " in " + text);
            const CaptionMatcher matcher(big::toEngineText(needle), FindMode::Plain, false);
            std::vector<uint64_t> expected, forward, backward;
            for (std::size_t i = 1; i < chains.size(); ++i)
                if (matcher.matches(searchedPart(doc.caption(chains[i].back(), false, 1 << 20))))
                    expected.push_back(big::captionStart(chains[i].back()));
            big::findInBytes(doc, needle, matcher, false, 0, [&](const std::vector<Node>& chain) {
                forward.push_back(big::captionStart(chain.back()));
                return true;
            });
            EXPECT_EQ(forward, expected);
            std::vector<Node> chain;
            for (uint64_t before = text.size();
                 big::findPreviousInBytes(doc, needle, matcher, false, before, chain);
                 before = big::captionStart(chain.back()))
                backward.insert(backward.begin(), big::captionStart(chain.back()));
            EXPECT_EQ(backward, expected);
        }
    }
    EXPECT_GT(searched, 250);
}

} // namespace
} // namespace tess

#include "json/big/MappedFile.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tess {
namespace {

// Values longer than a piece come in pieces that never split a character, and a bounded
// value is cut at a character.
TEST(BigRoad, LargeValuesComeInWholeCharacters)
{
    std::string chars;
    while (chars.size() < (3u << 20))
        chars += "中a\\\"é ";
    const std::string text = "[\"" + chars + "\", {\"k\" :  [ \"" + chars + "\" , 1 ]}]";
    BigDocument doc;
    doc.openBytes(text, {});
    ASSERT_FALSE(doc.error().present);
    Node root, string, object;
    ASSERT_TRUE(doc.root(root));
    ASSERT_TRUE(doc.child(root, 0, string));
    ASSERT_TRUE(doc.child(root, 1, object));
    const std::string gbChars = inputTextToGb18030(chars);
    const std::string gbObject = inputTextToGb18030("{\"k\":[\"" + chars + "\",1]}");
    const std::pair<Node, const std::string*> cases[] = {{string, &gbChars}, {object, &gbObject}};
    for (const auto& [node, whole] : cases) {
        std::string joined;
        int pieces = 0;
        doc.forEachValuePiece(node, [&](std::string_view piece) {
            ++pieces;
            joined += piece;
            return true;
        });
        EXPECT_GT(pieces, 2);
        EXPECT_TRUE(joined == *whole);
        for (const uint64_t bound : {uint64_t(1), uint64_t(1000), uint64_t(1) << 20, uint64_t(5) << 20}) {
            bool cut = false;
            const std::string v = doc.value(node, bound, &cut);
            EXPECT_EQ(cut, whole->size() > bound);
            EXPECT_LE(v.size(), bound);
            EXPECT_GT(v.size() + 4, std::min<uint64_t>(bound, whole->size()));
            EXPECT_EQ(whole->compare(0, v.size(), v), 0);
        }
    }
}

// A typed path names the same node on both roads, in any of the forms the engine reads.
TEST(BigRoad, TypedPathsNameTheEnginesNode)
{
    std::mt19937 rng(9);
    for (unsigned seed = 1; seed <= 120; ++seed) {
        const std::string utf8 = RandomJson(seed, false).document();
        std::string gb = inputTextToGb18030(utf8);
        JsonDocument engine;
        engine.parse(gb, seed % 2 == 0, false);
        BigDocument doc;
        doc.openBytes(utf8, tinyIndex());
        for (int node = 2; node <= engine.nodes().nodeCount(); ++node) {
            const PathStyle style = static_cast<PathStyle>(rng() % 5);
            std::string typed = pathInStyle(engine, node, style, rng() % 2 == 0);
            // variants the reader accepts: a negative index, the other quote of JSONPath
            const std::size_t open = typed.rfind('[');
            if (style == PathStyle::Jq && open != std::string::npos && typed[open + 1] >= '0' && typed[open + 1] <= '9') {
                const long long i = std::stoll(typed.substr(open + 1));
                const int parent = engine.nodes().parentOf(node);
                typed = typed.substr(0, open + 1) + std::to_string(i - engine.nodes().childCountOf(parent)) +
                        typed.substr(typed.find(']', open));
            }
            if (style == PathStyle::JsonPath && typed.find("['") != std::string::npos && typed.find('"') == std::string::npos &&
                typed.find('\\') == std::string::npos) {
                for (char& c : typed)
                    c = c == '\'' ? '"' : c;
            }
            SCOPED_TRACE(typed);
            const int expected = nodeAtAnyPath(engine, typed);
            std::vector<Node> chain;
            const bool found = big::resolvePath(doc, typed, std::nullopt, seed % 2 == 0, chain);
            ASSERT_EQ(found, expected >= 1);
            if (found)
                EXPECT_EQ(big::pathOf(doc, chain, {PathStyle::Jq, false, false}), pathInStyle(engine, expected, PathStyle::Jq));
        }
    }
}

// A file is mapped whole; an empty or missing one says so.
TEST(BigRoad, OpensFilesByPath)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tess_big_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "a.json", std::ios::binary) << "{\"a\": [1, 2]}\n";
    std::ofstream(dir / "empty.json", std::ios::binary) << "";
    BigDocument doc;
    std::string error;
    ASSERT_TRUE(doc.open((dir / "a.json").string(), {}, error)) << error;
    EXPECT_EQ(doc.bytes().size(), 14u);
    std::vector<Node> chain;
    ASSERT_TRUE(big::resolvePath(doc, ".a[1]", PathStyle::Jq, false, chain));
    EXPECT_EQ(doc.value(chain.back(), 10), "2");
    ASSERT_TRUE(doc.open((dir / "empty.json").string(), {}, error));
    EXPECT_EQ(doc.error().message, "no JSON value");
    EXPECT_FALSE(doc.open((dir / "missing.json").string(), {}, error));
    EXPECT_NE(error.find("missing.json"), std::string::npos);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// A text of broken lines is no JSON Lines: reading stops after a bounded number of them.
TEST(BigRoad, TooManyBrokenLinesStopTheRecords)
{
    std::string text = "{\"ok\":1}\n";
    for (uint64_t k = 0; k <= big::kMaxBrokenLines + 5; ++k)
        text += "x\n";
    BigDocument doc;
    doc.openBytes(text, tinyIndex(big::LinesMode::Always));
    ASSERT_TRUE(doc.error().present);
    EXPECT_EQ(doc.error().line, big::kMaxBrokenLines + 2);
    Node root;
    ASSERT_TRUE(doc.root(root));
    EXPECT_EQ(doc.childCount(root), big::kMaxBrokenLines + 1);
    Node last;
    ASSERT_TRUE(doc.child(root, big::kMaxBrokenLines, last));
    EXPECT_EQ(last.kind, big::Kind::Error);
    EXPECT_EQ(last.line, big::kMaxBrokenLines + 1);
    EXPECT_FALSE(doc.child(root, big::kMaxBrokenLines + 1, last));
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// A file cut short by another program while mapped: reads past the cut find zero bytes
// instead of killing the process, and the document says the file changed.
TEST(BigRoad, FileCutWhileMappedReadsZerosAndSaysSo)
{
    const std::string path = (std::filesystem::temp_directory_path() / "tess-cut-while-mapped.json").string();
    // Past the 16 MiB at which the pass first reports progress.
    std::string text = "[";
    while (text.size() < (17u << 20))
        text += "12345,";
    text += "0]";
    std::ofstream(path, std::ios::binary) << text;

    big::BigDocument doc;
    std::string error;
    ASSERT_TRUE(doc.open(path, {}, error)) << error;
    EXPECT_FALSE(doc.fileCut(error));
    ASSERT_EQ(::truncate(path.c_str(), 8192), 0);
    big::Node root;
    ASSERT_TRUE(doc.root(root));
    // The last element lies past the cut: zeros are no element.
    big::Node last;
    EXPECT_FALSE(doc.child(root, doc.childCount(root) - 1, last));
    EXPECT_EQ(doc.bytes().back(), '\0');
    big::Node first;
    ASSERT_TRUE(doc.child(root, 0, first));
    EXPECT_EQ(doc.value(first, 16), "12345");
    EXPECT_TRUE(doc.fileCut(error));
    EXPECT_EQ(error, "the file was cut short while it was read");

    // A file cut before the pass reads it fails to open with that message.
    std::ofstream(path, std::ios::binary) << text;
    big::BigDocument again;
    big::OpenOptions options;
    bool cutDone = false;
    options.index.progress = [&](uint64_t done, uint64_t) {
        if (!cutDone && done > 0)
            cutDone = ::truncate(path.c_str(), 4096) == 0;
        return true;
    };
    EXPECT_FALSE(again.open(path, options, error));
    EXPECT_TRUE(cutDone);
    std::filesystem::remove(path);
}

} // namespace
} // namespace tess

#include "json/big/Transcode.h"
#include "platform/Codec.h"

namespace tess {
namespace {

// Files in GB18030 and UTF-16 reach the big road as UTF-8, converted piece by piece: any
// cut between pieces gives the same text as converting it whole, and error offsets are
// given back in the file's own bytes.
TEST(BigRoad, OtherEncodingsAreReadFromAUtf8Copy)
{
    const std::string utf8 = reinterpret_cast<const char*>(
        u8"{\"名字\":\"北京 & 天津\",\"emoji\":\"😀🎉 ok\",\"ру\":\"Привет\",\"ar\":\"مرحبا\",\"n\":[1,2.5e3,null]}");
    const std::string gb = codec::utf8ToGb18030(utf8).text;
    std::u16string u16;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
        for (int k = 1; k < n; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (cp >= 0x10000) {
            u16.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            u16.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            u16.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    auto utf16Bytes = [&](bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : u16) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return out;
    };

    // Every cut of the GB18030 text and of the UTF-16 units converts as the whole does.
    for (std::size_t cut = 0; cut <= gb.size(); ++cut) {
        const std::size_t whole = big::gb18030WholeCharacters(std::string_view(gb).substr(0, cut));
        ASSERT_LE(whole, cut);
        ASSERT_EQ(codec::gb18030ToUtf8(gb.substr(0, whole)).text + codec::gb18030ToUtf8(gb.substr(whole)).text, utf8)
            << "cut " << cut;
    }
    for (const bool bigEndian : {false, true}) {
        const std::string bytes = utf16Bytes(bigEndian).substr(2);
        for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
            std::string out;
            const std::size_t used = big::utf16ToUtf8(std::string_view(bytes).substr(0, cut), bigEndian, false, out);
            big::utf16ToUtf8(std::string_view(bytes).substr(used), bigEndian, true, out);
            ASSERT_EQ(out, utf8) << "cut " << cut;
        }
    }

    // Whole files, valid and with an error after non-ASCII text.
    const std::string path = (std::filesystem::temp_directory_path() / "tess-encodings.json").string();
    const std::string broken = utf8.substr(0, utf8.size() - 1) + "x}"; // "x" after the array
    const std::size_t errorInUtf8 = broken.size() - 2;
    struct Case {
        std::string file;
        std::string brokenFile;
        std::size_t errorInFile;
    };
    const std::string brokenGb = codec::utf8ToGb18030(broken).text;
    const Case cases[] = {
        {gb, brokenGb, brokenGb.size() - 2},
        {utf16Bytes(false), "", 0},
        {utf16Bytes(true), "", 0},
    };
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.file;
        big::BigDocument doc;
        std::string error;
        ASSERT_TRUE(doc.open(path, {}, error)) << error;
        EXPECT_FALSE(doc.error().present) << doc.error().message;
        EXPECT_EQ(doc.bytes(), utf8);
        if (c.brokenFile.empty())
            continue;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.brokenFile;
        big::BigDocument bad;
        ASSERT_TRUE(bad.open(path, {}, error)) << error;
        ASSERT_TRUE(bad.error().present);
        EXPECT_EQ(bad.error().offset, errorInUtf8);
        EXPECT_EQ(bad.fileOffset(bad.error().offset), c.errorInFile);
        EXPECT_EQ(bad.errorFileOffset(), c.errorInFile);
    }
    std::filesystem::remove(path);
}

} // namespace
} // namespace tess

#include "json/big/BigSearch.h"
#include "json/big/BigWalk.h"

namespace tess {
namespace {

using big::BigDocument;
using big::Node;

std::string randomSearchDocument(unsigned seed)
{
    static const char* const words[] = {"Alpha", "beta", "a\\\"b", "中文", "x", "ab", "Eab", "9", "SYH"};
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::function<void(std::string&, int)> value = [&](std::string& out, int depth) {
        const int kind = depth == 0 ? pick(2) : depth > 3 ? 2 + pick(3) : pick(5);
        if (kind < 2) {
            out += kind == 0 ? "{ " : "[\n";
            for (int i = 0, n = depth == 0 ? 30 : pick(6); i < n; ++i) {
                out += i ? ",  " : "";
                if (kind == 0)
                    out += "\"" + std::string(words[pick(9)]) + std::to_string(i) + "\" :\t";
                value(out, depth + 1);
            }
            out += kind == 0 ? "}" : "\n]";
        } else if (kind == 2) {
            out += "\"" + std::string(words[pick(9)]) + " " + words[pick(9)] + "\"";
        } else {
            out += std::to_string(pick(300) - 100);
        }
    };
    std::string doc;
    value(doc, 0);
    return doc;
}

// From every node, forward and backward, in each mode: the search stops at the next node
// in tree order (once around, the root included) whose caption the matcher accepts, on
// an index with small spans, so that kept containers and checkpoints take part. The walk
// from any offset yields the nodes whose captions start there or later.
TEST(BigRoad, SearchStopsAtTheNextMatchingCaptionInTreeOrder)
{
    const struct {
        const char* text;
        FindMode mode;
        bool ignoreCase;
    } queries[] = {{"ab", FindMode::Plain, false},     {"AB", FindMode::Plain, true},   {"9:\"", FindMode::Plain, false},
                   {"[3]", FindMode::Plain, false},    {"SYH", FindMode::Plain, false}, {"中文", FindMode::Plain, false},
                   {"a*9", FindMode::Wildcard, true},  {"x?:", FindMode::Wildcard, false},
                   {"^\\[\\d\\]:-", FindMode::Regex, false}, {"ALPHA|b$", FindMode::Regex, true}, {"JSON", FindMode::Plain, false},
                   {"Eab\\d+:", FindMode::Regex, false}, {"a.?b", FindMode::Regex, false},
                   {"(ab)?x0", FindMode::Regex, false}, {"中文[0-9]:{", FindMode::Regex, false},
                   {"EAB?9", FindMode::Regex, true}, {"x00?:", FindMode::Regex, false}, {"a\\\\\"b", FindMode::Regex, false},
                   // alternatives: each has a literal, or one has none, or they sit in a group
                   {"ab|x0", FindMode::Regex, false}, {"中文|EAB\\d", FindMode::Regex, true}, {"b9|a|中", FindMode::Regex, false},
                   {"ab|\\d+", FindMode::Regex, false}, {"(ab|x)0", FindMode::Regex, false}, {"[|]|ab", FindMode::Regex, false}};
    int stops = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::string text = randomSearchDocument(seed);
        if (seed % 4 == 0) { // JSON Lines: one record a line
            std::string records[] = {randomSearchDocument(seed + 100), text, randomSearchDocument(seed + 200)};
            for (std::string& r : records)
                std::replace(r.begin(), r.end(), '\n', ' ');
            text = records[0] + "\n" + records[1] + "\n\n" + records[2];
        }
        BigDocument doc;
        doc.openBytes(text, tinyIndex());
        ASSERT_EQ(doc.isLines(), seed % 4 == 0);
        const auto chains = allChains(doc);
        for (uint64_t offset = 0; offset < text.size(); offset += 1 + offset % 7) {
            big::NodeWalk walk(doc, offset);
            std::size_t k = 1;
            while (k < chains.size() && big::captionStartOf(chains[k].back()) < offset)
                ++k;
            for (; walk.next(); ++k)
                ASSERT_TRUE(k < chains.size() && walk.chain().size() == chains[k].size() &&
                            walk.node().start == chains[k].back().start) << offset;
            ASSERT_EQ(k, chains.size()) << offset;
        }
        for (const auto& q : queries) {
            SCOPED_TRACE(std::string(q.text) + " in " + text);
            big::SearchRequest request;
            request.text = big::toEngineText(q.text);
            request.mode = q.mode;
            request.ignoreCase = q.ignoreCase;
            const CaptionMatcher matcher(request.text, q.mode, q.ignoreCase);
            std::vector<bool> hits;
            for (std::size_t i = 0; i < chains.size(); ++i)
                hits.push_back(matcher.matches(searchedPart(i == 0 ? std::string("JSON") : doc.caption(chains[i].back(), false, 1 << 20))));
            const int n = static_cast<int>(chains.size());
            for (int from = -1; from < n; from += 1 + (from + 2) % 3) {
                for (const bool backward : {false, true}) {
                    int expected = -1;
                    for (int step = 1; step <= n && expected < 0; ++step) {
                        const int at = from < 0 ? (backward ? n - step : step - 1) : ((from + (backward ? -step : step)) % n + n) % n;
                        if (hits[static_cast<std::size_t>(at)])
                            expected = at;
                    }
                    request.backward = backward;
                    std::vector<Node> hit;
                    const big::SearchResult result =
                        big::searchCaptions(doc, request, from < 0 ? std::vector<Node>{} : chains[static_cast<std::size_t>(from)], hit);
                    ASSERT_EQ(result == big::SearchResult::Found, expected >= 0) << from << " " << backward;
                    if (expected >= 0) {
                        EXPECT_EQ(hit.size(), chains[static_cast<std::size_t>(expected)].size()) << from << " " << backward;
                        EXPECT_EQ(hit.back().start, chains[static_cast<std::size_t>(expected)].back().start) << from << " " << backward;
                        stops += expected != from;
                    }
                }
            }
        }
    }
    EXPECT_GT(stops, 1500);
}

// The count of the nodes an opened subtree shows stops at the limit, and a cancelled
// search says so.
TEST(BigRoad, CountsBelowANodeAndStopsWhenAsked)
{
    const std::string text = randomSearchDocument(5);
    BigDocument doc;
    doc.openBytes(text, tinyIndex());
    const auto chains = allChains(doc);
    for (const auto& chain : chains) {
        uint64_t all = 0;
        uint64_t near = 0;
        for (const auto& other : chains) {
            const bool below = other.size() > chain.size() && other[chain.size() - 1].start == chain.back().start &&
                               (chain.size() < 2 || other[chain.size() - 1].keyStart == chain.back().keyStart);
            all += below;
            near += below && other.size() <= chain.size() + 2;
        }
        EXPECT_EQ(big::countBelow(doc, chain, 0, ~uint64_t(0)), all);
        EXPECT_EQ(big::countBelow(doc, chain, 2, ~uint64_t(0)), near);
        EXPECT_EQ(big::countBelow(doc, chain, 0, 3), std::min<uint64_t>(all, 3));
    }
    big::SearchRequest request;
    request.text = "no such text";
    request.progress = [](uint64_t, uint64_t) { return false; };
    std::vector<Node> hit;
    EXPECT_EQ(big::searchCaptions(doc, request, {}, hit), big::SearchResult::Stopped);
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// JSONTestSuite: every valid text read whole, every invalid one refused, with the
// document's own spans and with tiny ones; the implementation-defined ones either way.
TEST(BigRoad, JsonTestSuiteIsReadExactly)
{
    const std::filesystem::path dir = std::filesystem::path(TESS_CORPUS_DIR) / "JSONTestSuite" / "test_parsing";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        for (const bool tiny : {false, true}) {
            big::OpenOptions options = tiny ? tinyIndex(big::LinesMode::Never) : big::OpenOptions{};
            options.index.lines = big::LinesMode::Never;
            BigDocument doc;
            doc.openBytes(text, options);
            if (name[0] == 'y')
                EXPECT_FALSE(doc.error().present) << name << ": " << doc.error().message;
            else if (name[0] == 'n')
                EXPECT_TRUE(doc.error().present) << name;
            EXPECT_EQ(doc.index().nodeCount, allChains(doc).size()) << name;
        }
        ++files;
    }
    EXPECT_GT(files, 300);
}

// Nesting: kMaxNesting levels are read, the opener of one more is the error, with the
// levels above it kept; JSON Lines count the list of records as a level.
TEST(BigRoad, NestingStopsAtTheLimit)
{
    for (const bool lines : {false, true}) {
        const uint64_t room = kMaxNesting - (lines ? 1 : 0);
        for (const uint64_t levels : {room, room + 1, uint64_t(100000)}) {
            SCOPED_TRACE(std::to_string(levels) + (lines ? " as JSON Lines" : ""));
            const std::string deep = std::string(levels, '[') + "1" + std::string(levels, ']');
            BigDocument doc;
            doc.openBytes(lines ? "[0]\n" + deep + "\n[2]\n" : deep, tinyIndex(lines ? big::LinesMode::Always : big::LinesMode::Never));
            const big::ParseError* e = nullptr;
            if (lines && !doc.index().lineErrors.empty())
                e = &doc.index().lineErrors.front();
            else if (!lines && doc.error().present)
                e = &doc.error();
            if (levels <= room) {
                EXPECT_EQ(e, nullptr);
                EXPECT_EQ(doc.index().depth, kMaxNesting + 1); // the number inside the deepest container
                continue;
            }
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->offset, room + (lines ? 4 : 0));
            EXPECT_EQ(e->message, "nested deeper than " + std::to_string(kMaxNesting) + " levels");
            if (lines) {
                EXPECT_EQ(doc.index().recordCount, 3u); // the broken line between two records
            } else {
                EXPECT_EQ(doc.index().depth, room);
                EXPECT_EQ(doc.index().nodeCount, room);
            }
        }
    }
}

// A value cut off by the error is left out of the counts, the depth included.
TEST(BigRoad, ACutValueLeavesNoCountBehind)
{
    struct Case {
        const char* text;
        uint64_t nodes, depth;
    };
    for (const Case& c : {Case{"\"", 0, 0}, Case{"\"abc", 0, 0}, Case{"[\"", 1, 1}, Case{"[{", 2, 2}, Case{"[[1],{\"a\":\"", 4, 3}}) {
        BigDocument doc;
        doc.openBytes(c.text, tinyIndex(big::LinesMode::Never));
        EXPECT_EQ(doc.index().nodeCount, c.nodes) << c.text;
        EXPECT_EQ(doc.index().depth, c.depth) << c.text;
    }
}

// After a broken line the next lines are checked for UTF-8 again.
TEST(BigRoad, BrokenLinesDoNotSkipTheUtf8Check)
{
    for (const std::string& text : {std::string("[1]\n[x]\n[\"\xff\"]\n"), std::string("[x]\n[1]\n[\"\xC0\xAF\"]\n"),
                                    std::string("[1]\n[x]\n") + std::string(100, ' ') + "[\"\xED\xA0\x80\"]\n"}) {
        BigDocument doc;
        doc.openBytes(text, tinyIndex(big::LinesMode::Always));
        ASSERT_EQ(doc.index().lineErrors.size(), 2u) << text;
        EXPECT_EQ(doc.index().lineErrors.back().line, 3u);
        EXPECT_EQ(doc.index().lineErrors.back().message, "invalid UTF-8");
    }
}

} // namespace
} // namespace tess

namespace tess {
namespace {

// Only a read past the end of a file cut short is mended: a bus error sent by hand, or
// one inside the file (what a read error of the disk raises), ends the process as it
// would without the guard.
TEST(BigRoad, OtherBusErrorsAreNotTakenForACutFile)
{
    const std::string path = (std::filesystem::temp_directory_path() / "tess-bus-error.json").string();
    std::ofstream(path, std::ios::binary) << "[" + std::string(100000, ' ') + "]";
    for (const int code : {int(SI_QUEUE), int(BUS_ADRERR)}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            big::MappedFile file;
            std::string error;
            if (!file.open(path, error))
                _exit(3);
            siginfo_t info {};
            info.si_signo = SIGBUS;
            info.si_code = code;
            info.si_addr = const_cast<char*>(file.bytes().data() + 70000);
            syscall(SYS_rt_tgsigqueueinfo, getpid(), gettid(), SIGBUS, &info);
            _exit(file.cut() ? 42 : 43); // went on, with or without calling the file cut
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) >= 42) << "code " << code << ": went on";
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    }
    std::filesystem::remove(path);
}

// A read error while converting another encoding is said as one, not as a text that
// ends early.
TEST(BigRoad, AReadErrorWhileConvertingIsSaid)
{
    big::TranscodedFile copy;
    std::string error;
    EXPECT_FALSE(copy.convert(std::filesystem::temp_directory_path().string(), big::SourceEncoding::Gb18030, {}, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(EISDIR)), std::string::npos) << error;
}

} // namespace
} // namespace tess
