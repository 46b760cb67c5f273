#include "platform/Regex.h"

#include "platform/Codec.h"
#include "platform/Gb18030Decoder.h"
#include "IconvReference.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

using tess::Regex;
using tess::RegexOptions;

namespace {

// GB18030 bytes of a few characters used below.
const std::string kMiddle = "\xD6\xD0";         // 中 U+4E2D
const std::string kText = "\xCE\xC4";           // 文 U+6587
const std::string kSincere = "\xD5\x5C";        // 誠, trail byte is '\'
const std::string kAdmonish = "\xD5\x5D";       // 誡, trail byte is ']'
const std::string kPraise = "\xD5\x5B";         // 誟, trail byte is '['
const std::string kIdeoSpace = "\xA1\xA1";      // U+3000
const std::string kEmoji = "\x94\x39\xFC\x36";  // U+1F600
const std::string kEAcuteUpper = "\x81\x30\x87\x37"; // É U+00C9
const std::string kEAcuteLower = "\xA8\xA6";         // é U+00E9

const RegexOptions kScannerFlags { true, true, true };

Regex compiled(const std::string& pattern, RegexOptions options = {})
{
    Regex r = Regex::compile(pattern, options);
    EXPECT_TRUE(r.valid()) << r.error();
    return r;
}

std::string replaceAll(const std::string& pattern, const std::string& text, const std::string& with,
    RegexOptions options = { false, false, true })
{
    return compiled(pattern, options).replace(text, with);
}

double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

TEST(RegexFlags, IgnoreCaseAppliesToAsciiAndOtherLetters)
{
    EXPECT_FALSE(compiled("abc").test("xABCx"));
    EXPECT_TRUE(compiled("abc", { true, false, false }).test("xABCx"));
    EXPECT_TRUE(compiled(kEAcuteLower, { true, false, false }).test(kEAcuteUpper));
    EXPECT_FALSE(compiled(kEAcuteLower).test(kEAcuteUpper));
}

TEST(RegexFlags, GlobalReplacesEveryMatchOtherwiseOnlyTheFirst)
{
    EXPECT_EQ(compiled("a").replace("banana", "o"), "bonana");
    EXPECT_EQ(compiled("a", { false, false, true }).replace("banana", "o"), "bonono");
    EXPECT_EQ(compiled("x").replace("banana", "o"), "banana");
}

TEST(RegexFlags, AnchorsMatchAtCrAndLfOnlyInMultiLineMode)
{
    const RegexOptions multi { false, true, true };
    // Line starts after LF, CR and CRLF (CRLF counts as one break, so not between its
    // two bytes); a line end is before every CR and LF, as in ECMAScript.
    EXPECT_EQ(replaceAll("^", "a\nb\rc\r\nd", "<", multi), "<a\n<b\r<c\r\n<d");
    EXPECT_EQ(replaceAll("$", "a\nb\rc\r\nd", ">", multi), "a>\nb>\rc>\r>\nd>");
    // Without multi-line, ^ is the start and $ only the very end (not before a last LF).
    EXPECT_EQ(replaceAll("^", "a\nb", "<"), "<a\nb");
    EXPECT_FALSE(compiled("a$").test("a\n"));
    EXPECT_TRUE(compiled("a$", { false, true, false }).test("a\n"));
    EXPECT_TRUE(compiled("^b", { false, true, false }).test("a\rb"));
    // The dot does not cross a line break.
    EXPECT_FALSE(compiled("a.b").test("a\rb"));
}

TEST(RegexFlags, LineEdgeTrimOfTheScannerKeepsLineBreaks)
{
    const std::string pattern = "^[ " + kIdeoSpace + "\\t]+|[ " + kIdeoSpace + "\\t]+$";
    const std::string text = "  a b \r\n\t" + kIdeoSpace + "c" + kIdeoSpace + "\n x \ry\t";
    EXPECT_EQ(replaceAll(pattern, text, "", kScannerFlags), "a b\r\nc\nx\ry");
}

TEST(RegexClasses, WhiteSpaceAndDigitsAreAscii)
{
    EXPECT_FALSE(compiled("\\s").test("a" + kIdeoSpace + "b"));
    EXPECT_TRUE(compiled("[\\s" + kIdeoSpace + "]").test("a" + kIdeoSpace + "b"));
    EXPECT_TRUE(compiled("\\s").test("a\vb"));
    EXPECT_FALSE(compiled("\\d").test("\xA3\xB1")); // full-width digit one
    EXPECT_FALSE(compiled("\\w").test(kMiddle));
    // The open and close patterns of the scanner.
    const std::string ws = "[\\s" + kIdeoSpace + "]+";
    EXPECT_EQ(replaceAll(ws + "(\\[|{|\")", "a \t[ " + kIdeoSpace + "{\n\"x\"", "$1", kScannerFlags), "a[{\"x\"");
    EXPECT_EQ(replaceAll("(\\]|}|\")" + ws, "] \r\n}" + kIdeoSpace + "\" " + kIdeoSpace + "x", "$1", kScannerFlags),
        "]}\"x");
}

TEST(RegexCharacters, TwoByteCharacterIsNeverSplit)
{
    // The trail bytes 5C, 5B and 5D are '\', '[' and ']' but belong to their characters.
    EXPECT_FALSE(compiled("\\\\").test(kSincere));
    EXPECT_FALSE(compiled("\\x5C").test(kSincere));
    EXPECT_FALSE(compiled("[\\[\\]]").test(kPraise + kAdmonish));
    EXPECT_EQ(replaceAll("\\\\", "a\\" + kSincere + "\\", "/"), "a/" + kSincere + "/");
    EXPECT_EQ(replaceAll("\\]", kAdmonish + "]", ")"), kAdmonish + ")");
    // One dot is one character, whatever its byte length.
    EXPECT_EQ(replaceAll(".", kMiddle + kEmoji + "a", "x"), "xxx");
    EXPECT_TRUE(compiled("^.$").test(kEmoji));
    // The pattern itself is GB18030 text.
    EXPECT_EQ(replaceAll(kMiddle + "+", "a" + kMiddle + kMiddle + kText, "-"), "a-" + kText);
    EXPECT_EQ(replaceAll("[^" + kMiddle + "]", kMiddle + "x" + kText, "."), kMiddle + "..");
}

TEST(RegexCharacters, EcmaScriptEscapesAndClasses)
{
    // [^] is any character, line breaks included; [] is none.
    EXPECT_EQ(replaceAll("[^]", "a\n" + kMiddle, "."), "...");
    EXPECT_FALSE(compiled("a[]").test("a"));
    // A back reference to a group that did not take part matches nothing.
    EXPECT_TRUE(compiled("(x)?a\\1b").test("ab"));
    EXPECT_TRUE(compiled("\\u4E2D\\u6587").test("x" + kMiddle + kText));
    EXPECT_TRUE(compiled("[\\u3000]").test(kIdeoSpace));
    EXPECT_TRUE(compiled("\\u{1F600}").test(kEmoji));
    EXPECT_FALSE(compiled("\\u4E2D").test("u4E2D"));
}

TEST(RegexReplace, GroupReferences)
{
    // The compact-to-canonical path conversion: matches do not overlap.
    const std::string toCanonical = "([^\\.])(\\[\\d+\\])(\\.?)";
    EXPECT_EQ(replaceAll(toCanonical, "a[0].b", "$1.$2$3", kScannerFlags), "a.[0].b");
    EXPECT_EQ(replaceAll(toCanonical, "a[0][1]", "$1.$2$3", kScannerFlags), "a.[0][1]");
    EXPECT_EQ(replaceAll(toCanonical, "[0].x[10]", "$1.$2$3", kScannerFlags), "[0].x.[10]");
    EXPECT_EQ(replaceAll("\\.(\\[\\d+\\])", "a.[0].b.[1]", "$1", kScannerFlags), "a[0].b[1]");
    // Groups are copied from the original text.
    EXPECT_EQ(replaceAll("(" + kMiddle + ")(.)", kMiddle + kText, "$2$1"), kText + kMiddle);
    // $0, a lone $, a group the pattern lacks: literal. An unset group: nothing.
    EXPECT_EQ(replaceAll("(a)", "a", "$0|$|$2|$$1"), "$0|$|$2|$a");
    EXPECT_EQ(replaceAll("(a)|(b)", "ab", "[$2]"), "[][b]");
    // $1 followed by a digit is group 1 and the digit.
    EXPECT_EQ(replaceAll("(a)", "a", "$10"), "a0");
}

TEST(RegexReplace, EmptyMatchesAdvanceOneCharacter)
{
    EXPECT_EQ(replaceAll("x*", "abc", "-"), "-a-b-c-");
    EXPECT_EQ(replaceAll("x*", kMiddle + "a" + kEmoji, "-"), "-" + kMiddle + "-a-" + kEmoji + "-");
    EXPECT_EQ(replaceAll("a*", "aaa", "-"), "--");
    // After an empty match the search resumes one character later, not at the same place.
    EXPECT_EQ(replaceAll("|b", "ab", "-"), "-a-b-");
    EXPECT_EQ(replaceAll("x*", "", "-"), "-");
    EXPECT_EQ(compiled("x*").replace("abc", "-"), "-abc");
}

TEST(RegexReplace, InvalidBytesPassThroughUnchanged)
{
    // 0x80 and 0xFF are never GB18030; 0x81 before a space is a broken lead byte;
    // a lead byte at the very end is truncated.
    const std::string text = "a\x80" "b\xFF" + kMiddle + "\x81 c\xD6";
    EXPECT_EQ(replaceAll("b", text, "B"), "a\x80" "B\xFF" + kMiddle + "\x81 c\xD6");
    EXPECT_EQ(replaceAll("\\s", text, "_"), "a\x80" "b\xFF" + kMiddle + "\x81_c\xD6");
    // Each bad byte is one character of its own and comes back byte for byte.
    EXPECT_EQ(replaceAll("(.)", text, "<$1>"),
        "<a><\x80><b><\xFF><" + kMiddle + "><\x81>< ><c><\xD6>");
    EXPECT_EQ(replaceAll("x", text, "y"), text);
}

TEST(RegexErrors, RejectedPatternReportsTheEngineMessage)
{
    Regex r = Regex::compile("a(b");
    EXPECT_FALSE(r.valid());
    EXPECT_NE(r.error().find("missing closing parenthesis"), std::string::npos) << r.error();
    EXPECT_FALSE(r.test("ab"));
    EXPECT_EQ(r.replace("a(b", "x"), "a(b");

    Regex bad = Regex::compile("[z-a]");
    EXPECT_FALSE(bad.valid());
    EXPECT_FALSE(bad.error().empty());

    Regex empty;
    EXPECT_FALSE(empty.valid());
    EXPECT_FALSE(empty.test("x"));

    Regex moved = Regex::compile("b");
    Regex target = std::move(moved);
    EXPECT_TRUE(target.valid());
    EXPECT_TRUE(target.error().empty());
    EXPECT_EQ(target.replace("abc", "B"), "aBc");
}

TEST(RegexLimits, CatastrophicBacktrackingEndsWithNoMatch)
{
    const Regex r = compiled("(a+)+$");
    const std::string text = std::string(40, 'a') + "b";
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(r.test(text));
    EXPECT_EQ(compiled("(a+)+$", { false, false, true }).replace(text, "x"), text);
    EXPECT_LT(secondsSince(t0), 5.0);
    // A normal pattern still matches after a limit was hit on this thread.
    EXPECT_TRUE(r.test("aaa"));
}

TEST(RegexLimits, DeepRepetitionOnLongTextStillMatches)
{
    // A repeated group pushes a backtracking frame per iteration.
    const std::string text = std::string(200000, 'x') + "1";
    EXPECT_TRUE(compiled("(?:x|z)+1").test(text));
}

TEST(RegexPerformance, LargeTextsReplaceInLinearTime)
{
    // About 20 MB of mixed text with three matches: one conversion, no per-match rework.
    std::string big;
    big.reserve(21'000'000);
    while (big.size() < 20'000'000)
        big += "{\"name\":\"" + kMiddle + kText + "value\",\"n\":12345},\n";
    big.insert(1000, "MARK");
    big.insert(big.size() / 2, "MARK");
    big += "MARK";
    const std::string expected = [&] {
        std::string e = big;
        for (std::size_t p = e.find("MARK"); p != std::string::npos; p = e.find("MARK", p))
            e.replace(p, 4, "mark!");
        return e;
    }();
    auto t0 = std::chrono::steady_clock::now();
    const std::string out = replaceAll("MARK", big, "mark!");
    const double fewMatches = secondsSince(t0);
    EXPECT_TRUE(out == expected);

    // A match on every line: the offset map is walked forward, not restarted.
    t0 = std::chrono::steady_clock::now();
    const std::string compact = replaceAll("\\s+", big, "");
    const double manyMatches = secondsSince(t0);
    std::string noLineBreaks = big;
    std::erase(noLineBreaks, '\n');
    EXPECT_TRUE(compact == noLineBreaks);
    std::printf("20 MB replace: %.2f s with 3 matches, %.2f s with a match per line\n", fewMatches, manyMatches);
    EXPECT_LT(fewMatches, 20.0);
    EXPECT_LT(manyMatches, 30.0);
}

TEST(RegexDecoding, MatchesTheCodecOnRandomBytes)
{
    // The regex service decodes with its own tables; they must agree with iconv byte for
    // byte, including where a bad sequence is cut into single bad bytes.
    std::mt19937 rng(99);
    const unsigned char interesting[] = { 0x30, 0x39, 0x40, 0x5C, 0x7F, 0x80, 0x81, 0x84, 0x85, 0x90, 0xA1,
        0xD6, 0xE3, 0xE4, 0xFE, 0xFF, 0x31, 0xA4, 0x32, 0x9A, 0x35, 0x36 };
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = 1 + static_cast<int>(rng() % 9);
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(rng() % 3 == 0 ? rng() % 256 : interesting[rng() % std::size(interesting)]);
        ASSERT_EQ(tess::gb18030::toUtf8(s), tess::test::iconvGbToUtf8(s).text) << "round " << round;
    }
}

