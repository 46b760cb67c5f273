#pragma once
// A node's path in the syntaxes programmers paste into other tools, and the reverse:
// a typed path in any of them resolved to a node.
//
//   Tree        the tree's own form (a.[0].b canonical, a[0].b compact), indexes as the
//               document numbers them (from 0 or from 1)
//   Jq          .data.items[0].id     .["odd key"]     .a["odd key"]     root: .
//   JsonPath    $.data.items[0].id    $['odd key']                        root: $
//   JavaScript  data.items[0].id      ["odd key"]      a["odd key"]      root: empty
//   Python      ["data"]["items"][0]["id"]                                root: empty
//
// The four foreign syntaxes number array elements from 0 whatever the document's option
// says. A member name is written bare only when it is an ASCII identifier of that syntax;
// any other name (dots, quotes, blanks, a digit first, backslashes, control characters,
// non-ASCII text such as CJK) is quoted and escaped for it. Names are read as JSON string
// contents: "\n", "\u4e2d" and the engine's stored escaped quote stand for the characters
// they encode, so the path names the member that jq, JavaScript or Python would see.
//
// All texts are GB18030 (engine texts); no Qt. Nodes are 1-based table indexes: tree
// item i shows node i + 1, so a window passes selectedItem() + 1 and selects node - 1.
#include "json/JsonDocument.h"
#include "json/PathNames.h"

#include <string>
#include <string_view>
#include <vector>

namespace tess {

enum class PathStyle { Tree, Jq, JsonPath, JavaScript, Python };

// "tree", "jq", "jsonpath", "js" (also "javascript") or "python". False for any other name.
bool parsePathStyle(std::string_view name, PathStyle* style);

// One step of a path in jq, JSONPath, JavaScript or Python (Tree writes Python's form):
// an element by its zero-based index, or a member by the characters of its name. first
// is the step right after the root.
void appendIndexStep(std::string& out, PathStyle style, bool first, long long index);
void appendNameStep(std::string& out, PathStyle style, bool first, const pathnames::NameChars& chars);

// The path of node `node` in that style. Tree gives what the path box shows today:
// JsonDocument::pathOfNode, turned into the compact form when compactTree is set (the
// window's "数组独立节点" unchecked; the command line's --compact-paths). The empty text
// for an invalid node; for the root: "" (Tree, JavaScript, Python), "." (Jq), "$" (JsonPath).
std::string pathInStyle(const JsonDocument& doc, int node, PathStyle style, bool compactTree = false);

// Every node's path in one style, in table order, each made from its parent's path, so
// that a pass over the whole table (the command line's --paths) costs time in proportion
// to the text it writes. Gives what pathInStyle gives.
class PathsInOrder {
public:
    PathsInOrder(const JsonDocument& doc, PathStyle style, bool compactTree = false);
    // The path of node; call for node = 2, 3, ... in turn, none left out. Valid until
    // the next call.
    std::string_view next(int node);

private:
    struct Step {
        int node;
        std::size_t end;      // where its segment ends in m_path
        std::size_t shownEnd; // the tree form: where the path ends (trailing empty names drop)
    };
    const JsonDocument& m_doc;
    PathStyle m_style;
    bool m_compact;
    std::vector<Step> m_chain; // one step per level, the root's first
    std::string m_path;
    std::string m_shown;
    pathnames::NameChars m_chars;
};

// Resolves a typed path to a node index, or -1 when it names nothing.
// Accepts the tree's two forms and the four syntaxes above (and jq's ."key", bracketed
// names in single or double quotes, negative indexes counted from the end).
// The empty text names the root; so do "." and "$", except that a lone "$" names a
// top-level member "$" when there is one. Blanks around the whole path are ignored.
// Order of reading, first one that names a node wins:
//   1. a text starting with "." or "$" as jq / JSONPath;
//   2. the tree's canonical form, exactly as valueAt reads it;
//   3. the tree's compact form (every [n] after a name taken as its own segment);
//   4. JavaScript / Python (zero-based).
// So in a document numbered from 1, "a[1]" is the first element (the tree's reading);
// nodeAtPath with an explicit style reads it one way only.
int nodeAtAnyPath(const JsonDocument& doc, std::string_view path);

// Resolves a path in one syntax only. Tree reads both tree forms (steps 2 and 3 above);
// Jq needs the leading ".", JsonPath the leading "$"; JavaScript and Python read the
// bracket and dot forms of the two.
int nodeAtPath(const JsonDocument& doc, std::string_view path, PathStyle style);

// A typed path looked up: the node, or -1; readable is false when the text is not a path
// at all, as opposed to a path that names no node.
struct PathLookup {
    int node = -1;
    bool readable = true;
    PathStyle style = PathStyle::Tree; // when not readable: the syntax it failed in
};

// nodeAtAnyPath, telling the two apart: a text is unreadable when it names no node and
// is not well formed in the syntax it starts like (jq for ".", JSONPath for "$." and
// "$[", JavaScript and Python for "["), such as ".[" or "[\"a\"". Any other text could
// be a tree path.
PathLookup lookUpAnyPath(const JsonDocument& doc, std::string_view path);

// nodeAtPath, telling the two apart: unreadable is a text that is no path of that syntax
// (a jq path without its ".", a bracket or quote left open; in the tree's form a text that
// yields no segment).
PathLookup lookUpPath(const JsonDocument& doc, std::string_view path, PathStyle style);

// One way of reading a typed path: the syntax and the node it names there.
struct PathReading {
    PathStyle style = PathStyle::Tree; // JavaScript stands for Python's form too
    bool compactTree = false;          // with Tree: read in the compact form
    int node = -1;
};

// The different nodes a typed path names, each with the first syntax that names it, in
// the order the path box takes them: jq or JSONPath (by the leading "." or "$"), the
// tree's form the path box shows (compact when compactTree), JavaScript and Python, then
// the tree's other form. So a path that a copy command gives under the current options
// is among them (first, unless another copy command gives the same text for another
// node), and a path of the other tree form is still understood. Empty when it names
// nothing.
std::vector<PathReading> pathReadings(const JsonDocument& doc, std::string_view typed, bool compactTree);

// The value text of a node as the value box shows it: JsonDocument::cleanValue of its
// value, and for the root the whole text with blanks around structure removed (what
// valueAt gives for the empty path). Empty for an invalid node.
std::string valueOfNode(const JsonDocument& doc, int node);
// The same text, for a pass over many nodes: a view into the table where the value needs
// no change (a compact container's text, say), else into scratch, which holds it then.
std::string_view valueOfNode(const JsonDocument& doc, int node, std::string& scratch);

} // namespace tess
