#pragma once

// The tool buttons along the bottom of the main window: the system's
// game-controller tester, the viewer Inspecta, three outside test tools from
// the "tools" folder beside the program, the USB device viewer and the
// donation page. A tool that is not there does nothing, visibly or not:
// no message, no error.

#include "volmar/editor/LanguageTexts.h"

#include <QWidget>

namespace volmar {
struct TRecordLng;
}

namespace volmar::firmware {

class Launcher;

class ToolsRow : public QWidget {
    Q_OBJECT
public:
    // `lng` stays at its address (the editor's record); its texts may change.
    ToolsRow(const TRecordLng& lng, Launcher& launcher, QString programFolder,
             QWidget* parent = nullptr);

    // The record's texts changed: the two captions of the language show them.
    void retranslate();

    void BtnDonateClick();
    void Windows_JoysticksClick(); // jstest-gtk, when installed
    void InspectaClick();          // tools/Inspecta, else Inspecta beside the program
    void DAV_Joystick_TesterClick();
    void DAV_Button_TesterClick();
    void USBDeviewClick();
    void btn_devmgmtClick(); // usbview, when installed

private:
    // Program folder + `folder` + `name`, when it is an executable file;
    // whether it was started.
    bool startTool(const char* name, const char* folder = "tools/");
    void startInstalled(const char* program);

    Launcher& m_launcher;
    QString m_programFolder;
    editor::LanguageTexts m_texts;
};

} // namespace volmar::firmware