TEST(RegexDecoding, MatchesTheCodecOnEveryTwoAndFourByteCode)
{
    // All two-byte codes, the whole four-byte range from 81 30 81 30 to 84 39 FE 39 (part of
    // it unassigned) and the ends of the supplementary range, each followed by '|'.
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F)
                all += { static_cast<char>(lead), static_cast<char>(trail), '|' };
    for (int a = 0x81; a <= 0x84; ++a)
        for (int b = 0x30; b <= 0x39; ++b)
            for (int c = 0x81; c <= 0xFE; ++c)
                for (int d = 0x30; d <= 0x39; ++d)
                    all += { static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d), '|' };
    all += "\x90\x30\x81\x30|\xE3\x32\x9A\x35|\xE3\x32\x9A\x36|\xFE\x39\xFE\x39|";
    EXPECT_TRUE(tess::gb18030::toUtf8(all) == tess::test::iconvGbToUtf8(all).text);
}

TEST(RegexThreads, OneCompiledPatternServesSeveralThreads)
{
    const Regex r = compiled("(" + kMiddle + ")\\s+", { false, false, true });
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i)
                if (r.replace("a" + kMiddle + "  b" + kMiddle + "\n", "$1") != "a" + kMiddle + "b" + kMiddle)
                    ++failures[t];
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
