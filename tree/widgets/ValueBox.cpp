#include "tree/widgets/ValueBox.h"

#include "json/ValueFormatter.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"

#include <algorithm>

namespace tess {

ValueBox::ValueBox(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_setting)
            m_valueCurrent = false;
    });
}

void ValueBox::setValueText(std::string_view gb)
{
    setValueText(SharedText(std::string(gb)));
}

void ValueBox::setValueText(std::string&& gb)
{
    setValueText(SharedText(std::move(gb)));
}

void ValueBox::setValuePart(std::string&& gb, uint64_t wholeBytes)
{
    m_value = SharedText(std::move(gb));
    m_wholeBytes = wholeBytes;
    display();
    m_valueCurrent = true;
}

void ValueBox::setValueText(SharedText gb)
{
    m_wholeBytes = 0;
    m_value = std::move(gb);
    display();
    m_valueCurrent = true;
}

void ValueBox::setShowFormatted(bool on)
{
    if (m_formatted == on)
        return;
    m_formatted = on;
    if (m_valueCurrent)
        display();
}

void ValueBox::display()
{
    // What can be shown: twice the display limit when laid out (see below), and a few
    // bytes more so that a character cut at the end is seen as cut.
    constexpr std::size_t kHead = 2 * kShowLimit + 8;
    if (m_value.described())
        display(m_value.prefix(kHead), m_value.size());
    else
        display(std::string_view(m_value.str()).substr(0, kHead), m_value.size());
}

void ValueBox::display(std::string_view value, std::size_t total)
{
    std::string laidOut;
    std::string_view gb = value;
    if (m_formatted) {
        // Only the beginning is shown, so only the beginning is laid out: the formatter
        // ends an unclosed text where it stops, and its output is at least its input
        // without blanks, so twice the display limit of input fills the display.
        const std::size_t cut = gbPrefixLength(value, 2 * kShowLimit);
        laidOut = formatValue(value.substr(0, cut));
        gb = laidOut;
        m_shortened = cut < total || gb.size() > kShowLimit;
    } else {
        m_shortened = gb.size() > kShowLimit;
    }
    m_setting = true;
    QString shown = qt::toQString(gb.substr(0, gbPrefixLength(gb, kShowLimit)));
    if (m_wholeBytes != 0)
        shown += qt::ui(u8"\n……（值在文件中共 %1 字节，这里只显示开头部分；复制命令从文件复制全部内容）").arg(m_wholeBytes);
    else if (m_shortened)
        shown += qt::ui(u8"\n……（共 %1 字节，只显示开头部分；复制命令复制全部内容）").arg(total);
    qsizetype longest = 0;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i <= shown.size(); ++i) {
        if (i == shown.size() || shown[i] == QLatin1Char('\n')) {
            longest = std::max(longest, i - lineStart);
            lineStart = i + 1;
        }
    }
    // Change the mode while the box holds text with short lines only, so that no long
    // line is ever wrapped: unwrapping happens before the new text, wrapping after it.
    if (longest > kWrapLimit) {
        setLineWrapMode(QPlainTextEdit::NoWrap);
        setPlainText(shown);
    } else {
        setPlainText(shown);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
    }
    m_setting = false;
}

std::string ValueBox::valueText() const
{
    if (m_valueCurrent)
        return m_value.copy();
    return qt::toGb(toPlainText());
}

} // namespace tess
