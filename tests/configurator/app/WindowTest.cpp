// The main window without a controller, driven by its controls' names:
// start-up state, settings file, key filters, the axes page's rules,
// accessibility, files, the progress popup, device list problems, and the
// single-instance guard.

#include "WindowTestFixture.h"

#include "volmar/app/DemoRun.h"
#include "volmar/app/ProgramStart.h"
#include "volmar/app/ProgressPopup.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/ProgramSettings.h"
#include "volmar/monitor/TACalBox.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace volmar::app {
namespace {

TEST_F(WindowTest, StartsNotConnectedWithTheDefaults) {
    open();
    EXPECT_EQ(window->pos(), QPoint(10, 10));
    EXPECT_EQ(window->windowTitle().left(16), "Volmar2-20161101");
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), "Ok. Used axis  0, buttons 0.");
    EXPECT_EQ(c<QLineEdit>("connect_status").text(), "Plug device and click at list");
    EXPECT_FALSE(c<QLineEdit>("connect_status").isEnabled());
    for (const char* name : {"btnRead_MK", "btnWrite_MK", "btnRestart"}) {
        EXPECT_FALSE(c<QPushButton>(name).isEnabled()) << name;
    }
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_FALSE(c<QToolButton>("img_grn").isVisible());
    EXPECT_EQ(c<QListWidget>("lstHID_DeviceList").count(), 0);
    EXPECT_FALSE(c<QLineEdit>("DebugText").isVisible());

    auto& pages = c<QTabWidget>("JvPageControl");
    QStringList order;
    for (int i = 0; i < pages.count(); ++i) {
        order << pages.widget(i)->objectName();
    }
    EXPECT_EQ(order, QStringList({"TabOSI", "TabOSI_SF", "TabKNP", "TabLED", "TabSLV", "TabFMW"}));
    EXPECT_FALSE(pages.isTabVisible(4));
    EXPECT_EQ(pages.currentIndex(), 0);
    EXPECT_EQ(pages.tabText(1), "Joysticks axes (Spec.Functions)");

    // The default configuration, after the first device change.
    EXPECT_EQ(c<QLineEdit>("dev_vid").text(), "8888");
    EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Volmar2");
    EXPECT_EQ(c<QComboBox>("dev_poll").currentText(), "1");
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "atmega32u4");
    EXPECT_EQ(c<QComboBox>("select_bootloader").currentIndex(), 2);
}

TEST_F(WindowTest, ReadsTheSettingsFileIntoTheControls) {
    test::writeFileText(folder / "VolmarSetup.ini",
                        "[Main]\nPositionX=abc\nPositionY=200\n"
                        "Debug=5\nAutoBindButtons=1\n[Firmware]\nMCU=xyz\n"
                        "BootLoader=Teensy2\nArduinoPort=/dev/ttyACM1\n");
    open();
    EXPECT_EQ(window->pos(), QPoint(10, 200));
    EXPECT_TRUE(c<QLineEdit>("DebugText").isVisible());
    EXPECT_TRUE(c<QCheckBox>("knpautoset").isChecked());
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "xyz");
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentIndex(), -1);
    EXPECT_EQ(c<QComboBox>("select_bootloader").currentIndex(), 3);
    EXPECT_EQ(c<QLineEdit>("com_port").text(), "/dev/ttyACM1");

    test::writeFileText(folder / "VolmarSetup.ini", "[Firmware]\nMCU=at90usb1286\n");
    open();
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentIndex(), 3);
}

TEST_F(WindowTest, ClosingWritesEveryKey) {
    open();
    c<QCheckBox>("DebugView").setChecked(true);
    EXPECT_TRUE(c<QLineEdit>("DebugText").isVisible());
    c<QComboBox>("select_bootloader").setCurrentIndex(1);
    c<QCheckBox>("knpautoset").setChecked(true);
    window->move(40, 50);
    window->close();

    const std::string text = test::readFileText(folder / "VolmarSetup.ini");
    for (const char* key : {"Translate", "Debug", "PositionX", "PositionY", "AutoBindButtons",
                            "File", "MCU", "BootLoader", "ArduinoPort"}) {
        EXPECT_NE(text.find(std::string("\n") + key + "="), std::string::npos) << key;
    }
    const ProgramSettings saved = parseProgramSettings(text);
    EXPECT_TRUE(saved.Debug);
    EXPECT_TRUE(saved.AutoBindButtons);
    EXPECT_EQ(saved.BootLoader, "Atmel FLIP");
    EXPECT_EQ(saved.PositionX, 40);
    EXPECT_EQ(saved.PositionY, 50);
    EXPECT_EQ(saved.MCU, "atmega32u4");
}

