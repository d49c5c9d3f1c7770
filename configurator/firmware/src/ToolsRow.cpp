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
    : QWidget(parent), m_launcher(launcher), m_programFolder(std::move(programFolder)),
      m_texts(lng) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    struct Tool {
        const char* name;
        const char* caption; // nullptr: the language's
        void (ToolsRow::*click)();
    };
    const Tool tools[] = {
        {"BtnDonate", nullptr, &ToolsRow::BtnDonateClick},
        {"Windows_Joysticks", "Windows Joysticks", &ToolsRow::Windows_JoysticksClick},
        {"Inspecta", "Inspecta", &ToolsRow::InspectaClick},
        {"DAV_Joystick_Tester", "DAV Joystick Tester", &ToolsRow::DAV_Joystick_TesterClick},
        {"DAV_Button_Tester", "DAV Button Tester", &ToolsRow::DAV_Button_TesterClick},
        {"USBDeview", "USBDeview", &ToolsRow::USBDeviewClick},
        {"btn_devmgmt", nullptr, &ToolsRow::btn_devmgmtClick},
    };
    for (const Tool& tool : tools) {
        auto* button = new QPushButton(QString::fromLatin1(tool.caption), this);
        button->setObjectName(tool.name);
        if (!tool.caption) {
            m_texts.caption(button);
        }
        connect(button, &QPushButton::clicked, this, tool.click);
        layout->addWidget(button);
    }
}

void ToolsRow::retranslate() {
    m_texts.apply();
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
