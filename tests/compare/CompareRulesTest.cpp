// The rules under the comparison: numbers by exact value, and the alignment of arrays
// (a longest common subsequence, checked against the textbook table on random pairs).
#include "compare/Alignment.h"
#include "compare/NumberValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tess::compare {
namespace {

// The same value written in another way: zeros added on either side, the point moved
// and the move made good by an exponent.
std::string respell(const std::string& digits, int64_t exponent, bool negative, std::mt19937& rng)
{
    const std::size_t lead = rng() % 3, trail = rng() % 3;
    const std::string s = std::string(lead, '0') + digits + std::string(trail, '0');
    // int(s) * 10^(exponent - trail) is the value.
    const std::size_t point = rng() % (s.size() + 1);
    std::string text = point == 0 ? "0" : s.substr(0, point);
    // A leading zero is allowed only alone.
    while (text.size() > 1 && text[0] == '0')
        text.erase(0, 1);
    if (point < s.size())
        text += "." + s.substr(point);
    const int64_t e = exponent - static_cast<int64_t>(trail) + static_cast<int64_t>(s.size() - point);
    if (e != 0 || rng() % 4 == 0)
        text += std::string(rng() % 2 ? "e" : "E") + (e >= 0 && rng() % 2 ? "+" : "") + std::to_string(e);
    return (negative ? "-" : "") + text;
}

TEST(NumberValue, SpellingsOfOneValueAgreeAndOtherValuesDiffer)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        // Up to 40 significant digits: far past what a double holds.
        std::string digits(1 + rng() % 40, '0');
        for (char& c : digits)
            c = static_cast<char>('0' + rng() % 10);
        digits[0] = static_cast<char>('1' + rng() % 9);
        digits.back() = static_cast<char>('1' + rng() % 9);
        const int64_t exponent = static_cast<int64_t>(rng() % 41) - 20;
        const bool negative = rng() % 2;
        const std::string a = respell(digits, exponent, negative, rng);
        const std::string b = respell(digits, exponent, negative, rng);
        ASSERT_TRUE(canonicalNumber(a)) << a;
        EXPECT_EQ(canonicalNumber(a), canonicalNumber(b)) << a << " vs " << b;
        // One digit off, the other sign, or a tenth of the value: another value.
        std::string other = digits;
        const std::size_t at = rng() % other.size();
        other[at] = other[at] == '9' ? '8' : static_cast<char>(other[at] + 1);
        EXPECT_NE(canonicalNumber(a), canonicalNumber(respell(other, exponent, negative, rng))) << a;
        EXPECT_NE(canonicalNumber(a), canonicalNumber(respell(digits, exponent, !negative, rng))) << a;
        EXPECT_NE(canonicalNumber(a), canonicalNumber(respell(digits, exponent - 1, negative, rng))) << a;
    }
}

TEST(NumberValue, ZeroAndTextThatIsNoNumber)
{
    for (const char* zero : {"0", "-0", "0.000", "0e99", "-0.0E-7"})
        EXPECT_EQ(canonicalNumber(zero), std::optional<std::string>("0")) << zero;
    EXPECT_EQ(canonicalNumber("1e2"), canonicalNumber("100"));
    EXPECT_EQ(canonicalNumber("1.0"), canonicalNumber("1"));
    EXPECT_NE(canonicalNumber("12345678901234567890123"), canonicalNumber("12345678901234567890124"));
    // Exponents past what the arithmetic holds still read and differ by their digits.
    EXPECT_NE(canonicalNumber("1e1234567890123456789"), canonicalNumber("1e1234567890123456788"));
    EXPECT_EQ(canonicalNumber("1e01234567890123456789"), canonicalNumber("1e1234567890123456789"));
    for (const char* bad : {"", "-", "01", "1.", ".5", "+1", "1e", "1e+", "0x10", "1 ", "NaN", "1.5.2", "--1"})
        EXPECT_FALSE(canonicalNumber(bad)) << bad;
}

// The length of a longest common subsequence by the textbook table.
std::size_t lcsLength(const std::vector<uint64_t>& a, const std::vector<uint64_t>& b)
{
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;)
        for (std::size_t j = b.size(); j-- > 0;)
            t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    return t[0][0];
}

// The runs cover both sequences in order, equal runs pair equal elements; the count of
// paired elements.
std::size_t checkRuns(const Alignment& al, const std::vector<uint64_t>& a, const std::vector<uint64_t>& b)
{
    uint64_t x = 0, y = 0;
    std::size_t paired = 0;
    for (const AlignedRun& r : al.runs) {
        EXPECT_EQ(r.left, x);
        EXPECT_EQ(r.right, y);
        if (r.same) {
            EXPECT_EQ(r.leftCount, r.rightCount);
            for (uint64_t k = 0; k < r.leftCount; ++k)
                EXPECT_EQ(a[x + k], b[y + k]);
            paired += r.leftCount;
        }
        x += r.leftCount;
        y += r.rightCount;
    }
    EXPECT_EQ(x, a.size());
    EXPECT_EQ(y, b.size());
    return paired;
}

TEST(Alignment, PairsALongestCommonSubsequence)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        // Few distinct values, so that many alignments compete.
        const unsigned alphabet = 2 + rng() % 6;
        std::vector<uint64_t> a(rng() % 40), b;
        for (uint64_t& v : a)
            v = rng() % alphabet;
        b = a;
        for (int edits = rng() % 8; edits-- > 0;) {
            if (!b.empty() && rng() % 2)
                b.erase(b.begin() + rng() % b.size());
            else
                b.insert(b.begin() + (b.empty() ? 0 : rng() % (b.size() + 1)), rng() % (alphabet + 2));
        }
        const Alignment al = alignSequences(a, b);
        EXPECT_TRUE(al.aligned);
        EXPECT_EQ(checkRuns(al, a, b), lcsLength(a, b)) << "round " << round;
    }
}

TEST(Alignment, OneInsertionLeavesTheRestPairedAndLimitsFallBack)
{
    std::vector<uint64_t> a(3000);
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = i * 7919;
    std::vector<uint64_t> b = a;
    b.insert(b.begin() + 10, 42);
    Alignment al = alignSequences(a, b);
    ASSERT_EQ(al.runs.size(), 3u);
    EXPECT_EQ(al.runs[1].leftCount, 0u);
    EXPECT_EQ(al.runs[1].rightCount, 1u);
    EXPECT_EQ(al.runs[1].right, 10u);

    // Past the edit limit: the middle is one run, to be compared element by element.
    std::vector<uint64_t> c = a;
    for (std::size_t i = 1; i < c.size() - 1; i += 2)
        c[i] = 1;
    al = alignSequences(a, c, AlignLimits{100});
    EXPECT_FALSE(al.aligned);
    EXPECT_EQ(checkRuns(al, a, c), 3u); // the first element and the last two
}

} // namespace
} // namespace tess::compare