// The settings are saved as a configuration is: a settings file kept
// elsewhere through a link stays linked, and a target that is no file is
// refused with a message instead of being replaced.
TEST_F(WindowTest, ClosingSavesTheSettingsThroughALinkAndRefusesAFolder) {
    const std::filesystem::path kept = folder / "dotfiles" / "VolmarSetup.ini";
    std::filesystem::create_directories(kept.parent_path());
    test::writeFileText(kept, "; mine\n[Main]\nDebug=0\n");
    std::filesystem::create_symlink(kept, folder / "VolmarSetup.ini");
    open();
    c<QCheckBox>("DebugView").setChecked(true);
    window->close();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "VolmarSetup.ini"));
    const std::string text = test::readFileText(kept);
    EXPECT_TRUE(text.starts_with("; mine\n")) << text;
    EXPECT_TRUE(parseProgramSettings(text).Debug);

    std::filesystem::remove(folder / "VolmarSetup.ini");
    std::filesystem::create_directory(folder / "VolmarSetup.ini");
    open();
    window->close();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0],
              QStringLiteral(R"(Error write file "%1" [not a regular file (a folder)])")
                  .arg(settingsFile()));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "VolmarSetup.ini"));
}

TEST_F(WindowTest, KeyFiltersDropKeysAndValidateAfterEach) {
    open();
    auto& vid = c<QLineEdit>("dev_vid");
    // A broken configuration that no rule has looked at yet.
    state().axes[0].src = 2;
    QTest::keyClick(&vid, Qt::Key_End);
    QTest::keyClick(&vid, Qt::Key_A); // "a": not a hex digit
    EXPECT_EQ(vid.text(), "8888");
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), "Error. No assignment at axis # 1")
        << "validation ran although the key was dropped";

    QGuiApplication::clipboard()->setText("12345");
    vid.selectAll();
    QTest::keyClick(&vid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(vid.text(), "1234");
    EXPECT_EQ(state().dev_vid, "1234");

    auto& name = c<QLineEdit>("dev_name");
    name.clear();
    QTest::keyClicks(&name, "pad.(1)-[x] 2024 and more");
    EXPECT_EQ(name.text(), "pad(1)-[x] 2024 and ") << "'.' dropped, then cut to 20";
    EXPECT_EQ(state().dev_name, "pad(1)-[x] 2024 and ");
}

TEST_F(WindowTest, AxisRowEnablingFollowsTheSource) {
    open();
    struct Row {
        int source;
        bool name, port, channel, offset, shaping, relative;
    };
    const Row rows[] = {
        {0, false, false, false, false, false, false}, {1, true, false, false, false, true, true},
        {2, true, true, false, false, true, false},    {3, true, true, false, true, true, false},
        {5, true, true, true, false, true, false},     {6, true, true, true, false, true, false},
        {8, true, true, false, true, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.source);
        c<QComboBox>("osi_4_src").setCurrentIndex(r.source);
        EXPECT_EQ(c<QComboBox>("osi_4_name").isEnabled(), r.name);
        EXPECT_EQ(c<QComboBox>("osi_4_src_port").isEnabled(), r.port);
        EXPECT_EQ(c<QComboBox>("osi_4_src_chnl").isEnabled(), r.channel);
        EXPECT_EQ(c<QCheckBox>("osi_4_offset").isEnabled(), r.offset);
        for (const char* name : {"osi_4_filter", "osi_4_acal", "osi_4_specfunc"}) {
            EXPECT_EQ(c<QComboBox>(name).isEnabled(), r.shaping) << name;
        }
        EXPECT_EQ(c<QSpinBox>("osi_4_dzc").isEnabled(), r.shaping);
        EXPECT_EQ(c<QLineEdit>("osi_4_acal_min").isEnabled(), r.shaping);
        EXPECT_EQ(c<QComboBox>("osi_4_ms_btn_u").isEnabled(), r.relative);
        EXPECT_EQ(c<QLineEdit>("osi_4_ms_step").isEnabled(), r.relative);
        EXPECT_TRUE(c<QComboBox>("osi_3_src").isEnabled());
        EXPECT_FALSE(c<QComboBox>("osi_3_name").isEnabled()) << "other rows keep theirs";
    }
}

