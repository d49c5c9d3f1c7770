#pragma once

// The main window without a controller, offscreen, for the window suites:
// a HID backend listing collections it cannot open, serial ports that say
// how often they were asked, scripted dialogs and a private settings file.

#include "volmar/app/Dialogs.h"
#include "volmar/app/TMForm.h"
#include "volmar/firmware/Launcher.h"
#include "volmar/firmware/SerialPortList.h"

#include "GuiTest.h"
#include "QtWait.h"
#include "TempDir.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

namespace volmar::app {

using test::control;

// Lists the given collections; none of them can be opened.
class ListedBackend : public hid::HidBackend {
public:
    explicit ListedBackend(std::vector<hid::CollectionInfo> listed) : m_listed(std::move(listed)) {}
    std::string name() const override { return "listed"; }
    std::vector<hid::CollectionInfo> enumerate() override { return m_listed; }
    Result<std::unique_ptr<hid::HidNode>> open(const std::string&) override {
        return Error::fromErrno(EACCES);
    }
    void setChangeCallback(std::function<void()>) override {}

private:
    std::vector<hid::CollectionInfo> m_listed;
};

// No ports; says how often it was asked and whether the monitor tick's
// timer was running meanwhile.
struct PortLooks {
    int count = 0;
    int whileTimerRan = 0;
    QTimer* timer = nullptr;
};
class WatchedPorts : public firmware::SerialPortList {
public:
    explicit WatchedPorts(std::shared_ptr<PortLooks> looks) : m_looks(std::move(looks)) {}
    std::vector<std::string> ports() override {
        ++m_looks->count;
        if (m_looks->timer && m_looks->timer->isActive()) {
            ++m_looks->whileTimerRan;
        }
        return {};
    }

private:
    std::shared_ptr<PortLooks> m_looks;
};

class WindowTest : public ::testing::Test {
protected:
    WindowTest() { test::guiApp(); }

    // The window as a user who chose English has it (its settings file says
    // so), unless the test wrote a settings file of its own; `english`
    // false: no settings file, as at the very first start.
    TMForm& open(bool english = true) {
        window.reset();
        if (english && !std::filesystem::exists(folder / "VolmarSetup.ini")) {
            test::writeFileText(folder / "VolmarSetup.ini", "[Main]\nTranslate=English\n");
        }
        WindowOptions options;
        options.settingsFile = settingsFile();
        options.backends = [this] {
            std::vector<std::unique_ptr<hid::HidBackend>> list;
            list.push_back(std::make_unique<ListedBackend>(listed));
            return list;
        };
        options.serialPorts = [this] { return std::make_unique<WatchedPorts>(portLooks); };
        options.launcher = &launcher;
        window = std::make_unique<TMForm>(dialogs, options);
        window->show();
        // The first device change (after start) puts dev_poll on "1".
        EXPECT_TRUE(test::waitUntil([&] { return state().dev_poll == 1; }, 5000));
        return *window;
    }
    QString settingsFile() const {
        return QString::fromStdString((folder / "VolmarSetup.ini").string());
    }
    ConfigState& state() { return window->editor().state(); }
    template <typename T>
    T& c(const char* name) {
        return control<T>(*window, name);
    }

    ScriptedDialogs dialogs;
    firmware::RecordingLauncher launcher;
    std::shared_ptr<PortLooks> portLooks = std::make_shared<PortLooks>();
    test::TempDir folder;
    std::vector<hid::CollectionInfo> listed;
    std::unique_ptr<TMForm> window;
};

} // namespace volmar::app
