// Time from the start of the process to a window that shows a document and answers, on a
// real X server: the viewer starts as the program does (its own start code, a file given on
// the command line) and this file only watches. It prints when the tree was first painted
// with the document's rows, and when a key pressed after that paint reached the tree (on
// the X server through xdotool when it is installed, else posted to the tree).
// TESS_T0_NS (CLOCK_REALTIME nanoseconds, set just before exec) counts the process start
// too; without it the times count from main().
#include "app/Viewer.h"
#include "platform/HugePageStart.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QProcess>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int64_t nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t g_t0 = 0;
double msSinceStart() { return double(nowNs() - g_t0) / 1e6; }

class StartWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_done)
            return false;
        if (event->type() == QEvent::Paint && m_paintMs < 0) {
            auto* view = watched->parent() ? qobject_cast<QAbstractItemView*>(watched->parent()) : nullptr;
            if (view && view->viewport() == watched && view->isVisible() && view->model() &&
                view->model()->rowCount() > 0) {
                m_paintMs = msSinceStart();
                m_view = view;
                view->setFocus();
                // A key pressed on the X server (xdotool through XTest), as a user would; without
                // xdotool, one posted to the tree, handled once the paint and what is queued are done.
                if (!QProcess::startDetached(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Down")}))
                    QCoreApplication::postEvent(view, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
            }
        } else if (event->type() == QEvent::KeyPress && m_paintMs >= 0 && m_view &&
                   (watched == m_view || watched == m_view->viewport())) {
            std::printf("painted %.1f ms, answering %.1f ms (%d rows, first \"%s\")\n", m_paintMs, msSinceStart(),
                        m_view->model()->rowCount(),
                        qPrintable(m_view->model()->index(0, 0).data().toString().left(40)));
            std::fflush(stdout);
            m_done = true;
            QCoreApplication::exit(0);
        }
        return false;
    }

private:
    double m_paintMs = -1;
    bool m_done = false;
    QPointer<QAbstractItemView> m_view;
};

void installWatch() { qApp->installEventFilter(new StartWatch); }
Q_COREAPP_STARTUP_FUNCTION(installWatch)

} // namespace

int main(int argc, char** argv)
{
    tess::restartWithHugePages(argv); // as the program starts (TESS_T0_NS survives the exec)
    const char* t0 = std::getenv("TESS_T0_NS");
    g_t0 = t0 ? std::strtoll(t0, nullptr, 10) : nowNs();
    return tess::runViewer(argc, argv);
}
