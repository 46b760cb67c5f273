#pragma once
// Watches Qt's messages while the application object is made. When Qt gives up because
// no platform plugin could start (no display, a display that does not answer, an unknown
// QT_QPA_PLATFORM), the process writes the given line to standard error and exits with
// status 2 instead of Qt's abort. The messages of a start that succeeds are handed on
// unchanged when the guard ends.
#include <string>

namespace tess::qt {

class PlatformStartGuard {
public:
    explicit PlatformStartGuard(std::string failureLine);
    ~PlatformStartGuard() { end(); }
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

    // Restores the previous message handler and passes on what was held back.
    void end();

private:
    bool m_active = true;
};

} // namespace tess::qt
