#include "json/big/BigFind.h"

#include "platform/Codec.h"

#include <algorithm>
#include <cstring>

namespace tess::big {

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
    return !digitsOnly && codec::isValidUtf8(text);
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
        // The node's caption is done after this: a container's name, a scalar whole.
        pos = node.isContainer() ? std::max(at + 1, node.keyEnd) : std::max(at + 1, node.end);
        if (matcher.matches(searchedPart(doc.caption(node, zeroBased, kSearchedCaptionBytes + 8))) && !found(chain))
            return pos;
    }
    return end;
}

} // namespace tess::big