TEST_F(WindowTest, TheControlsShowWhatTheRulesRepaired) {
    open();
    auto& acal = c<QComboBox>("osi_2_acal");
    c<QComboBox>("osi_2_src").setCurrentIndex(3); // KMA200
    EXPECT_EQ(acal.currentText(), "auto.w/o center");
    c<QCheckBox>("osi_2_offset").setChecked(true);
    c<QComboBox>("osi_2_src").setCurrentIndex(4); // MCP3201
    EXPECT_FALSE(c<QCheckBox>("osi_2_offset").isChecked());
    EXPECT_EQ(acal.currentText(), "auto.w/o center");

    c<QComboBox>("osi_2_src").setCurrentIndex(2);
    acal.setCurrentIndex(0);
    c<QSpinBox>("osi_2_dzc").setValue(3);
    EXPECT_EQ(acal.currentText(), "auto.w center");
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), "Error. No assignment at axis # 2");

    c<QComboBox>("osi_2_src").setCurrentIndex(0);
    EXPECT_EQ(acal.currentText(), "---");
    EXPECT_EQ(c<QSpinBox>("osi_2_dzc").value(), 0);
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), "Ok. Used axis  0, buttons 0.");
}

TEST_F(WindowTest, ShowingTheStateRaisesNoEdit) {
    open();
    // Replaced behind the controls' back, as a read does; were the refresh
    // to raise edits, the axis rules would pick an auto-calibration here.
    state().axes[0].src = 3;
    window->editor().touch();
    EXPECT_EQ(c<QComboBox>("osi_1_src").currentText(), "KMA200");
    EXPECT_EQ(state().axes[0].acal, 0);
    EXPECT_TRUE(c<QComboBox>("osi_1_name").isEnabled());
}

TEST_F(WindowTest, EveryControlHasAnAccessibleNameAndTabRunsAlongTheRow) {
    open();
    int checked = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QComboBox*>(w) || qobject_cast<QCheckBox*>(w) ||
                           qobject_cast<QSpinBox*>(w) || qobject_cast<QListWidget*>(w) ||
                           qobject_cast<QToolButton*>(w) ||
                           (qobject_cast<QLineEdit*>(w) && !w->objectName().isEmpty());
        if (!input || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) {
            continue;
        }
        ++checked;
        const auto* button = qobject_cast<QAbstractButton*>(w);
        EXPECT_FALSE(w->accessibleName().isEmpty() && (!button || button->text().isEmpty()))
            << w->objectName().toStdString();
    }
    EXPECT_GT(checked, 8 * 24);
    EXPECT_EQ(c<QComboBox>("osi_3_src").accessibleName(), "Source 3");
    EXPECT_EQ(c<QLineEdit>("joy_osi_05_t").accessibleName(), "value row 5");
    EXPECT_EQ(c<QSpinBox>("osi_8_dzd").accessibleName(), "DZ dynamical 8");
    EXPECT_EQ(c<QLineEdit>("dev_name").accessibleName(), "USB Name");

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    c<QComboBox>("osi_1_src").setFocus();
    QStringList visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // Without a source only the source, the live values and the precision
    // of axis 1 take input.
    EXPECT_EQ(visited, QStringList({"joy_osi_01_t", "joy_osi_01_t_axis", "osi_1_prcsn",
                                    "adc_error_1", "osi_2_src"}));
}

TEST_F(WindowTest, SavesAnInvalidConfigurationAfterSayingWhyAndLoadsItBack) {
    open();
    c<QComboBox>("osi_1_src").setCurrentIndex(2);
    c<QComboBox>("osi_1_src_port").setCurrentIndex(9);
    const QString file = QString::fromStdString((folder / "pad.volmar").string());
    dialogs.answerFile(file);
    c<QPushButton>("btnWrite_PC").click();
    EXPECT_EQ(dialogs.messages, QStringList({"Error. No assignment at axis # 1"}));
    EXPECT_EQ(dialogs.fileTitles, QStringList({"Save sets to file"}));
    EXPECT_EQ(test::readFileBytes(folder / "pad.volmar").size(), 1024u);
    const std::string listing = test::readFileText(folder / "pad.volmar_HID_txt");
    EXPECT_EQ(listing.rfind("=BEGIN HID DEBUG FILE=\r\n", 0), 0u);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 1000);

    c<QPushButton>("btnClrConfig").click();
    EXPECT_EQ(c<QComboBox>("osi_1_src").currentIndex(), 0);
    dialogs.answerFile(file);
    c<QPushButton>("btnRead_PC").click();
    EXPECT_EQ(dialogs.fileTitles.last(), "Load sets from file");
    EXPECT_EQ(c<QComboBox>("osi_1_src").currentIndex(), 2);
    EXPECT_EQ(c<QComboBox>("osi_1_src_port").currentText(), "B0");
    // Saved again, the file is the same byte for byte.
    dialogs.answerFile(QString::fromStdString((folder / "again.volmar").string()));
    c<QPushButton>("btnWrite_PC").click();
    EXPECT_EQ(test::readFileBytes(folder / "again.volmar"),
              test::readFileBytes(folder / "pad.volmar"));
}

