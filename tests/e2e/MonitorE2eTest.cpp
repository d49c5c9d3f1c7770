// The live monitor and the calibration helper against volmar-sim, moved
// through the sim's runtime commands: the live fields, panels and debug
// line, axes without a source, a reply without data, the firmware page,
// the grid's number editor, the curve cursor, the input report count and
// a calibration from clearing to saving.
#include "WindowFixture.h"

#include "volmar/editor/ButtonGrid.h"
#include "volmar/editor/ButtonGridModel.h"
#include "volmar/editor/ButtonsPage.h"
#include "volmar/editor/CurveChart.h"
#include "volmar/editor/SpecialFunctionsPage.h"
#include "volmar/monitor/TACalBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QTabWidget>
#include <QTimer>

namespace volmar::e2e {
namespace {

class MonitorE2eTest : public WindowE2eTest {
protected:
    // A sim whose configuration has axis 1 (X) only, read into the window so
    // both agree on which axes have a source.
    void startConnected(std::vector<std::string> args) {
        writeFileBytes(folder / "eeprom.bin", knownImage("Live", "8888", "8888"));
        args.insert(args.begin(), {"--eeprom", path(folder / "eeprom.bin")});
        startSim(std::move(args));
        if (HasFatalFailure()) {
            return;
        }
        openWindow();
        clickLine("VID:8888 PID:8888 Live");
        ASSERT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
        ASSERT_EQ(state().axes[0].src, 2);
        ASSERT_EQ(state().axes[1].src, 0);
    }
    void command(const std::string& line) {
        ASSERT_FALSE(sim->command(line).empty()) << line << "\n" << sim->output();
    }
    QString text(const char* name) { return c<QLineEdit>(name).text(); }
    // Waits until the window shows `expected` in the edit `name`.
    void expectShows(const char* name, const QString& expected) {
        EXPECT_TRUE(waitUntil([&] { return text(name) == expected; }))
            << name << " shows '" << text(name).toStdString() << "', not '"
            << expected.toStdString() << "'";
    }
    int liveGets() const {
        const auto frames = sim->frames();
        return static_cast<int>(std::count_if(frames.begin(), frames.end(), [](const auto& f) {
            return !f.set && !f.bytes.empty() && f.bytes[0] == 2;
        }));
    }
    // Waits until the window asked the sim for live data `count` more times:
    // the replies to all but the last have been shown.
    void waitForPolls(int count) {
        const int from = liveGets();
        ASSERT_TRUE(waitUntil([&] { return liveGets() >= from + count; }));
    }
    QColor panel(int button) {
        const QString name =
            QStringLiteral("joy_knp_%1").arg(button, 2, 10, QLatin1Char('0')).toLatin1();
        return window->findChild<QLabel*>(name)->palette().color(QPalette::Window);
    }
    void showPage(const char* name) {
        c<QTabWidget>("JvPageControl").setCurrentWidget(&c<QWidget>(name));
    }
};

const QColor kRed(255, 0, 0);

TEST_F(MonitorE2eTest, ShowsUptimeValuesPanelsDebugLineAndLinkErrors) {
    startConnected({"--hardware", "3", "--uptime", "1:2:3", "--debug", "1,255,4096,65535",
                    "--link-errors", "2=5", "--axis", "1=900,450", "--buttons", "3,17,40"});
    // Axes without a source keep what their fields show.
    c<QLineEdit>("joy_osi_02_t").setText("77");
    c<QLineEdit>("joy_osi_02_t_axis").setText("78");
    c<QCheckBox>("DebugView").setChecked(true);
    expectShows("joy_uptime", "1:2:3");
    expectShows("joy_osi_01_t", "900");
    expectShows("joy_osi_01_t_axis", "450");
    expectShows("DebugText", "d[1] b[0000000000000001] h[0001]   "
                             "d[255] b[0000000011111111] h[00FF]   "
                             "d[4096] b[0001000000000000] h[1000]   "
                             "d[65535] b[1111111111111111] h[FFFF]");
    EXPECT_EQ(c<QComboBox>("joy_hardware").currentIndex(), 3);
    EXPECT_EQ(state().joy_hardware, 3);
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "AT90USB1286");
    EXPECT_EQ(text("adc_error_2"), "5") << "every axis gets its link errors";
    EXPECT_EQ(text("adc_error_1"), "0");
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int b = 1; b <= live::kButtons; ++b) {
        EXPECT_EQ(panel(b), b == 3 || b == 17 || b == 40 ? kRed : face) << "button " << b;
    }
    command("axis 1 901,451");
    expectShows("joy_osi_01_t_axis", "451");
    EXPECT_EQ(text("joy_osi_02_t"), "77");
    EXPECT_EQ(text("joy_osi_02_t_axis"), "78");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();

