#include "compare/Alignment.h"

#include <algorithm>

namespace tess::compare {
namespace {

enum class Op : uint8_t { Match, Remove, Insert };

void addRun(std::vector<AlignedRun>& runs, uint64_t left, uint64_t right, uint64_t leftCount, uint64_t rightCount,
            bool same)
{
    if (leftCount == 0 && rightCount == 0)
        return;
    if (!runs.empty() && runs.back().same == same) {
        runs.back().leftCount += leftCount;
        runs.back().rightCount += rightCount;
        return;
    }
    runs.push_back({left, right, leftCount, rightCount, same});
}

// Myers' greedy walk over a and b, keeping each round's furthest points so that the path
// can be read back; false when more than maxEdits edits are needed.
bool shortestEdits(std::span<const uint64_t> a, std::span<const uint64_t> b, std::size_t maxEdits, std::vector<Op>& ops)
{
    const int64_t n = static_cast<int64_t>(a.size());
    const int64_t m = static_cast<int64_t>(b.size());
    const int64_t maxD = std::min<int64_t>(n + m, static_cast<int64_t>(maxEdits));
    const int64_t offset = maxD + 1;
    std::vector<int64_t> v(static_cast<std::size_t>(2 * maxD + 3), 0);
    std::vector<std::vector<int64_t>> trace; // trace[d][k + d]: furthest x on diagonal k after round d
    int64_t found = -1;
    for (int64_t d = 0; d <= maxD && found < 0; ++d) {
        for (int64_t k = -d; k <= d; k += 2) {
            int64_t x;
            if (k == -d || (k != d && v[static_cast<std::size_t>(k - 1 + offset)] < v[static_cast<std::size_t>(k + 1 + offset)]))
                x = v[static_cast<std::size_t>(k + 1 + offset)];
            else
                x = v[static_cast<std::size_t>(k - 1 + offset)] + 1;
            int64_t y = x - k;
            while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
                ++x;
                ++y;
            }
            v[static_cast<std::size_t>(k + offset)] = x;
            if (x >= n && y >= m)
                found = d;
        }
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
    }
    if (found < 0)
        return false;

    std::vector<Op> back;
    int64_t x = n, y = m;
    for (int64_t d = found; d > 0; --d) {
        const std::vector<int64_t>& prev = trace[static_cast<std::size_t>(d - 1)];
        auto at = [&](int64_t k) { return prev[static_cast<std::size_t>(k + d - 1)]; };
        const int64_t k = x - y;
        const bool insert = k == -d || (k != d && at(k - 1) < at(k + 1));
        const int64_t prevK = insert ? k + 1 : k - 1;
        const int64_t prevX = at(prevK);
        const int64_t prevY = prevX - prevK;
        while (x > (insert ? prevX : prevX + 1) && y > (insert ? prevY + 1 : prevY)) {
            back.push_back(Op::Match);
            --x;
            --y;
        }
        back.push_back(insert ? Op::Insert : Op::Remove);
        x = prevX;
        y = prevY;
    }
    while (x > 0 && y > 0) {
        back.push_back(Op::Match);
        --x;
        --y;
    }
    ops.assign(back.rbegin(), back.rend());
    return true;
}

} // namespace

Alignment alignSequences(std::span<const uint64_t> a, std::span<const uint64_t> b, const AlignLimits& limits)
{
    Alignment out;
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    addRun(out.runs, 0, 0, head, head, true);
    const std::span<const uint64_t> ma = a.subspan(head, a.size() - head - tail);
    const std::span<const uint64_t> mb = b.subspan(head, b.size() - head - tail);
    std::vector<Op> ops;
    const std::size_t stretch = ma.size() + mb.size();
    const std::size_t maxEdits = std::min(limits.maxEdits, stretch ? limits.maxWork / stretch : 0);
    if (ma.empty() || mb.empty() || !shortestEdits(ma, mb, maxEdits, ops)) {
        out.aligned = ma.empty() || mb.empty();
        addRun(out.runs, head, head, ma.size(), mb.size(), false);
    } else {
        uint64_t x = head, y = head;
        for (Op op : ops) {
            addRun(out.runs, x, y, op != Op::Insert, op != Op::Remove, op == Op::Match);
            x += op != Op::Insert;
            y += op != Op::Remove;
        }
    }
    addRun(out.runs, a.size() - tail, b.size() - tail, tail, tail, true);
    return out;
}

} // namespace tess::compare
