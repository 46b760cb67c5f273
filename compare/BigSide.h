#pragma once
// A big document (json/big) as one side of a comparison: values read from the mapped
// bytes through the index as the comparison walks, nothing of the document held. No Qt.
#include "compare/CompareTypes.h"
#include "json/big/BigDocument.h"

#include <cstdint>
#include <string>

namespace tess::compare {

class BigSide {
public:
    using Item = big::Node;

    explicit BigSide(const big::BigDocument& doc) : m_doc(doc) {}

    class Cursor {
    public:
        bool next(Item& out) { return m_cursor.next(out); }

    private:
        friend class BigSide;
        big::ChildCursor m_cursor;
    };

    bool root(Item& out) const { return m_doc.root(out); }
    ValueType typeOf(const Item& item) const;
    void scalarKey(const Item& item, std::string& out) const;
    void memberName(const Item& item, std::string& out) const;
    uint64_t childCount(const Item& item) const { return m_doc.childCount(item); }
    // The children from number `from` (from 0) on: checkpoints of the index make this
    // quick in a big container.
    static constexpr bool kJumps = true;
    Cursor children(const Item& item, uint64_t from = 0) const
    {
        Cursor c;
        c.m_cursor = m_doc.children(item, from);
        return c;
    }
    uint64_t position(const Item& item) const { return item.start; }
    uint64_t total() const { return m_doc.bytes().size(); }
    // The value's bytes as they stand in the file (the same bytes are the same value).
    std::string_view rawText(const Item& item) const { return m_doc.bytes().substr(item.start, item.end - item.start); }
    // The value as written, blanks around structure left out (engine text).
    void appendText(const Item& item, std::string& out) const;

private:
    const big::BigDocument& m_doc;
};

} // namespace tess::compare
