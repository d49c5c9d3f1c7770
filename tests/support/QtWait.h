#pragma once

// The QCoreApplication of a Qt test binary and a bounded wait on its event
// loop, for suites whose code under test delivers through queued signals.

#include <QCoreApplication>
#include <QTimer>

#include <chrono>

namespace volmar::test {

// The running application (a widget test's QApplication), else a
// QCoreApplication made on first use.
inline QCoreApplication& qtApp() {
    if (QCoreApplication* running = QCoreApplication::instance()) {
        return *running;
    }
    static int argc = 1;
    static char name[] = "volmar-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; returns done().
template <typename F>
bool waitUntil(F done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // Wakes the loop now and then, so waiting for events never outlives the deadline.
    QTimer heartbeat;
    heartbeat.start(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace volmar::test
