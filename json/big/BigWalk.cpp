#include "json/big/BigWalk.h"

namespace tess::big {

NodeWalk::NodeWalk(const BigDocument& doc, uint64_t offset) : m_doc(doc), m_chain(doc.chainAt(offset))
{
    const std::size_t size = m_chain.size();
    if (size == 0)
        return;
    // Each cursor stands on the next node of the chain; it is stepped over unless that
    // node is the first of the walk.
    for (std::size_t i = 0; i + 1 < size; ++i)
        m_cursors.push_back(doc.childrenFrom(m_chain[i], m_chain[i + 1]));
    const Node deepest = m_chain.back();
    const bool deepestFirst = size >= 2 && captionStartOf(deepest) >= offset;
    Node skipped;
    for (std::size_t i = 0; i < m_cursors.size(); ++i)
        if (!deepestFirst || i + 1 < m_cursors.size())
            m_cursors[i].next(skipped);
    if (deepestFirst) {
        m_chain.pop_back();
    } else if (deepest.isContainer()) {
        // offset lies inside it: its children from offset on
        m_cursors.push_back(doc.childrenAfter(deepest, offset));
    } else {
        m_chain.pop_back(); // a scalar holding offset: the walk goes on after it
    }
}

NodeWalk::NodeWalk(const BigDocument& doc, std::vector<Node> chain, uint64_t maxDepth)
    : m_doc(doc), m_chain(std::move(chain))
{
    if (m_chain.empty())
        return;
    m_base = m_chain.size() - 1;
    m_cursors.resize(m_base);
    m_cursors.push_back(doc.children(m_chain.back()));
    m_maxChain = maxDepth == 0 ? 0 : m_chain.size() + maxDepth;
}

bool NodeWalk::next()
{
    if (m_stepped) {
        m_stepped = false;
        const Node& last = m_chain.back();
        if (last.isContainer() && (m_maxChain == 0 || m_chain.size() < m_maxChain))
            m_cursors.push_back(m_doc.children(last));
        else
            m_chain.pop_back();
    }
    // Here every node of the chain has its cursor.
    while (m_cursors.size() > m_base) {
        Node child;
        if (m_cursors.back().next(child)) {
            m_chain.push_back(child);
            m_stepped = true;
            return true;
        }
        m_cursors.pop_back();
        m_chain.pop_back();
    }
    return false;
}

uint64_t countBelow(const BigDocument& doc, const std::vector<Node>& chain, uint64_t maxDepth, uint64_t limit,
                    const std::function<bool()>& keepGoing)
{
    NodeWalk walk(doc, chain, maxDepth);
    uint64_t n = 0;
    while (n < limit && walk.next()) {
        ++n;
        if ((n & 0xFFF) == 0 && keepGoing && !keepGoing())
            break;
    }
    return n;
}

} // namespace tess::big
