// The device list rules: first notification, rebuilds that keep objects,
// unplug of checked-out and checked-in devices, duplicates, check-out and
// check-in with their nodes, enumeration, sleep-time range, transfers.
#include "ControllerFixture.h"

#include "ResultAssert.h"

#include <cerrno>

namespace volmar::hid {
namespace {

using test::collection;
using test::ControllerFixture;

class Controller : public ControllerFixture {};

TEST_F(Controller, ExactlyOneDeviceChangeAfterTheEventLoopStarts) {
    plugNodes({"a"});
    create();
    EXPECT_EQ(changes, 0); // nothing before the loop runs
    backend->change();     // an early hot-plug note must not add a second one
    notify();
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(controller->devices().size(), 1u);
    // Notifications that change nothing stay silent and are coalesced.
    const int enumerationsBefore = backend->enumerations;
    backend->change();
    backend->change();
    notify();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(backend->enumerations, enumerationsBefore + 1);
}

TEST_F(Controller, EmptySystemStillGetsItsFirstDeviceChange) {
    start();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(controller->devices().empty());
}

TEST_F(Controller, PluggingASecondDeviceKeepsObjectsAndTheOpenNode) {
    plugNodes({"a"});
    start();
    HidDevice* a = find("a#0");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(controller->checkOut(a));
    ASSERT_EQ(backend->node("pa").opened, 1);

    backend->plug(collection("b", "pb", 0, 4, {3}));
    notify();

    EXPECT_EQ(changes, 2);
    ASSERT_EQ(controller->devices().size(), 2u);
    EXPECT_EQ(controller->devices()[0], a); // same object, same place
    EXPECT_TRUE(a->isCheckedOut());
    EXPECT_TRUE(a->isPluggedIn());
    EXPECT_EQ(backend->node("pa").opened, 1);
    EXPECT_EQ(backend->node("pa").closed, 0);
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[1]->deviceId(), "b#0");
    EXPECT_TRUE(removed.empty());
}

TEST_F(Controller, UnpluggedCheckedOutDeviceStaysListedUntilCheckedIn) {
    plugNodes({"a", "b"});
    start();
    HidDevice* a = find("a#0");
    ASSERT_TRUE(controller->checkOut(a));
    int ownUnplug = 0;
    QObject::connect(a, &HidDevice::unplugged, [&](HidDevice* d) { ownUnplug += d == a; });

    backend->unplug("a#0");
    notify();

    EXPECT_EQ(ownUnplug, 1);
    EXPECT_EQ(unpluggedDevices, std::vector<HidDevice*>{a});
    ASSERT_EQ(controller->devices().size(), 2u);
    EXPECT_EQ(controller->devices()[0], a);
    EXPECT_FALSE(a->isPluggedIn());
    EXPECT_TRUE(a->isCheckedOut());
    EXPECT_EQ(backend->node("pa").closed, 1); // its node is released at once
    EXPECT_EQ(controller->numUnpluggedDevices(), 1);
    EXPECT_EQ(controller->numCheckedOutDevices(), 0);
    EXPECT_EQ(controller->numCheckedInDevices(), 1);
    EXPECT_EQ(changes, 2);

    std::uint8_t report[38] = {1};
    EXPECT_EQ(volmar::test::errorText(a->setFeature(report)), "No such device");
    // Not offered any more, and cannot be taken again.
    EXPECT_EQ(controller->enumerate([](HidDevice*, int) { return true; }), 1);
    EXPECT_FALSE(controller->checkOut(a));

    QPointer<HidDevice> guard(a);
    controller->checkIn(a);
    ASSERT_EQ(controller->devices().size(), 1u);
    EXPECT_EQ(controller->devices()[0]->deviceId(), "b#0");
    EXPECT_EQ(controller->numUnpluggedDevices(), 0);
    test::settle();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(Controller, UnpluggedCheckedInDeviceLeavesTheList) {
    plugNodes({"a", "b"});
    start();
    QPointer<HidDevice> b = find("b#0");
    backend->unplug("b#0");
    notify();
    ASSERT_EQ(controller->devices().size(), 1u);
    EXPECT_EQ(controller->devices()[0]->deviceId(), "a#0");
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(b.isNull());
}

TEST_F(Controller, DuplicatesAreDiscardedAndKnownDevicesKeepTheirObject) {
    plugNodes({"a", "a"}); // listed twice by the system
    start();
    ASSERT_EQ(controller->devices().size(), 1u);
    HidDevice* a = controller->devices()[0];

    // Same identity with other strings: still the same device.
    backend->unplug("a#0");
    CollectionInfo renamed = collection("a", "pa", 0, 4, {3});
    renamed.product = "Renamed";
    backend->plug(renamed);
    notify();
    ASSERT_EQ(controller->devices().size(), 1u);
    EXPECT_EQ(controller->devices()[0], a);
    EXPECT_EQ(changes, 1);
}

TEST_F(Controller, ReattachedDeviceWhileCheckedOutIsANewObjectWithAFreshNode) {
    setup().plug(collection("a1", "pa", 0, 4, {3}));
    start();
    HidDevice* old = find("a1#0");
    ASSERT_TRUE(controller->checkOut(old));

    // Same node path, new attachment (a restart with another VID/PID).
    backend->unplug("a1#0");
    backend->plug(collection("a2", "pa", 0, 4, {3}));
    notify();

    ASSERT_EQ(controller->devices().size(), 2u);
    EXPECT_FALSE(old->isPluggedIn());
    HidDevice* fresh = find("a2#0");
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(backend->node("pa").closed, 1);
    ASSERT_TRUE(controller->checkOut(fresh));
    EXPECT_EQ(backend->node("pa").opened, 2);
    // Giving back the old object must not close the new one's node.
    controller->checkIn(old);
    EXPECT_EQ(backend->node("pa").closed, 1);
    std::uint8_t report[4] = {1, 2, 3, 4};
    EXPECT_TRUE(volmar::test::isOk(fresh->setFeature(report)));
}

// A checked-out device is its holder's: the controller going marks it
// unplugged and tells it, but the holder deletes it.
TEST_F(Controller, CheckedOutDeviceHearsItsUnplugWhenTheControllerGoes) {
    plugNodes({"a", "b"});
    start();
    HidDevice* held = find("a#0");
    QPointer<HidDevice> other(find("b#0"));
    ASSERT_TRUE(controller->checkOut(held));
    QPointer<HidDevice> guard(held);
    int told = 0;
    QObject::connect(held, &HidDevice::unplugged,
                     [&](HidDevice* d) { told += d == held && !d->isPluggedIn() ? 1 : 0; });
    controller.reset();
    EXPECT_EQ(told, 1);
    ASSERT_FALSE(guard.isNull()) << "the controller deleted a device it had handed out";
    EXPECT_TRUE(other.isNull()) << "a device nobody holds goes with the controller";
    EXPECT_EQ(held->controller(), nullptr);
    std::uint8_t report[38] = {1};
    EXPECT_EQ(volmar::test::errorText(held->setFeature(report)), "No such device");
    delete held;
}

TEST_F(Controller, CollectionsOfOneNodeShareItUntilTheLastIsCheckedIn) {
    setup().plug(collection("n", "pn", 0, 2, {5}, 38));
    setup().plug(collection("n", "pn", 1, 4, {3, 4}));
    start();
    HidDevice* vendor = find("n#0");
    HidDevice* joystick = find("n#1");
    ASSERT_TRUE(controller->checkOut(vendor));
    ASSERT_TRUE(controller->checkOut(joystick));
    EXPECT_FALSE(controller->checkOut(joystick)); // already taken
    EXPECT_EQ(backend->node("pn").opened, 1);
    controller->checkIn(joystick);
    EXPECT_EQ(backend->node("pn").closed, 0);
    EXPECT_TRUE(joystick->isPluggedIn());
    EXPECT_FALSE(joystick->isCheckedOut());
    EXPECT_EQ(controller->devices().size(), 2u);
    controller->checkIn(vendor);
    EXPECT_EQ(backend->node("pn").closed, 1);
}

TEST_F(Controller, EnumerateOffersPluggedInDevicesInOrderWithTheirIndex) {
    plugNodes({"a", "b", "c"});
    start();
    ASSERT_TRUE(controller->checkOut(find("a#0")));
    backend->unplug("a#0");
    notify();

    std::vector<std::pair<std::string, int>> seen;
    const int all = controller->enumerate([&](HidDevice* d, int index) {
        seen.emplace_back(d->deviceId(), index);
        return true;
    });
    EXPECT_EQ(all, 2);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"b#0", 1}, {"c#0", 2}}));

    EXPECT_EQ(controller->enumerate([](HidDevice*, int) { return false; }), 1);
    EXPECT_EQ(controller->enumerate({}), 1);
}

