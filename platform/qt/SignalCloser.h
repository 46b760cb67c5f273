#pragma once
// Turns SIGTERM and SIGINT into a normal close request on the GUI thread, so that a
// logout, a shutdown or Ctrl+C in a terminal saves everything like a click on the close box.
#include <functional>

#include <QObject>

class QSocketNotifier;

namespace tess::qt {

class SignalCloser : public QObject {
    Q_OBJECT
public:
    // onSignal runs on the GUI thread once per received signal.
    explicit SignalCloser(std::function<void()> onSignal, QObject* parent = nullptr);
    ~SignalCloser() override;
    bool active() const { return m_notifier != nullptr; }

private:
    void readSignal();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tess::qt
