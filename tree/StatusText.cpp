#include "tree/StatusText.h"

#include "json/NestingLimit.h"

#include "json/JsonNode.h"
#include "platform/Codec.h"
#include "tree/Stopwatch.h"

#include <cstdio>

namespace tess {

std::string groupedNumber(int64_t value)
{
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    const std::size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(digits, 0, first);
    for (std::size_t i = first; i < digits.size(); i += 3) {
        out += ',';
        out.append(digits, i, 3);
    }
    return negative ? "-" + out : out;
}

std::string sizeText(int64_t bytes)
{
    char buf[32];
    const double b = static_cast<double>(bytes);
    if (bytes < 1000)
        return std::to_string(bytes) + std::string(codec::gb(u8" 字节"));
    if (b < 1e6)
        std::snprintf(buf, sizeof buf, "%.1f KB", b / 1e3);
    else if (b < 1e9)
        std::snprintf(buf, sizeof buf, "%.1f MB", b / 1e6);
    else
        std::snprintf(buf, sizeof buf, "%.2f GB", b / 1e9);
    return buf;
}

std::string strictReasonText(const std::string& reason)
{
    static const struct {
        const char* english;
        const char8_t* chinese;
    } kReasons[] = {
        {"unexpected end of input", u8"文本在值结束前结束"},
        {"text after the JSON value", u8"值之后还有文字"},
        {"unexpected bracket", u8"此处不应有括号"},
        {"unexpected }", u8"多余的 }"},
        {"unexpected ]", u8"多余的 ]"},
        {"unexpected comma", u8"多余的逗号"},
        {"unexpected colon", u8"多余的冒号"},
        {"expected a colon", u8"此处应为冒号"},
        {"expected a comma or a closing bracket", u8"此处应为逗号或右括号"},
        {"expected a quoted member name", u8"此处应为带双引号的名称"},
        {"invalid value", u8"无效的值"},
        {"control character in a string", u8"字符串中有控制字符"},
        {"invalid escape", u8"无效的转义"},
        {"invalid UTF-8", u8"无效的 UTF-8"},
        {"unterminated string", u8"字符串未结束"},
        {"no JSON value", u8"没有 JSON 值"},
    };
    for (const auto& r : kReasons)
        if (reason == r.english)
            return std::string(codec::gb(r.chinese));
    return reason;
}

std::string statusText(const DocumentFacts& doc, const NodeFacts& node)
{
    if (doc.nodes <= 0)
        return {};
    const std::string dot(codec::gb(u8" · "));
    std::string s(codec::gb(u8"节点 "));
    s += groupedNumber(doc.nodes);
    s += dot;
    s += codec::gb(u8"深度 ");
    s += std::to_string(doc.depth);
    s += dot;
    s += sizeText(doc.bytes);
    if (doc.loadMs >= 0) {
        s += dot;
        s += codec::gb(u8"载入 ");
        s += formatElapsed(doc.loadMs);
    }
    if (doc.unclosedLine > 0) {
        s += dot;
        s += codec::gb(u8"文本不完整：第 ");
        s += groupedNumber(doc.unclosedLine);
        s += codec::gb(u8" 行（第 ");
        s += groupedNumber(doc.unclosedByte);
        s += codec::gb(doc.unclosedObject ? u8" 字节）起的对象未闭合，其内容未显示" : u8" 字节）起的数组未闭合，其内容未显示");
    }
    if (doc.strictLine > 0) {
        s += dot;
        s += codec::gb(u8"非标准JSON：第 ");
        s += groupedNumber(doc.strictLine);
        s += codec::gb(u8" 行第 ");
        s += groupedNumber(doc.strictColumn);
        s += codec::gb(u8" 列 ");
        s += strictReasonText(doc.strictReason);
    }
    if (doc.nestingCut) {
        s += dot;
        s += codec::gb(u8"嵌套超过 ");
        s += std::to_string(kMaxNesting);
        s += codec::gb(u8" 层，更深处起的内容未显示");
    }
    if (node.kind < 0)
        return s;
    s += "  |  ";
    static const char8_t* const kKinds[] = {u8"值", u8"对象", u8"数组"}; // by NodeKind
    s += codec::gb(isPlainKind(node.kind) ? kKinds[node.kind] : u8"值");
    if (isContainerKind(node.kind)) {
        s += dot;
        s += groupedNumber(node.children);
        s += codec::gb(u8" 个子节点");
    }
    if (node.siblings > 0) {
        s += dot;
        s += codec::gb(u8"第 ");
        s += groupedNumber(node.position);
        s += codec::gb(u8" 个，共 ");
        s += groupedNumber(node.siblings);
        s += codec::gb(u8" 个");
    }
    return s;
}

} // namespace tess
