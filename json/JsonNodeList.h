#pragma once
// The node table: nodes in pre-order, addressed by 1-based index. Every node is
// immediately followed by its descendants. Texts are views into storage the list
// (or the document that fills it) keeps alive; setters copy their argument.
#include "json/JsonNode.h"
#include "json/RootText.h"
#include "json/TextSpace.h"
#include "platform/MessagePump.h"
#include "platform/Prefault.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tess {

class JsonNodeList {
public:
    JsonNodeList();
    ~JsonNodeList();
    JsonNodeList(const JsonNodeList&) = delete;
    JsonNodeList& operator=(const JsonNodeList&) = delete;

    // Appends a node under parent (as its last child), or as a top-level node when
    // parent is not a valid index. Copies name and value. Returns the new index.
    int32_t addNode(int32_t parent, std::string_view name, NodeKind kind, std::string_view value);

    // Removes node index (and its subtree, unless keepChildren applies). 1, or 0 when invalid.
    int32_t deleteNode(int32_t index, bool keepChildren);
    // Rewrites the ordinals of parent's children from ordinal from on, and resets
    // parent's childCount (rootCount for parent <= 0).
    void renumber(int32_t parent, int32_t from);

    int32_t subtreeEnd(int32_t index) const;
    // See the table-scan contract: counts (and optionally collects) nodes at level after start.
    int32_t collectAtLevel(int32_t level, std::vector<int32_t>* out, bool collect, int32_t& start,
                           int32_t kind, bool matchKind, int32_t& found, bool limitKind, int32_t& count) const;
    int32_t findNthAtLevel(int32_t level, int32_t n, int32_t start) const;
    int32_t findChildByName(int32_t level, std::string_view name, int32_t from) const;

    int32_t levelOf(int32_t index) const { return valid(index) ? levelOfNode(at(index)) : -1; }
    // The deepest level of the table (the root's is 1); 0 when it is empty.
    int32_t deepestLevel() const
    {
        int32_t depth = 0;
        for (int32_t i = 1; i <= nodeCount(); ++i)
            depth = std::max(depth, levelOfNode(at(i)));
        return depth;
    }
    int32_t parentOf(int32_t index) const;
    int32_t parentByOrdinals(int32_t index) const;
    bool hasChildren(int32_t index) const;
    int32_t childCountOf(int32_t index) const;
    std::string nameOf(int32_t index) const;
    int32_t kindOf(int32_t index) const;
    int32_t tagOf(int32_t index) const;
    std::string valueOf(int32_t index) const;
    int32_t ordinalOf(int32_t index) const;
    // Views valid until the next change of the table; empty for an invalid index.
    std::string_view nameView(int32_t index) const;
    std::string_view valueView(int32_t index) const;

    int32_t setName(int32_t index, std::string_view name);
    int32_t setKind(int32_t index, int32_t kind);
    int32_t setTag(int32_t index, int32_t tag, bool add);
    int32_t setValue(int32_t index, std::string_view value);

    // Name, value, kind and level of a valid index at once, for passes over every node.
    struct NodeTexts {
        std::string_view name; // empty when element is set
        std::string_view value;
        int32_t kind;
        int32_t level;
        int64_t element = -1; // the n of an element named "[n]", whose name is made when asked for
    };
    // The value of a container root kept as a RootText comes back empty here (a caption
    // does not show it); valueView makes it.
    NodeTexts textsOf(int32_t index) const
    {
        const Node& n = at(index);
        const int32_t kind = kindOfNode(index, n);
        uint32_t valueLen, nameLen;
        int32_t level;
        if (!isWide(n)) {
            valueLen = static_cast<uint32_t>(packed(n, kValueLen));
            nameLen = static_cast<uint32_t>(packed(n, kNameLen));
            level = static_cast<int32_t>(packed(n, kLevel));
        } else {
            const Wide& w = wide(n);
            valueLen = w.valueLen;
            nameLen = w.nameLen;
            level = w.level;
        }
        const std::string_view value = index == 1 && m_rootText && isKind(kind, NodeKind::Scalar)
                                           ? m_rootText->view()
                                           : m_texts.view(n.value, valueLen);
        if (isElement(n))
            return {{}, value, kind, level, int64_t(n.name)};
        return {m_texts.view(n.name, nameLen), value, kind, level};
    }
    // For the parser: node 1's value is text (which keeps its prepared copy alive), until
    // node 1 is removed or given another value. Readers may share it (rootText).
    void setRootText(std::shared_ptr<const RootText> text) { m_rootText = std::move(text); }
    // Node 1's value when it is kept as a RootText, else null.
    const std::shared_ptr<const RootText>& rootText() const { return m_rootText; }
    // The text every parsed text was cut from: the root's prepared copy when the root is
    // kept as a RootText, else the root's value.
    std::string_view rootScanText() const { return m_rootText ? m_rootText->prepared() : valueView(1); }

