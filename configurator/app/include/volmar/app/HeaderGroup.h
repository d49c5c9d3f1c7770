#pragma once

// The header group grp_main: the device list with the connection display and
// its two pictures, the command buttons, the language list, the controller's
// information fields, the USB identity and the validation report line. The
// identity and joy_hardware are configuration fields (bound like any page's);
// the rest shows what the device link reports.

#include "volmar/device/LinkObserver.h"
#include "volmar/editor/ConfigPage.h"

#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace volmar::app {

class HeaderGroup : public editor::ConfigPage {
    Q_OBJECT
public:
    explicit HeaderGroup(editor::ConfigEditor& editor, QWidget* parent = nullptr);

    struct Controls {
        QListWidget* lstHID_DeviceList = nullptr;
        QLineEdit* connect_status = nullptr;
        QToolButton* img_red = nullptr;
        QToolButton* img_grn = nullptr;
        QPushButton* btnRead_MK = nullptr;
        QPushButton* btnWrite_MK = nullptr;
        QPushButton* btnRead_PC = nullptr;
        QPushButton* btnWrite_PC = nullptr;
        QPushButton* btn_clr_dev_list = nullptr;
        QPushButton* btnClrConfig = nullptr;
        QPushButton* btnRestart = nullptr;
        QPushButton* btn_about = nullptr;
        QComboBox* Translate = nullptr;
        QLineEdit* joy_uptime = nullptr;
        QLineEdit* joy_usbpps = nullptr;
        QLineEdit* chk_report_info = nullptr;
        // Beside the report line: the wiring warnings' count (opens their
        // list), undo, redo and "Restore previous configuration…".
        QToolButton* btnWiring = nullptr;
        QToolButton* btnUndo = nullptr;
        QToolButton* btnRedo = nullptr;
        QToolButton* btnRestoreBackup = nullptr;
    };
    const Controls& controls() const { return m_c; }

    void refresh(const ConfigState& state) override;
    void showDisplay(const device::DisplayState& display);
    // The list's lines; a line whose device cannot be opened says why below it.
    void showDeviceList(const std::vector<std::string>& lines,
                        const std::vector<std::string>& problems, int selected);

signals:
    // A line was clicked or chosen with the keyboard.
    void lineChosen(int index);

private:
    QWidget* buildDeviceRow();
    QWidget* buildFieldRow();
    QWidget* buildReportRow();

    Controls m_c;
};

} // namespace volmar::app
