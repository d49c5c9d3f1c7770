// Inspecta: the viewer of game controllers, pointer devices and keyboards.
// It takes no arguments.
#include "CViewerApp.h"
#include "Prompts.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Desktops match the window to its .desktop file and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.volmar.Inspecta"));
    volmar::viewer::DialogPrompts prompts;
    volmar::viewer::CViewerApp viewer(prompts);
    if (!viewer.initInstance()) {
        return 1;
    }
    return QApplication::exec();
}
