#pragma once
// Paths of big-document nodes in the engine's path forms (json/PathSyntax.h): the tree's
// own form and jq, JSONPath, JavaScript and Python, written and read the same way, with
// names quoted and escaped by json/PathNames.h. Texts are engine texts (GB18030).
//
// A record of JSON Lines is "[line]" in the tree's form (its line number) and its
// position from 0 in the other four.
#include "json/PathSyntax.h"
#include "json/big/BigDocument.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tess::big {

struct PathForm {
    PathStyle style = PathStyle::Tree;
    bool compactTree = false; // a[1] instead of a.[1]
    bool zeroBased = false;   // the tree's form numbers elements from 0
};

// Appends the step from a node's parent to the node (first: the node is a child of the
// root). parentKind is the kind of the node's parent.
void appendPathStep(std::string& out, const BigDocument& doc, const Node& node, Kind parentKind, bool first,
                    const PathForm& form);
// What a path starts with before its first step ("$" for JSONPath), and the root's path.
std::string pathPrefix(const PathForm& form);
std::string rootPath(const PathForm& form);
// The path of chain.back(), chain[0] being the root.
std::string pathOf(const BigDocument& doc, const std::vector<Node>& chain, const PathForm& form);

// Resolves a typed path to the chain root ... node; false when it names nothing. Without a
// style, the forms are tried in the order nodeAtAnyPath uses: a path starting with "." or
// "$" as jq / JSONPath, then the tree's forms, then JavaScript / Python.
bool resolvePath(const BigDocument& doc, std::string_view path, std::optional<PathStyle> style, bool zeroBased,
                 std::vector<Node>& chain);

} // namespace tess::big
