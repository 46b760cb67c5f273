#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tess {

// What the engine holds in place of an escaped quote \" in names and values, so that
// string masking never takes it for a quote; shown as \" again.
inline constexpr std::string_view kQuotePlaceholder = "#SYH#";

enum class NodeKind : int32_t {
    Scalar = 0, // strings, numbers, true/false/null and any other bare text
    Object = 1,
    Array = 2,
};

// Kinds travel as int32_t (an edited table may hold other values); these read them.
constexpr bool isKind(int32_t kind, NodeKind k)
{
    return kind == static_cast<int32_t>(k);
}
constexpr bool isContainerKind(int32_t kind)
{
    return isKind(kind, NodeKind::Object) || isKind(kind, NodeKind::Array);
}
// One of the three kinds above (not an odd value an edit left).
constexpr bool isPlainKind(int32_t kind)
{
    return kind >= static_cast<int32_t>(NodeKind::Scalar) && kind <= static_cast<int32_t>(NodeKind::Array);
}

// One node as handed out by JsonNodeList::snapshot (owned copies of the texts).
struct JsonNode {
    std::string name;       // member key, "[n]" for an array element, "JSON" for the root
    int32_t kind = 0;       // NodeKind
    std::string value;      // raw source text of the value ("\"" escapes held as "#SYH#")
    int32_t tag = 0;        // spare integer
    int32_t level = 1;      // 1 for a top-level node
    int32_t childCount = 0; // direct children
    int32_t ordinal = 1;    // 1-based position among its siblings
};

} // namespace tess
