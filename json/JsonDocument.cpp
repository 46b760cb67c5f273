#include "json/JsonDocument.h"

#include "json/LineEdges.h"
#include "json/NestingLimit.h"
#include "json/PatternChars.h"

#include "json/ScanBuffer.h"
#include "json/ScanOps.h"
#include "json/SegmentSearch.h"
#include "json/TextPatterns.h"
#include "json/TreeContentBuilder.h"
#include "platform/GbkText.h"
#include "platform/MessagePump.h"
#include "json/TreeContentBuffer.h"

#include <optional>
#include <string>
#include <thread>
#include <deque>
#include <vector>

namespace tess {
namespace {

using patterns::isBlankByte;

// One container whose members are being cut. Members are cut one at a time, right
// before they are added, so the table is filled in pre-order without recursion.
struct Frame {
    int32_t node = 0;
    ScanView view;
    bool object = false;
    bool started = false;
    int64_t pos = -1;
    int32_t elements = 0;
};

class Parser {
public:
    Parser(JsonNodeList& nodes, bool zeroBased, bool& nestingCut)
        : m_nodes(nodes), m_zeroBased(zeroBased), m_nestingCut(nestingCut)
    {
        m_nestingCut = false;
    }

    // described, when given, is root kept as its prepared copy (by an earlier parse):
    // its prepared copy is used as it is, and root may be null.
    void run(std::shared_ptr<const std::string> root, std::shared_ptr<const RootText> described = nullptr)
    {
        // When preparing changes the text, the root's value is kept as the prepared copy
        // and the few differences, and the input itself is let go before scanning starts.
        std::shared_ptr<const RootText> kept = std::move(described);
        std::shared_ptr<const std::string> plain = kept ? kept->preparedText() : root;
        if (!kept) {
            std::string prepared;
            if (prepareTextInto(*root, prepared)) {
                // Pretty text: without the blanks at line edges its containers are slices.
                trimLineEdgesOutsideStrings(prepared);
                plain = std::make_shared<const std::string>(std::move(prepared));
                if (std::optional<RootText> d = RootText::describe(*root, plain))
                    kept = std::make_shared<const RootText>(std::move(*d));
            }
        }
        if (kept)
            root.reset();
        m_nodes.keepAlive(plain);
        auto base = std::make_shared<const ScanBase>(plain);
        if (const int64_t deep = base->tooDeepOpener(); deep >= 0) {
            // Too deep: the text is read up to that opener, the brackets open there closed.
            m_nestingCut = true;
            std::string cut = plain->substr(0, static_cast<std::size_t>(deep)) + base->tooDeepClosers();
            base.reset();
            plain = std::make_shared<const std::string>(std::move(cut));
            m_nodes.keepAlive(plain);
            base = std::make_shared<const ScanBase>(plain);
        }
        plain.reset();
        ScanView view{base, 0, base->size()};
        base.reset();
        int64_t o = view.find('{', 0);
        int64_t a = view.find('[', 0);
        if (o == -1 && a == -1) {
            std::string wrapped;
            wrapped.reserve((kept ? kept->size() : root->size()) + 2);
            wrapped.push_back('[');
            if (kept)
                kept->forEachPiece([&](std::string_view run) {
                    wrapped.append(run);
                    return true;
                });
            else
                wrapped.append(*root);
            wrapped.push_back(']');
            view = loadWhole(wrapped, nullptr);
            o = view.find('{', 0);
            a = view.find('[', 0);
        }
        NodeKind kind;
        if (a != -1 && o == -1)
            kind = NodeKind::Array;
        else if (o != -1 && a == -1)
            kind = NodeKind::Object;
        else
            kind = o < a ? NodeKind::Object : NodeKind::Array;
        m_nodes.reserve(view.base->nodeEstimate());
        int32_t rootNode = 0;
        if (kept) {
            rootNode = m_nodes.appendChildView(-1, "JSON", kind, {});
            m_nodes.setRootText(std::move(kept));
        } else {
            m_nodes.keepAlive(root);
            rootNode = m_nodes.appendChildView(-1, "JSON", kind, *root);
        }
        m_stack.push_back(Frame{rootNode, std::move(view), kind == NodeKind::Object});
        while (!m_stack.empty()) {
            if (!step(m_stack.back())) {
                m_stack.pop_back();
                continue;
            }
            // A container member is opened only after step is done with its parent's
            // frame.
            if (m_opened) {
                m_stack.push_back(std::move(*m_opened));
                m_opened.reset();
            }
            if (static_cast<std::size_t>(m_nodes.nodeCount()) >= m_releaseAt)
                releaseScanned();
        }
    }

private:
    // Prepares text and blanks its strings. When preparing changes nothing, the text
    // itself (already kept alive by the caller through shared) becomes the buffer.
    ScanView loadWhole(std::string_view text, const std::shared_ptr<const std::string>& shared)
    {
        std::string prepared;
        std::shared_ptr<const std::string> plain;
        if (prepareTextInto(text, prepared))
            plain = std::make_shared<const std::string>(std::move(prepared));
        else
            plain = shared ? shared : std::make_shared<const std::string>(text);
        m_nodes.keepAlive(plain);
        auto base = std::make_shared<const ScanBase>(std::move(plain));
        return ScanView{base, 0, base->size()};
    }

