// The configurator window against volmar-sim, driven by its controls:
// connect by a click on the line, read and write with the progress popup,
// a language switch while connected, "Update USB list", an unplug during a
// read, a saved read that matches volmarctl's byte for byte, and "Start
// bootloader" with the armed port watch that runs the upload once the sim's
// bootloader port shows.
#include "WindowFixture.h"

#include "volmar/core/DeviceLine.h"
#include "volmar/core/LanguageTables.h"
#include "volmar/firmware/LoaderWindow.h"
#include "volmar/sysio/DeviceLock.h"
#include "volmar/vhid/Wire.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace volmar::e2e {
namespace {

TEST_F(WindowE2eTest, ConnectsByAClickAndReadsWithTheProgressPopup) {
    writeFileBytes(folder / "eeprom.bin", knownImage("Known", "1234", "5678"));
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    openWindow();
    clickLine("VID:1234 PID:5678 Known (Volmar2-20161101)");
    EXPECT_EQ(c<QLineEdit>("connect_status").text(), "Connected to VID[1234] PID[5678] Known");
    EXPECT_TRUE(c<QToolButton>("img_grn").isVisible());
    EXPECT_FALSE(c<QToolButton>("img_red").isVisible());
    EXPECT_TRUE(c<QPushButton>("btnRestart").isEnabled());

    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    EXPECT_EQ(window->findChild<app::TTrivex_status*>(), nullptr);
    EXPECT_TRUE(popupBlocks) << "the popup was not modal over the window";
    // The event loop ran during the read: the popup's text moved block by block.
    ASSERT_GE(progress.size(), 2) << progress.join(" | ").toStdString();
    const QRegularExpression block(R"(^Load sets from device EEPROM\[(\d+)/(\d+)\]$)");
    for (const QString& text : progress) {
        const auto match = block.match(text);
        ASSERT_TRUE(match.hasMatch()) << text.toStdString();
        EXPECT_EQ(match.captured(1).toInt() % 32, 0);
        EXPECT_EQ(match.captured(2).toInt(), match.captured(1).toInt() + 31);
    }
    EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Known");
    EXPECT_EQ(c<QComboBox>("osi_1_src").currentIndex(), 2);
    EXPECT_TRUE(c<QComboBox>("osi_1_name").isEnabled());
    EXPECT_EQ(c<QLineEdit>("chk_report_info").text(), "Ok. Used axis  1, buttons 0.");
}

// Connected, a switch relabels the connection line and the exchanges speak
// the new language; the configuration read stays.
TEST_F(WindowE2eTest, ALanguageSwitchWhileConnectedRelabelsTheLinkToo) {
    writeFileBytes(folder / "eeprom.bin", knownImage("Known", "1234", "5678"));
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    openWindow();
    clickLine("VID:1234 PID:5678 Known (Volmar2-20161101)");
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
    const ConfigState read = state();

    c<QComboBox>("Translate").setCurrentIndex(1);
    const TRecordLng& german = *languageRecord(1);
    EXPECT_EQ(c<QLineEdit>("connect_status").text().toStdString(),
              line::connectedText(german, 0x1234, 0x5678, "Known"));
    EXPECT_TRUE(c<QPushButton>("btnRead_MK").isEnabled());
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_TRUE(progress.first().startsWith(QString::fromStdString(german.btnRead_MK)))
        << progress.first().toStdString();
    EXPECT_EQ(state().buttons, read.buttons);
    EXPECT_EQ(state().dev_name, "Known");
    EXPECT_EQ(state().axes, read.axes);
}

TEST_F(WindowE2eTest, WritesWhatTheWindowShows) {
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    auto& name = c<QLineEdit>("dev_name");
    name.clear();
    QTest::keyClicks(&name, "Written");
    c<QComboBox>("osi_2_src").setCurrentIndex(2);
    c<QComboBox>("osi_2_name").setCurrentIndex(2);
    EXPECT_EQ(press("btnWrite_MK"), std::make_pair(Operation::Write, Outcome::Completed));
    // The write's own popup, between the backup's and the read-back's.
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](const QString& text) {
        return text.startsWith("Save sets to device EEPROM[");
    })) << progress.join('\n').toStdString();

    expectEepromHolds(state(), folder / "eeprom.bin");
}

