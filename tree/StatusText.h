#pragma once
// The status line's text: facts about the current slot's document and the selected node.
#include <cstdint>
#include <string>

namespace tess {

struct DocumentFacts {
    int64_t nodes = 0;      // 0: the slot shows no document
    int64_t depth = 0;      // deepest level (root = 1)
    int64_t bytes = 0;      // the size the user knows: the file's, or the text's in UTF-8
    int64_t loadMs = -1;    // -1: not known (loaded before this run measured it)
    // A cut-off text: the line and byte (1-based, in UTF-8) of the object or array from
    // which its content is not shown; 0 when nothing is left out.
    int64_t unclosedLine = 0;
    int64_t unclosedByte = 0;
    bool unclosedObject = false;
    // Not standard JSON: the first error's line and column (1-based, 0 when the text is
    // standard or not yet checked) and its English reason (said in Chinese when known).
    int64_t strictLine = 0;
    int64_t strictColumn = 0;
    std::string strictReason;
    bool nestingCut = false; // read up to where it nests deeper than kMaxNesting
};

struct NodeFacts {
    int32_t kind = -1;      // NodeKind; -1 when nothing is selected
    // 64-bit: a container of a big file may hold more than 2^31 children.
    int64_t children = 0;
    int64_t position = 0;   // 1-based among its siblings
    int64_t siblings = 0;   // children of its parent (top-level items for the root)
};

// "节点 1,234 · 深度 5 · 2.5 MB · 载入 120 毫秒", for a cut-off text then
// " · 文本不完整：第 3 行（第 25 字节）起的数组未闭合，其内容未显示", then, when a node is
// selected, "  |  数组 · 3 个子节点 · 第 2 个，共 7 个" (GB18030); a text that is not
// standard JSON adds " · 非标准JSON：第 1 行第 5 列 此处应为带引号的名称" before the node's
// part. Empty for an empty slot.
std::string statusText(const DocumentFacts& doc, const NodeFacts& node);

// The Chinese words for a reason the standard-JSON check gives (json/big/StrictCheck.h);
// the English text itself for one it does not know. GB18030.
std::string strictReasonText(const std::string& reason);

// 1234567 -> "1,234,567".
std::string groupedNumber(int64_t value);
// Bytes as "512 字节", "3.4 KB", "20.0 MB", "1.50 GB" (powers of 1000).
std::string sizeText(int64_t bytes);

} // namespace tess