TEST_F(WindowTest, AFileThatCannotBeReadChangesNothing) {
    open();
    c<QLineEdit>("dev_name").setText("Kept");
    const ConfigState before = state();
    test::writeFileBytes(folder / "short.volmar", std::vector<std::uint8_t>(100, 0x11));
    for (const char* answer : {"short.volmar", "missing.volmar", ""}) {
        SCOPED_TRACE(answer);
        dialogs.messages.clear();
        dialogs.answerFile(*answer ? QString::fromStdString((folder / answer).string())
                                   : QString());
        c<QPushButton>("btnRead_PC").click();
        EXPECT_EQ(state(), before);
        EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Kept");
        EXPECT_EQ(dialogs.messages.size(), *answer ? 1 : 0);
    }
}

TEST_F(WindowTest, ClearSetsPutsTheDefaultsBack) {
    open();
    c<QLineEdit>("dev_vid").setText("12AB");
    c<QComboBox>("osi_2_src").setCurrentIndex(2);
    c<QComboBox>("dev_poll").setCurrentIndex(4);
    c<QPushButton>("btnClrConfig").click();
    EXPECT_EQ(c<QLineEdit>("dev_vid").text(), "8888");
    EXPECT_EQ(c<QComboBox>("osi_2_src").currentIndex(), 0);
    EXPECT_FALSE(c<QComboBox>("osi_2_name").isEnabled());
    EXPECT_EQ(c<QComboBox>("dev_poll").currentText(), "2");
}

TEST_F(WindowTest, ProgressPopupBlocksTheWindowUntilItCloses) {
    open();
    c<QLineEdit>("dev_vid").setText("ABCD");
    window->progressOpen("Load sets from device");
    auto* popup = window->findChild<TTrivex_status*>();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->size(), QSize(526, 89));
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(popup->frameGeometry().center(), window->frameGeometry().center());
    auto& bar = control<QProgressBar>(*popup, "bar");
    EXPECT_EQ(std::make_pair(bar.minimum(), bar.maximum()), std::make_pair(1, 32));
    EXPECT_EQ(bar.value(), 1);
    EXPECT_EQ(control<QLabel>(*popup, "txt").text(), "Load sets from device");

    window->progressStep("Load sets from device EEPROM[96/127]");
    EXPECT_EQ(bar.value(), 2);
    EXPECT_EQ(control<QLabel>(*popup, "txt").text(), "Load sets from device EEPROM[96/127]");
    // A click as the window system delivers it, which modality can stop.
    const auto clickClear = [&] {
        auto& clear = c<QPushButton>("btnClrConfig");
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          clear.mapTo(window.get(), clear.rect().center()));
    };
    clickClear();
    EXPECT_EQ(c<QLineEdit>("dev_vid").text(), "ABCD") << "the click reached the main window";

    window->progressClose();
    EXPECT_EQ(window->findChild<TTrivex_status*>(), nullptr);
    clickClear();
    EXPECT_EQ(c<QLineEdit>("dev_vid").text(), "8888");
}

