// The firmware page offscreen, by its controls' names: the upload through a
// template (what command_file shows, the script, where it runs, the loader
// window), the file errors, the per-user script folder, and the port watch.
#include "volmar/firmware/FirmwarePage.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/LoaderWindow.h"
#include "volmar/firmware/SerialPortList.h"

#include "GuiTest.h"
#include "QtWait.h"
#include "TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace volmar::firmware {
namespace {

namespace fs = std::filesystem;
using test::control;
using test::readFileText;
using test::writeFileText;

class ListedPorts : public SerialPortList {
public:
    std::vector<std::string> ports() override { return list; }
    std::vector<std::string> list;
};

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

class FirmwarePageTest : public ::testing::Test {
protected:
    FirmwarePageTest() {
        test::guiApp();
        services.ports = &ports;
        services.launcher = &launcher;
        services.programFolder = q(program.path());
        services.userFolder = q(user / "VolmarSetup");
        services.message = [this](const QString& text) { messages << text; };
        services.chooseFile = [this](const QString& title, const QString& filter) {
            fileRequests << title + " | " + filter;
            return chosenFile;
        };
        page = std::make_unique<FirmwarePage>(englishLanguage(), services);
    }
    template <typename T>
    T& c(const char* name) {
        return control<T>(*page, name);
    }
    // A template in the program folder's loader folder `loader`.
    fs::path loaderTemplate(const std::string& loader, const std::string& text) {
        fs::create_directories(program / ("DarOzazoz_" + loader));
        const fs::path file = program / ("DarOzazoz_" + loader) / (loader + ".sh");
        writeFileText(file, text);
        return file;
    }
    // The loader window of the last upload, once its script has ended.
    LoaderWindow* finishedLoader() {
        const auto windows = page->findChildren<LoaderWindow*>();
        if (windows.isEmpty()) {
            return nullptr;
        }
        LoaderWindow* last = windows.last();
        EXPECT_TRUE(test::waitUntil([&] { return !last->running(); }, 10000));
        return last;
    }

