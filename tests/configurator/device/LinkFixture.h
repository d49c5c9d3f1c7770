#pragma once

// A device link over the fake controller, with the virtual scheduler: the
// exchanges run to their end in runExchange() without taking real time.

#include "FakeController.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"

#include "QtWait.h"

#include <gtest/gtest.h>

#include <memory>

namespace volmar::test {

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
        return waitUntil(done, 10000);
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
