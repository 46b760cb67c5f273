// Walks of the node table: subtrees, the nodes of a level, a child by name, parents.
#include "json/JsonNodeList.h"

#include "platform/MessagePump.h"

#include <algorithm>

namespace tess {

int32_t JsonNodeList::subtreeEnd(int32_t index) const
{
    if (!valid(index))
        return -1;
    const int32_t level = levelOfNode(at(index));
    int64_t j = int64_t(index) + 1;
    while (j >= 1 && j <= nodeCount()) {
        pumpMessages();
        const Node& n = at(static_cast<int32_t>(j));
        if (levelOfNode(n) <= level)
            return static_cast<int32_t>(j);
        j += 1 + int64_t(std::max(childCountOfNode(n), 0));
    }
    return -1;
}

int32_t JsonNodeList::collectAtLevel(int32_t level, std::vector<int32_t>* out, bool collect, int32_t& start,
                                     int32_t kind, bool matchKind, int32_t& found, bool limitKind,
                                     int32_t& count) const
{
    if (collect && out)
        out->clear();
    found = 0;
    int32_t counted = 0;
    bool limited = false;
    const int32_t stop = scanLevel(level, start, [&](int32_t j) {
        const int32_t k = kindOfNode(j, at(j));
        if (matchKind && k == kind)
            return true;
        if (limitKind && k > kind) {
            limited = true;
            return true;
        }
        ++counted;
        if (collect && out)
            out->push_back(j);
        return false;
    });
    count = counted;
    if (stop == -1)
        return counted;
    if (!limited) {
        start = stop;
        found = 1;
    }
    return 0;
}

int32_t JsonNodeList::findNthAtLevel(int32_t level, int32_t n, int32_t start) const
{
    int32_t seen = 0;
    return scanLevel(level, start, [&](int32_t) { return ++seen == n; });
}

int32_t JsonNodeList::findChildByName(int32_t level, std::string_view name, int32_t from) const
{
    // Children of a container with many of them are looked up in an index of first
    // occurrences, built by the same scan the loop below makes.
    constexpr int32_t kIndexedChildren = 32;
    if (m_bulkLookups && valid(from) && level == levelOfNode(at(from)) + 1 && childCountOfNode(at(from)) > kIndexedChildren) {
        auto it = m_childIndex.find(from);
        if (it == m_childIndex.end()) {
            std::unordered_map<std::string_view, int32_t> index;
            index.reserve(static_cast<std::size_t>(childCountOfNode(at(from))));
            scanLevel(level, from, [&](int32_t j) {
                index.emplace(nameView(j), j);
                return false;
            });
            it = m_childIndex.emplace(from, std::move(index)).first;
        }
        pumpMessages();
        const auto hit = it->second.find(name);
        return hit == it->second.end() ? -1 : hit->second;
    }
    return scanLevel(level, from, [&](int32_t j) { return nameView(j) == name; });
}

int32_t JsonNodeList::parentOf(int32_t index) const
{
    if (!valid(index))
        return -1;
    if (!m_bulkLookups)
        return parentByOrdinals(index);
    if (!m_parentsValid) {
        // One pass with a stack of open ancestors; a level that jumps by more than one
        // has no parent (-1), as the backward walk finds too.
        m_parents.assign(m_nodes.size(), -1);
        std::vector<int32_t> open;
        for (int32_t i = 1; i <= nodeCount(); ++i) {
            const int32_t level = levelOfNode(at(i));
            while (!open.empty() && levelOfNode(at(open.back())) >= level)
                open.pop_back();
            if (level == 1)
                m_parents[static_cast<std::size_t>(i - 1)] = 0;
            else if (!open.empty() && levelOfNode(at(open.back())) == level - 1)
                m_parents[static_cast<std::size_t>(i - 1)] = open.back();
            open.push_back(i);
        }
        m_parentsValid = true;
    }
    return m_parents[static_cast<std::size_t>(index - 1)];
}

int32_t JsonNodeList::parentByOrdinals(int32_t index) const
{
    // Steps back by ordinals: a node with ordinal k has its parent and its k - 1 earlier
    // siblings before it, so each step lands on the parent or in an earlier sibling's
    // subtree, whose own ordinal carries the walk further back.
    const int32_t level = levelOfNode(at(index));
    if (level == 1)
        return 0;
    int64_t i = index;
    for (;;) {
        i -= ordinalOfNode(at(static_cast<int32_t>(i)));
        if (i == 0)
            return 0;
        if (i < 0 || i > nodeCount())
            return -1;
        const int32_t l = levelOfNode(at(static_cast<int32_t>(i)));
        if (l == level - 1)
            return static_cast<int32_t>(i);
        if (l < level - 1)
            return -1;
        if (ordinalOfNode(at(static_cast<int32_t>(i))) < 1)
            return -1; // a broken table would never move back
    }
}

} // namespace tess
