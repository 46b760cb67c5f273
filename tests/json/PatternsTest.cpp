// The hand-written white-space scanners and path conversions must give the same bytes as
// the regex service running the patterns they stand for.
#include "json/JsonScanner.h"
#include "json/ScanBuffer.h"
#include "json/TextPatterns.h"
#include "platform/GbkText.h"
#include "platform/Regex.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using tess::JsonScanner;
using tess::Regex;
using tess::RegexOptions;

namespace {

const RegexOptions kScannerFlags{true, true, true};

std::string randomBytes(std::mt19937& rng, int units)
{
    static const char* const kUnits[] = {
        " ", "\t", "\n", "\r", "\r\n", "\v", "\f", "\"", "[", "]", "{", "}", ":", ",", ".", "a", "1", "'",
        "\xA1\xA1", "\xA1", "\xD6\xD0", "\xD5\x5B", "\xD5\x22", "\x81\x30\x81\x30", "\x80", "\xFF", "\x81",
        "[0]", "[12]", "\\", "\xA1\xA1\"",
    };
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kUnits) - 1);
    std::string out;
    for (int i = 0; i < units; ++i)
        out += kUnits[pick(rng)];
    return out;
}

// Mostly compact text of up to 300 bytes, so it spans several 64-byte blocks. Filler has
// characters whose bytes look like structure or like half an ideographic space (trail
// bytes 0x5B 0x5D 0x7B 0x7D 0xA1, A1 leads, four-byte characters); white space and escapes
// go mostly next to block edges, where a pair of bytes straddles two blocks.
std::string blockText(std::mt19937& rng)
{
    static const char* const kFiller[] = {
        "a", "1", ",", ":", "[", "]", "{", "}", "\"", "\\", "\xD6\xD0", "\xB0\xA1", "\xD5\x5B", "\xD5\x5D",
        "\xD5\x7B", "\xD5\x7D", "\xA1\x5B", "\xA1\x7D", "\xA1\xA2", "\x81\x30\x81\x30", "\x81\x39\xA1\x39", "\xFE\x39\xFE\x39",
    };
    static const char* const kActive[] = {
        " ", "\t", "\r", "\n", "\v", "\f", "\r\n", "  ", "\xA1\xA1", "\xA1", "\xA1\xA1 ", "\\\"", "\\|", "\xA1\"",
        "\xD5\\\\\"", "\xD5\\\\",
    };
    std::uniform_int_distribution<std::size_t> filler(0, std::size(kFiller) - 1);
    std::uniform_int_distribution<std::size_t> active(0, std::size(kActive) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 300)(rng);
    std::string out;
    while (out.size() < length) {
        const std::size_t edge = (out.size() + 3) % 64; // 0..5: within 3 bytes before or 2 after
        const int chance = edge < 6 ? 30 : 2;
        out += percent(rng) < chance ? kActive[active(rng)] : kFiller[filler(rng)];
    }
    return out;
}