    // Hidden, the debug line is emptied, and built again on the next tick.
    c<QCheckBox>("DebugView").setChecked(false);
    EXPECT_FALSE(c<QLineEdit>("DebugText").isVisible());
    EXPECT_EQ(text("DebugText"), "");
    waitForPolls(2);
    EXPECT_TRUE(text("DebugText").startsWith("d[1] b[")) << text("DebugText").toStdString();
}

TEST_F(MonitorE2eTest, AReplyWithoutDataChangesNothingOnScreen) {
    startConnected({"--hardware", "2", "--axis", "1=300", "--buttons", "5"});
    expectShows("joy_osi_01_t", "300");
    ASSERT_TRUE(waitUntil([&] { return panel(5) == kRed; }));
    command("hardware 0");
    command("axis 1 700");
    command("buttons none");
    waitForPolls(3);
    EXPECT_EQ(text("joy_osi_01_t"), "300");
    EXPECT_EQ(panel(5), kRed);
    EXPECT_EQ(c<QComboBox>("joy_hardware").currentIndex(), 2);
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "AT90USB646");

    // A type the list does not hold: no entry, the chip name stays.
    command("hardware 9");
    expectShows("joy_osi_01_t", "700");
    EXPECT_EQ(c<QComboBox>("joy_hardware").currentIndex(), -1);
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "AT90USB646");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "selecting it ran no rule";
}

TEST_F(MonitorE2eTest, TheFirmwarePageStopsThePolling) {
    startConnected({"--hardware", "3", "--axis", "1=200"});
    expectShows("joy_osi_01_t", "200");
    ASSERT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "AT90USB1286");
    showPage("TabFMW");
    const int gets = liveGets();
    command("hardware 1");
    command("axis 1 800");
    int ticks = 0;
    QObject::connect(&control<QTimer>(*window, "TmrGetRawData"), &QTimer::timeout,
                     [&] { ++ticks; });
    ASSERT_TRUE(waitUntil([&] { return ticks >= 4; }));
    EXPECT_EQ(liveGets(), gets);
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "AT90USB1286");
    EXPECT_EQ(text("joy_osi_01_t"), "200");

    showPage("TabOSI");
    expectShows("joy_osi_01_t", "800");
    EXPECT_EQ(c<QComboBox>("joy_hardware_mcu").currentText(), "ATmega32U4");
}

TEST_F(MonitorE2eTest, PressedButtonsGoIntoTheOpenNumberEditorOnly) {
    startConnected({"--buttons", ""});
    showPage("TabKNP");
    auto& grid = window->buttonsPage().grid();
    grid.setCurrentIndex(grid.gridModel().cell(1, 9));
    ASSERT_EQ(grid.editState().col, 1);
    command("buttons 3,17,40");
    ASSERT_TRUE(waitUntil([&] { return panel(40) == kRed; }));
    waitForPolls(2);
    EXPECT_EQ(state().buttons.hw[9], 0) << "the number editor is closed";

    grid.openEditor();
    auto& number = c<QLineEdit>("KnpGrid_CB_Number");
    ASSERT_TRUE(number.isVisible());
    ASSERT_TRUE(waitUntil([&] { return state().buttons.hw[9] == 40; }));
    EXPECT_FALSE(number.isVisible());
    EXPECT_EQ(grid.gridModel().data(grid.gridModel().cell(1, 9)).toString(), "40");

    // On another page nothing is offered.
    grid.setCurrentIndex(grid.gridModel().cell(1, 10));
    grid.openEditor();
    showPage("TabOSI");
    waitForPolls(3);
    EXPECT_EQ(state().buttons.hw[10], 0);
}

TEST_F(MonitorE2eTest, TheCurveCursorFollowsTheChosenAxis) {
    startConnected({"--axis", "1=900,450"});
    showPage("TabOSI_SF");
    c<QComboBox>("CurveVisualAxis").setCurrentIndex(1);
    expectShows("CurveVisualAxisValue", "450");
    const auto& cursor = window->specialFunctionsPage().chart().cursor();
    ASSERT_EQ(cursor.count(), 2);
    EXPECT_EQ(cursor.at(0).x(), 450);
    command("axis 1 900,123");
    expectShows("CurveVisualAxisValue", "123");
    EXPECT_EQ(window->specialFunctionsPage().chart().cursor().at(0).x(), 123);
}

