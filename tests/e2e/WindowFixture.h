#pragma once

// The configurator window against a volmar-sim process: start both, click a
// device list line, press a button and wait for the exchange it starts.

#include "SimProcess.h"

#include "volmar/app/Dialogs.h"
#include "volmar/app/ProgressPopup.h"
#include "volmar/app/TMForm.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/SerialPortList.h"
#include "volmar/hid/VirtualBackend.h"

#include "GuiTest.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace volmar::e2e {

using app::TMForm;
using device::Operation;
using device::Outcome;
using test::control;

class WindowE2eTest : public ::testing::Test {
protected:
    WindowE2eTest() { test::guiApp(); }
    ~WindowE2eTest() override { window.reset(); }

    void startSim(std::vector<std::string> args) {
        sim = std::make_unique<SimProcess>(folder.path(), std::move(args));
        ASSERT_TRUE(sim->ready()) << sim->output();
    }
    void openWindow() {
        window = makeWindow(dialogs);
        QObject::connect(window.get(), &TMForm::linkExchangeFinished,
                         [this](Operation op, Outcome outcome) {
                             finished = {op, outcome};
                         });
    }
    // A window of its own (shown) on the sim's folder, answering through
    // `answers`: a second copy of the program, as far as the controller can
    // tell. In English, as the suites read the window's texts.
    std::unique_ptr<TMForm> makeWindow(app::ScriptedDialogs& answers) {
        if (!std::filesystem::exists(folder / "VolmarSetup.ini")) {
            writeFileText(folder / "VolmarSetup.ini", "[Main]\nTranslate=English\n");
        }
        app::WindowOptions options;
        options.settingsFile = QString::fromStdString((folder / "VolmarSetup.ini").string());
        options.backends = [] {
            std::vector<std::unique_ptr<hid::HidBackend>> list;
            list.push_back(hid::makeVirtualBackend());
            return list;
        };
        options.serialPorts = [] { return firmware::makeVirtualSerialPorts(); };
        options.launcher = &launcher;
        options.programFolder = QString::fromStdString(program.path().string());
        auto made = std::make_unique<TMForm>(answers, options);
        made->show();
        return made;
    }
    // Clicks the device list line that starts with `line` (in `in`, else
    // in the window).
    void clickLine(const QString& line, TMForm* in = nullptr) {
        auto& list = control<QListWidget>(in != nullptr ? *in : *window, "lstHID_DeviceList");
        QListWidgetItem* item = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            const auto found = list.findItems(line, Qt::MatchStartsWith);
            item = found.isEmpty() ? nullptr : found.first();
            return item != nullptr;
        })) << line.toStdString()
            << "\n"
            << sim->output();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
    }
    // Presses a button and waits for the exchange it starts (and any that
    // follows it) to end; the progress texts seen meanwhile go to `progress`.
    std::pair<Operation, Outcome> press(const char* button) {
        finished.reset();
        progress.clear();
        c<QPushButton>(button).click();
        EXPECT_TRUE(waitUntil([&] {
            if (auto* popup = window->findChild<app::TTrivex_status*>()) {
                popupBlocks = popupBlocks || QApplication::activeModalWidget() == popup;
                const QString text = control<QLabel>(*popup, "txt").text();
                if (progress.isEmpty() || progress.last() != text) {
                    progress << text;
                }
            }
            return finished.has_value() && !window->link().busy();
        }));
        return finished.value_or(std::make_pair(Operation::Read, Outcome::Failed));
    }
    // The sim's EEPROM file holds the image of `state`.
    void expectEepromHolds(ConfigState state, const std::filesystem::path& file) {
        ConfigImage expected{};
        DescriptorLog log(kDescriptorLogLines);
        ASSERT_TRUE(ConfigToReport(state, expected, log).ok());
        const auto eeprom = readFileBytes(file);
        ASSERT_GE(eeprom.size(), kConfigBytes);
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + kConfigBytes, eeprom.begin()));
    }
    template <typename T>
    T& c(const char* name) {
        return control<T>(*window, name);
    }
    ConfigState& state() { return window->editor().state(); }

    test::TempDir folder;
    test::TempDir program; // beside "VolmarSetup": the loader folders
    app::ScriptedDialogs dialogs;
    firmware::RecordingLauncher launcher;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TMForm> window;
    std::optional<std::pair<Operation, Outcome>> finished;
    QStringList progress;
    bool popupBlocks = false;
};

} // namespace volmar::e2e
