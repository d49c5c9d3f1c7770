#pragma once

// The QApplication of a widget test binary (offscreen unless the run chose a
// platform) and finding a window's controls by their object names.

#include <QApplication>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace volmar::test {

inline QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "volmar-gui-test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Never destroyed: at exit Qt's own statics (input devices the test's
    // simulated clicks registered) may already be gone.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The control named `name` below `root`; throws when there is none, so a
// renamed control fails the test at once.
template <typename T>
T& control(const QObject& root, const char* name) {
    T* found = root.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return *found;
}

} // namespace volmar::test
