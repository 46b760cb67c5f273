#pragma once
// The nodes of a big document in tree order (pre-order), read from the index and the
// bytes as the walk goes: from a byte offset on, or below one node down to a depth. The
// root itself is never among them. A node's place in tree order is where its caption
// starts in the bytes (its name, or its value), so "from an offset" means every node
// whose caption starts there or later.
#include "json/big/BigDocument.h"

#include <cstdint>
#include <vector>

namespace tess::big {

// Where a node's caption starts in the bytes: its name, or its value.
inline uint64_t captionStartOf(const Node& node)
{
    return node.isMember() ? node.keyStart : node.start;
}

class NodeWalk {
public:
    // Every node whose caption starts at or after offset.
    NodeWalk(const BigDocument& doc, uint64_t offset);
    // The nodes below chain.back() (chain: root ... node), at most maxDepth levels below
    // it; 0: no limit.
    NodeWalk(const BigDocument& doc, std::vector<Node> chain, uint64_t maxDepth);

    // Steps to the next node; false at the end.
    bool next();
    // The node stepped to and its chain root ... node.
    const Node& node() const { return m_chain.back(); }
    const std::vector<Node>& chain() const { return m_chain; }
    // Levels below the walk's start (1 for the children of a subtree walk's node).
    uint64_t depth() const { return m_chain.size() - m_base; }

private:
    const BigDocument& m_doc;
    std::vector<Node> m_chain;
    std::vector<ChildCursor> m_cursors; // m_cursors[i] reads the children of m_chain[i]
    std::size_t m_base = 0;             // cursors below this one are not the walk's
    std::size_t m_maxChain = 0;         // no children read for a chain this long; 0: no limit
    bool m_stepped = false;             // m_chain.back() was handed out: its children come next
};

// The nodes below chain.back() that a view opened to maxDepth levels below it would show
// (0: every level), counted up to limit (the count stops there).
uint64_t countBelow(const BigDocument& doc, const std::vector<Node>& chain, uint64_t maxDepth, uint64_t limit,
                    const std::function<bool()>& keepGoing = {});

} // namespace tess::big
