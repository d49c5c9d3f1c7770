#pragma once

// The configurator's main window. It only assembles: the header group, the
// page control with its six pages in their fixed order, and the bottom row;
// it wires the controls' clicks to the device link and the editor, shows
// what the link reports (messages, the progress popup, the connection
// display, the device list) and keeps the program settings.

#include "volmar/app/ProgramFolders.h"
#include "volmar/core/ProgramSettings.h"
#include "volmar/device/ConfigDocument.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/device/LinkObserver.h"
#include "volmar/device/Scheduler.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/LanguageTexts.h"
#include "volmar/hid/HidBackend.h"

#include <QMainWindow>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTimer;

namespace volmar::hid {
class HidController;
}

namespace volmar::editor {
class AxesPage;
class ButtonsPage;
class LedPage;
class SpecialFunctionsPage;
} // namespace volmar::editor

namespace volmar::monitor {
class LiveMonitor;
class SensorHubPage;
} // namespace volmar::monitor
namespace volmar::firmware {
class FirmwarePage;
struct FirmwareServices;
class Launcher;
class SerialPortList;
class ToolsRow;
} // namespace volmar::firmware

namespace volmar::app {

class Dialogs;
class HeaderGroup;
class TTrivex_status;
class WiringWindow;

struct WindowOptions {
    // The settings file; empty: defaultSettingsFile().
    QString settingsFile;
    // The HID backends; empty: hidraw + udev and the virtual devices.
    std::function<std::vector<std::unique_ptr<hid::HidBackend>>()> backends;
    // The USB serial ports; empty: firmware::defaultSerialPorts().
    std::function<std::unique_ptr<firmware::SerialPortList>()> serialPorts;
    // What starts tools, web pages and loaders; null: the system's. It must
    // outlive the window.
    firmware::Launcher* launcher = nullptr;
    // The executable's folder, which holds "tools" and, but where the
    // program is installed, the loader folders (volmar/app/ProgramFolders.h);
    // empty: the executable's folder.
    QString programFolder;
    // Where the loader script goes when its loader folder cannot take it;
    // empty: $XDG_DATA_HOME/VolmarSetup.
    QString userFolder;
    // Where the configurations read before each write are kept; empty:
    // $XDG_DATA_HOME/VolmarSetup/backups.
    QString backupFolder;
};

class TMForm : public QMainWindow, public device::LinkObserver {
    Q_OBJECT
public:
    TMForm(Dialogs& dialogs, const WindowOptions& options, QWidget* parent = nullptr);
    ~TMForm() override;

    editor::ConfigEditor& editor() { return m_editor; }
    device::DeviceLink& link() { return *m_link; }
    const QString& settingsFile() const { return m_settingsFile; }
    // The pages the live monitor feeds (curve cursor; panels and grid binding).
    editor::SpecialFunctionsPage& specialFunctionsPage() { return *m_curves; }
    editor::ButtonsPage& buttonsPage() { return *m_buttons; }

    // LinkObserver
    void showMessage(const std::string& text) override;
    void progressOpen(const std::string& caption) override;
    void progressStep(const std::string& text) override;
    void progressClose() override;
    void displayChanged(const device::DisplayState& display) override;
    void deviceListChanged(const std::vector<std::string>& lines, int selected) override;
    void deviceChangeHandled() override;
    void configurationLoaded() override;
    void hubTypesLoaded(const std::array<std::uint8_t, protocol::kHubSlaves>& types) override;
    void hubRawReply(const protocol::HubRawReply& reply) override;
    void registerReply(const protocol::RegisterReply& reply) override;
    void exchangeFinished(device::Operation op, device::Outcome outcome) override;
    void backupKept(const std::string& file) override;
    void writeChecked(const device::WriteCheck& check) override;

signals:
    // Every exchange with the controller that was started ends here once.
    void linkExchangeFinished(volmar::device::Operation op, volmar::device::Outcome outcome);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildPages();
    QWidget* buildBottomRow();
    firmware::FirmwareServices firmwareServices();
    void connectControls();
    void message(const QString& text);