TEST_F(Controller, TransfersNeedACheckedOutOrOfferedDevice) {
    setup().plug(collection("a", "pa", 0, 0, {}, 38));
    start();
    HidDevice* a = find("a#0");
    std::vector<std::uint8_t> report(38, 0);
    report[0] = 1;
    report[1] = 0x42;
    EXPECT_EQ(volmar::test::errorText(a->setFeature(report)), "Bad file descriptor");
    EXPECT_EQ(backend->node("pa").opened, 0);

    // While offered to an enumeration the device may be asked; a device the
    // callback did not take holds no node afterwards.
    bool inside = false;
    controller->enumerate([&](HidDevice* d, int) {
        inside = d->setFeature(report).ok();
        return true;
    });
    EXPECT_TRUE(inside);
    EXPECT_EQ(backend->node("pa").opened, 1);
    EXPECT_EQ(backend->node("pa").closed, 1);

    ASSERT_TRUE(controller->checkOut(a));
    std::vector<std::uint8_t> answer(38, 0);
    answer[0] = 1;
    ASSERT_TRUE(volmar::test::isOk(a->getFeature(answer)));
    EXPECT_EQ(answer, report);

    backend->node("pa").featureError = EPIPE;
    EXPECT_EQ(volmar::test::errorText(a->getFeature(answer)), "Broken pipe");
    backend->node("pa").featureError = ETIMEDOUT;
    EXPECT_EQ(volmar::test::errorText(a->setFeature(report)), "Connection timed out");
}

