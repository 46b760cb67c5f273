#include "app/AboutText.h"

namespace tess {

QString aboutText()
{
    static const char8_t* const kLines[] = {
        u8"【右键单击读取网址数据时，可以附加Ctrl键表示该数据是UTF-8，Alt键表示是GBK，否则自动识别编码】",
        u8"",
        u8"Tessarine 是给程序员用的 JSON 查看工具。它自己解析 JSON 文本，把其中的每一个对象、数组和值都显示成一棵树，"
        u8"让人很快找到需要的节点，并看到节点的路径和值。粘贴的内容不必是纯粹的 JSON：HTTP 响应、日志行、"
        u8"键名没有引号或使用单引号、末尾多了逗号或者被截断的片段，都可以载入。",
        u8"",
        u8"JSON（JavaScript Object Notation）是一种轻量级的数据交换格式。对象用花括号括起来，由“键:值”对组成；"
        u8"数组用方括号括起来，由逗号分隔的值组成；值可以是字符串、数字、true、false、null，也可以是对象或数组。",
        u8"",
        u8"开发说明：",
        u8"1. 七个标签页各保存一份文档，关闭时写入程序目录下的数据文件，下次启动时在第一次打开该页时读回。",
        u8"2. 选中树中的节点会显示它的路径、值和解码后的值；右键菜单可以复制这三项。",
        u8"3. “数组独立节点”决定路径里数组下标的写法：a.[0].b 或 a[0].b。",
        u8"4. 查找支持默认（文字）、通配（* 和 ?）和正则三种方式，可以忽略大小写，找到末尾后从头继续。",
        u8"5. 选项、查找设置、当前标签页和每棵树的选中项保存在 Tessarine.ini 中。",
    };
    QString text;
    bool first = true;
    for (const char8_t* line : kLines) {
        if (!first)
            text += QStringLiteral("\r\n");
        first = false;
        text += QString::fromUtf8(reinterpret_cast<const char*>(line));
    }
    return text;
}

} // namespace tess