// Deterministic counting: the sim sends no reports of its own, the
// per-second timer waits until all ten have been counted.
TEST_F(MonitorE2eTest, TenInputReportsInASecondShowTenThenZero) {
    writeFileBytes(folder / "eeprom.bin", knownImage("Live", "8888", "8888"));
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    command("input off");
    openWindow();
    clickLine("VID:8888 PID:8888 Live");
    auto& perSecond = control<QTimer>(*window, "TmrPerSecond");
    EXPECT_EQ(perSecond.interval(), 1000);
    perSecond.stop();
    // Once one report arrives the joystick's reader is subscribed.
    ASSERT_TRUE(waitUntil([&] {
        command("input 1");
        return test::waitUntil([&] { return window->link().ReportCounter() > 0; }, 200);
    }));
    window->link().takeReportCounter();
    command("input 10");
    ASSERT_TRUE(waitUntil([&] { return window->link().ReportCounter() == 10; }));
    perSecond.start();
    expectShows("joy_usbpps", "10");
    expectShows("joy_usbpps", "0");
    EXPECT_TRUE(perSecond.isActive());
}

TEST_F(MonitorE2eTest, CalibrationFromClearToSave) {
    startConnected({"--axis", "1=100"});
    expectShows("joy_osi_01_t", "100");
    state().axes[0].acal_min = "50";
    c<QPushButton>("btn_acal").click();
    auto* box = window->findChild<monitor::TACalBox*>();
    ASSERT_NE(box, nullptr);
    const auto field = [&](const char* name) { return control<QLineEdit>(*box, name).text(); };
    EXPECT_EQ(field("osi_name_01"), "X");
    EXPECT_EQ(field("osi_acal_l_01"), "50");
    EXPECT_EQ(field("osi_name_02"), "--");
    EXPECT_EQ(field("osi_acal_l_02"), "");

    control<QCheckBox>(*box, "osi_autocal_01").click();
    control<QPushButton>(*box, "ClrLimits").click();
    EXPECT_EQ(field("osi_acal_l_01"), "-");
    for (const char* value : {"100", "900", "500"}) {
        command(std::string("axis 1 ") + value);
        ASSERT_TRUE(waitUntil([&] { return field("osi_acal_in_01") == value; })) << value;
    }
    EXPECT_EQ(field("osi_acal_l_01"), "100");
    EXPECT_EQ(field("osi_acal_h_01"), "900");
    EXPECT_EQ(field("osi_acal_c_01"), "-");
    control<QPushButton>(*box, "SetCentr").click();
    EXPECT_EQ(field("osi_acal_c_01"), "500");
    control<QPushButton>(*box, "SetAcal").click();
    EXPECT_EQ(text("osi_1_acal_min"), "100");
    EXPECT_EQ(text("osi_1_acal_cen"), "500");
    EXPECT_EQ(text("osi_1_acal_max"), "900");
    EXPECT_EQ(state().axes[0].acal_max, "900");

    control<QPushButton>(*box, "ClrLimits").click();
    control<QPushButton>(*box, "SetAcal").click();
    EXPECT_EQ(state().axes[0].acal_min, "-");
    EXPECT_EQ(state().axes[0].acal_cen, "-");
    EXPECT_EQ(text("osi_1_acal_max"), "-");
    // The encoder reads "-" as 0.
    ConfigState dashes = state();
    ConfigState zeros = state();
    zeros.axes[0].acal_min = zeros.axes[0].acal_cen = zeros.axes[0].acal_max = "0";
    ConfigImage withDashes{};
    ConfigImage withZeros{};
    DescriptorLog log(kDescriptorLogLines);
    ASSERT_TRUE(ConfigToReport(dashes, withDashes, log).ok());
    ASSERT_TRUE(ConfigToReport(zeros, withZeros, log).ok());
    EXPECT_EQ(withDashes, withZeros);
    EXPECT_TRUE(box->isVisible()) << "saving leaves the window open";
    box->close();
    EXPECT_TRUE(waitUntil([&] { return window->findChild<monitor::TACalBox*>() == nullptr; }));
}

} // namespace
} // namespace volmar::e2e