TEST_F(WindowTest, ListsADeviceItCannotOpenWithTheReason) {
    hid::CollectionInfo pad;
    pad.deviceId = "listed:pad";
    pad.path = "/listed/pad";
    pad.attributes = {0x03EB, 0x2041, 1};
    pad.caps = {0xFF00, 1, 0, 0, 38};
    pad.product = "Pad";
    pad.serial = "Volmar2-20161101";
    pad.openable = false;
    pad.openError = "Permission denied";
    listed = {pad};
    open();
    auto& list = c<QListWidget>("lstHID_DeviceList");
    ASSERT_TRUE(test::waitUntil([&] { return list.count() == 1; }, 5000));
    const QString line = list.item(0)->text();
    EXPECT_TRUE(line.startsWith("VID:03EB PID:2041 Pad (Volmar2-20161101)")) << line.toStdString();
    EXPECT_TRUE(line.contains("Permission denied")) << line.toStdString();
    EXPECT_TRUE(line.contains("./x install-udev")) << line.toStdString();

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(0)).center());
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("./x install-udev"));
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_FALSE(c<QPushButton>("btnRead_MK").isEnabled());
}

TEST_F(WindowTest, TheCustomColourComesFromTheColourDialog) {
    open();
    auto& colour = c<QComboBox>("led_color_init");
    const int custom = colour.count() - 1;
    dialogs.answerColour(QColor(0xA6, 0xCA, 0xF0));
    colour.setCurrentIndex(custom);
    emit colour.activated(custom);
    EXPECT_EQ(dialogs.colourStarts, QList<QColor>({QColor(0, 0, 0)}));
    EXPECT_EQ(state().led_color_init, 0xF0CAA6u);
    // Cancelled (no answer queued): the colour stays.
    colour.setCurrentIndex(colour.count() - 1);
    emit colour.activated(colour.count() - 1);
    EXPECT_EQ(dialogs.colourStarts.size(), 2);
    EXPECT_EQ(dialogs.colourStarts.last(), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(state().led_color_init, 0xF0CAA6u);
}

TEST_F(WindowTest, PicturesAndAboutOpenTheAboutBox) {
    open();
    c<QToolButton>("img_red").click();
    c<QPushButton>("btn_about").click();
    c<QToolButton>("img_grn").click();
    EXPECT_EQ(dialogs.abouts, 3);
}

// The 100 ms tick stops its timer for its own length and looks at the
// serial ports only while the firmware page is shown; closing stops it.
TEST_F(WindowTest, TheMonitorTickWatchesThePortsOnlyOnTheFirmwarePage) {
    open();
    auto& tick = control<QTimer>(*window, "TmrGetRawData");
    portLooks->timer = &tick;
    EXPECT_TRUE(tick.isActive());
    EXPECT_EQ(tick.interval(), 100);
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(test::waitUntil([&] { return ticks >= 3; }, 5000));
    EXPECT_EQ(portLooks->count, 0);

    auto& pages = c<QTabWidget>("JvPageControl");
    pages.setCurrentWidget(&c<QWidget>("TabFMW"));
    ASSERT_TRUE(test::waitUntil([&] { return portLooks->count >= 3; }, 5000));
    EXPECT_EQ(portLooks->whileTimerRan, 0);
    EXPECT_TRUE(tick.isActive()) << "enabled again at the end of each tick";

    pages.setCurrentIndex(0);
    ticks = 0;
    const int looks = portLooks->count;
    ASSERT_TRUE(test::waitUntil([&] { return ticks >= 2; }, 5000));
    EXPECT_EQ(portLooks->count, looks);
    window->close();
    EXPECT_FALSE(tick.isActive());
}

// Once a second the input reports counted show; the debug line is emptied
// when it is hidden.
TEST_F(WindowTest, PerSecondTickAndDebugLine) {
    auto& perSecond = control<QTimer>(open(), "TmrPerSecond");
    EXPECT_TRUE(perSecond.isActive());
    EXPECT_EQ(perSecond.interval(), 1000);
    EXPECT_TRUE(test::waitUntil([&] { return c<QLineEdit>("joy_usbpps").text() == "0"; }, 5000));
    auto& debugText = c<QLineEdit>("DebugText");
    c<QCheckBox>("DebugView").setChecked(true);
    debugText.setText("d[1]");
    c<QCheckBox>("DebugView").setChecked(false);
    EXPECT_FALSE(debugText.isVisible());
    EXPECT_EQ(debugText.text(), "");
    window->close();
    EXPECT_FALSE(perSecond.isActive());
}

// "Calibrate helper" opens the helper modal over the window, centred on it;
// it is gone once closed, and the next opening starts afresh.
TEST_F(WindowTest, TheCalibrationHelperIsModalCentredAndGoesWhenClosed) {
    open();
    state().axes[0].name = 2;
    c<QPushButton>("btn_acal").click();
    auto* box = window->findChild<monitor::TACalBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    // Centred, give or take the rounding of two centres and a frame.
    EXPECT_LE((box->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(),
              10);
    EXPECT_EQ(control<QLineEdit>(*box, "osi_name_01").text(), "Y");
    control<QCheckBox>(*box, "osi_autocal_01").click();
    box->close();
    ASSERT_TRUE(test::waitUntil([&] { return !window->findChild<monitor::TACalBox*>(); }, 5000));
    c<QPushButton>("btn_acal").click();
    box = window->findChild<monitor::TACalBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(control<QCheckBox>(*box, "osi_autocal_01").isChecked());
    box->close();
}

TEST_F(WindowTest, StartBootloaderWithoutAControllerShowsNotConnectedQuietly) {
    open();
    auto& bootloader = c<QPushButton>("btnOpenBL");
    EXPECT_TRUE(bootloader.isEnabled());
    EXPECT_TRUE(c<QPushButton>("btnResetCnf").isEnabled());
    bool done = false;
    QObject::connect(window.get(), &TMForm::linkExchangeFinished,
                     [&](device::Operation op, device::Outcome outcome) {
                         done = op == device::Operation::Bootloader &&
                                outcome == device::Outcome::NotConnected;
                     });
    bootloader.click();
    ASSERT_TRUE(test::waitUntil([&] { return done; }, 5000));
    EXPECT_FALSE(bootloader.isEnabled());
    EXPECT_FALSE(c<QPushButton>("btnResetCnf").isEnabled());
    EXPECT_FALSE(c<QPushButton>("btnRestart").isEnabled());
    EXPECT_EQ(c<QLineEdit>("connect_status").text(), "Plug device and click at list");
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WindowTest, TheToolsRowIsLiveAndUsesTheWindowsLauncher) {
    open();
    for (const char* name : {"BtnDonate", "Windows_Joysticks", "Inspecta", "DAV_Joystick_Tester",
                             "DAV_Button_Tester", "USBDeview", "btn_devmgmt"}) {
        EXPECT_TRUE(c<QPushButton>(name).isEnabled()) << name;
    }
    launcher.install("usbview", "/usr/bin/usbview");
    c<QPushButton>("btn_devmgmt").click();
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0].program, "/usr/bin/usbview");
}

