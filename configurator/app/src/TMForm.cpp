// The main window: assembly, start-up and closing, settings.
#include "volmar/app/TMForm.h"

#include "volmar/app/Dialogs.h"
#include "volmar/app/HeaderGroup.h"
#include "volmar/app/ProgressPopup.h"
#include "volmar/app/SettingsFile.h"
#include "volmar/core/Backups.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/LanguageSwitch.h"
#include "volmar/core/LiveView.h"
#include "volmar/core/Protocol.h"
#include "volmar/editor/AxesPage.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/ColourBox.h"
#include "volmar/editor/LedPage.h"
#include "volmar/editor/SpecialFunctionsPage.h"
#include "volmar/firmware/FirmwarePage.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/SerialPortList.h"
#include "volmar/firmware/ToolsRow.h"
#include "volmar/hid/HidController.h"
#include "volmar/monitor/LiveMonitor.h"
#include "volmar/monitor/SensorHubPage.h"
#include "volmar/monitor/TACalBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace volmar::app {

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

std::vector<std::unique_ptr<hid::HidBackend>> backendsFor(const WindowOptions& options) {
    return options.backends ? options.backends() : hid::HidController::defaultBackends();
}

// The window's caption after the version.
constexpr const char* kTitle = " - VolmarSetup";

constexpr int kRawDataTickMs = 100;
constexpr int kPerSecondTickMs = 1000;

QString userFolderFor(const WindowOptions& options) {
    if (!options.userFolder.isEmpty()) {
        return options.userFolder;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("VolmarSetup"));
}

} // namespace

TMForm::TMForm(Dialogs& dialogs, const WindowOptions& options, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs),
      m_settingsFile(options.settingsFile.isEmpty() ? defaultSettingsFile() : options.settingsFile),
      // The settings first: the window is built in the language they choose.
      m_settings(loadSettings(m_settingsFile)), m_editor(startLanguage(m_settings.Translate)),
      m_hid(std::make_unique<hid::HidController>(backendsFor(options))),
      m_document(m_editor.state(), m_editor.lng()),
      m_link(std::make_unique<device::DeviceLink>(*m_hid, m_scheduler, m_document, m_editor.lng(),
                                                  *this)),
      m_serialPorts(options.serialPorts ? options.serialPorts() : firmware::defaultSerialPorts()),
      m_ownLauncher(options.launcher ? nullptr : firmware::makeSystemLauncher()),
      m_launcher(options.launcher ? options.launcher : m_ownLauncher.get()),
      m_folders(programFoldersFor(options.programFolder.isEmpty()
                                      ? QCoreApplication::applicationDirPath()
                                      : options.programFolder)),
      m_userFolder(userFolderFor(options)),
      m_backupFolder(options.backupFolder.isEmpty()
                         ? backupFolder()
                         : std::filesystem::path(options.backupFolder.toStdString())),
      m_texts(m_editor.lng()) {
    setObjectName("TMForm");
    m_link->setTransferExecutor(m_worker);
    m_editor.setConnectedProbe([this] { return m_link->ConfigDevice() != nullptr; });
    setWindowTitle(toQ(std::string(protocol::ConfiguratorVersion)) + kTitle);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_header = new HeaderGroup(m_editor, central);
    layout->addWidget(m_header);
    layout->addWidget(buildPages(), 1);
    layout->addWidget(buildBottomRow());
    setCentralWidget(central);
    m_live =
        std::make_unique<monitor::LiveMonitor>(*this, m_editor, *m_pages, *m_curves, *m_buttons);
    m_TmrGetRawData = new QTimer(this);
    m_TmrGetRawData->setObjectName("TmrGetRawData");
    m_TmrGetRawData->setInterval(kRawDataTickMs);
    m_TmrPerSecond = new QTimer(this);
    m_TmrPerSecond->setObjectName("TmrPerSecond");
    m_TmrPerSecond->setInterval(kPerSecondTickMs);
    connectControls();
    buildSafetyControls();

    // An unknown `Translate` text shows as it is; the window stays in the
    // language it was built in.
    applySettings(*this, m_settings);
    DebugViewClick(m_debugView->isChecked());
    m_pages->setCurrentIndex(0);
    // The device list fills with the HID layer's first device change, once
    // the event loop runs.
    m_header->showDeviceList({}, {}, -1);
    m_header->showDisplay(m_link->display());
    m_editor.validate();

    // Room for the whole header and most of the axes table on a 1280 x 800
    // screen; the table scrolls sideways.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(1260, screen.width() - 20), std::min(780, screen.height() - 20));

    // Last step of the start: the monitor ticks begin.
    m_TmrGetRawData->start();
    m_TmrPerSecond->start();
}

