#include "volmar/app/ProgramStart.h"

#include "volmar/app/DemoRun.h"
#include "volmar/app/Dialogs.h"
#include "volmar/core/Protocol.h"

#include <QApplication>
#include <QIcon>

namespace volmar::app {

std::optional<Program> startProgram(Dialogs& dialogs, const WindowOptions& options) {
    QApplication::setApplicationName(QStringLiteral("Volmar2"));
    const QString version = QString::fromUtf8(protocol::ConfiguratorVersion.data(),
                                              protocol::ConfiguratorVersion.size());
    auto instance = std::make_unique<SingleInstance>(version);
    if (!instance->acquired()) {
        dialogs.message(nullptr, instance->refusal());
        return std::nullopt;
    }
    Program program;
    program.instance = std::move(instance);
    program.window = std::make_unique<TMForm>(dialogs, options);
    return program;
}

int runVolmarSetup(int argc, char** argv) {
    QApplication app(argc, argv);
    // Desktops match the window to its .desktop file and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.volmar.VolmarSetup"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.volmar.VolmarSetup")));
    QStringList arguments = QApplication::arguments();
    const DemoOptions demoOptions = takeDemoOptions(arguments);
    applyDemoLook(demoOptions);

    QtDialogs dialogs;
    WindowOptions options;
    options.settingsFile = demoOptions.settings;
    std::optional<Program> program = startProgram(dialogs, options);
    if (!program) {
        return 1;
    }
    program->window->show();
    std::unique_ptr<DemoRun> demo;
    if (demoOptions.active()) {
        demo = std::make_unique<DemoRun>(*program->window, demoOptions);
        demo->start();
    }
    return QApplication::exec();
}

} // namespace volmar::app
