#pragma once
// Load-time measurement: a stopwatch on a monotonic millisecond clock and the
// short elapsed-time text (one number, one unit word) shown in the tree's root item.
#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

// A millisecond clock. The default reads std::chrono::steady_clock; tests inject their own.
using MillisClock = int64_t (*)();

int64_t steadyMillis();

// Duration text in GB18030: the number rounded to two decimals (half away from zero,
// "%.13g"), one blank and the unit word 毫秒 / 秒 / 分 / 时 / 天 / 月 / 年
// (a month is 30 days, a year 12 such months).
std::string formatElapsed(int64_t ms);

class Stopwatch {
public:
    explicit Stopwatch(MillisClock clock = steadyMillis);

    // Stores the current time as the start time.
    void start();

    // Milliseconds since the start time.
    int64_t elapsedMs() const;

    // formatElapsed(elapsed) + " " + label (GB18030). Unless keepRunning is true,
    // restarts the stopwatch so the next measurement begins now.
    std::string elapsedText(std::string_view label, bool keepRunning = false);

private:
    MillisClock m_clock;
    int64_t m_start = 0;
};

} // namespace tess