TEST_F(Controller, NodeThatCannotBeOpenedIsNotHandedOut) {
    CollectionInfo locked = collection("a", "pa", 0, 4, {3}, 38);
    locked.openable = false;
    locked.openError = "Permission denied";
    setup().plug(locked);
    setup().openError["pa"] = EACCES;
    start();
    HidDevice* a = find("a#0");
    EXPECT_FALSE(a->isOpenable());
    EXPECT_EQ(a->openError(), "Permission denied");
    EXPECT_EQ(volmar::test::errorText(controller->checkOut(a)), "Permission denied");
    EXPECT_FALSE(a->isCheckedOut());
    EXPECT_EQ(controller->numCheckedOutDevices(), 0);
    std::uint8_t report[38] = {1};
    EXPECT_FALSE(a->setFeature(report));

    // Rights granted meanwhile (udev rule installed): it can be taken now.
    backend->openError.clear();
    ASSERT_TRUE(controller->checkOut(a));
    EXPECT_TRUE(volmar::test::isOk(a->setFeature(report)));
    EXPECT_EQ(backend->node("pa").opened, 1);
}

// The rule itself is tested on its own; here: the device applies it to the
// UTF-8 text it shows, and passes what is no UTF-8 through.
TEST_F(Controller, SerialAnsweredWithTheLanguageTableReadsEmpty) {
    const std::pair<const char*, std::string> serials[] = {{"a", "\xD0\x89"},
                                                           {"b", "Volmar2-20161101"},
                                                           {"d", "\xFF\xFE"
                                                                 "abc"}};
    for (const auto& [id, serial] : serials) {
        CollectionInfo info = collection(id, std::string("p") + id, 0, 4, {3});
        info.serial = serial;
        info.languageIds = {0x0409};
        setup().plug(info);
    }
    start();
    EXPECT_EQ(find("a#0")->serialNumber(), ""); // U+0409: the table as text
    EXPECT_EQ(find("b#0")->serialNumber(), serials[1].second);
    EXPECT_EQ(find("d#0")->serialNumber(), serials[2].second);
}

struct SleepCase {
    int value;
    int expected;
};

class ThreadSleepTime : public ControllerFixture,
                        public ::testing::WithParamInterface<SleepCase> {};

TEST_P(ThreadSleepTime, OnlyTenToTenThousandIsAccepted) {
    plugNodes({"a"});
    start();
    HidDevice* a = find("a#0");
    a->setThreadSleepTime(GetParam().value);
    EXPECT_EQ(a->threadSleepTime(), GetParam().expected);
    controller->setDefaultThreadSleepTime(GetParam().value);
    EXPECT_EQ(controller->defaultThreadSleepTime(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ThreadSleepTime,
                         ::testing::Values(SleepCase{5, 100}, SleepCase{9, 100}, SleepCase{10, 10},
                                           SleepCase{250, 250}, SleepCase{10000, 10000},
                                           SleepCase{10001, 100}, SleepCase{20000, 100},
                                           SleepCase{-1, 100}));

TEST_F(Controller, NewDevicesTakeTheControllersSleepTime) {
    plugNodes({"a"});
    create();
    controller->setDefaultThreadSleepTime(40);
    test::settle();
    EXPECT_EQ(find("a#0")->threadSleepTime(), 40);
}

} // namespace
} // namespace volmar::hid
