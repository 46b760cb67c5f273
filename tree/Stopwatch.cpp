#include "tree/Stopwatch.h"

#include "platform/Codec.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tess {
namespace {

constexpr double kEpsilon = 0.0000001;

// q counts as reaching the limit when it is no more than epsilon below it.
bool reaches(double q, double limit)
{
    return q - limit >= -kEpsilon;
}

// v rounded to two decimals, half away from zero, written with "%.13g".
std::string numberText(double v)
{
    const bool negative = v < 0;
    const double t = std::fabs(v) * 100 + 0.000000000001;
    double whole = std::floor(t);
    if (t - whole >= 0.5)
        whole += 1;
    double rounded = whole / 100;
    if (negative && rounded != 0)
        rounded = -rounded;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.13g", rounded);
    return buf;
}

std::string withUnit(double v, std::string_view unit)
{
    std::string out = numberText(v);
    out.push_back(' ');
    out.append(unit);
    return out;
}

} // namespace

int64_t steadyMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string formatElapsed(int64_t ms)
{
    const double x = static_cast<double>(ms);
    if (!reaches(x, 1000))
        return withUnit(x, codec::gb(u8"毫秒"));
    const double s = x / 1000;
    if (!reaches(s, 60))
        return withUnit(s, codec::gb(u8"秒"));
    const double m = s / 60;
    if (!reaches(m, 60))
        return withUnit(m, codec::gb(u8"分"));
    const double h = m / 60;
    if (!reaches(h, 24))
        return withUnit(h, codec::gb(u8"时"));
    const double d = h / 24;
    if (!reaches(d, 30))
        return withUnit(d, codec::gb(u8"天"));
    const double n = d / 30;
    if (!reaches(n, 12))
        return withUnit(n, codec::gb(u8"月"));
    return withUnit(n / 12, codec::gb(u8"年"));
}

Stopwatch::Stopwatch(MillisClock clock)
    : m_clock(clock ? clock : steadyMillis)
{
    start();
}

void Stopwatch::start()
{
    m_start = m_clock();
}

namespace {

// now - start without overflow (an injected clock may return anything).
int64_t difference(int64_t now, int64_t start)
{
    int64_t diff = 0;
    if (__builtin_sub_overflow(now, start, &diff))
        return start < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return diff;
}

} // namespace

int64_t Stopwatch::elapsedMs() const
{
    return difference(m_clock(), m_start);
}

std::string Stopwatch::elapsedText(std::string_view label, bool keepRunning)
{
    // One clock reading serves both the measurement and the restart, so two
    // consecutive measurements cover adjoining intervals with no gap.
    const int64_t now = m_clock();
    std::string out = formatElapsed(difference(now, m_start));
    out.push_back(' ');
    out.append(label);
    if (!keepRunning)
        m_start = now;
    return out;
}

} // namespace tess
