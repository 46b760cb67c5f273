#pragma once
// Following a path of several segments down the node table when names repeat: the first
// member of a name is tried, and when the rest of the path does not exist below it, the
// next member of that name, and so on. The node found is the first one in table order
// whose path matches.
#include "json/JsonNodeList.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tess {

// step(parent, k, after) gives the first child of parent after the child `after` (-1: from
// the first child) that segment k names, or -1. Each node is tried at most once, so the
// search is linear in the nodes below the root; no recursion. The root (1) for no segments.
template <typename Step>
int followSegments(std::size_t count, Step step)
{
    if (count == 0)
        return 1;
    std::vector<int> chosen(count, -1);
    std::size_t k = 0;
    chosen[0] = step(1, std::size_t(0), -1);
    for (;;) {
        if (chosen[k] < 1) {
            if (k == 0)
                return -1;
            --k;
            chosen[k] = step(k == 0 ? 1 : chosen[k - 1], k, chosen[k]);
            continue;
        }
        if (k + 1 == count)
            return chosen[k];
        ++k;
        chosen[k] = step(chosen[k - 1], k, -1);
    }
}

// The node a canonical tree path's segments (names as stored, "[n]" for elements) lead to.
inline int followNames(const JsonNodeList& nodes, const std::vector<std::string>& segments)
{
    return followSegments(segments.size(), [&](int parent, std::size_t k, int after) {
        return nodes.findChildByName(static_cast<int32_t>(k) + 2, segments[k], after < 0 ? parent : after);
    });
}

} // namespace tess
