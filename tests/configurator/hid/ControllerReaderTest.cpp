// Input reports through the controller: routing by report id to the
// collections that declare it, delivery on the GUI thread, the reader's
// lifetime following check-out, and a node failing under the reader.
#include "ControllerFixture.h"

#include <QThread>

#include <cerrno>

namespace volmar::hid {
namespace {

using test::collection;
using test::ControllerFixture;
using test::FakeNode;
using test::Received;

class ControllerReader : public ControllerFixture {
protected:
    // The controller's node: vendor collection (input 5) and joystick (3, 4).
    void startController() {
        setup().plug(collection("n", "pn", 0, 2, {5}, 194));
        setup().plug(collection("n", "pn", 1, 4, {3, 4}));
        start();
        vendor = find("n#0");
        joystick = find("n#1");
        ASSERT_NE(vendor, nullptr);
        ASSERT_NE(joystick, nullptr);
    }
    FakeNode::Shared& node() { return backend->node("pn"); }
    std::vector<Received> of(HidDevice* device) const {
        std::vector<Received> out;
        for (const auto& r : data) {
            if (r.device == device) {
                out.push_back(r);
            }
        }
        return out;
    }

    HidDevice* vendor = nullptr;
    HidDevice* joystick = nullptr;
};

TEST_F(ControllerReader, ReportsGoToTheCollectionDeclaringTheirId) {
    startController();
    ASSERT_TRUE(controller->checkOut(vendor));
    ASSERT_TRUE(controller->checkOut(joystick));
    QThread* gui = QThread::currentThread();
    bool everyOnGui = true;
    int ownSignal = 0;
    QObject::connect(joystick, &HidDevice::data, [&](HidDevice* d, quint8, const QByteArray&) {
        everyOnGui = everyOnGui && QThread::currentThread() == gui;
        ownSignal += d == joystick;
    });

    FakeNode::pushInput(node(), {3, 10, 20, 0x81});
    FakeNode::pushInput(node(), {5, 99});
    FakeNode::pushInput(node(), {9, 1, 2}); // declared by nobody
    FakeNode::pushInput(node(), {4, 7});
    ASSERT_TRUE(test::waitFor([&] { return data.size() >= 3; }));
    test::settle();

    const auto toJoystick = of(joystick);
    ASSERT_EQ(toJoystick.size(), 2u);
    EXPECT_EQ(toJoystick[0].reportId, 3);
    EXPECT_EQ(toJoystick[0].payload, QByteArray("\x0A\x14\x81", 3)); // id byte not included
    EXPECT_EQ(toJoystick[1].reportId, 4);
    EXPECT_EQ(toJoystick[1].payload, QByteArray("\x07", 1));
    const auto toVendor = of(vendor);
    ASSERT_EQ(toVendor.size(), 1u);
    EXPECT_EQ(toVendor[0].reportId, 5);
    EXPECT_EQ(data.size(), 3u);
    EXPECT_EQ(ownSignal, 2);
    EXPECT_TRUE(everyOnGui);
}

TEST_F(ControllerReader, OnlyCheckedOutCollectionsReceiveAndOneReaderServesTheNode) {
    startController();
    ASSERT_TRUE(controller->checkOut(joystick));
    FakeNode::pushInput(node(), {5, 1});
    FakeNode::pushInput(node(), {3, 1, 2, 3});
    ASSERT_TRUE(test::waitFor([&] { return !data.empty(); }));
    test::settle();
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].device, joystick);

    // Checking the other collection out shares the open node and its reader.
    ASSERT_TRUE(controller->checkOut(vendor));
    EXPECT_EQ(node().opened, 1);
    FakeNode::pushInput(node(), {5, 2});
    ASSERT_TRUE(test::waitFor([&] { return data.size() == 2; }));
    EXPECT_EQ(data[1].device, vendor);

    // The joystick given back: the vendor collection keeps receiving.
    controller->checkIn(joystick);
    FakeNode::pushInput(node(), {3, 1, 2, 3});
    FakeNode::pushInput(node(), {5, 3});
    ASSERT_TRUE(test::waitFor([&] { return data.size() == 3; }));
    test::settle();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[2].device, vendor);
    EXPECT_EQ(data[2].payload, QByteArray("\x03", 1));
}