TMForm::~TMForm() = default;

QWidget* TMForm::buildPages() {
    const TRecordLng& lng = m_editor.lng();
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("JvPageControl");
    // Six pages in a fixed order; other parts of the program address them by index.
    m_axes = new editor::AxesPage(m_editor, m_pages);
    m_pages->addTab(m_axes, {});
    m_curves = new editor::SpecialFunctionsPage(m_editor, m_pages);
    m_pages->addTab(m_curves, {});
    m_buttons = new editor::ButtonsPage(m_editor, m_pages);
    m_pages->addTab(m_buttons, {});
    m_led = new editor::LedPage(m_editor, m_pages);
    m_pages->addTab(m_led, "LED-OUT");
    m_hub = new monitor::SensorHubPage(m_editor, *m_link, m_pages);
    m_pages->addTab(m_hub, "TLE5011-HUB");
    m_firmware = new firmware::FirmwarePage(lng, firmwareServices(), m_pages);
    m_pages->addTab(m_firmware, {});
    for (QWidget* page : {static_cast<QWidget*>(m_axes), static_cast<QWidget*>(m_curves),
                          static_cast<QWidget*>(m_buttons), static_cast<QWidget*>(m_firmware)}) {
        m_texts.tab(m_pages, page);
    }
    // The sensor hub page stays out of sight for the whole run.
    m_pages->setTabVisible(4, false);
    return m_pages;
}

QWidget* TMForm::buildBottomRow() {
    const TRecordLng& lng = m_editor.lng();
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tools = new firmware::ToolsRow(lng, *m_launcher, m_folders.program, row);
    layout->addWidget(m_tools);
    layout->addStretch(1);
    m_debugView = new QCheckBox(QStringLiteral("Debug"), row);
    m_debugView->setObjectName("DebugView");
    layout->addWidget(m_debugView);
    m_debugText = new QLineEdit(row);
    m_debugText->setObjectName("DebugText");
    m_debugText->setReadOnly(true);
    m_debugText->setAccessibleName(QStringLiteral("Debug"));
    m_debugText->setMinimumWidth(240);
    layout->addWidget(m_debugText);
    return row;
}

void TMForm::connectControls() {
    const HeaderGroup::Controls& c = m_header->controls();
    connect(m_header, &HeaderGroup::lineChosen, this, &TMForm::lstHID_DeviceListClick);
    connect(c.btn_clr_dev_list, &QPushButton::clicked, this, &TMForm::btn_clr_dev_listClick);
    connect(c.btnRead_MK, &QPushButton::clicked, this, &TMForm::btnRead_MKClick);
    connect(c.btnWrite_MK, &QPushButton::clicked, this, &TMForm::btnWrite_MKClick);
    connect(c.btnRestart, &QPushButton::clicked, this, &TMForm::btnRestartClick);
    connect(c.btnRead_PC, &QPushButton::clicked, this, &TMForm::btnRead_PCClick);
    connect(c.btnWrite_PC, &QPushButton::clicked, this, &TMForm::btnWrite_PCClick);
    connect(c.btnClrConfig, &QPushButton::clicked, &m_editor, &editor::ConfigEditor::clear);
    connect(c.btn_about, &QPushButton::clicked, this, &TMForm::btn_aboutClick);
    connect(c.img_red, &QToolButton::clicked, this, &TMForm::btn_aboutClick);
    connect(c.img_grn, &QToolButton::clicked, this, &TMForm::btn_aboutClick);
    connect(c.Translate, &QComboBox::currentIndexChanged, this, &TMForm::TranslateChange);
    connect(m_firmware->btnResetCnf(), &QPushButton::clicked, this, &TMForm::btnResetCnfClick);
    connect(m_firmware->btnOpenBL(), &QPushButton::clicked, this, &TMForm::btnOpenBLClick);
    connect(m_debugView, &QCheckBox::toggled, this, &TMForm::DebugViewClick);
    connect(m_axes->btnAcal(), &QPushButton::clicked, this, &TMForm::btn_acalClick);
    connect(m_TmrGetRawData, &QTimer::timeout, this, &TMForm::TmrGetRawDataTimer);
    connect(m_TmrPerSecond, &QTimer::timeout, this, &TMForm::TmrPerSecondTimer);
    connect(&m_editor, &editor::ConfigEditor::message, this, &TMForm::message);
    connect(&m_editor, &editor::ConfigEditor::notConnected, this,
            [this] { m_link->showNotConnected(); });
    connect(m_led, &editor::LedPage::stepperMoveRequested, this,
            [this](int steps) { m_link->stepperMove(steps); });
    m_editor.setColourPicker(
        [this](QWidget* parent, std::uint32_t current) -> std::optional<std::uint32_t> {
            const auto chosen = m_dialogs.chooseColour(parent, editor::toQColor(current));
            if (!chosen) {
                return std::nullopt;
            }
            return editor::colourOf(*chosen);
        });
}