// Pretty-printed text of up to ~700 bytes: indentation runs (CR LF, tabs, blanks, long
// blank runs across several blocks), members with strings of GB18030 characters, escapes,
// ideographic spaces and characters whose trail byte looks like a bracket or is A1.
std::string prettyText(std::mt19937& rng)
{
    static const char* const kWords[] = {
        "a", "12", "true", "\xD6\xD0\xCE\xC4", "\xB0\xA1", "\xD5\x5D", "\xD5\x7D", "\xD5\x5B", "\xD5\x7B",
        "\xA1\xA2", "\x81\x30\x81\x30", "\\\"", "\\\\", "\\\\\\\"", "\xD5\\\"", "x y", "\xA1\xA1",
        "\xA1", "\xB0\xA1\xA1\xA1", "#SYH#", "\\|", "\xA1\xA1\xA1", "\xD5\\\\\"", "\xD5\\\\\\",
    };
    static const char* const kBreaks[] = {"\n", "\r\n", "\r", " ", "\n\n"};
    static const char* const kIndent[] = {"\t", "  ", " ", "\xA1\xA1", "\v", "\f"};
    std::uniform_int_distribution<int> percent(0, 99);
    auto pick = [&](auto& list) { return list[std::uniform_int_distribution<std::size_t>(0, std::size(list) - 1)(rng)]; };
    // How often the rarer characters show up, so that many texts have none of them.
    const int rare = percent(rng) < 50 ? 0 : 15;
    auto word = [&]() {
        for (;;) {
            const std::string w = pick(kWords);
            const bool special = static_cast<unsigned char>(w[0]) == 0xA1 || w.find('\\') != std::string::npos ||
                                 w.find('#') != std::string::npos || w.find("\xA1\xA1") != std::string::npos;
            if (!special || percent(rng) < rare)
                return w;
        }
    };
    auto blank = [&](int depth) {
        std::string b = pick(kBreaks);
        const int unit = percent(rng) < 3 ? 40 : 1; // now and then a run of a block or more
        for (int i = 0; i < depth * unit; ++i)
            b += percent(rng) < rare ? pick(kIndent) : (percent(rng) < 50 ? "\t" : " ");
        return b;
    };
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 700)(rng);
    std::string out = percent(rng) < 10 ? blank(1) : "";
    int depth = 0;
    while (out.size() < length) {
        const int r = percent(rng);
        if (r < 15 && depth < 6) {
            out += percent(rng) < 50 ? "{" : "[";
            ++depth;
        } else if (r < 25 && depth > 0) {
            out += blank(depth - 1) + (percent(rng) < 50 ? "}" : "]");
            --depth;
        } else if (r < 70) {
            out += blank(depth) + "\"" + word() + (percent(rng) < 30 ? " " + word() : "") + "\":" +
                   (percent(rng) < 70 ? " " : "") + (percent(rng) < 50 ? "\"" + word() + "\"" : word()) +
                   (percent(rng) < 80 ? "," : "");
        } else {
            out += blank(depth) + word() + (percent(rng) < 20 ? blank(depth) : "") + ",";
        }
    }
    return out;
}

// The two compacting passes of the regex service over what lies outside strings: quotes
// pair from the start and a last quote without a partner opens nothing. Each outside piece
// is compacted with the quotes around it, which are structure.
std::string regexCompact(const Regex& open, const Regex& close, const std::string& t)
{
    std::vector<std::size_t> quotes;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == '"')
            quotes.push_back(i);
    if (quotes.size() % 2 == 1)
        quotes.pop_back();
    auto outside = [&](std::size_t from, std::size_t to) {
        const bool before = from > 0, after = to < t.size();
        const std::string piece = (before ? "\"" : "") + t.substr(from, to - from) + (after ? "\"" : "");
        const std::string done = close.replace(open.replace(piece, "$1"), "$1");
        return done.substr(before ? 1 : 0, done.size() - (before ? 1 : 0) - (after ? 1 : 0));
    };
    std::string out;
    std::size_t from = 0;
    for (std::size_t k = 0; k < quotes.size(); k += 2) {
        out += outside(from, quotes[k]) + t.substr(quotes[k], quotes[k + 1] - quotes[k] + 1);
        from = quotes[k + 1] + 1;
    }
    return out + outside(from, t.size());
}

// The escape protection as three literal replacements, and both steps of preparing.
std::string literalProtect(std::string_view t)
{
    std::string expected = tess::gbk::replaceAll(t, "\\\\", "\\|\\|");
    expected = tess::gbk::replaceAll(expected, "\\\"", "#SYH#");
    return tess::gbk::replaceAll(expected, "\\|\\|", "\\\\");
}

} // namespace

