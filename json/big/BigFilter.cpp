#include "json/big/BigFilter.h"

#include "json/big/BigFind.h"
#include "json/big/BigWalk.h"
#include "platform/Codec.h"

namespace tess::big {
namespace {

bool sameNode(const Node& a, const Node& b)
{
    return a.start == b.start && a.keyStart == b.keyStart && a.kind == b.kind;
}

template <typename Keep>
void walkNodes(const BigDocument& doc, const FilterRequest& request, const CaptionMatcher& matcher,
               BigFilterOutcome& out, Keep& keep)
{
    const uint64_t total = doc.bytes().size();
    uint64_t seen = 0;
    NodeWalk walk(doc, 0);
    while (walk.next()) {
        if ((++seen & 0xFFF) == 0) {
            if (request.cancel && request.cancel->load(std::memory_order_relaxed)) {
                out.status = FilterStatus::Cancelled;
                return;
            }
            if (request.progress)
                request.progress(walk.node().start, total);
        }
        const std::string caption = doc.caption(walk.node(), request.zeroBased, kSearchedCaptionBytes + 8);
        if (matcher.matches(searchedPart(caption)) && !keep(walk.chain()))
            break;
    }
}

} // namespace

BigFilterOutcome filterNodes(const BigDocument& doc, const FilterRequest& request)
{
    BigFilterOutcome out;
    const CaptionMatcher matcher(request.text, request.mode, request.ignoreCase);
    if (!matcher.valid()) {
        out.status = FilterStatus::BadPattern;
        out.error = matcher.error();
        return out;
    }
    Node root;
    if (!doc.root(root))
        return out;
    const bool rootMatches = matcher.matches(searchedPart(request.rootCaption));
    out.nodes.push_back({root, -1, rootMatches});
    out.matches = rootMatches ? 1 : 0;
    const uint64_t total = doc.bytes().size();
    uint64_t seen = 0;

    // Where each level of the last kept chain is in out.nodes (the root at 0).
    std::vector<int64_t> keptChain{0};
    auto keep = [&](const std::vector<Node>& chain) {
        if ((++seen & 0xFFF) == 0) {
            if (request.cancel && request.cancel->load(std::memory_order_relaxed)) {
                out.status = FilterStatus::Cancelled;
                return false;
            }
            if (request.progress)
                request.progress(chain.back().start, total);
        }
        if (out.matches >= request.maxMatches) {
            out.status = FilterStatus::OverLimit;
            return false;
        }
        ++out.matches;
        std::size_t k = 1;
        while (k < chain.size() && k < keptChain.size() &&
               sameNode(out.nodes[static_cast<std::size_t>(keptChain[k])].node, chain[k]))
            ++k;
        keptChain.resize(k);
        for (; k < chain.size(); ++k) {
            out.nodes.push_back({chain[k], keptChain[k - 1], false});
            keptChain.push_back(static_cast<int64_t>(out.nodes.size() - 1));
        }
        out.nodes.back().match = true;
        return true;
    };

    const std::string textUtf8 = codec::gb18030ToUtf8(request.text).text;
    if (findSearchesBytes(doc, textUtf8, request.mode, request.ignoreCase)) {
        findInBytes(doc, textUtf8, matcher, request.zeroBased, 0, keep);
    } else {
        walkNodes(doc, request, matcher, out, keep);
    }
    // Nothing matched: nothing stays, not even the root.
    if (out.matches == 0)
        out.nodes.clear();
    return out;
}

} // namespace tess::big
