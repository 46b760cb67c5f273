#include "platform/Codec.h"
#include "tree/Stopwatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tess {
namespace {

// Expected texts are written in UTF-8 here and compared as GB18030.
std::string gb(std::string_view utf8)
{
    return codec::utf8ToGb18030(utf8).text;
}

TEST(FormatElapsed, ChoosesUnitBeforeRounding)
{
    struct Case {
        int64_t ms;
        const char* text;
    };
    const int64_t day = 86400000;
    const Case cases[] = {
        {0, "0 毫秒"},
        {16, "16 毫秒"},
        {999, "999 毫秒"},
        {1000, "1 秒"},         // the limit itself counts as reached
        {1234, "1.23 秒"},
        {1235, "1.24 秒"},      // a half goes up
        {1005, "1.01 秒"},      // 1.005 * 100 is just below 100.5 in binary; still rounds up
        {59999, "60 秒"},       // unit chosen before rounding
        {60000, "1 分"},
        {61000, "1.02 分"},
        {3599999, "60 分"},
        {3600000, "1 时"},
        {5400000, "1.5 时"},
        {day, "1 天"},
        {29 * day, "29 天"},
        {30 * day, "1 月"},
        {45 * day, "1.5 月"},
        {359 * day, "11.97 月"},
        {360 * day, "1 年"},
        {540 * day, "1.5 年"},
        {-1, "-1 毫秒"},
        {-1500, "-1500 毫秒"}, // negative durations never reach a larger unit
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatElapsed(c.ms), gb(c.text)) << c.ms;
}

TEST(FormatElapsed, ExtremeDurationsStayFinite)
{
    const std::string years = gb(" 年");
    const std::string big = formatElapsed(std::numeric_limits<int64_t>::max());
    ASSERT_GT(big.size(), years.size());
    EXPECT_EQ(big.substr(big.size() - years.size()), years);
    EXPECT_EQ(big.find_first_of("ein"), std::string::npos) << big; // no inf/nan/exponent
    const std::string small = formatElapsed(std::numeric_limits<int64_t>::min());
    EXPECT_EQ(small.substr(small.size() - gb(" 毫秒").size()), gb(" 毫秒"));
    EXPECT_EQ(small[0], '-');
}

int64_t g_now = 0;
int64_t fakeClock()
{
    return g_now;
}

TEST(Stopwatch, ElapsedTextAppendsBlankAndLabel)
{
    g_now = 1000;
    Stopwatch sw(fakeClock);
    g_now = 1016;
    EXPECT_EQ(sw.elapsedText(""), gb("16 毫秒 "));
    g_now = 3516;
    EXPECT_EQ(sw.elapsedText(gb("载入")), gb("2.5 秒 载入"));
}

TEST(Stopwatch, ConsecutiveCallsMeasureAdjoiningIntervals)
{
    g_now = 100;
    Stopwatch sw(fakeClock);
    g_now = 300;
    EXPECT_EQ(sw.elapsedText(""), gb("200 毫秒 "));
    g_now = 350;
    EXPECT_EQ(sw.elapsedText(""), gb("50 毫秒 "));
}

TEST(Stopwatch, KeepRunningMeasuresFromTheSameStart)
{
    g_now = 100;
    Stopwatch sw(fakeClock);
    g_now = 300;
    EXPECT_EQ(sw.elapsedText("a", true), gb("200 毫秒 a"));
    g_now = 400;
    EXPECT_EQ(sw.elapsedText("b", true), gb("300 毫秒 b"));
    EXPECT_EQ(sw.elapsedText("c"), gb("300 毫秒 c"));
    EXPECT_EQ(sw.elapsedMs(), 0);
    g_now = 450;
    sw.start();
    g_now = 460;
    EXPECT_EQ(sw.elapsedMs(), 10);
}

TEST(Stopwatch, WildClockValuesDoNotOverflow)
{
    g_now = std::numeric_limits<int64_t>::min();
    Stopwatch sw(fakeClock);
    g_now = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(sw.elapsedMs(), std::numeric_limits<int64_t>::max());
}

TEST(Stopwatch, DefaultClockIsMonotonic)
{
    Stopwatch sw;
    const int64_t a = steadyMillis();
    const int64_t b = steadyMillis();
    EXPECT_LE(a, b);
    EXPECT_GE(sw.elapsedMs(), 0);
}

} // namespace
} // namespace tess
