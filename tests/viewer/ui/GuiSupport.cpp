#include "GuiSupport.h"

#include <QAbstractButton>
#include <QMdiSubWindow>
#include <QSettings>

#include <gtest/gtest.h>

namespace volmar::viewer::test {

QApplication& guiApp() {
    // Windows are drawn into memory: no display server is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "viewer-ui-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static QApplication* app = new QApplication(argc, argv);
    // Tests close main windows and carry on.
    QApplication::setQuitOnLastWindowClosed(false);
    return *app;
}

void TestPrompts::message(QWidget*, const QString& caption, const QString& text, Icon icon) {
    messages.push_back({caption, text, icon});
}

QString TestPrompts::saveFileName(QWidget*, const SaveRequest& request) {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) {
        ADD_FAILURE() << "unexpected save dialog";
        return {};
    }
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

int TestPrompts::runDialog(QDialog& dialog) {
    ++dialogsRun;
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (dialogAnswers.empty()) {
        dialog.reject();
    } else {
        auto answer = std::move(dialogAnswers.front());
        dialogAnswers.pop_front();
        answer(dialog);
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog.reject();
        }
    }
    return dialog.result();
}

void click(QWidget& parent, const char* objectName) {
    auto* button = parent.findChild<QAbstractButton*>(objectName);
    ASSERT_NE(button, nullptr) << objectName;
    button->click();
}

Viewer::Viewer(FakeBackend& backend_) : backend(backend_) {
    guiApp();
    settingsPath = QString::fromStdString((folder / "Inspecta.ini").string());
}

Viewer::~Viewer() {
    app.reset();
}

void Viewer::start() {
    app = std::make_unique<CViewerApp>(prompts, backend.factory(), settingsPath);
    ASSERT_TRUE(app->initInstance());
}

input::DeviceRecord& Viewer::device(const std::string& productName) const {
    for (const auto& d : devices()) {
        if (d->instance.productName == productName) {
            return *d;
        }
    }
    throw std::runtime_error("no device " + productName);
}

input::ObjectRecord& Viewer::object(const std::string& productName, const std::string& name) const {
    for (input::ObjectRecord& o : device(productName).objects) {
        if (o.object.name == name) {
            return o;
        }
    }
    throw std::runtime_error("no object " + name);
}

std::vector<std::string> Viewer::titles() const {
    std::vector<std::string> out;
    for (QMdiSubWindow* w : frame().windows()) {
        out.push_back(w->windowTitle().toStdString());
    }
    return out;
}

QMdiSubWindow* Viewer::window(const std::string& title) const {
    for (QMdiSubWindow* w : frame().windows()) {
        if (w->windowTitle().toStdString() == title) {
            return w;
        }
    }
    return nullptr;
}

void Viewer::close() {
    frame().close();
    app.reset();
}

int Viewer::stored(const QString& key) const {
    QSettings ini(settingsPath, QSettings::IniFormat);
    return ini.value(key, -1).toInt();
}

} // namespace volmar::viewer::test