    test::TempDir program;
    test::TempDir user;
    FirmwareServices services;
    ListedPorts ports;
    RecordingLauncher launcher;
    QStringList messages;
    QStringList fileRequests;
    QString chosenFile;
    std::unique_ptr<FirmwarePage> page;
};

TEST_F(FirmwarePageTest, UploadShowsTheTemplateAndRunsTheFilledScriptInTheLoaderFolder) {
    const fs::path templ = loaderTemplate(
        "teensy2", "printf '[%s]\\n' $chip$ $FILE$ $PORT$ $Path$\nexit 3\nrm -rf /\n");
    c<QComboBox>("select_bootloader").setCurrentIndex(3);
    c<QComboBox>("joy_hardware_mcu").setCurrentIndex(2);
    c<QLineEdit>("FileFirm").setText("/fw dir/a.hex");
    c<QPushButton>("btnStartFirmware").click();

    const fs::path folder = program / "DarOzazoz_teensy2";
    EXPECT_EQ(c<QLineEdit>("command_file").text(), q(templ));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    const std::string script = readFileText(folder / "DarOzazoz_temp.sh");
    EXPECT_EQ(script, "printf '[%s]\\n' 'atmega32u4' '/fw dir/a.hex' '' '" + folder.string() +
                          "/'\nexit 3\n");
    ASSERT_EQ(launcher.watched.size(), 1u);
    EXPECT_EQ(launcher.watched[0],
              (RecordingLauncher::Start{"/bin/sh", {q(folder / "DarOzazoz_temp.sh")}, q(folder)}));

    LoaderWindow* window = finishedLoader();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(
        control<QPlainTextEdit>(*window, "loaderOutput").toPlainText(),
        QString::fromStdString("[atmega32u4]\n[/fw dir/a.hex]\n[]\n[" + folder.string() + "/]\n"));
    EXPECT_EQ(control<QLabel>(*window, "loaderStatus").text(), "Finished, exit status 3");
}

// A window closed early only stops showing the output: the loader is never
// cut off.
TEST_F(FirmwarePageTest, ClosingTheLoaderWindowLetsTheLoaderFinish) {
    const fs::path done = program / "done";
    loaderTemplate("atmeldfu", "echo erasing; sleep 0.3; echo done > " + done.string() + "\n");
    c<QComboBox>("select_bootloader").setCurrentIndex(1);
    c<QPushButton>("btnStartFirmware").click();
    auto windows = page->findChildren<LoaderWindow*>();
    ASSERT_EQ(windows.size(), 1);
    QPointer<LoaderWindow> window = windows[0];
    EXPECT_TRUE(window->running());
    window->close();
    EXPECT_TRUE(test::waitUntil([&] { return window.isNull(); }, 5000)) << "closed and gone";
    EXPECT_TRUE(test::waitUntil([&] { return fs::exists(done); }, 10000));
}

TEST_F(FirmwarePageTest, AMissingTemplateIsReportedAndNothingStarts) {
    struct Case {
        int entry;
        const char* command_file;
        QString message;
    };
    const Case cases[] = {
        {0, "-", R"(Error read file "-" [No such file or directory])"},
        {-1, "/nowhere/x.sh", R"(Error read file "/nowhere/x.sh" [No such file or directory])"},
        // The loader folder is missing beside the program.
        {2, "-",
         QStringLiteral(R"(Error read file "%1" [No such file or directory])")
             .arg(q(program / "DarOzazoz_arduino" / "arduino.sh"))},
    };
    for (const Case& k : cases) {
        messages.clear();
        c<QComboBox>("select_bootloader").setCurrentIndex(k.entry);
        c<QLineEdit>("command_file").setText(k.command_file);
        c<QPushButton>("btnStartFirmware").click();
        EXPECT_EQ(messages, QStringList{k.message}) << k.entry;
    }
    EXPECT_TRUE(launcher.watched.empty());
    EXPECT_TRUE(page->findChildren<LoaderWindow*>().isEmpty());
    EXPECT_FALSE(fs::exists(fs::current_path() / "DarOzazoz_temp.sh"));
}

TEST_F(FirmwarePageTest, NoLoaderUsesCommandFileAndTheCurrentFolder) {
    const fs::path templ = program / "mine.sh";
    writeFileText(templ, "echo $PATH$ $FILE$\n");
    c<QComboBox>("select_bootloader").setCurrentIndex(0);
    c<QLineEdit>("command_file").setText(q(templ));
    c<QLineEdit>("FileFirm").setText("a.hex");
    c<QPushButton>("btnStartFirmware").click();
    EXPECT_EQ(c<QLineEdit>("command_file").text(), q(templ));
    const fs::path here = fs::current_path();
    EXPECT_EQ(readFileText(here / "DarOzazoz_temp.sh"), "echo '' 'a.hex'\n\n");
    ASSERT_EQ(launcher.watched.size(), 1u);
    EXPECT_EQ(launcher.watched[0].folder, q(here));
    ASSERT_NE(finishedLoader(), nullptr);
    fs::remove(here / "DarOzazoz_temp.sh");
}

TEST_F(FirmwarePageTest, AnInstalledProgramsScriptGoesToTheUserFolderEvenWhereItsOwnIsWritable) {
    services.scriptsToUserFolder = true;
    page = std::make_unique<FirmwarePage>(englishLanguage(), services);
    loaderTemplate("atmeldfu", "echo $CHIP$ $PATH$\n");
    const fs::path folder = program / "DarOzazoz_atmeldfu";
    c<QComboBox>("select_bootloader").setCurrentIndex(1);
    c<QComboBox>("joy_hardware_mcu").setCurrentIndex(2);
    c<QPushButton>("btnStartFirmware").click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_FALSE(fs::exists(folder / "DarOzazoz_temp.sh"));
    const fs::path script = user / "VolmarSetup" / "DarOzazoz_temp.sh";
    EXPECT_EQ(readFileText(script), "echo 'atmega32u4' '" + folder.string() + "/'\n\n");
    ASSERT_EQ(launcher.watched.size(), 1u);
    EXPECT_EQ(launcher.watched[0], (RecordingLauncher::Start{"/bin/sh", {q(script)}, q(folder)}));
    ASSERT_NE(finishedLoader(), nullptr);

    // A user folder that cannot take it: its error, nothing runs.
    fs::remove(script);
    fs::create_directory(script);
    c<QPushButton>("btnStartFirmware").click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral(R"(Error write file "%1" [)").arg(q(script))))
        << messages[0].toStdString();
    EXPECT_EQ(launcher.watched.size(), 1u);
}

TEST_F(FirmwarePageTest, ALoaderFolderThatCannotTakeTheScriptLeavesItToTheUserFolder) {
    loaderTemplate("arduino", "echo $PORT$\n");
    const fs::path folder = program / "DarOzazoz_arduino";
    // Something that is not a file already holds the script's name.
    fs::create_directory(folder / "DarOzazoz_temp.sh");
    c<QComboBox>("select_bootloader").setCurrentIndex(2);
    c<QLineEdit>("com_port").setText("/dev/ttyACM0");
    c<QPushButton>("btnStartFirmware").click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    const fs::path script = user / "VolmarSetup" / "DarOzazoz_temp.sh";
    EXPECT_EQ(readFileText(script), "echo '/dev/ttyACM0'\n\n");
    ASSERT_EQ(launcher.watched.size(), 1u);
    EXPECT_EQ(launcher.watched[0].arguments, QStringList{q(script)});
    EXPECT_EQ(launcher.watched[0].folder, q(folder)) << "the loader still runs in its folder";
    ASSERT_NE(finishedLoader(), nullptr);

    // Neither place can take it: the loader folder's error, nothing runs.
    fs::remove(script);
    fs::create_directory(script);
    c<QPushButton>("btnStartFirmware").click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(
        QStringLiteral(R"(Error write file "%1" [)").arg(q(folder / "DarOzazoz_temp.sh"))))
        << messages[0].toStdString();
    EXPECT_EQ(launcher.watched.size(), 1u);
}