    int32_t nodeCount() const { return static_cast<int32_t>(m_nodes.size()); }
    // For many lookups in one table (every node's path, say): keep every node's parent
    // and an index of child names for large containers, built on first use. Off by
    // default, since building them costs more than a single lookup.
    void setBulkLookups(bool on)
    {
        m_bulkLookups = on;
        structureChanged();
    }

    // True once a name or value came in through addNode or a setter since the last
    // clear (rather than being cut from the parsed text).
    bool hasForeignTexts() const { return m_foreignTexts; }
    int32_t rootCount() const { return m_rootCount; }
    void clear();
    std::vector<JsonNode> snapshot() const;

    // For the parser: appends a node in pre-order whose texts are views into storage
    // that outlives the table (see keepAlive). The parent must be the last open
    // ancestor; the node lands at the end of the table.
    int32_t appendChildView(int32_t parent, std::string_view name, NodeKind kind, std::string_view value);
    // The same for an array element named "[number]": the name is not stored, but made
    // (once, for a run of numbers) when someone asks for it.
    int32_t appendElementView(int32_t parent, int32_t number, NodeKind kind, std::string_view value);
    // Keeps a text alive for as long as the table holds views into it; returns its view.
    std::string_view keepAlive(std::string text);
    // Copies a short text into the table's arena; the view stays valid until clear().
    std::string_view intern(std::string_view text);
    void keepAlive(std::shared_ptr<const std::string> text);
    // Bytes of the distinct buffers kept alive that way (how much text the views hold).
    std::size_t sharedBytes() const;
    // Makes room for nodes records, mapped in on a second thread while the parse runs.
    void reserve(std::size_t nodes);

private:
    // 16 bytes: texts by 32-bit reference, and one word that packs the kind, the level,
    // the child count, the ordinal and the two text lengths in narrow fields. A node whose
    // numbers do not fit there (a long text, a big container, a deep level, an ordinal an
    // edit moved away from its element number) is "wide": its packed word holds a slot in
    // m_wide, which keeps the numbers at full width. The kind's two bits stay in the word
    // either way (3 means a kind outside 0..2, kept in m_oddKinds).
    //
    // An element named "[n]" keeps n in place of its name reference, and its ordinal as
    // the difference from n (1 or 0 after a parse, whichever way elements are numbered),
    // so that a long array's elements stay narrow.
    using Meta = uint64_t;
    struct Node {
        uint32_t name;
        uint32_t value;
        Meta meta;
    };
    static_assert(sizeof(Node) == 16);
    struct Field {
        unsigned shift;
        unsigned bits;
        constexpr Meta mask() const { return ((Meta(1) << bits) - 1) << shift; }
        constexpr uint64_t max() const { return (uint64_t(1) << bits) - 1; }
    };
    static constexpr Meta kKindMask = 3;
    static constexpr Meta kWideBit = Meta(1) << 2;
    static constexpr Meta kElementBit = Meta(1) << 3;
    static constexpr unsigned kSlotShift = 32;
    static constexpr Field kLevel{4, 10};
    static constexpr Field kChildCount{14, 12};
    static constexpr Field kOrdinal{26, 12};
    static constexpr Field kNameLen{38, 10};
    static constexpr Field kValueLen{48, 16};
    static_assert(kValueLen.shift + kValueLen.bits == 64);
    static_assert(kChildCount.shift + kChildCount.bits <= kSlotShift);
    // An element's packed ordinal is ordinal - n + kOrdinalBias.
    static constexpr int64_t kOrdinalBias = 1 << 10;
    // A wide node's word: its kind and element bits, the wide bit, all ones in the packed
    // fields' bits below the slot, and the slot.
    static constexpr Meta kWideFill = ((Meta(1) << kSlotShift) - 1) & ~Meta(15);
    // The numbers of a wide node.
    struct Wide {
        int32_t level;
        int32_t childCount;
        int32_t ordinal;
        uint32_t nameLen;
        uint32_t valueLen;
    };
    static uint32_t clampLength(std::size_t n)
    {
        // Texts are bounded by the input size, which the loaders cap well below 4 GiB.
        return n < UINT32_MAX ? static_cast<uint32_t>(n) : UINT32_MAX - 1;
    }
    static bool isWide(const Node& n) { return (n.meta & kWideBit) != 0; }
    static bool isElement(const Node& n) { return (n.meta & kElementBit) != 0; }
    static uint32_t kindBits(const Node& n) { return static_cast<uint32_t>(n.meta & kKindMask); }
    static uint64_t packed(const Node& n, Field f) { return (n.meta & f.mask()) >> f.shift; }
    const Wide& wide(const Node& n) const { return m_wide[static_cast<std::size_t>(n.meta >> kSlotShift)]; }
    Wide& wide(const Node& n) { return m_wide[static_cast<std::size_t>(n.meta >> kSlotShift)]; }
    int32_t levelOfNode(const Node& n) const
    {
        return isWide(n) ? wide(n).level : static_cast<int32_t>(packed(n, kLevel));
    }
    int32_t childCountOfNode(const Node& n) const
    {
        return isWide(n) ? wide(n).childCount : static_cast<int32_t>(packed(n, kChildCount));
    }
    int32_t ordinalOfNode(const Node& n) const
    {
        if (isWide(n))
            return wide(n).ordinal;
        const int64_t o = static_cast<int64_t>(packed(n, kOrdinal));
        return isElement(n) ? static_cast<int32_t>(o - kOrdinalBias + int64_t(n.name)) : static_cast<int32_t>(o);
    }
    uint32_t nameLenOfNode(const Node& n) const
    {
        return isWide(n) ? wide(n).nameLen : static_cast<uint32_t>(packed(n, kNameLen));
    }
    uint32_t valueLenOfNode(const Node& n) const
    {
        return isWide(n) ? wide(n).valueLen : static_cast<uint32_t>(packed(n, kValueLen));
    }
    // The numbers of n packed into its word (kind and element bit kept), when they fit.
    static bool pack(Node& n, int32_t level, int32_t childCount, int32_t ordinal, uint32_t nameLen, uint32_t valueLen)
    {
        const int64_t ord = isElement(n) ? int64_t(ordinal) - int64_t(n.name) + kOrdinalBias : int64_t(ordinal);
        if (level < 0 || uint64_t(level) > kLevel.max() || childCount < 0 || uint64_t(childCount) > kChildCount.max() ||
            ord < 0 || uint64_t(ord) > kOrdinal.max() || nameLen > kNameLen.max() || valueLen > kValueLen.max())
            return false;
        n.meta = (n.meta & (kKindMask | kElementBit)) | (Meta(level) << kLevel.shift) |
                 (Meta(childCount) << kChildCount.shift) | (Meta(ord) << kOrdinal.shift) |
                 (Meta(nameLen) << kNameLen.shift) | (Meta(valueLen) << kValueLen.shift);
        return true;
    }
    // Sets n's numbers, packed when they fit, else in a wide slot (n's own when it has one).
    void setNumbers(Node& n, int32_t level, int32_t childCount, int32_t ordinal, uint32_t nameLen, uint32_t valueLen);
    void setChildCount(Node& n, int32_t count);
    void setOrdinal(Node& n, int32_t ordinal);
    int32_t kindOfNode(int32_t index, const Node& n) const
    {
        const uint32_t bits = kindBits(n);
        return bits != 3 ? static_cast<int32_t>(bits) : oddKind(index);
    }
    int32_t oddKind(int32_t index) const;
    void setKindBits(int32_t index, int32_t kind);
    // Moves the tags and odd kinds of nodes at index >= from by delta (after an insertion
    // or removal).
    void shiftTags(int32_t from, int32_t delta);
    // Drops the lookup caches below; every change of structure or names calls it.
    void structureChanged()
    {
        m_parentsValid = false;
        if (!m_childIndex.empty())
            m_childIndex.clear();
    }
    bool valid(int32_t index) const { return index >= 1 && index <= nodeCount(); }
    // Visits the nodes at level after start, skipping deeper ones by their child counts,
    // until a shallower node or the end of the table. visit(index) returns true to stop
    // there; the result is that index, or -1 when the scan ran out.
    template <typename Visit>
    int32_t scanLevel(int32_t level, int32_t start, Visit visit) const;
    const Node& at(int32_t index) const { return m_nodes[static_cast<std::size_t>(index) - 1]; }
    Node& at(int32_t index) { return m_nodes[static_cast<std::size_t>(index) - 1]; }
    std::string_view store(std::string_view text);
    // The text "[number]", made with the names of the numbers around it on first use.
    std::string_view elementName(uint32_t number) const;
    // Appends n (texts and element bit set) with the given value length and name length.
    void appendNode(int32_t parent, Node n, uint32_t nameLen, uint32_t valueLen, NodeKind kind);
    void appendWide(Node n, int32_t level, int32_t ordinal, uint32_t nameLen, uint32_t valueLen);