TEST(Patterns, ScannersMatchTheRegexService)
{
    const Regex quoteEdge = Regex::compile("[\\s\xA1\xA1]+\"|\"[\\s\xA1\xA1]+|^[ \xA1\xA1\"\\t]+|[ \xA1\xA1\"\\t]+$", kScannerFlags);
    const Regex open = Regex::compile("[\\s\xA1\xA1]+(\\[|{|\")", kScannerFlags);
    const Regex close = Regex::compile("(\\]|}|\")[\\s\xA1\xA1]+", kScannerFlags);
    const Regex lineEdge = Regex::compile("^[ \xA1\xA1\\t]+|[ \xA1\xA1\\t]+$", kScannerFlags);
    ASSERT_TRUE(quoteEdge.valid()) << quoteEdge.error();
    ASSERT_TRUE(open.valid()) << open.error();
    ASSERT_TRUE(close.valid()) << close.error();
    ASSERT_TRUE(lineEdge.valid()) << lineEdge.error();

    std::mt19937 rng(42);
    for (int i = 0; i < 20000; ++i) {
        const std::string t = randomBytes(rng, i % 24);
        ASSERT_EQ(JsonScanner::trimKey(t), quoteEdge.replace(t, "")) << "trimKey of [" << t << "]";
        ASSERT_EQ(JsonScanner::trimValue(t), lineEdge.replace(t, "")) << "trimValue of [" << t << "]";
        ASSERT_EQ(JsonScanner::compactWhitespace(t), regexCompact(open, close, t)) << "compactWhitespace of [" << t << "]";
        ASSERT_EQ(tess::patterns::isCompact(t), JsonScanner::compactWhitespace(t) == t) << t;
        bool contiguous = false;
        const std::string_view view = tess::patterns::trimValueView(t, contiguous);
        if (contiguous) {
            ASSERT_EQ(std::string(view), JsonScanner::trimValue(t));
        }
    }
}

TEST(Patterns, TrimViewsMatchTheRegexService)
{
    const Regex quoteEdge = Regex::compile("[\\s\xA1\xA1]+\"|\"[\\s\xA1\xA1]+|^[ \xA1\xA1\"\\t]+|[ \xA1\xA1\"\\t]+$", kScannerFlags);
    const Regex lineEdge = Regex::compile("^[ \xA1\xA1\\t]+|[ \xA1\xA1\\t]+$", kScannerFlags);
    ASSERT_TRUE(quoteEdge.valid() && lineEdge.valid());
    // Keys and values as the parser cuts them: mostly plain characters, some blanks and
    // quotes at the ends, now and then a byte that only the general walk can judge.
    static const char* const kPlain[] = {"a", "Z", "1", "_", "-", ".", "~", "[", "}", ":"};
    static const char* const kOther[] = {" ", "\t", "\"", "\n", "\r\n", "\xA1\xA1", "\xA1", "\xB0\xA1", "\xD6\xD0", "\x80", "\x7F", "\x01"};
    static const char* const kEdge[] = {"", "", "\"", " ", "\t", "\xA1\xA1", " \"", "\xB0\xA1", "\xA1"};
    std::mt19937 rng(5);
    auto pick = [&](auto& list) { return list[rng() % std::size(list)]; };
    int plainKeys = 0;
    int trimmedValues = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string middle;
        const int length = static_cast<int>(rng() % 40);
        const bool plain = rng() % 2;
        for (int k = 0; k < length; ++k)
            middle += plain || rng() % 8 ? pick(kPlain) : pick(kOther);
        const std::string key = i % 3 ? "\"" + middle + "\"" : pick(kEdge) + middle + pick(kEdge);
        bool contiguous = false;
        std::string_view view = tess::patterns::trimKeyView(key, contiguous);
        const std::string expectedKey = quoteEdge.replace(key, "");
        ASSERT_EQ(JsonScanner::trimKey(key), expectedKey) << key;
        if (contiguous) {
            ASSERT_EQ(std::string(view), expectedKey) << "trimKeyView of [" << key << "]";
            plainKeys += key.size() > 10;
        }
        const std::string value = std::string(pick(kEdge)) + pick(kEdge) + middle + pick(kEdge) + pick(kEdge);
        view = tess::patterns::trimValueView(value, contiguous);
        const std::string expectedValue = lineEdge.replace(value, "");
        if (contiguous) {
            ASSERT_EQ(std::string(view), expectedValue) << "trimValueView of [" << value << "]";
            trimmedValues += expectedValue != value;
        } else {
            // The caller trims a copy instead.
            ASSERT_EQ(JsonScanner::trimValue(value), expectedValue) << value;
        }
    }
    EXPECT_GT(plainKeys, 2000);
    EXPECT_GT(trimmedValues, 5000);
}

