#include "tree/widgets/ValueBox.h"

#include "platform/qt/QtText.h"
#include "tree/widgets/TreeModel.h"

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
    m_setting = true;
    m_value.assign(gb);
    m_valueCurrent = true;
    m_shortened = gb.size() > kShowLimit;
    if (m_shortened) {
        QString shown = qt::toQString(gb.substr(0, gbPrefixLength(gb, kShowLimit)));
        shown += qt::ui(u8"\n……（共 %1 字节，只显示开头部分；复制命令复制全部内容）").arg(gb.size());
        setPlainText(shown);
    } else {
        setPlainText(qt::toQString(gb));
    }
    m_setting = false;
}

std::string ValueBox::valueText() const
{
    if (m_valueCurrent)
        return m_value;
    return qt::toGb(toPlainText());
}

} // namespace tess
