#include "tree/TreeFilter.h"

#include "json/JsonDocument.h"

namespace tess {

FilterOutcome filterItems(int count, const std::function<std::string_view(int)>& captionOf,
                          const std::function<int(int)>& depthOf, const CaptionMatcher& matcher,
                          const FilterControl& control)
{
    FilterOutcome out;
    out.marks.assign(static_cast<std::size_t>(std::max(count, 0)), FilterMark::Hidden);
    // The open ancestors of the current item, by depth; a match marks those not yet kept,
    // up to the first kept one (whose ancestors are kept already).
    std::vector<int> open;
    for (int i = 0; i < count; ++i) {
        if ((i & 0xFFFF) == 0xFFFF) {
            if (control.cancel && control.cancel->load(std::memory_order_relaxed)) {
                out.cancelled = true;
                return out;
            }
            if (control.progress)
                control.progress(static_cast<uint64_t>(i), static_cast<uint64_t>(count));
        }
        const int depth = std::max(depthOf(i), 1);
        if (open.size() >= static_cast<std::size_t>(depth))
            open.resize(static_cast<std::size_t>(depth - 1));
        if (matcher.matches(captionOf(i))) {
            out.marks[static_cast<std::size_t>(i)] = FilterMark::Match;
            ++out.matches;
            ++out.kept;
            for (auto it = open.rbegin(); it != open.rend(); ++it) {
                FilterMark& m = out.marks[static_cast<std::size_t>(*it)];
                if (m != FilterMark::Hidden)
                    break;
                m = FilterMark::Ancestor;
                ++out.kept;
            }
        }
        // A level skipped (a table edited out of shape) leaves no ancestor there.
        while (open.size() + 1 < static_cast<std::size_t>(depth))
            open.push_back(open.empty() ? i : open.back());
        open.push_back(i);
    }
    return out;
}

FilterOutcome filterDocument(const JsonDocument& doc, const CaptionMatcher& matcher, std::string_view rootCaption,
                             const FilterControl& control)
{
    const TreeContentBlock block = doc.buildTreeContent();
    std::vector<std::string_view> captions = blockCaptions(block.view());
    if (!captions.empty())
        captions[0] = searchedPart(rootCaption);
    const JsonNodeList& nodes = doc.nodes();
    return filterItems(
        static_cast<int>(captions.size()), [&](int i) { return captions[static_cast<std::size_t>(i)]; },
        [&](int i) { return nodes.levelOf(i + 1); }, matcher, control);
}

} // namespace tess