// The hidden demo options come out of the arguments with their values; the
// rest stays for Qt, in order, and an option missing its value is not one.
TEST(ProgramStart, DemoOptionsLeaveTheOtherArgumentsInPlace) {
    QStringList arguments{"VolmarSetup",      "-style",      "fusion",       "--demo-read",
                          "--demo-languages", "shots",       "--demo-quiet", "--demo-settings",
                          "demo.ini",         "--demo-pages"};
    const DemoOptions options = takeDemoOptions(arguments);
    EXPECT_TRUE(options.read);
    EXPECT_FALSE(options.quit);
    EXPECT_EQ(options.languages, "shots");
    EXPECT_EQ(options.settings, "demo.ini");
    EXPECT_TRUE(options.pages.isEmpty());
    EXPECT_TRUE(options.active());
    EXPECT_EQ(arguments,
              QStringList({"VolmarSetup", "-style", "fusion", "--demo-quiet", "--demo-pages"}));
}

TEST(ProgramStart, ASecondCopyIsRefusedBeforeItsWindowShows) {
    test::guiApp();
    ScriptedDialogs dialogs;
    WindowOptions options;
    options.settingsFile = QString::fromStdString((test::testRoot() / "start.ini").string());
    options.backends = [] { return std::vector<std::unique_ptr<hid::HidBackend>>{}; };
    {
        SingleInstance running(QStringLiteral("Volmar2-20161101"));
        ASSERT_TRUE(running.acquired());
        EXPECT_FALSE(startProgram(dialogs, options).has_value());
        EXPECT_EQ(dialogs.messages, QStringList({"Volmar2-20161101 [ERROR_ALREADY_EXISTS]"}));
        for (QWidget* top : QApplication::topLevelWidgets()) {
            EXPECT_EQ(qobject_cast<TMForm*>(top), nullptr);
        }
    }
    // Once the first copy has gone, the next one starts.
    std::optional<Program> program = startProgram(dialogs, options);
    ASSERT_TRUE(program.has_value());
    EXPECT_NE(program->window, nullptr);
    EXPECT_EQ(QApplication::applicationName(), "Volmar2");
}

} // namespace
} // namespace volmar::app