TEST(Patterns, CompactCheckAgreesWithCompactingAcrossBlocks)
{
    std::mt19937 rng(64);
    int compact = 0;
    int changed = 0;
    for (int i = 0; i < 30000; ++i) {
        const std::string t = blockText(rng);
        const bool isCompact = tess::patterns::isCompact(t);
        ASSERT_EQ(isCompact, JsonScanner::compactWhitespace(t) == t) << "isCompact of [" << t << "]";
        compact += isCompact;

        const std::string expected = tess::prepareText(t);
        std::string out;
        const bool prepared = tess::prepareTextInto(t, out);
        ASSERT_EQ(prepared, expected != t) << "prepareTextInto of [" << t << "]";
        if (prepared) {
            ASSERT_EQ(out, expected) << t;
        }
        changed += prepared;
    }
    // The texts must exercise both answers, not just the first white space found.
    EXPECT_GT(compact, 3000);
    EXPECT_GT(changed, 3000);
}

TEST(Patterns, CompactCheckAtBlockEdgesAndCharacterBoundaries)
{
    const std::string pad63(63, 'a');
    // A closer or white space as the last byte of one block, the other half first in the next.
    EXPECT_FALSE(tess::patterns::isCompact(pad63 + "] 1"));
    EXPECT_FALSE(tess::patterns::isCompact(pad63 + " {"));
    EXPECT_FALSE(tess::patterns::isCompact(std::string(62, 'a') + "\xA1\xA1\"x"));
    EXPECT_FALSE(tess::patterns::isCompact(pad63 + "\"\xA1\xA1"));
    EXPECT_TRUE(tess::patterns::isCompact(pad63 + "\"\xA1"));
    // A long run, judged from a byte near its end.
    EXPECT_FALSE(tess::patterns::isCompact("x" + std::string(200, ' ') + "["));
    // Whether A1 A1 is white space depends on where characters start, far back.
    std::string chars;
    for (int i = 0; i < 70; ++i)
        chars += "\xB0\xA1";
    EXPECT_TRUE(tess::patterns::isCompact(chars + "\xA1\"")) << "lone A1 after a character ending in A1";
    EXPECT_FALSE(tess::patterns::isCompact(chars + "\xA1\xA1\""));
    // Escapes straddling a block edge; an escaped backslash before a quote protects nothing.
    std::string out;
    EXPECT_TRUE(tess::prepareTextInto(pad63 + "\\\"", out));
    EXPECT_FALSE(tess::prepareTextInto(pad63 + "\\\\\"", out));
}

TEST(Patterns, PathConversionMatchesTheRegexService)
{
    const Regex toCompact = Regex::compile("\\.(\\[\\d+\\])", kScannerFlags);
    const Regex toCanonical = Regex::compile("([^\\.])(\\[\\d+\\])(\\.?)", kScannerFlags);
    JsonScanner scanner;
    std::mt19937 rng(9);
    for (int i = 0; i < 20000; ++i) {
        const std::string p = randomBytes(rng, i % 16);
        ASSERT_EQ(scanner.convertPath(p, 0), toCompact.replace(p, "$1")) << p;
        ASSERT_EQ(scanner.convertPath(p, 1), toCanonical.replace(p, "$1.$2$3")) << p;
    }
}

TEST(Patterns, PathConversionExamples)
{
    JsonScanner s;
    EXPECT_EQ(s.convertPath("a.[0].b.[1]", 0), "a[0].b[1]");
    EXPECT_EQ(s.convertPath("a.[0].[1]", 0), "a[0][1]");
    EXPECT_EQ(s.convertPath("a[0].b", 1), "a.[0].b");
    EXPECT_EQ(s.convertPath("x[10]", 1), "x.[10]");
    EXPECT_EQ(s.convertPath("a[0][1]", 1), "a.[0][1]");
    EXPECT_EQ(s.convertPath("[0].title", 1), "[0].title");
    EXPECT_EQ(s.convertPath("a", 2), "");
}