    std::vector<Node> m_nodes;
    std::vector<Wide> m_wide; // by slot; a slot is never reused before clear()
    // While the parser appends into reserved room, the pages of the next one or two
    // windows of records are mapped in on a second thread; when the table reaches
    // m_prefaultMark, one more window is asked for. A window is 1 MiB of records: pages
    // mapped in ahead of the parse are memory the scan buffers have not yet given back.
    static constexpr std::size_t kPrefaultWindow = std::size_t(1) << 16;
    void prefaultAhead(std::size_t records);
    std::size_t m_prefaultMark = SIZE_MAX;
    std::size_t m_prefaultedTo = 0;
    BackgroundPrefault m_prefault;
    int32_t m_rootCount = 0;
    // Tags are spare and almost always 0: only the others are kept, by node index, so
    // that a node record stays small.
    std::unordered_map<int32_t, int32_t> m_tags;
    std::unordered_map<int32_t, int32_t> m_oddKinds;
    TextSpace m_texts;
    bool m_foreignTexts = false;
    bool m_bulkLookups = false;
    // Lookup caches, so that a path of a node in a huge array costs no more than a
    // walk over its ancestors: every node's parent (computed in one pass, the same
    // answer the backward walk by ordinals gives in a well-formed table), and for
    // containers with many children the first child of each name.
    mutable std::vector<int32_t> m_parents;
    mutable bool m_parentsValid = false;
    mutable std::unordered_map<int32_t, std::unordered_map<std::string_view, int32_t>> m_childIndex;
    std::deque<std::string> m_owned;                        // long texts copied in
    std::vector<std::unique_ptr<char[]>> m_arena;           // short texts, in chunks
    std::size_t m_arenaUsed = 0;
    std::size_t m_arenaSize = 0;
    std::vector<std::shared_ptr<const std::string>> m_shared; // buffers the parser's views point into
    std::shared_ptr<const RootText> m_rootText; // node 1's value, when set by setRootText
    // Element names made so far, kElementNameRun numbers per run: the names back to back
    // and where each starts (one more offset than names).
    static constexpr uint32_t kElementNameRun = 4096;
    struct ElementNames {
        std::string text;
        std::vector<uint32_t> starts;
    };
    mutable std::vector<std::unique_ptr<ElementNames>> m_elementNames;
};

