#pragma once
#include "json/JsonDocument.h"

#include <string>
#include <vector>

namespace tess::testing {

// One line per node: "level kind childCount ordinal name=value".
inline std::string dumpNodes(const std::vector<JsonNode>& nodes)
{
    std::string out;
    for (const JsonNode& n : nodes) {
        out += std::to_string(n.level) + " " + std::to_string(n.kind) + " " + std::to_string(n.childCount) + " " +
               std::to_string(n.ordinal) + " " + n.name + "=" + n.value + "\n";
    }
    return out;
}

inline std::vector<JsonNode> parseNodes(std::string text, bool zeroBased = false, bool singleQuote = false)
{
    JsonDocument doc;
    doc.parse(text, zeroBased, singleQuote);
    return doc.nodes().snapshot();
}

// "name=value" of the nodes below the root, in table order.
inline std::vector<std::string> members(const std::string& text, bool zeroBased = false, bool singleQuote = false)
{
    std::vector<std::string> out;
    const auto nodes = parseNodes(text, zeroBased, singleQuote);
    for (std::size_t i = 1; i < nodes.size(); ++i)
        out.push_back(nodes[i].name + "=" + nodes[i].value);
    return out;
}

} // namespace tess::testing