void TMForm::message(const QString& text) {
    m_dialogs.message(this, text);
}

void TMForm::DebugViewClick(bool checked) {
    m_debugText->setVisible(checked);
    if (!checked) {
        m_debugText->clear();
    }
}

// Destroyed when it closes; the next opening starts from the stored points.
void TMForm::btn_acalClick() {
    auto* box = new monitor::TACalBox(
        m_editor, [this] { return m_live->rawTexts(); }, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}

void TMForm::btn_aboutClick() {
    m_dialogs.about(this, *m_launcher,
                    QString::fromStdString(*controlCaption("TAboutBox", m_editor.lng())));
}

firmware::FirmwareServices TMForm::firmwareServices() {
    firmware::FirmwareServices services;
    services.ports = m_serialPorts.get();
    services.launcher = m_launcher;
    services.programFolder = m_folders.data;
    services.userFolder = m_userFolder;
    services.scriptsToUserFolder = m_folders.installed;
    services.message = [this](const QString& text) { message(text); };
    services.chooseFile = [this](const QString& title, const QString& filter) {
        return m_dialogs.openFile(this, FileRequest{title, filter, QStringLiteral("hex")});
    };
    return services;
}

// Each tick disables the timer first and enables it last, so ticks never
// overlap (an upload's message box may be open inside one) and the next
// comes 100 ms after this one ended.
void TMForm::TmrGetRawDataTimer() {
    m_TmrGetRawData->stop();
    if (m_pages->currentWidget() == m_firmware) {
        m_firmware->comPortWatch();
    }
    // Nothing is asked while the firmware page is shown; the link asks
    // nothing while LinkReady is clear and shows the not-connected display
    // without ConfigDevice. A reply without data (byte 1 = 0, or a failed
    // get, whose buffer stays zero) changes nothing on screen.
    if (m_pages->currentIndex() != live::kPageFirmware) {
        const device::LivePoll poll = m_link->pollLiveData();
        if (poll.status == device::LivePoll::Status::Data) {
            m_live->show(poll.data);
        }
    }
    if (!m_closed) {
        m_TmrGetRawData->start();
    }
}

void TMForm::TmrPerSecondTimer() {
    m_TmrPerSecond->stop();
    m_header->controls().joy_usbpps->setText(QString::number(m_link->takeReportCounter()));
    if (!m_closed) {
        m_TmrPerSecond->start();
    }
}

void TMForm::closeEvent(QCloseEvent* event) {
    m_closed = true;
    m_TmrGetRawData->stop();
    m_TmrPerSecond->stop();
    // The device list and the link's references go with the window; what
    // must survive is the settings.
    m_header->showDeviceList({}, {}, -1);
    BTN_SetsSaveClick();
    event->accept();
}

} // namespace volmar::app