inline int32_t JsonNodeList::appendChildView(int32_t parent, std::string_view name, NodeKind kind, std::string_view value)
{
    appendNode(parent, Node{m_texts.refOf(name), m_texts.refOf(value), 0}, clampLength(name.size()),
               clampLength(value.size()), kind);
    return nodeCount();
}

inline int32_t JsonNodeList::appendElementView(int32_t parent, int32_t number, NodeKind kind, std::string_view value)
{
    appendNode(parent, Node{static_cast<uint32_t>(number), m_texts.refOf(value), kElementBit}, 0,
               clampLength(value.size()), kind);
    return nodeCount();
}

inline void JsonNodeList::appendNode(int32_t parent, Node n, uint32_t nameLen, uint32_t valueLen,
                                                           NodeKind kind)
{
    const uint32_t k = static_cast<uint32_t>(kind);
    uint32_t level = 1;
    int32_t ordinal;
    if (static_cast<uint32_t>(parent) - 1u < m_nodes.size()) {
        Node& p = m_nodes[static_cast<std::size_t>(parent) - 1];
        // A wide node's packed fields are all ones, so its count never looks below the
        // limit here.
        if ((p.meta & kChildCount.mask()) < kChildCount.mask()) {
            p.meta += Meta(1) << kChildCount.shift;
            ordinal = static_cast<int32_t>(packed(p, kChildCount));
            level = static_cast<uint32_t>(packed(p, kLevel)) + 1;
        } else if (isWide(p)) {
            Wide& w = wide(p);
            ordinal = ++w.childCount;
            level = static_cast<uint32_t>(w.level) + 1;
        } else {
            ordinal = childCountOfNode(p) + 1;
            setChildCount(p, ordinal);
            level = static_cast<uint32_t>(levelOfNode(p)) + 1;
        }
    } else {
        ordinal = ++m_rootCount;
    }
    // Every field fits when no value has a bit above its width.
    const uint64_t ord = isElement(n) ? static_cast<uint64_t>(int64_t(ordinal) - int64_t(n.name) + kOrdinalBias)
                                      : static_cast<uint64_t>(static_cast<uint32_t>(ordinal));
    if (((level >> kLevel.bits) | (ord >> kOrdinal.bits) | (nameLen >> kNameLen.bits) | (valueLen >> kValueLen.bits)) == 0) {
        n.meta |= (k <= 2 ? k : 0) | (Meta(level) << kLevel.shift) | (Meta(ord) << kOrdinal.shift) |
                  (Meta(nameLen) << kNameLen.shift) | (Meta(valueLen) << kValueLen.shift);
        m_nodes.push_back(n);
    } else {
        n.meta |= k <= 2 ? k : 0;
        appendWide(n, static_cast<int32_t>(level), ordinal, nameLen, valueLen);
    }
    if (m_nodes.size() == m_prefaultMark)
        prefaultAhead(kPrefaultWindow);
    if (k > 2)
        setKindBits(nodeCount(), static_cast<int32_t>(kind));
    structureChanged();
}

template <typename Visit>
int32_t JsonNodeList::scanLevel(int32_t level, int32_t start, Visit visit) const
{
    int64_t j = int64_t(start < 0 ? 0 : start) + 1;
    while (j <= nodeCount()) {
        pumpMessages();
        const Node& node = at(static_cast<int32_t>(j));
        const int32_t l = levelOfNode(node);
        if (l == level) {
            if (visit(static_cast<int32_t>(j)))
                return static_cast<int32_t>(j);
            ++j;
        } else if (l < level) {
            return -1;
        } else {
            const int32_t c = childCountOfNode(node);
            j += 1 + int64_t(c < 0 ? 0 : c);
        }
    }
    return -1;
}

} // namespace tess
