#pragma once

// The device link over the virtual HID backend, talking to a volmar-sim
// process, with real timers.

#include "SimProcess.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"
#include "volmar/hid/VirtualBackend.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace volmar::e2e {

struct Observer : device::LinkObserver {
    std::vector<std::string> messages;
    std::vector<std::string> lines;
    int deviceChanges = 0;
    int progressSteps = 0;
    std::optional<std::pair<device::Operation, device::Outcome>> last;
    std::vector<std::string> backups;       // files kept before writes
    std::vector<device::WriteCheck> checks; // what the read-backs found

    void showMessage(const std::string& text) override { messages.push_back(text); }
    void progressStep(const std::string&) override { ++progressSteps; }
    void deviceListChanged(const std::vector<std::string>& l, int) override { lines = l; }
    void deviceChangeHandled() override { ++deviceChanges; }
    void backupKept(const std::string& file) override { backups.push_back(file); }
    void writeChecked(const device::WriteCheck& check) override { checks.push_back(check); }
    void exchangeFinished(device::Operation op, device::Outcome outcome) override {
        last = std::make_pair(op, outcome);
    }
    bool listed(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

class E2eTest : public ::testing::Test {
protected:
    E2eTest() : state(startupState(englishLanguage())), document(state, englishLanguage()) {
        qtApp();
    }
    ~E2eTest() override {
        link.reset();
        hid.reset();
    }

    // Starts the sim, then the HID layer and the link; waits until the sim is listed.
    void startSim(std::vector<std::string> args, const std::string& line = kDefaultLine) {
        sim = std::make_unique<SimProcess>(folder.path(), std::move(args));
        ASSERT_TRUE(sim->ready()) << sim->output();
        std::vector<std::unique_ptr<hid::HidBackend>> backends;
        backends.push_back(hid::makeVirtualBackend());
        hid = std::make_unique<hid::HidController>(std::move(backends));
        link = std::make_unique<device::DeviceLink>(*hid, scheduler, document, englishLanguage(),
                                                    observer);
        link->setTransferExecutor(worker);
        ASSERT_TRUE(waitUntil([&] { return observer.listed(line); }))
            << "not listed: " << line << "\n"
            << sim->output();
    }

    void connect(std::uint16_t vid = 0x8888, std::uint16_t pid = 0x8888) {
        link->selectDevice(vid, pid);
        ASSERT_NE(link->ConfigDevice(), nullptr);
    }

    // Waits for the exchange (and any that follows it) to end.
    std::pair<device::Operation, device::Outcome> finish() {
        EXPECT_TRUE(waitUntil([&] { return observer.last.has_value() && !link->busy(); }));
        auto result = observer.last.value_or(
            std::make_pair(device::Operation::Read, device::Outcome::Failed));
        observer.last.reset();
        return result;
    }

    static constexpr const char* kDefaultLine = "VID:8888 PID:8888 Volmar2 (Volmar2-20161101)";

    test::TempDir folder;
    ConfigState state;
    device::StateDocument document;
    Observer observer;
    device::QtScheduler scheduler;
    device::WorkerExecutor worker;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<hid::HidController> hid;
    std::unique_ptr<device::DeviceLink> link;
};

} // namespace volmar::e2e
