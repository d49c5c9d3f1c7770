#pragma once

// The firmware page TabFMW: the choices the settings file keeps (firmware
// file, chip, bootloader type, port), the USB serial-port list and the
// port watch that can start the upload by itself, the upload through the
// chosen loader's template, "Start bootloader" and "Clear EEPROM" (the
// window sends those two to the device link).

#include "volmar/editor/LanguageTexts.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace volmar {
struct TRecordLng;
}

namespace volmar::firmware {

class Launcher;
class SerialPortList;

struct FirmwareServices {
    SerialPortList* ports = nullptr;
    Launcher* launcher = nullptr;
    // The folder holding the loader folders: the executable's, or the shared
    // data folder of an installed program.
    QString programFolder;
    // Where the script goes when the loader folder cannot take it.
    QString userFolder;
    // The loader folders belong to the system (an installed program): the
    // script always goes to `userFolder`.
    bool scriptsToUserFolder = false;
    // A message box.
    std::function<void(const QString&)> message;
    // The file dialog for the firmware file: (title, filter) -> path, empty
    // when cancelled.
    std::function<QString(const QString&, const QString&)> chooseFile;
};

class FirmwarePage : public QWidget {
    Q_OBJECT
public:
    // `lng` stays at its address (the editor's record); its texts may change.
    FirmwarePage(const TRecordLng& lng, FirmwareServices services, QWidget* parent = nullptr);

    // The record's texts changed: every caption shows them.
    void retranslate();

    QPushButton* btnOpenBL() const { return m_btnOpenBL; }
    QPushButton* btnResetCnf() const { return m_btnResetCnf; }

    // The COM-port watch: one look at the USB serial ports, from the monitor
    // tick while this page is shown. It may start the upload.
    void comPortWatch();
    // "Upload firmware": writes the loader script and runs it.
    void btnStartFirmwareClick();
    // "COM ports list": the port field takes the list.
    void BtnGetCPortsClick();

private:
    QPushButton* languageButton(const char* name);
    void FileFirmBrowseClick(const QString& title);
    QString portList() const;
    void showPresent(bool present);

    FirmwareServices m_services;
    editor::LanguageTexts m_texts;
    QLineEdit* m_FileFirm;
    QComboBox* m_joy_hardware_mcu;
    QComboBox* m_select_bootloader;
    QLineEdit* m_com_port;
    QCheckBox* m_chk_autofirmware;
    QPushButton* m_btnOpenBL;
    QPushButton* m_btnStartFirmware;
    QLineEdit* m_command_file;
    QPushButton* m_btnResetCnf;
    bool m_shownPresent = false;
};

} // namespace volmar::firmware
