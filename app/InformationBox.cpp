#include "app/InformationBox.h"

#include "platform/qt/QtText.h"

#include <QMessageBox>

namespace tess {
namespace {

InformationBoxHook& hook()
{
    static InformationBoxHook h;
    return h;
}

} // namespace

void setInformationBoxHook(InformationBoxHook h)
{
    hook() = std::move(h);
}

void showInformationBox(const std::string& text, const std::string& caption)
{
    if (hook()) {
        hook()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::Information, qt::toQString(caption), qt::toQString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace tess
