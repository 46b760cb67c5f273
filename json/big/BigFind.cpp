#include "json/big/BigFind.h"

#include "platform/Codec.h"

#include <algorithm>
#include <cstring>

namespace tess::big {

bool inCaption(const Node& node, uint64_t at, uint64_t length)
{
    if (node.isMember() && at >= node.keyStart && at + length <= node.keyEnd)
        return true;
    return !node.isContainer() && at >= node.start && at + length <= node.end;
}

bool findSearchesBytes(const BigDocument& doc, std::string_view text, FindMode mode, bool ignoreCase)
{
    if (mode != FindMode::Plain || ignoreCase || text.empty() || !doc.index().lineErrors.empty())
        return false;
    bool digitsOnly = true;
    for (const char c : text) {
        if (std::strchr("[]:\"\\#", c) || static_cast<unsigned char>(c) < 0x20)
            return false;
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    return !digitsOnly && std::string_view("SYH").find(text) == std::string_view::npos && codec::isValidUtf8(text);
}

uint64_t findInBytes(const BigDocument& doc, std::string_view text, const CaptionMatcher& matcher, bool zeroBased,
                     uint64_t from, const std::function<bool(const std::vector<Node>& chain)>& found)
{
    const std::string_view bytes = doc.bytes();
    const uint64_t end = doc.isLines() ? bytes.size() : doc.index().limit;
    std::vector<Node> chain;
    uint64_t pos = std::max(from, doc.index().begin);
    while (pos < end && end - pos >= text.size()) {
        const void* hit = memmem(bytes.data() + pos, end - pos, text.data(), text.size());
        if (!hit)
            break;
        const uint64_t at = static_cast<uint64_t>(static_cast<const char*>(hit) - bytes.data());
        chain = doc.chainAt(at, chain.empty() ? nullptr : &chain);
        if (chain.size() < 2) {
            pos = at + 1;
            continue;
        }
        const Node& node = chain.back();
        if (!inCaption(node, at, text.size())) {
            pos = at + 1;
            continue;
        }
        // The node's caption is done after this: a container's name, a scalar whole.
        pos = std::max(at + 1, captionEnd(node));
        if (matcher.matches(searchedPart(doc.caption(node, zeroBased, kCaptionReadBytes))) && !found(chain))
            return pos;
    }
    return end;
}

bool findPreviousInBytes(const BigDocument& doc, std::string_view text, const CaptionMatcher& matcher, bool zeroBased,
                         uint64_t before, std::vector<Node>& chain)
{
    constexpr uint64_t kWindow = 1 << 20;
    const std::string_view bytes = doc.bytes();
    const uint64_t begin = doc.index().begin;
    const uint64_t end = doc.isLines() ? bytes.size() : doc.index().limit;
    uint64_t hi = std::min(before, end); // hits start before hi
    std::vector<uint64_t> hits;
    while (hi > begin) {
        const uint64_t lo = hi - std::min(kWindow, hi - begin);
        hits.clear();
        const uint64_t stop = std::min(end, hi + text.size() - 1);
        for (uint64_t pos = lo; pos < hi && stop - pos >= text.size();) {
            const void* hit = memmem(bytes.data() + pos, stop - pos, text.data(), text.size());
            if (!hit)
                break;
            const uint64_t at = static_cast<uint64_t>(static_cast<const char*>(hit) - bytes.data());
            if (at >= hi)
                break;
            hits.push_back(at);
            pos = at + 1;
        }
        uint64_t next = lo;
        for (auto it = hits.rbegin(); it != hits.rend(); ++it) {
            if (*it >= hi)
                continue;
            chain = doc.chainAt(*it);
            if (chain.size() < 2)
                continue;
            const Node& node = chain.back();
            if (!inCaption(node, *it, text.size()))
                continue;
            if (captionStart(node) < before &&
                matcher.matches(searchedPart(doc.caption(node, zeroBased, kCaptionReadBytes))))
                return true;
            // nothing else in this node's caption: go on before it
            hi = std::min(hi, captionStart(node));
        }
        hi = std::min(hi, next);
    }
    chain.clear();
    return false;
}

} // namespace tess::big
