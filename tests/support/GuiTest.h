#pragma once

// The QApplication of a widget test binary (offscreen unless the run chose a
// platform) and finding a window's controls by their object names.

#include <QApplication>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace volmar::test {

// Created on first use and never destroyed: at exit Qt's own statics (input
// devices the tests' simulated clicks registered) may already be gone.
QApplication& guiApp();

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