// Reports that follow each other closely wait for the next handover; a
// caller that counts them asks for them, and gets every one already read,
// in order, before the call returns.
TEST_F(ControllerReader, QueuedReportsAreDeliveredWhenAsked) {
    startController();
    ASSERT_TRUE(controller->checkOut(joystick));
    FakeNode::pushInput(node(), {3, 1, 0, 0});
    ASSERT_TRUE(test::waitFor([&] { return data.size() == 1; }));
    FakeNode::pushInput(node(), {3, 2, 0, 0});
    FakeNode::pushInput(node(), {4, 3});
    // Without the event loop: only deliverQueuedInput() can deliver them.
    for (int i = 0; i < 5000 && data.size() < 3; ++i) {
        controller->deliverQueuedInput();
        QThread::msleep(1);
    }
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[1].payload, QByteArray("\x02\x00\x00", 3));
    EXPECT_EQ(data[2].reportId, 4);
}

TEST_F(ControllerReader, NodeWithoutReportIdsDeliversWholeReportsUnderIdZero) {
    CollectionInfo mouse = collection("m", "pm", 0, 4, {0});
    mouse.usesReportIds = false;
    setup().plug(mouse);
    start();
    HidDevice* m = find("m#0");
    ASSERT_TRUE(controller->checkOut(m));
    FakeNode::pushInput(backend->node("pm"), {1, 2, 3});
    ASSERT_TRUE(test::waitFor([&] { return !data.empty(); }));
    EXPECT_EQ(data[0].reportId, 0);
    EXPECT_EQ(data[0].payload, QByteArray("\x01\x02\x03", 3));
}

TEST_F(ControllerReader, FeatureOnlyCollectionStartsNoReader) {
    setup().plug(collection("f", "pf", 0, 0, {}, 38));
    start();
    ASSERT_TRUE(controller->checkOut(find("f#0")));
    test::settle();
    EXPECT_EQ(backend->node("pf").opened, 1);
    EXPECT_EQ(backend->node("pf").reads.load(), 0);
}

TEST_F(ControllerReader, NodeGoneUnderTheReaderUnplugsWithoutAHotPlugNote) {
    startController();
    ASSERT_TRUE(controller->checkOut(joystick));
    // The device leaves; the system's notification has not come (yet).
    backend->unplug("n#0");
    backend->unplug("n#1");
    FakeNode::setReadError(node(), ENODEV);
    ASSERT_TRUE(test::waitFor([&] { return !joystick->isPluggedIn(); }));
    // Both collections went; only the checked-out one stays listed.
    EXPECT_EQ(unpluggedDevices.size(), 2u);
    EXPECT_NE(std::find(unpluggedDevices.begin(), unpluggedDevices.end(), joystick),
              unpluggedDevices.end());
    ASSERT_EQ(controller->devices().size(), 1u);
    EXPECT_EQ(controller->devices()[0], joystick);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(node().closed, 1);
}

TEST_F(ControllerReader, OtherReadFailuresAreReportedAndReadingGoesOn) {
    startController();
    ASSERT_TRUE(controller->checkOut(joystick));
    joystick->setThreadSleepTime(10);
    std::vector<QString> errors;
    QObject::connect(joystick, &HidDevice::dataError,
                     [&](HidDevice*, const QString& message) { errors.push_back(message); });
    FakeNode::setReadError(node(), EPROTO);
    ASSERT_TRUE(test::waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], QString::fromLocal8Bit(std::strerror(EPROTO)));
    FakeNode::setReadError(node(), 0);
    FakeNode::pushInput(node(), {3, 1, 2, 3});
    ASSERT_TRUE(test::waitFor([&] { return !data.empty(); }));
    EXPECT_TRUE(joystick->isPluggedIn());
}

TEST_F(ControllerReader, HandlerThatChecksTheDeviceInStopsFurtherDelivery) {
    startController();
    ASSERT_TRUE(controller->checkOut(joystick));
    int seen = 0;
    QObject::connect(joystick, &HidDevice::data, [&](HidDevice* d, quint8, const QByteArray&) {
        ++seen;
        controller->checkIn(d);
    });
    for (int i = 0; i < 20; ++i) {
        FakeNode::pushInput(node(), {3, 1, 2, static_cast<std::uint8_t>(i)});
    }
    ASSERT_TRUE(test::waitFor([&] { return seen > 0; }));
    test::settle();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(node().closed, 1);
}

TEST_F(ControllerReader, DestroyingTheControllerStopsReadersThatWaitLong) {
    startController();
    joystick->setThreadSleepTime(10000);
    ASSERT_TRUE(controller->checkOut(joystick));
    const auto shared = backend->sharedNode("pn");
    ASSERT_TRUE(test::waitFor([&] { return shared->reads.load() > 0; }));
    test::destroyController(controller); // joins a reader blocked in a 10 s wait
    EXPECT_EQ(shared->closed, 1);
}

} // namespace
} // namespace volmar::hid