TEST(Patterns, ProtectEscapesStepsOverTwoByteCharacters)
{
    EXPECT_EQ(JsonScanner::protectEscapes(R"(a\"b\\"c)"), R"(a#SYH#b\\"c)");
    // 0xD5 0x5C is one character whose second byte is a backslash: it escapes nothing.
    EXPECT_EQ(JsonScanner::protectEscapes("\xD5\x5C\"x"), "\xD5\x5C\"x");
    EXPECT_EQ(JsonScanner::restoreQuotes("#SYH#x#SYH#"), R"(\"x\")");
    // A text that already holds the placeholder of a backslash pair gets a real pair.
    EXPECT_EQ(JsonScanner::protectEscapes(R"(a\|\|b\u1)"), R"(a\\b\u1)");

    // The quick exit for texts without anything to replace gives the three replacements'
    // result, also around two-byte characters whose second byte is a backslash or '|'.
    std::mt19937 rng(77);
    static const char* const kPieces[] = {"\\", "\"", "|", "u", "\xD5", "\x5C", "\xD5\x5C", "\xD5|", "a", "#"};
    for (int i = 0; i < 20000; ++i) {
        std::string t;
        for (int k = 0; k < i % 12; ++k)
            t += kPieces[rng() % std::size(kPieces)];
        std::string expected = tess::gbk::replaceAll(t, "\\\\", "\\|\\|");
        expected = tess::gbk::replaceAll(expected, "\\\"", "#SYH#");
        expected = tess::gbk::replaceAll(expected, "\\|\\|", "\\\\");
        ASSERT_EQ(JsonScanner::protectEscapes(t), expected) << t;
    }
}

TEST(Patterns, CompactingPrettyTextMatchesTheRegexServiceAcrossBlocks)
{
    const Regex open = Regex::compile("[\\s\xA1\xA1]+(\\[|{|\")", kScannerFlags);
    const Regex close = Regex::compile("(\\]|}|\")[\\s\xA1\xA1]+", kScannerFlags);
    ASSERT_TRUE(open.valid() && close.valid());
    std::mt19937 rng(2024);
    int withEscapes = 0;
    int withIdeographic = 0;
    for (int i = 0; i < 6000; ++i) {
        const std::string t = i % 2 ? prettyText(rng) : blockText(rng);
        ASSERT_EQ(JsonScanner::compactWhitespace(t), regexCompact(open, close, t)) << "compactWhitespace of [" << t << "]";

        // Both steps of preparing, whichever way prepareTextInto takes.
        const std::string protectedText = literalProtect(t);
        const std::string prepared = regexCompact(open, close, protectedText);
        std::string out = "stale";
        const bool changed = tess::prepareTextInto(t, out);
        ASSERT_EQ(changed, prepared != t) << "prepareTextInto of [" << t << "]";
        if (changed) {
            ASSERT_EQ(out, prepared) << "prepareTextInto of [" << t << "]";
        }
        std::string fused = "stale";
        const int result = tess::patterns::protectAndCompactInto(t, fused);
        if (result == 1) {
            ASSERT_EQ(fused, prepared) << "protectAndCompactInto of [" << t << "]";
        } else if (result == 0) {
            ASSERT_EQ(prepared, t) << "protectAndCompactInto of [" << t << "]";
            ASSERT_EQ(fused, "stale");
        }
        withEscapes += protectedText != t;
        withIdeographic += t.find("\xA1\xA1") != std::string::npos;
    }
    // The texts must reach both the escapes and the exact walk, and mostly not.
    EXPECT_GT(withEscapes, 600);
    EXPECT_GT(withIdeographic, 600);
    EXPECT_LT(withIdeographic, 4000);
}

// Long strings of words: lone blanks everywhere, now and then next to a closer, an opener,
// an A1 byte, a backslash or a two-byte character whose trail byte looks like structure,
// and strings that start and end among them, so a blank's neighbours fall on every side
// of a block edge.
TEST(Patterns, CompactingProseMatchesTheRegexService)
{
    const Regex open = Regex::compile("[\\s\xA1\xA1]+(\\[|{|\")", kScannerFlags);
    const Regex close = Regex::compile("(\\]|}|\")[\\s\xA1\xA1]+", kScannerFlags);
    ASSERT_TRUE(open.valid() && close.valid());
    static const char* const kWords[] = {
        "word", "a", "\xD6\xD0\xCE\xC4", "\"", "[", "]", "{", "}", "\\\"", "\\\\", "\xD5\x5D", "\xD5\x7B",
        "\xB0\xA1", "\xA1\xA2", "\xA1", "\xA1\xA1", "1,", ":", "\t", "\n",
    };
    std::mt19937 rng(515);
    std::uniform_int_distribution<int> percent(0, 99);
    int changed = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string t = "{\"d\":\"";
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 400)(rng);
        const int rare = percent(rng) < 30 ? 0 : 12;
        while (t.size() < length) {
            t += percent(rng) < rare ? kWords[1 + rng() % (std::size(kWords) - 1)] : kWords[0];
            t += ' ';
        }
        t += "\"}";
        const std::string prepared = regexCompact(open, close, literalProtect(t));
        std::string out = "stale";
        const bool result = tess::prepareTextInto(t, out);
        ASSERT_EQ(result, prepared != t) << "[" << t << "]";
        if (result) {
            ASSERT_EQ(out, prepared) << "[" << t << "]";
        }
        ASSERT_EQ(JsonScanner::compactWhitespace(t), regexCompact(open, close, t)) << "[" << t << "]";
        changed += result;
    }
    EXPECT_GT(changed, 500);
    EXPECT_LT(changed, 2500);
}

