#include "platform/qt/GuiPump.h"

#include "platform/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tess::qt {
namespace {

QElapsedTimer g_sinceLast;
bool g_inside = false;

void step()
{
    if (g_inside)
        return;
    g_inside = true;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    g_sinceLast.restart();
    g_inside = false;
}

void rateLimitedStep()
{
    if (g_sinceLast.isValid() && g_sinceLast.elapsed() < 30)
        return;
    step();
}

} // namespace

void installGuiPump()
{
    g_sinceLast.start();
    setPumpHook(&rateLimitedStep);
}

void removeGuiPump()
{
    setPumpHook(nullptr);
}

void pumpNow()
{
    step();
}

} // namespace tess::qt
