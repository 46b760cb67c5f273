#include "app/WindowLayout.h"

#include <algorithm>

namespace tess {

int clampSplit(int wanted, int w, const SplitLimits& limits)
{
    const int maxLeft = w - limits.handle - limits.rightMargin - limits.minRight;
    return std::max(limits.minLeft, std::min(wanted, maxLeft));
}

int optionShift(int w, int maxShift)
{
    return std::clamp(1020 - w, 0, maxShift);
}

} // namespace tess
