#include "json/big/BigSearch.h"

#include "json/big/BigFind.h"
#include "json/big/BigWalk.h"
#include "platform/Codec.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tess::big {

namespace {

constexpr uint64_t kChunk = uint64_t(1) << 20;  // bytes searched between looks at the stop flag
constexpr uint64_t kWindow = uint64_t(1) << 20; // bytes of nodes walked per step backward
constexpr uint64_t kNone = ~uint64_t(0);

unsigned char lowered(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

class Searcher {
public:
    Searcher(const BigDocument& doc, const SearchRequest& request)
        : m_doc(doc), m_request(request), m_matcher(request.text, request.mode, request.ignoreCase),
          m_bytes(doc.bytes()), m_begin(doc.index().begin),
          m_end(doc.isLines() ? doc.bytes().size() : doc.index().limit)
    {
        if (doc.index().lineErrors.empty()) { // a broken line's caption is a message, not its bytes
            for (std::string& l : literalParts(codec::gb18030ToUtf8(request.text).text, request.mode, request.ignoreCase)) {
                m_longest = std::max<uint64_t>(m_longest, l.size());
                m_literals.push_back(Literal{std::move(l)});
            }
        }
        m_total = (m_end > m_begin ? m_end - m_begin : 0) + 1;
    }

    SearchResult run(const std::vector<Node>& from, std::vector<Node>& hit)
    {
        if (!m_matcher.valid())
            return SearchResult::BadPattern;
        // Positions in tree order: 0 the root, captionStart + 1 any other node.
        const uint64_t all = m_end + 2;
        const bool backward = m_request.backward;
        if (from.empty())
            return range(0, all, backward, hit);
        const uint64_t k = from.size() < 2 ? 0 : captionStartOf(from.back()) + 1;
        const SearchResult first = backward ? range(0, k, true, hit) : range(k + 1, all, false, hit);
        if (first != SearchResult::NotFound)
            return first;
        return backward ? range(k, all, true, hit) : range(0, k + 1, false, hit);
    }

private:
    // The positions [lo, hi) of tree order, forward or backward.
    SearchResult range(uint64_t lo, uint64_t hi, bool backward, std::vector<Node>& hit)
    {
        if (lo >= hi)
            return SearchResult::NotFound;
        const uint64_t a = std::max(lo == 0 ? 0 : lo - 1, m_begin);
        const uint64_t b = std::min(hi - 1, m_end);
        Node root;
        const bool withRoot = lo == 0 && m_doc.root(root) && m_matcher.matches(searchedPart(m_request.rootCaption));
        if (withRoot && !backward) {
            hit = {root};
            return SearchResult::Found;
        }
        if (a < b) {
            const SearchResult r = m_literals.empty() ? (backward ? walkBackward(a, b, hit) : walkForward(a, b, hit))
                                                     : (backward ? bytesBackward(a, b, hit) : bytesForward(a, b, hit));
            if (r != SearchResult::NotFound)
                return r;
        }
        if (withRoot) {
            hit = {root};
            return SearchResult::Found;
        }
        return SearchResult::NotFound;
    }

    bool tick(uint64_t bytes)
    {
        m_done += bytes;
        if (m_request.progress && !m_request.progress(std::min(m_done, m_total), m_total))
            m_stopped = true;
        return !m_stopped;
    }

    bool matches(const Node& node) const
    {
        return m_matcher.matches(searchedPart(m_doc.caption(node, m_request.zeroBased, kCaptionReadBytes)));
    }

    // One of the literals (a find text has one; a regular expression with alternatives one
    // per alternative) and what the last search for it found, so that a search from a later
    // place does not read the same bytes again.
    struct Literal {
        std::string text;
        uint64_t from = kNone; // searched [from, to): first place `at`, or kNone
        uint64_t to = 0;
        uint64_t at = kNone;
    };

    // The first place in [from, to) where one of the literals lies wholly, or kNone; length
    // is that literal's (the shortest of those starting there).
    uint64_t findLiteral(uint64_t from, uint64_t to, uint64_t& length)
    {
        uint64_t best = kNone;
        for (Literal& l : m_literals) {
            const uint64_t n = l.text.size();
            uint64_t at = kNone;
            // No place starts in [l.from, l.at) (one there would end before l.at's end), so
            // the last answer holds for a later start; without a place, only up to l.to.
            if (l.from != kNone && l.from <= from && (l.at != kNone ? l.at >= from : to <= l.to)) {
                at = l.at != kNone && l.at + n <= to ? l.at : kNone;
            } else {
                at = findOne(l.text, from, to);
                l.from = from;
                l.to = to;
                l.at = at;
            }
            if (at != kNone && (at < best || (at == best && n < length))) {
                best = at;
                length = n;
            }
        }
        return best;
    }

    uint64_t findOne(const std::string& literal, uint64_t from, uint64_t to)
    {
        const std::size_t n = literal.size();
        if (to < from + n)
            return kNone;
        if (!m_request.ignoreCase) {
            const void* at = memmem(m_bytes.data() + from, to - from, literal.data(), n);
            return at ? static_cast<uint64_t>(static_cast<const char*>(at) - m_bytes.data()) : kNone;
        }
        // Ignoring case: the bytes are lowered piece by piece into a buffer and searched there.
        constexpr uint64_t kPiece = 64 << 10;
        for (uint64_t p = from; p + n <= to; p += kPiece) {
            const uint64_t len = std::min<uint64_t>(to - p, kPiece + n - 1);
            m_folded.resize(len);
            const auto* src = reinterpret_cast<const unsigned char*>(m_bytes.data() + p);
            for (uint64_t i = 0; i < len; ++i)
                m_folded[i] = static_cast<char>(lowered(src[i]));
            if (const void* at = memmem(m_folded.data(), len, literal.data(), n))
                return p + static_cast<uint64_t>(static_cast<const char*>(at) - m_folded.data());
        }
        return kNone;
    }

    // Where the literal of a node whose caption starts before b can lie at the latest: the
    // node whose name or value runs over b may hold it past b.
    uint64_t occurrenceLimit(uint64_t b) const
    {
        uint64_t regionEnd = b;
        if (b > m_begin && b < m_end) {
            const std::vector<Node> chain = m_doc.chainAt(b - 1);
            if (chain.size() >= 2) {
                const Node& n = chain.back();
                regionEnd = std::max(regionEnd, n.isContainer() ? (n.isMember() ? n.keyEnd : 0) : n.end);
            }
        }
        return std::min(m_end, regionEnd + m_longest);
    }

    SearchResult bytesForward(uint64_t a, uint64_t b, std::vector<Node>& hit)
    {
        const uint64_t limit = occurrenceLimit(b);
        const uint64_t n = m_longest;
        std::vector<Node> near;
        uint64_t pos = a;
        uint64_t reported = a;
        while (pos + n <= limit) {
            if (pos >= reported + kChunk) {
                if (!tick(pos - reported))
                    return SearchResult::Stopped;
                reported = pos;
            }
            const uint64_t chunkEnd = std::min(limit, pos + kChunk + n - 1);
            uint64_t length = 0;
            const uint64_t at = findLiteral(pos, chunkEnd, length);
            if (at == kNone) {
                if (chunkEnd == limit)
                    break;
                pos = chunkEnd - n + 1;
                continue;
            }
            near = m_doc.chainAt(at, near.empty() ? nullptr : &near);
            if (near.size() < 2 || !inCaption(near.back(), at, length)) {
                pos = at + 1;
                continue;
            }
            const Node& node = near.back();
            const uint64_t start = captionStart(node);
            if (start >= b)
                break;
            if (start >= a && matches(node)) {
                hit = near;
                return SearchResult::Found;
            }
            pos = std::max(at + 1, captionEnd(node));
        }
        tick(b - std::min(b, reported));
        return m_stopped ? SearchResult::Stopped : SearchResult::NotFound;
    }

    SearchResult bytesBackward(uint64_t a, uint64_t b, std::vector<Node>& hit)
    {
        const uint64_t n = m_longest;
        std::vector<std::pair<uint64_t, uint64_t>> places; // place, length
        // The literal's places in [lo, hi), step by step towards a. A place later in the
        // bytes belongs to a node later in tree order, so the first step with a hit has
        // the last one.
        for (uint64_t hi = occurrenceLimit(b); hi > a;) {
            const uint64_t lo = hi - std::min(hi - a, kChunk);
            const uint64_t scanEnd = std::min(m_end, hi + n - 1);
            places.clear();
            uint64_t length = 0;
            for (uint64_t p = lo, at; (at = findLiteral(p, scanEnd, length)) != kNone && at < hi; p = at + 1)
                places.emplace_back(at, length);
            std::vector<Node> near;
            std::vector<Node> best;
            uint64_t doneUpTo = 0;
            for (const auto& [at, length] : places) {
                if (at < doneUpTo)
                    continue;
                near = m_doc.chainAt(at, near.empty() ? nullptr : &near);
                if (near.size() < 2 || !inCaption(near.back(), at, length))
                    continue;
                const Node& node = near.back();
                const uint64_t start = captionStart(node);
                if (start >= b)
                    break;
                doneUpTo = captionEnd(node);
                if (start >= a && matches(node))
                    best = near;
            }
            if (!best.empty()) {
                hit = std::move(best);
                return SearchResult::Found;
            }
            if (!tick(hi - lo))
                return SearchResult::Stopped;
            hi = lo;
        }
        return SearchResult::NotFound;
    }

    SearchResult walkForward(uint64_t a, uint64_t b, std::vector<Node>& hit)
    {
        NodeWalk walk(m_doc, a);
        uint64_t reported = a;
        uint64_t steps = 0;
        while (walk.next()) {
            const uint64_t start = captionStartOf(walk.node());
            if (start >= b)
                break;
            if ((++steps & 0x3FF) == 0 && start > reported) {
                if (!tick(start - reported))
                    return SearchResult::Stopped;
                reported = start;
            }
            if (matches(walk.node())) {
                hit = walk.chain();
                return SearchResult::Found;
            }
        }
        tick(b - std::min(b, reported));
        return m_stopped ? SearchResult::Stopped : SearchResult::NotFound;
    }

    SearchResult walkBackward(uint64_t a, uint64_t b, std::vector<Node>& hit)
    {
        // Windows of caption starts from b towards a, each walked forward; the last hit
        // of the first window that has one is the one before b.
        for (uint64_t hi = b; hi > a;) {
            const uint64_t lo = hi - std::min(hi - a, kWindow);
            NodeWalk walk(m_doc, lo);
            std::vector<Node> best;
            uint64_t steps = 0;
            while (walk.next()) {
                if (captionStartOf(walk.node()) >= hi)
                    break;
                if ((++steps & 0x3FF) == 0 && !tick(0))
                    return SearchResult::Stopped;
                if (matches(walk.node()))
                    best = walk.chain();
            }
            if (!best.empty()) {
                hit = std::move(best);
                return SearchResult::Found;
            }
            if (!tick(hi - lo))
                return SearchResult::Stopped;
            hi = lo;
        }
        return SearchResult::NotFound;
    }

    const BigDocument& m_doc;
    const SearchRequest& m_request;
    CaptionMatcher m_matcher;
    std::string_view m_bytes;
    uint64_t m_begin;
    uint64_t m_end;
    std::vector<Literal> m_literals;
    uint64_t m_longest = 0;
    std::string m_folded;
    uint64_t m_done = 0;
    uint64_t m_total = 1;
    bool m_stopped = false;
};

bool isSeparator(unsigned char c, FindMode mode, bool ignoreCase)
{
    if (c < 0x20 || std::strchr("[]:\"\\#", c))
        return true;
    if (mode == FindMode::Wildcard && (c == '*' || c == '?'))
        return true;
    // Ignoring case, a pattern may fold letters beyond ASCII too: keep to ASCII.
    return ignoreCase && c >= 0x80;
}

// Where the class that opens with the '[' at i closes (its ']', or the pattern's end): a
// ']' right after the opening (or after '^') belongs to the class.
std::size_t classEnd(std::string_view pattern, std::size_t i)
{
    std::size_t j = i + 1;
    if (j < pattern.size() && pattern[j] == '^')
        ++j;
    if (j < pattern.size() && pattern[j] == ']')
        ++j;
    while (j < pattern.size() && pattern[j] != ']')
        j += pattern[j] == '\\' ? 2 : 1;
    return j;
}

// The alternatives of a regular expression: split at each '|' outside groups, classes and
// escapes.
std::vector<std::string_view> alternatives(std::string_view pattern)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            i = classEnd(pattern, i);
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == '|' && depth == 0) {
            parts.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(pattern.substr(std::min(start, pattern.size())));
    return parts;
}

// The runs of plain characters of a regular expression that every match holds: outside
// groups and classes, the last character before a quantifier left out. None for a
// pattern with alternatives or inline options, or an escape that stands for a character.
std::vector<std::string> requiredRuns(std::string_view pattern)
{
    std::vector<std::string> runs;
    if (pattern.find('|') != std::string_view::npos || pattern.find("(?") != std::string_view::npos)
        return runs;
    std::string run;
    std::size_t lastChar = 0; // where the run's last character starts
    auto endRun = [&] {
        if (!run.empty())
            runs.push_back(run);
        run.clear();
    };
    int depth = 0;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 < pattern.size() && std::strchr("xucpPkgoN0123456789", pattern[i + 1]))
                return {};
            endRun();
            i += 2;
        } else if (c == '[') {
            endRun();
            i = classEnd(pattern, i) + 1;
        } else if (c == '?' || c == '*' || c == '+' || c == '{') {
            run.resize(lastChar); // quantified: the character may be missing
            endRun();
            if (c == '{') {
                const std::size_t close = pattern.find('}', i);
                i = close == std::string_view::npos ? pattern.size() : close + 1;
            } else {
                ++i;
            }
        } else if (c == '(' || c == ')' || c == '.' || c == '^' || c == '$') {
            endRun();
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            ++i;
        } else {
            std::size_t n = 1;
            while (i + n < pattern.size() && (static_cast<unsigned char>(pattern[i + n]) & 0xC0) == 0x80)
                ++n;
            if (depth == 0) {
                lastChar = run.size();
                run.append(pattern.substr(i, n));
            }
            i += n;
        }
    }
    endRun();
    return runs;
}

} // namespace