    // The walk goes through each buffer from front to back. A frame reads nothing before
    // its next member (or its window, until it starts), and a frame below it on the stack
    // in the same buffer lies further on, past the member it just cut: what lies before
    // the top frame goes back. (A buffer below the top one goes on when its frames are
    // on top again.)
    void releaseScanned()
    {
        m_releaseAt = static_cast<std::size_t>(m_nodes.nodeCount()) + releaseStride();
        const Frame& f = m_stack.back();
        if (f.started && f.pos == -1)
            return; // done: it reads nothing more
        f.view.base->releaseBefore(f.view.off + (f.started ? f.pos - 1 : 0));
    }

    // Nodes added between two releases: often enough that the scan buffers shrink while
    // the node table grows, seldom enough to cost nothing. Where buffers are given back a
    // few bytes at a time (in tests), after every node.
    static std::size_t releaseStride() { return FrontRelease::granule() < 4096 ? 1 : 8192; }

    // Cuts and adds the next member of the frame's container; false when there is none.
    bool step(Frame& f)
    {
        const ScanView& v = f.view;
        if (!f.started) {
            f.started = true;
            // A container's window usually starts with its opener.
            const char opener = f.object ? '{' : '[';
            f.pos = v.len >= 1 && v.maskedAt(1) == opener ? 1 : v.find(opener, 0);
        }
        if (f.pos == -1)
            return false;
        pumpMessages();
        if (f.object) {
            std::string_view rawKey;
            const int64_t colon = scan::readKey(v, f.pos, rawKey);
            if (colon == -1)
                return false;
            const int64_t end = scan::readValue(v, colon);
            if (end == -1)
                return false;
            f.pos = end;
            bool contiguous = false;
            std::string_view key = patterns::trimKeyView(rawKey, contiguous);
            if (!contiguous)
                key = m_nodes.intern(patterns::trimKey(rawKey));
            addMember(f.node, key, -1, v, colon, end);
            return true;
        }
        const int64_t start = f.pos;
        const int64_t end = scan::elementEnd(v, start);
        if (end == -1)
            return false;
        f.pos = end;
        if (f.elements == 0 && patterns::isWhiteSpace(v.between(start, end, false))) {
            // A list of one element of white space is no list at all: "[]", "[ ]" and
            // an empty array written over several lines.
            if (scan::elementEnd(v, end) == -1)
                return false;
        }
        ++f.elements;
        addMember(f.node, {}, m_zeroBased ? f.elements - 1 : f.elements, v, start, end);
        return true;
    }

    // Adds the member whose value lies strictly between positions from and to of v, and
    // leaves a frame for it in m_opened when it is a container. An array element (element
    // >= 0) is named "[element]".
    void addMember(int32_t parent, std::string_view name, int32_t element, const ScanView& v, int64_t from, int64_t to)
    {
        auto append = [&](NodeKind kind, std::string_view value) {
            return element >= 0 ? m_nodes.appendElementView(parent, element, kind, value)
                                : m_nodes.appendChildView(parent, name, kind, value);
        };
        const std::string_view raw = v.between(from, to, false);
        std::size_t lead = 0;
        while (lead < raw.size() && isBlankByte(static_cast<unsigned char>(raw[lead]))) {
            if (static_cast<unsigned char>(raw[lead]) == 0xA1) {
                if (lead + 1 < raw.size() && static_cast<unsigned char>(raw[lead + 1]) == 0xA1)
                    lead += 2;
                else
                    break;
            } else {
                ++lead;
            }
        }
        const char first = lead < raw.size() ? raw[lead] : '\0';
        if (first != '{' && first != '[') {
            // Trimming only cuts blanks at the ends and next to line breaks: with no blank
            // at either end and no line break next to a blank anywhere in the text, the
            // value stays as it is.
            std::string_view value = raw;
            if (lead != 0 || raw.empty() || v.base->hasTrimHazards() ||
                isBlankByte(static_cast<unsigned char>(raw.back()))) {
                bool contiguous = false;
                value = patterns::trimValueView(raw, contiguous);
                if (!contiguous)
                    value = m_nodes.intern(patterns::trimValue(raw));
            }
            append(NodeKind::Scalar, value);
            return;
        }
        const NodeKind kind = first == '{' ? NodeKind::Object : NodeKind::Array;
        const int64_t s = raw.empty() ? 0 : static_cast<int64_t>(raw.data() - v.base->plain().data());
        const int64_t e = s + static_cast<int64_t>(raw.size());
        ScanView child;
        std::string_view value;
        if (canSlice(*v.base, s, e, raw)) {
            // Preparing this value again would not change it, and its strings pair up the
            // same way: its members are cut from the same buffers.
            child = ScanView{v.base, s, e - s};
            value = raw;
        } else {
            auto text = std::make_shared<const std::string>(patterns::trimValue(raw));
            m_nodes.keepAlive(text);
            value = *text;
            if (staysPrepared(*v.base, s + static_cast<int64_t>(lead), e)) {
                auto base = std::make_shared<const ScanBase>(std::move(text));
                child = ScanView{base, 0, base->size()};
            } else {
                child = loadWhole(*text, text);
            }
        }
        const int32_t node = append(kind, value);
        if (m_stack.size() >= kMaxNesting) {
            // Nested deeper than the brackets the scan counted showed (mismatched closers
            // on the way): the container stays closed.
            m_nestingCut = true;
            return;
        }
        m_opened = Frame{node, std::move(child), kind == NodeKind::Object};
    }