TEST_F(WindowE2eTest, ASavedReadMatchesVolmarctlReadByteForByte) {
    writeFileBytes(folder / "eeprom.bin", knownImage("Same", "0F0F", "A0A0"));
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    openWindow();
    clickLine("VID:0F0F PID:A0A0 Same");
    ASSERT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Completed));
    dialogs.answerFile(QString::fromStdString((folder / "window.volmar").string()));
    c<QPushButton>("btnWrite_PC").click();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
    window.reset(); // the controller is one program's at a time

    const test::RunResult run =
        test::runProgram(VOLMARCTL_PATH, {"read", "--virtual", "--device", "0F0F:A0A0", "-o",
                                          path(folder / "ctl.volmar")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* suffix : {".volmar", ".volmar_HID_txt"}) {
        const auto mine = readFileBytes(folder / (std::string("window") + suffix));
        EXPECT_FALSE(mine.empty()) << suffix;
        EXPECT_EQ(mine, readFileBytes(folder / (std::string("ctl") + suffix))) << suffix;
    }
}

// One program per controller: the window, a second window and volmarctl
// keep each other off. The one refused is told who holds the controller and
// what to do about it, and sends nothing.
TEST_F(WindowE2eTest, TheWindowAndVolmarctlKeepEachOtherOff) {
    const std::string ownName = sysio::programName();
    sysio::setProgramName("VolmarSetup"); // as the program names itself
    const auto refusal = [](const std::string& holder, pid_t pid) {
        return QString::fromStdString(
            line::inUseText("in use by " + holder + ", pid " + std::to_string(pid)));
    };
    // Frames other than the holder's polls of the live data (a get of report 2).
    const auto commands = [&] {
        const auto frames = sim->frames();
        return std::count_if(frames.begin(), frames.end(), [](const LoggedFrame& f) {
            return f.set || f.bytes.empty() || f.bytes[0] != 2;
        });
    };
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    ASSERT_TRUE(c<QToolButton>("img_grn").isVisible());

    const test::RunResult refused =
        test::runProgram(VOLMARCTL_PATH, {"clear", "--virtual", "--device", "8888:8888"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("[in use by VolmarSetup, pid " + std::to_string(::getpid()) + "]"),
              std::string::npos)
        << refused.err;
    app::ScriptedDialogs secondAnswers;
    auto second = makeWindow(secondAnswers);
    clickLine("VID:8888 PID:8888 Volmar2", second.get());
    EXPECT_EQ(secondAnswers.messages, QStringList{refusal("VolmarSetup", ::getpid())});
    EXPECT_TRUE(control<QToolButton>(*second, "img_red").isVisible());
    EXPECT_FALSE(control<QPushButton>(*second, "btnRead_MK").isEnabled());
    second.reset();
    // The holder's live-data polls are all the sim saw: no command went out.
    EXPECT_EQ(commands(), 0) << "a refused program sent a frame";
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();

    window.reset(); // the window lets go when it closes
    test::ChildProcess live(VOLMARCTL_PATH,
                            {"live", "--virtual", "--device", "8888:8888", "--count", "100000"});
    ASSERT_FALSE(live.waitForLine("hw=", 30000).empty()) << live.stderrText();
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    EXPECT_EQ(dialogs.messages, QStringList{refusal("volmarctl", live.pid())});
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_FALSE(c<QPushButton>("btnRead_MK").isEnabled());
    EXPECT_EQ(commands(), 0) << "the refused window sent a frame";

    live.terminate(SIGKILL); // a holder that dies leaves no lock behind
    clickLine("VID:8888 PID:8888 Volmar2");
    EXPECT_TRUE(c<QToolButton>("img_grn").isVisible());
    sysio::setProgramName(ownName);
}

TEST_F(WindowE2eTest, UpdateUsbListSelectsNothingAndDisconnects) {
    startSim({});
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    ASSERT_TRUE(c<QToolButton>("img_grn").isVisible());
    c<QPushButton>("btn_clr_dev_list").click();
    auto& list = c<QListWidget>("lstHID_DeviceList");
    EXPECT_FALSE(list.findItems("VID:8888 PID:8888 Volmar2", Qt::MatchStartsWith).isEmpty());
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_FALSE(c<QPushButton>("btnRead_MK").isEnabled());
    EXPECT_EQ(c<QLineEdit>("connect_status").text(), "Plug device and click at list");
}

TEST_F(WindowE2eTest, AnUnplugDuringAReadShowsOneMessageAndKeepsTheConfiguration) {
    startSim({"--unplug-after-frames", "20"});
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    c<QLineEdit>("dev_name").setText("Mine");
    c<QComboBox>("dev_poll").setCurrentIndex(1); // what the unplug's device change sets
    const ConfigState before = state();
    EXPECT_EQ(press("btnRead_MK"), std::make_pair(Operation::Read, Outcome::Failed));
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith("Error read RawTranzit."))
        << dialogs.messages[0].toStdString();
    EXPECT_EQ(window->findChild<app::TTrivex_status*>(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return c<QListWidget>("lstHID_DeviceList").count() == 0; }));
    EXPECT_EQ(state(), before);
    EXPECT_EQ(c<QLineEdit>("dev_name").text(), "Mine");
    EXPECT_TRUE(c<QToolButton>("img_red").isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(WindowE2eTest, StartBootloaderThenTheArmedWatchUploadsThroughTheSimsPort) {
    // A loader that only says what it was given.
    std::filesystem::create_directories(program / "DarOzazoz_arduino");
    test::writeFileText(program / "DarOzazoz_arduino" / "arduino.sh",
                        "printf '%s\n' $CHIP$ $FILE$ $PORT$ > \"$0.args\"\n");
    startSim({});
    openWindow();
    clickLine("VID:8888 PID:8888 Volmar2");
    c<QTabWidget>("JvPageControl").setCurrentWidget(&c<QWidget>("TabFMW"));
    c<QComboBox>("select_bootloader").setCurrentIndex(2);
    c<QLineEdit>("FileFirm").setText("/home/me/new fw; v2.hex");
    c<QLineEdit>("com_port").clear();
    c<QCheckBox>("chk_autofirmware").setChecked(true);

    QElapsedTimer pressed;
    pressed.start();
    c<QPushButton>("btnOpenBL").click();
    ASSERT_TRUE(waitUntil([&] {
        return window->link().ConfigDevice() == nullptr &&
               window->link().JoystickDevice() == nullptr;
    }));
    const qint64 droppedMs = pressed.elapsed();
    // The command goes after the controller's 500 ms wait; the references
    // go when the controller leaves the bus, at the latest 500 ms later.
    EXPECT_GE(droppedMs, 500);
    RecordProperty("references_dropped_ms", static_cast<int>(droppedMs));
    ASSERT_FALSE(sim->frames().empty());
    EXPECT_EQ(sim->frames().back().command(), 11);
    EXPECT_FALSE(window->link().LinkReady());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();

    const std::filesystem::path port = vhid::deviceFolder() / "volmar-sim.tty";
    const std::filesystem::path args = program / "DarOzazoz_arduino" / "DarOzazoz_temp.sh.args";
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(args); })) << sim->output();
    EXPECT_NE(sim->output().find("bootloader port " + port.string()), std::string::npos);
    auto* loader = window->findChild<firmware::LoaderWindow*>();
    ASSERT_NE(loader, nullptr);
    EXPECT_TRUE(waitUntil([&] { return !loader->running(); }));
    EXPECT_EQ(test::readFileText(args),
              "atmega32u4\n/home/me/new fw; v2.hex\n" + port.string() + "\n");
    EXPECT_EQ(c<QLineEdit>("com_port").text(), QString::fromStdString(port.string()));
    EXPECT_FALSE(c<QCheckBox>("chk_autofirmware").isChecked());
    EXPECT_EQ(launcher.watched.size(), 1u) << "one upload only";
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join("\n").toStdString();
}

} // namespace
} // namespace volmar::e2e
