#include "platform/qt/Clipboard.h"

#include "platform/qt/QtText.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tess::qt {

std::string clipboardText()
{
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return {};
    return toGb(cb->text());
}

void setClipboardText(std::string_view gb)
{
    if (QClipboard* cb = QGuiApplication::clipboard())
        cb->setText(toQString(gb));
}

} // namespace tess::qt
