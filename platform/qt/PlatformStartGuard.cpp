#include "platform/qt/PlatformStartGuard.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tess::qt {
namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

struct GuardState {
    QtMessageHandler previous = nullptr;
    std::string failureLine;
    std::vector<HeldMessage> held;
};

GuardState& state()
{
    static GuardState s;
    return s;
}

void holdOrExit(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        // Qt would abort next; the warnings held so far only explain the same failure.
        std::fputs((state().failureLine + "\n").c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(2);
    }
    state().held.push_back({type, QByteArray(context.category ? context.category : "default"), text});
}

} // namespace

PlatformStartGuard::PlatformStartGuard(std::string failureLine)
{
    state().failureLine = std::move(failureLine);
    state().held.clear();
    state().previous = qInstallMessageHandler(holdOrExit);
}

void PlatformStartGuard::end()
{
    if (!m_active)
        return;
    m_active = false;
    qInstallMessageHandler(state().previous);
    std::vector<HeldMessage> held;
    held.swap(state().held);
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        if (state().previous)
            state().previous(m.type, context, m.text);
    }
}

} // namespace tess::qt
