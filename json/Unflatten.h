#pragma once
// A document rebuilt from flat lines (`PATH = VALUE;`, the path in jq syntax, the value
// JSON, UTF-8): any subset of the lines json/big/FlatLines.h writes, in any order. Members
// keep the order in which their names first appear; an element left out of an array is
// null. A later line wins where lines disagree: a value replaces what stood at its path,
// and a path through a value or a container of the other kind replaces it by the
// container the path needs. Lines of a member name repeated in an object (which JSON
// readers take the last of) rebuild one member holding all their members. No Qt.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

class Unflattener {
public:
    Unflattener();
    ~Unflattener();
    // Takes one line (without its line feed; a blank line is skipped). False with an
    // English message when the line is no flat line.
    bool addLine(std::string_view line, std::string& error);
    // True once a line was taken.
    bool hasValue() const;
    // The document as compact JSON, in pieces.
    void write(const std::function<void(std::string_view)>& piece) const;

private:
    struct Node;
    std::vector<Node> m_nodes; // [0] is the root
    uint32_t add();
    void reset(uint32_t at, int kind);
};

} // namespace tess
