#pragma once
// A document of the tolerant engine as one side of a comparison: its node table read in
// place. Items are node indexes. No Qt.
#include "compare/CompareTypes.h"
#include "json/JsonDocument.h"

#include <cstdint>
#include <string>

namespace tess::compare {

class EngineSide {
public:
    using Item = int32_t;

    explicit EngineSide(const JsonDocument& doc) : m_nodes(doc.nodes()) {}

    class Cursor {
    public:
        bool next(Item& out);

    private:
        friend class EngineSide;
        const JsonNodeList* m_nodes = nullptr;
        int32_t m_next = -1;  // the next child, or -1
        int32_t m_level = 0;  // the children's level
    };

    bool root(Item& out) const;
    ValueType typeOf(Item item) const;
    // A number's canonical value, a string's characters (UTF-8), other text as written
    // (UTF-8); appended to out.
    void scalarKey(Item item, std::string& out) const;
    // A member's name as characters (UTF-8); appended to out.
    void memberName(Item item, std::string& out) const;
    uint64_t childCount(Item item) const;
    Cursor children(Item item) const;
    // Whether children(item, from) is quicker than stepping a cursor: not here.
    static constexpr bool kJumps = false;
    Cursor children(Item item, uint64_t from) const;
    // How far a walk in document order has come, out of total().
    uint64_t position(Item item) const { return static_cast<uint64_t>(item); }
    uint64_t total() const { return static_cast<uint64_t>(m_nodes.nodeCount()); }
    // The value's text as it stands in the document (the same text is the same value).
    std::string_view rawText(Item item) const;
    // The value as written, blanks around structure left out (engine text).
    void appendText(Item item, std::string& out) const;

private:
    const JsonNodeList& m_nodes;
};

} // namespace tess::compare
