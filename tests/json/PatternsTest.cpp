// The hand-written white-space scanners and path conversions must give the same bytes as
// the regex service running the patterns they stand for.
#include "json/JsonScanner.h"
#include "json/TextPatterns.h"
#include "platform/Regex.h"

#include <gtest/gtest.h>

#include <random>

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
        ASSERT_EQ(JsonScanner::compactWhitespace(t), close.replace(open.replace(t, "$1"), "$1"))
            << "compactWhitespace of [" << t << "]";
        ASSERT_EQ(tess::patterns::isCompact(t), JsonScanner::compactWhitespace(t) == t) << t;
        bool contiguous = false;
        const std::string_view view = tess::patterns::trimValueView(t, contiguous);
        if (contiguous)
            ASSERT_EQ(std::string(view), JsonScanner::trimValue(t));
    }
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
}
