#pragma once

// A controller over one scripted backend, with every signal recorded.

#include "HidTestSupport.h"
#include "volmar/hid/HidController.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace volmar::hid::test {

struct Received {
    HidDevice* device;
    quint8 reportId;
    QByteArray payload;
};

class ControllerFixture : public ::testing::Test {
protected:
    void SetUp() override { ensureApp(); }
    void TearDown() override {
        destroyController(controller);
        settle();
    }

    // Builds the controller; its first list build is still pending.
    void create() {
        backend = pendingBackend.get();
        std::vector<std::unique_ptr<HidBackend>> backends;
        backends.push_back(std::move(pendingBackend));
        controller = std::make_unique<HidController>(std::move(backends));
        QObject::connect(controller.get(), &HidController::deviceChange, [this] { ++changes; });
        QObject::connect(controller.get(), &HidController::arrival,
                         [this](HidDevice* d) { arrived.push_back(d); });
        QObject::connect(controller.get(), &HidController::removal,
                         [this](HidDevice* d) { removed.push_back(d); });
        QObject::connect(controller.get(), &HidController::deviceUnplug,
                         [this](HidDevice* d) { unpluggedDevices.push_back(d); });
        QObject::connect(controller.get(), &HidController::deviceData,
                         [this](HidDevice* d, quint8 id, const QByteArray& payload) {
                             data.push_back({d, id, payload});
                         });
    }
    // Creates the controller and lets its first build run.
    void start() {
        create();
        settle();
    }
    // What the test lists before the controller exists.
    FakeBackend& setup() { return *pendingBackend; }
    // One-collection nodes: "<id>#0" on node "p<id>".
    void plugNodes(std::initializer_list<const char*> ids) {
        for (const std::string id : ids) {
            setup().plug(collection(id, "p" + id, 0, 4, {3}));
        }
    }
    // A hot-plug note, handled.
    void notify() {
        backend->change();
        settle();
    }

    HidDevice* find(const std::string& id) const {
        for (HidDevice* d : controller->devices()) {
            if (d->deviceId() == id) {
                return d;
            }
        }
        return nullptr;
    }

    std::unique_ptr<FakeBackend> pendingBackend = std::make_unique<FakeBackend>();
    FakeBackend* backend = nullptr;
    std::unique_ptr<HidController> controller;
    int changes = 0;
    std::vector<HidDevice*> arrived;
    std::vector<HidDevice*> removed;
    std::vector<HidDevice*> unpluggedDevices;
    std::vector<Received> data;
};

} // namespace volmar::hid::test