    // Trimming a slice of a prepared text that starts with '{' or '[' at the start of a
    // character leaves it prepared, unless protecting escapes would change the slice:
    // trimming only removes blanks next to line breaks and at the two ends, so it never
    // puts white space next to structure, nor a backslash next to a quote or another
    // backslash. The trimmed text then needs no preparing again.
    static bool staysPrepared(const ScanBase& b, int64_t s, int64_t e)
    {
        if (s > 0 && static_cast<unsigned char>(b.plain()[static_cast<std::size_t>(s - 1)]) >= 0x80)
            return false;
        return b.escapeHazards(s, e) == 0;
    }

    static bool canSlice(const ScanBase& b, int64_t s, int64_t e, std::string_view raw)
    {
        if (raw.empty() || isBlankByte(static_cast<unsigned char>(raw.front())) ||
            isBlankByte(static_cast<unsigned char>(raw.back())))
            return false;
        if (s > 0 && static_cast<unsigned char>(b.plain()[static_cast<std::size_t>(s - 1)]) >= 0x80)
            return false;
        // Strings pair up the same way in the slice as in the whole: the value was cut
        // where its quotes balance, and it starts outside any paired string.
        return b.escapeHazards(s, e) == 0 && b.trimHazards(s, e) == 0;
    }

    JsonNodeList& m_nodes;
    bool m_zeroBased;
    bool& m_nestingCut;
    // A vector rather than a deque: a deque frees and allocates a block whenever the
    // stack goes back and forth over a block boundary, which small nested arrays make it
    // do for every one of them.
    std::vector<Frame> m_stack;
    std::optional<Frame> m_opened;
    std::size_t m_releaseAt = releaseStride();
};

} // namespace

JsonDocument::JsonDocument() = default;
JsonDocument::~JsonDocument() = default;

void JsonDocument::parse(std::string& text, bool zeroBasedArrays, bool singleQuoteFormat)
{
    m_zeroBasedArrays = zeroBasedArrays;
    if (singleQuoteFormat)
        text = JsonScanner::convertSingleQuotes(text);
    parseShared(std::make_shared<const std::string>(text));
}

void JsonDocument::parseTaking(std::string&& text, bool zeroBasedArrays, bool singleQuoteFormat)
{
    m_zeroBasedArrays = zeroBasedArrays;
    if (singleQuoteFormat)
        text = JsonScanner::convertSingleQuotes(text);
    parseShared(std::make_shared<const std::string>(std::move(text)));
}

void JsonDocument::parseSharing(std::shared_ptr<const std::string> text, bool zeroBasedArrays)
{
    m_zeroBasedArrays = zeroBasedArrays;
    parseShared(std::move(text));
}

void JsonDocument::parseShared(std::shared_ptr<const std::string> text)
{
    m_nodes.clear();
    Parser(m_nodes, m_zeroBasedArrays, m_nestingCut).run(std::move(text));
}

void JsonDocument::parseDescribed(std::shared_ptr<const RootText> text, bool zeroBasedArrays)
{
    m_zeroBasedArrays = zeroBasedArrays;
    m_nodes.clear();
    Parser(m_nodes, m_zeroBasedArrays, m_nestingCut).run(nullptr, std::move(text));
}

namespace {

int builderThreads()
{
    return std::thread::hardware_concurrency() > 1 ? 2 : 1;
}

} // namespace

TreeContentBlock JsonDocument::buildTreeContent() const
{
    return buildTreeContentBlock(m_nodes, builderThreads());
}

void JsonDocument::forEachTreeContentPiece(const std::function<void(std::string_view)>& piece) const
{
    tess::forEachTreeContentPiece(m_nodes, builderThreads(), piece);
}

std::string JsonDocument::pathOfNode(int32_t index) const
{
    std::string path;
    int32_t i = index;
    for (int32_t parent = m_nodes.parentOf(i); parent >= 1; parent = m_nodes.parentOf(i)) {
        std::string name = m_nodes.nameOf(i);
        if (gbk::contains(name, "."))
            name = "\"" + name + "\"";
        if (!path.empty()) {
            name.push_back('.');
            name.append(path);
        }
        path = std::move(name);
        i = parent;
    }
    return path;
}

std::string JsonDocument::valueAt(std::string_view path, int32_t start)
{
    if (path.empty() || m_scanner.parsePath(path) == 0)
        return JsonScanner::compactWhitespace(m_nodes.valueView(1));
    const std::vector<std::string>& segments = m_scanner.pathSegments();
    if (start < 1) {
        // With repeated names, the first member under which the rest of the path exists.
        const int32_t found = followNames(m_nodes, segments);
        return found < 1 ? std::string() : cleanValue(m_nodes.valueView(found));
    }
    int32_t current = start;
    const int32_t startLevel = start >= 1 ? m_nodes.levelOf(start) : 0;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const int32_t i = static_cast<int32_t>(k) + 1;
        if (start >= 1 && i < startLevel)
            continue;
        current = m_nodes.findChildByName(i + 1, segments[k], current);
        if (current == -1)
            return {};
    }
    if (start >= 1 && current == start)
        return {};
    return cleanValue(m_nodes.valueView(current));
}

