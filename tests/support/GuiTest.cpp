#include "GuiTest.h"

namespace volmar::test {

QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "volmar-gui-test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace volmar::test