std::vector<std::string> literalParts(std::string_view text, FindMode mode, bool ignoreCase)
{
    std::vector<std::string> parts;
    if (mode != FindMode::Regex) {
        if (std::string part = literalPart(text, mode, ignoreCase); !part.empty())
            parts.push_back(std::move(part));
        return parts;
    }
    // Every match is a match of one alternative, so it holds that alternative's literal; an
    // alternative without one leaves nothing to search for.
    for (const std::string_view alternative : alternatives(text)) {
        std::string part = literalPart(alternative, mode, ignoreCase);
        if (part.empty())
            return {};
        if (std::find(parts.begin(), parts.end(), part) == parts.end())
            parts.push_back(std::move(part));
    }
    return parts;
}

std::string literalPart(std::string_view text, FindMode mode, bool ignoreCase)
{
    // A caption is the name (an escaped quote in it shows as #SYH#, an element's is "[n]"),
    // ":" and the value as written. A run of text without [ ] : " \ # lies within the name
    // or the value, so in the node's bytes, unless it is digits only (the element's
    // number) or a part of "SYH".
    if (mode == FindMode::Regex) {
        // The runs of plain characters that every match holds; the longest usable one.
        std::string best;
        for (const std::string& run : requiredRuns(text)) {
            std::string piece = literalPart(run, FindMode::Plain, ignoreCase);
            if (piece.size() > best.size())
                best = std::move(piece);
        }
        return best;
    }
    std::string best;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(static_cast<unsigned char>(text[i]), mode, ignoreCase))
            ++i;
        std::size_t j = i;
        while (j < text.size() && !isSeparator(static_cast<unsigned char>(text[j]), mode, ignoreCase))
            ++j;
        std::string piece(text.substr(i, j - i));
        i = j;
        if (piece.empty() || piece.size() <= best.size())
            continue;
        if (std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::string upper = piece;
        for (char& c : upper)
            c = c >= 'a' && c <= 'z' && ignoreCase ? static_cast<char>(c - 32) : c;
        if (std::string_view("SYH").find(upper) != std::string_view::npos)
            continue;
        best = std::move(piece);
    }
    if (ignoreCase)
        for (char& c : best)
            c = static_cast<char>(lowered(static_cast<unsigned char>(c)));
    return codec::isValidUtf8(best) ? best : std::string();
}

SearchResult searchCaptions(const BigDocument& doc, const SearchRequest& request, const std::vector<Node>& from,
                            std::vector<Node>& hit)
{
    Searcher searcher(doc, request);
    return searcher.run(from, hit);
}

} // namespace tess::big
