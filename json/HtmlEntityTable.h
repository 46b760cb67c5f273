#pragma once
// The 252 character entity references of HTML 4.01 with their code points, in the
// order of its three lists: Latin-1 (nbsp .. yuml), symbols and Greek (fnof .. diams),
// special characters (quot .. euro). "nbsp" maps to a plain blank (32), not 160.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>

namespace tess {

struct HtmlEntity {
    std::string_view name; // case kept: "Agrave" and "agrave" are separate entries
    int32_t codePoint;
};

class HtmlEntityTable {
public:
    // The table, filled from constant data on first use (thread-safe), kept until exit.
    static const HtmlEntityTable& instance();

    std::size_t size() const;
    const HtmlEntity& at(std::size_t index) const; // index < size()

    // Code point of the first entry whose name equals name byte for byte; -1 if none.
    int32_t lookup(std::string_view name) const;

    // Length of the longest name; longer texts never match.
    static constexpr std::size_t kMaxNameLength = 8;

private:
    HtmlEntityTable();
    std::unordered_map<std::string_view, int32_t> m_byName;
};

} // namespace tess
