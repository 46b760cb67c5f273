#include "platform/qt/GuiPump.h"

#include "platform/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace tess::qt {
namespace {

QElapsedTimer g_sinceLast;
bool g_inside = false;

// The engine also runs on worker threads (a large load): only the window's thread pumps.
bool onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

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
    if (!onGuiThread())
        return;
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
