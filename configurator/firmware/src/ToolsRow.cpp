#include "volmar/firmware/ToolsRow.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/ProjectPages.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>

namespace volmar::firmware {

ToolsRow::ToolsRow(const TRecordLng& lng, Launcher& launcher, QString programFolder,
                   QWidget* parent)
    : QWidget(parent), m_launcher(launcher), m_programFolder(std::move(programFolder)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    struct Tool {
        const char* name;
        QString caption;
        void (ToolsRow::*click)();
    };
    const Tool tools[] = {
        {"BtnDonate", QString::fromStdString(lng.btn_donate), &ToolsRow::BtnDonateClick},
        {"Windows_Joysticks", QStringLiteral("Windows Joysticks"),
         &ToolsRow::Windows_JoysticksClick},
        {"Inspecta", QStringLiteral("Inspecta"), &ToolsRow::InspectaClick},
        {"DAV_Joystick_Tester", QStringLiteral("DAV Joystick Tester"),
         &ToolsRow::DAV_Joystick_TesterClick},
        {"DAV_Button_Tester", QStringLiteral("DAV Button Tester"),
         &ToolsRow::DAV_Button_TesterClick},
        {"USBDeview", QStringLiteral("USBDeview"), &ToolsRow::USBDeviewClick},
        {"btn_devmgmt", QString::fromStdString(lng.btn_devmngmt), &ToolsRow::btn_devmgmtClick},
    };
    for (const Tool& tool : tools) {
        auto* button = new QPushButton(tool.caption, this);
        button->setObjectName(tool.name);
        connect(button, &QPushButton::clicked, this, tool.click);
        layout->addWidget(button);
    }
}

bool ToolsRow::startTool(const char* name, const char* folder) {
    const QString path =
        QDir(m_programFolder).filePath(QString::fromLatin1(folder) + QString::fromLatin1(name));
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable()) {
        return false;
    }
    m_launcher.startDetached(file.absoluteFilePath(), {});
    return true;
}

void ToolsRow::startInstalled(const char* program) {
    const QString path = m_launcher.findProgram(QString::fromLatin1(program));
    if (!path.isEmpty()) {
        m_launcher.startDetached(path, {});
    }
}

void ToolsRow::BtnDonateClick() {
    m_launcher.openUrl(QUrl(QString::fromLatin1(kDonationPage)));
}

void ToolsRow::Windows_JoysticksClick() {
    startInstalled("jstest-gtk");
}

void ToolsRow::InspectaClick() {
    // Installed, the viewer is the configurator's neighbour in bin/.
    if (!startTool("Inspecta")) {
        startTool("Inspecta", "");
    }
}

void ToolsRow::DAV_Joystick_TesterClick() {
    startTool("DAV_JoyTester");
}

void ToolsRow::DAV_Button_TesterClick() {
    startTool("DAV_BtnTester");
}

void ToolsRow::USBDeviewClick() {
    startTool("USBDeview");
}

void ToolsRow::btn_devmgmtClick() {
    startInstalled("usbview");
}

} // namespace volmar::firmware