    // Handlers, named after their control and event.
    void lstHID_DeviceListClick(int index);
    void btn_clr_dev_listClick();
    void btnRead_MKClick();
    void btnWrite_MKClick();
    void btnRestartClick();
    void btnResetCnfClick();
    void btn_aboutClick();
    void btnOpenBLClick();
    void DebugViewClick(bool checked);
    // Another language chosen in `Translate` (TMFormLanguage.cpp): the
    // configuration carried across in memory, the settings saved, the
    // window relabelled and the configuration put back.
    void TranslateChange();
    void retranslate();
    // Saves the settings as the controls hold them; a failure is shown.
    void BTN_SetsSaveClick();
    // The calibration helper, modal over the window while the ticks go on.
    void btn_acalClick();
    // The 100 ms monitor tick.
    void TmrGetRawDataTimer();
    // Once a second: the input reports counted since the last time.
    void TmrPerSecondTimer();
    // Configuration files (TMFormFiles.cpp).
    void btnWrite_PCClick();
    void btnRead_PCClick();
    // Reads a configuration file into the window, as "Load sets from file" does.
    void loadConfigurationFile(const std::filesystem::path& file);
    // Undo, redo and the wiring warnings (TMFormSafety.cpp).
    void buildSafetyControls();
    void showHistoryState();
    void btnWiringClick();
    // Brings the page holding `control` forward and focuses it; a grid row
    // is selected in the button grid.
    void goToControl(const QString& control, int gridRow);
    // "Restore previous configuration…": one of the backups into the window.
    void btnRestoreBackupClick();
    // After a write whose read-back differed: offer to write again.
    void offerWriteAgain();

    Dialogs& m_dialogs;
    QString m_settingsFile;
    ProgramSettings m_settings;
    editor::ConfigEditor m_editor;
    device::QtScheduler m_scheduler;
    device::WorkerExecutor m_worker;
    std::unique_ptr<hid::HidController> m_hid;
    device::StateDocument m_document;
    std::unique_ptr<device::DeviceLink> m_link;

    std::unique_ptr<firmware::SerialPortList> m_serialPorts;
    std::unique_ptr<firmware::Launcher> m_ownLauncher;
    firmware::Launcher* m_launcher = nullptr;
    ProgramFolders m_folders;
    QString m_userFolder;
    std::filesystem::path m_backupFolder;

    HeaderGroup* m_header = nullptr;
    QTabWidget* m_pages = nullptr;
    editor::AxesPage* m_axes = nullptr;
    editor::SpecialFunctionsPage* m_curves = nullptr;
    editor::ButtonsPage* m_buttons = nullptr;
    editor::LedPage* m_led = nullptr;
    monitor::SensorHubPage* m_hub = nullptr;
    firmware::FirmwarePage* m_firmware = nullptr;
    firmware::ToolsRow* m_tools = nullptr;
    editor::LanguageTexts m_texts; // the pages' tabs
    QTimer* m_TmrGetRawData = nullptr;
    QTimer* m_TmrPerSecond = nullptr;
    std::unique_ptr<monitor::LiveMonitor> m_live;
    bool m_closed = false;
    QCheckBox* m_debugView = nullptr;
    QLineEdit* m_debugText = nullptr;
    std::unique_ptr<TTrivex_status> m_progress;
    QAction* m_undo = nullptr;
    QAction* m_redo = nullptr;
    QPointer<WiringWindow> m_wiring;
    QLabel* m_writeStatus = nullptr; // backup and read-back of the last write
    std::optional<device::WriteCheck> m_lastCheck;
    QString m_keptBackup; // "Backup kept: …" of the running write, if any
    std::unique_ptr<QObject> m_undoKeys;
};

} // namespace volmar::app