TEST_F(FirmwarePageTest, ArmedWatchTakesTheWholeListUnticksAndUploadsOnce) {
    loaderTemplate("arduino", "printf '[%s]\\n' $PORT$\n");
    c<QComboBox>("select_bootloader").setCurrentIndex(2);
    auto& port = c<QLineEdit>("com_port");
    auto& armed = c<QCheckBox>("chk_autofirmware");
    const QColor window = port.palette().color(QPalette::Base);
    armed.setChecked(true);

    page->comPortWatch(); // no ports yet
    EXPECT_EQ(port.text(), "");
    EXPECT_TRUE(armed.isChecked());
    EXPECT_TRUE(launcher.watched.empty());

    ports.list = {"/dev/ttyACM3", "/dev/ttyACM5"};
    page->comPortWatch();
    EXPECT_EQ(port.text(), "/dev/ttyACM3,/dev/ttyACM5");
    EXPECT_FALSE(armed.isChecked());
    EXPECT_EQ(port.palette().color(QPalette::Base), QColor(0, 128, 0));
    ASSERT_EQ(launcher.watched.size(), 1u);
    LoaderWindow* loader = finishedLoader();
    ASSERT_NE(loader, nullptr);
    EXPECT_EQ(control<QPlainTextEdit>(*loader, "loaderOutput").toPlainText(),
              "[/dev/ttyACM3,/dev/ttyACM5]\n");

    page->comPortWatch(); // one-shot
    EXPECT_EQ(launcher.watched.size(), 1u);

    // A field the user is editing is left alone while it stays the same.
    port.setText("/dev/ttyACM1");
    port.setCursorPosition(4);
    ports.list = {"/dev/ttyACM12"};
    page->comPortWatch();
    EXPECT_EQ(port.cursorPosition(), 4);
    EXPECT_EQ(port.palette().color(QPalette::Base), QColor(0, 128, 0)) << "substring counts";
    ports.list.clear();
    page->comPortWatch();
    EXPECT_EQ(port.palette().color(QPalette::Base), window);
    EXPECT_EQ(launcher.watched.size(), 1u);
}

TEST_F(FirmwarePageTest, PortListButtonAndBrowseFillTheirFields) {
    auto& port = c<QLineEdit>("com_port");
    port.setText("old");
    ports.list = {"/dev/ttyACM0", "/dev/ttyUSB0"};
    c<QPushButton>("BtnGetCPorts").click();
    EXPECT_EQ(port.text(), "/dev/ttyACM0,/dev/ttyUSB0");
    ports.list.clear();
    c<QPushButton>("BtnGetCPorts").click();
    EXPECT_EQ(port.text(), "");

    auto& file = c<QLineEdit>("FileFirm");
    EXPECT_EQ(file.text(), "-");
    c<QPushButton>("FileFirmBrowse").click(); // cancelled
    EXPECT_EQ(file.text(), "-");
    chosenFile = "/home/me/fw.hex";
    c<QPushButton>("FileFirmBrowse").click();
    EXPECT_EQ(file.text(), "/home/me/fw.hex");
    EXPECT_EQ(fileRequests, QStringList(2, "Firmware file | Hex (*.hex)"));
}

TEST_F(FirmwarePageTest, EveryControlHasItsCaptionOrLabelAsAccessibleName) {
    const std::pair<const char*, const char*> named[] = {
        {"FileFirm", "Firmware file"},
        {"joy_hardware_mcu", "Chip"},
        {"select_bootloader", "Bootloader type"},
        {"com_port", "Port(arduino)"},
        {"BtnGetCPorts", "COM ports list"},
        {"chk_autofirmware", "Auto-start upload firmware when COM ports is active"},
        {"btnOpenBL", "Start bootloader"},
        {"btnStartFirmware", "Upload firmware"},
        {"btnResetCnf", "Clear EEPROM"},
    };
    for (const auto& [name, caption] : named) {
        auto& widget = c<QWidget>(name);
        const auto* button = qobject_cast<QAbstractButton*>(&widget);
        const QString spoken = button ? button->text() : widget.accessibleName();
        EXPECT_EQ(spoken, caption) << name;
    }
    EXPECT_EQ(c<QLabel>("lblPort").buddy(), &c<QLineEdit>("com_port"));
    EXPECT_FALSE(c<QLineEdit>("command_file").accessibleName().isEmpty());
    EXPECT_FALSE(c<QPushButton>("FileFirmBrowse").accessibleName().isEmpty());
    EXPECT_EQ(c<QLineEdit>("command_file").text(), "-");
}

} // namespace
} // namespace volmar::firmware