std::string JsonDocument::cleanValue(std::string_view value)
{
    // One string loses its quotes only: blanks between them are part of its text. (An
    // escaped quote inside is held as the placeholder, so a real quote inside means the
    // value is more than one string.)
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
        value.substr(1, value.size() - 2).find('"') == std::string_view::npos)
        return JsonScanner::restoreQuotes(value.substr(1, value.size() - 2));
    return JsonScanner::restoreQuotes(JsonScanner::trimKey(value));
}

std::string JsonDocument::capitalize(std::string_view text)
{
    // Only standalone ASCII letters change: the trail byte of a two-byte character is
    // left alone, so the text is never corrupted.
    std::string out(text);
    bool first = true;
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t u = patterns::unitLength(out, i);
        if (u == 1) {
            char& c = out[i];
            if (first && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            else if (!first && c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        first = false;
        i += u;
    }
    return out;
}

std::string JsonDocument::valueAtRelative(std::string_view relativePath)
{
    std::string path = m_basePath;
    if (!relativePath.empty()) {
        path.push_back('.');
        path.append(relativePath);
    }
    return valueAt(path, 0);
}

int32_t JsonDocument::childCountAtRelative(std::string_view relativePath, int32_t& outIndex)
{
    std::string path = m_basePath;
    if (!relativePath.empty()) {
        path.push_back('.');
        path.append(relativePath);
    }
    return childCountAt(m_scanner.convertPath(path, 1), outIndex);
}

int32_t JsonDocument::childCountAt(std::string_view path, int32_t& outIndex)
{
    if (path.empty() || m_scanner.parsePath(path) == 0)
        return m_nodes.childCountOf(1);
    const std::vector<std::string> segments = m_scanner.segmentCopy();
    int32_t current = 1;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        current = m_nodes.findChildByName(static_cast<int32_t>(k) + 2, segments[k], current);
        if (current == -1)
            return 0;
    }
    outIndex = current;
    return m_nodes.childCountOf(current);
}

void JsonDocument::setValueAt(std::string_view pathText, std::string_view value, NodeKind kind)
{
    std::string path(pathText);
    if (m_zeroBasedArrays)
        path = m_scanner.convertPath(path, 1);
    m_scanner.parsePath(path);
    const std::vector<std::string> segments = m_scanner.segmentCopy();
    int32_t current = 1;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        const int32_t found = m_nodes.findChildByName(static_cast<int32_t>(k) + 2, segments[k], current);
        if (found != -1) {
            current = found;
            continue;
        }
        for (std::size_t j = k; j < segments.size(); ++j)
            current = m_nodes.addNode(current, segments[j], NodeKind::Scalar, {});
        break;
    }
    m_nodes.setKind(current, static_cast<int32_t>(kind));
    m_nodes.setValue(current, value);
}

} // namespace tess