TEST(Patterns, CompactingAtBlockEdges)
{
    // Every split of a short pattern around the first block edge, so each byte pair of it
    // straddles the edge once.
    static const char* const kCases[][2] = {
        {"] \r\n\t1", "]1"},
        {"x \t\r\n[", "x["},
        {"x \xA1\xA1 \"", "x\""},
        {"\"\xA1\xA1x", "\"x"},
        {"\xD5] x", "\xD5] x"},      // a trail byte that looks like a closer
        {"\xD5\xD5] x", "\xD5\xD5]x"}, // ... and a real closer after a whole character
        {"\xB0\xA1\xA1 [", "\xB0\xA1\xA1["}, // A1 ending a character, then a lone A1
        {"\xB0\xA1\xA1\xA1 x", "\xB0\xA1\xA1\xA1 x"},
        {"\"\\\" x", "\"\\\"x"},  // compacting alone: the escaped quote still closes
        {"a\r\n\xA1\xA1\r\n\"", "a\""},
    };
    for (const auto& c : kCases) {
        for (std::size_t pad = 50; pad <= 64; ++pad) {
            const std::string lead(pad, 'a');
            ASSERT_EQ(JsonScanner::compactWhitespace(lead + c[0]), lead + c[1]) << pad << " [" << c[0] << "]";
        }
    }
    // A blank run over several blocks, ending before an opener or after a closer.
    EXPECT_EQ(JsonScanner::compactWhitespace("x" + std::string(300, ' ') + "\r\n{"), "x{");
    EXPECT_EQ(JsonScanner::compactWhitespace("}" + std::string(200, '\t') + "\xA1\xA1" + std::string(70, ' ') + "1"), "}1");
    EXPECT_EQ(JsonScanner::compactWhitespace("1" + std::string(200, '\n') + "1"), "1" + std::string(200, '\n') + "1");

    // With escapes: the escaped quote becomes the placeholder and no longer closes.
    std::string out;
    for (std::size_t pad = 56; pad <= 64; ++pad) {
        const std::string lead(pad, 'a');
        ASSERT_TRUE(tess::prepareTextInto(lead + "\"\\\" x\" ,\r\n \"", out));
        EXPECT_EQ(out, lead + "\"#SYH# x\",\"") << pad;
        ASSERT_TRUE(tess::prepareTextInto(lead + "\xD5\\\" \\\\\" 1", out));
        EXPECT_EQ(out, lead + "\xD5\\\" \\\\\"1") << pad; // D5 5C is one character; " \\" a string
    }
    // The same in blocks with ideographic spaces, which are walked character by character:
    // a backslash run whose first byte ends a character, cut by a block edge.
    for (std::size_t pad = 50; pad <= 64; ++pad) {
        const std::string lead = "\xA1\xA1" + std::string(pad, 'a');
        ASSERT_TRUE(tess::prepareTextInto(lead + "\xD5\\\\\" 1", out));
        EXPECT_EQ(out, lead + "\xD5\\#SYH# 1") << pad;
        ASSERT_TRUE(tess::prepareTextInto(lead + "\xD5\\\\\\\" \" 1", out));
        EXPECT_EQ(out, lead + "\xD5\\\\\\\" \"1") << pad;
    }
}
