#pragma once
// What a comparison speaks of: the kinds of values, the kinds of differences, and the
// path from the root to where one was found. No Qt.
#include <cstdint>
#include <string>
#include <vector>

namespace tess::compare {

enum class ValueType : uint8_t { Null, False, True, Number, String, Object, Array, Other };

// Values of one type: true and false are both booleans; other text (a bare word the
// tolerant reader kept) is a type of its own.
inline int typeGroup(ValueType t)
{
    return t == ValueType::True ? static_cast<int>(ValueType::False) : static_cast<int>(t);
}

enum class DiffKind : uint8_t {
    Added,       // only on the right
    Removed,     // only on the left
    Changed,     // another value of the same type
    TypeChanged, // a value of another type
};

// One step from a container to a value: an element by its position from 0 (on the left,
// except for an added element, whose position is on the right), or a member by the
// characters of its name (UTF-8, escapes decoded).
struct PathStep {
    bool isIndex = false;
    uint64_t index = 0;
    std::string name;
};
using Path = std::vector<PathStep>;

enum class NoteKind : uint8_t {
    StoredOrder, // an object with too many members to pair by name: paired in stored order
    NotAligned,  // an array whose differing middle was too long to align: element by element
};

struct Note {
    NoteKind kind = NoteKind::StoredOrder;
    Path path;
    uint64_t size = 0; // members or elements (the larger side)
};

} // namespace tess::compare
