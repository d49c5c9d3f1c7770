#pragma once

// A device link over the fake controller, with the virtual scheduler: the
// exchanges run to their end in runExchange() without taking real time.

#include "FakeController.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace volmar::test {

inline QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "device_link_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class LinkTest : public ::testing::Test {
protected:
    LinkTest() {
        qtApp();
        firmware = std::make_shared<FakeFirmware>(clock);
        auto fake = std::make_unique<FakeBackend>(firmware);
        backend = fake.get();
        std::vector<std::unique_ptr<hid::HidBackend>> list;
        list.push_back(std::move(fake));
        hid = std::make_unique<hid::HidController>(std::move(list));
        link = std::make_unique<device::DeviceLink>(*hid, clock, doc, englishLanguage(), observer);
    }

    // Lets the HID layer's queued work (list rebuilds, input reports) run
    // until `done` holds; false after a generous time.
    template <typename F>
    bool processUntil(F done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        QTimer heartbeat; // the wait below never outlives the deadline
        heartbeat.start(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    void waitForDeviceChanges(int count) {
        ASSERT_TRUE(processUntil([&] { return observer.deviceChanges >= count; }));
    }

    // After the first list build, click the controller's ids.
    void connectController() {
        waitForDeviceChanges(1);
        link->selectDevice(backend->vid, backend->pid);
        ASSERT_NE(link->ConfigDevice(), nullptr);
    }

    // Runs the exchange that was just started to its end.
    void runExchange() { clock.runUntilIdle(); }

    device::VirtualScheduler clock;
    std::shared_ptr<FakeFirmware> firmware;
    FakeBackend* backend = nullptr;
    FakeDocument doc;
    RecordingObserver observer;
    std::unique_ptr<hid::HidController> hid;
    std::unique_ptr<device::DeviceLink> link;
};

} // namespace volmar::test
