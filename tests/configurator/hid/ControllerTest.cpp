// The device list rules: first notification, rebuilds that keep objects,
// unplug of checked-out and checked-in devices, duplicates, check-out and
// check-in with their nodes, enumeration, sleep-time range, transfers.
#include "ControllerFixture.h"

#include <cerrno>

namespace volmar::hid {
namespace {

using test::collection;
using test::ControllerFixture;

class Controller : public ControllerFixture {};

TEST_F(Controller, ExactlyOneDeviceChangeAfterTheEventLoopStarts) {
    setup().plug(collection("a", "pa", 0, 4, {3}));
    create();
    EXPECT_EQ(changes, 0); // nothing before the loop runs
    backend->change();     // an early hot-plug note must not add a second one
    backend->change();
    test::settle();
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(controller->devices().size(), 1u);
    // Notifications that change nothing stay silent and are coalesced.
    const int enumerationsBefore = backend->enumerations;
    backend->change();
    backend->change();
    backend->change();
    test::settle();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(backend->enumerations, enumerationsBefore + 1);
}

TEST_F(Controller, EmptySystemStillGetsItsFirstDeviceChange) {
    start();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(controller->devices().empty());
}

TEST_F(Controller, PluggingASecondDeviceKeepsObjectsAndTheOpenNode) {
    setup().plug(collection("a", "pa", 0, 4, {3}));
    start();
    HidDevice* a = find("a#0");
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(controller->checkOut(a));
    ASSERT_EQ(backend->node("pa").opened, 1);

    backend->plug(collection("b", "pb", 0, 4, {3}));
    backend->change();
    test::settle();

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
    setup().plug(collection("a", "pa", 0, 4, {3}));
    setup().plug(collection("b", "pb", 0, 4, {3}));
    start();
    HidDevice* a = find("a#0");
    ASSERT_TRUE(controller->checkOut(a));
    int ownUnplug = 0;
    QObject::connect(a, &HidDevice::unplugged, [&](HidDevice* d) { ownUnplug += d == a; });

    backend->unplug("a#0");
    backend->change();
    test::settle();

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
    EXPECT_FALSE(a->setFeature(report));
    EXPECT_EQ(a->lastError(), "No such device");
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
    setup().plug(collection("a", "pa", 0, 4, {3}));
    setup().plug(collection("b", "pb", 0, 4, {3}));
    start();
    QPointer<HidDevice> b = find("b#0");
    backend->unplug("b#0");
    backend->change();
    test::settle();
    ASSERT_EQ(controller->devices().size(), 1u);
    EXPECT_EQ(controller->devices()[0]->deviceId(), "a#0");
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(b.isNull());
}

TEST_F(Controller, DuplicatesAreDiscardedAndKnownDevicesKeepTheirObject) {
    setup().plug(collection("a", "pa", 0, 4, {3}));
    setup().plug(collection("a", "pa", 0, 4, {3})); // listed twice by the system
    start();
    ASSERT_EQ(controller->devices().size(), 1u);
    HidDevice* a = controller->devices()[0];

    // Same identity with other strings: still the same device.
    backend->unplug("a#0");
    CollectionInfo renamed = collection("a", "pa", 0, 4, {3});
    renamed.product = "Renamed";
    backend->plug(renamed);
    backend->change();
    test::settle();
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
    backend->change();
    test::settle();

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
    EXPECT_TRUE(fresh->setFeature(report)) << fresh->lastError();
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
    setup().plug(collection("a", "pa", 0, 4, {3}));
    setup().plug(collection("b", "pb", 0, 4, {3}));
    setup().plug(collection("c", "pc", 0, 4, {3}));
    start();
    ASSERT_TRUE(controller->checkOut(find("a#0")));
    backend->unplug("a#0");
    backend->change();
    test::settle();

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
    EXPECT_FALSE(a->setFeature(report));
    EXPECT_EQ(a->lastError(), "Bad file descriptor");
    EXPECT_EQ(backend->node("pa").opened, 0);

    // While offered to an enumeration the device may be asked; a device the
    // callback did not take holds no node afterwards.
    bool inside = false;
    controller->enumerate([&](HidDevice* d, int) {
        inside = d->setFeature(report);
        return true;
    });
    EXPECT_TRUE(inside);
    EXPECT_EQ(backend->node("pa").opened, 1);
    EXPECT_EQ(backend->node("pa").closed, 1);

    ASSERT_TRUE(controller->checkOut(a));
    std::vector<std::uint8_t> answer(38, 0);
    answer[0] = 1;
    ASSERT_TRUE(a->getFeature(answer)) << a->lastError();
    EXPECT_EQ(answer, report);
    EXPECT_EQ(a->lastError(), "");

    backend->node("pa").featureError = EPIPE;
    EXPECT_FALSE(a->getFeature(answer));
    EXPECT_EQ(a->lastError(), "Broken pipe");
    backend->node("pa").featureError = ETIMEDOUT;
    EXPECT_FALSE(a->setFeature(report));
    EXPECT_EQ(a->lastError(), "Connection timed out");
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
    EXPECT_FALSE(controller->checkOut(a));
    EXPECT_EQ(a->lastError(), "Permission denied");
    EXPECT_FALSE(a->isCheckedOut());
    EXPECT_EQ(controller->numCheckedOutDevices(), 0);
    std::uint8_t report[38] = {1};
    EXPECT_FALSE(a->setFeature(report));

    // Rights granted meanwhile (udev rule installed): it can be taken now.
    backend->openError.clear();
    ASSERT_TRUE(controller->checkOut(a));
    EXPECT_TRUE(a->setFeature(report)) << a->lastError();
    EXPECT_EQ(backend->node("pa").opened, 1);
}

TEST_F(Controller, SerialAnsweredWithTheLanguageTableReadsEmpty) {
    CollectionInfo odd = collection("a", "pa", 0, 4, {3});
    odd.serial = "\xD0\x89"; // U+0409, the table of a US-English device as text
    odd.languageIds = {0x0409};
    CollectionInfo fine = collection("b", "pb", 0, 4, {3});
    fine.serial = "Volmar2-20161101";
    fine.languageIds = {0x0409};
    CollectionInfo unknown = collection("c", "pc", 0, 4, {3});
    unknown.serial = "\xD0\x89";
    CollectionInfo raw = collection("d", "pd", 0, 4, {3});
    raw.serial = "\xFF\xFE"
                 "abc"; // not UTF-8: shown as the device gave it
    raw.languageIds = {0x0409};
    setup().plug(odd);
    setup().plug(fine);
    setup().plug(unknown);
    setup().plug(raw);
    start();
    EXPECT_EQ(find("a#0")->serialNumber(), "");
    EXPECT_EQ(find("b#0")->serialNumber(), "Volmar2-20161101");
    EXPECT_EQ(find("c#0")->serialNumber(), "\xD0\x89");
    EXPECT_EQ(find("d#0")->serialNumber(), "\xFF\xFE"
                                           "abc");
}

struct SleepCase {
    int value;
    int expected;
};

class ThreadSleepTime : public ControllerFixture,
                        public ::testing::WithParamInterface<SleepCase> {};

TEST_P(ThreadSleepTime, OnlyTenToTenThousandIsAccepted) {
    setup().plug(collection("a", "pa", 0, 4, {3}));
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
    setup().plug(collection("a", "pa", 0, 4, {3}));
    create();
    controller->setDefaultThreadSleepTime(40);
    test::settle();
    EXPECT_EQ(find("a#0")->threadSleepTime(), 40);
}

} // namespace
} // namespace volmar::hid
