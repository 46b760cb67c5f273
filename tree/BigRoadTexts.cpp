#include "tree/BigRoadTexts.h"

#include "platform/Codec.h"

#include <utility>

namespace tess {
namespace {

struct Text {
    std::string_view english;
    const char8_t* chinese;
};

// Whole messages.
constexpr Text kWhole[] = {
    {"UTF-16 text (this reader takes UTF-8)", u8"UTF-16 文本"},
    {"cancelled", u8"已停止"},
    {"control character in a string", u8"字符串中有控制字符"},
    {"expected a colon", u8"此处应为冒号"},
    {"expected a comma or a closing bracket", u8"此处应为逗号或右括号"},
    {"expected a quoted member name", u8"此处应为带引号的成员名"},
    {"invalid UTF-8", u8"不是有效的 UTF-8"},
    {"invalid escape", u8"无效的转义"},
    {"invalid value", u8"无效的值"},
    {"no JSON value", u8"没有 JSON 值"},
    {"text after the JSON value", u8"JSON 值之后还有内容"},
    {"two values on one line", u8"一行中有两个值"},
    {"unexpected bracket", u8"多余的括号"},
    {"unexpected colon", u8"多余的冒号"},
    {"unexpected comma", u8"多余的逗号"},
    {"unexpected }", u8"多余的 }"},
    {"unexpected ]", u8"多余的 ]"},
    {"unexpected end of input", u8"文本意外结束"},
    {"unexpected end of line", u8"行意外结束"},
    {"unterminated string", u8"字符串未结束"},
    {"the file was cut short while it was read", u8"读取时文件被截短了"},
    {"not a regular file", u8"不是普通文件"},
};

// A message with a number or a path in it: the English around it, and the Chinese.
struct Framed {
    std::string_view before, after;
    const char8_t* chineseBefore;
    const char8_t* chineseAfter;
};
constexpr Framed kFramed[] = {
    {"nested deeper than ", " levels", u8"嵌套超过 ", u8" 层"},
    {"more than ", " broken lines", u8"超过 ", u8" 行不是有效的 JSON"},
    {"more than ", " files are open at once", u8"同时打开的文件超过 ", u8" 个"},
    {"cannot open ", "", u8"无法打开 ", u8""},
    {"cannot read ", "", u8"无法读取 ", u8""},
    {"cannot map: ", "", u8"无法映射文件：", u8""},
    {"cannot write the converted copy: ", "", u8"无法写入转换后的副本：", u8""},
};

std::string toGb(std::string_view utf8)
{
    return codec::utf8ToGb18030(utf8).text;
}

} // namespace

std::string bigRoadTextForWindow(std::string_view english)
{
    for (const Text& t : kWhole)
        if (english == t.english)
            return std::string(codec::gb(t.chinese));
    for (const Framed& f : kFramed) {
        if (!english.starts_with(f.before) || !english.ends_with(f.after) ||
            english.size() < f.before.size() + f.after.size())
            continue;
        std::string middle(english.substr(f.before.size(), english.size() - f.before.size() - f.after.size()));
        // "PATH: REASON" keeps its reason after a Chinese colon
        if (f.after.empty() && f.chineseAfter[0] == 0) {
            const std::size_t colon = middle.rfind(": ");
            if (colon != std::string::npos)
                middle = middle.substr(0, colon) + std::string(reinterpret_cast<const char*>(u8"：")) + middle.substr(colon + 2);
        }
        return std::string(codec::gb(f.chineseBefore)) + toGb(middle) + std::string(codec::gb(f.chineseAfter));
    }
    return toGb(english);
}

} // namespace tess
