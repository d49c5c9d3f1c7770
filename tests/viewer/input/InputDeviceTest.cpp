// Interfaces of the input API over scripted evdev nodes: layouts, type
// words, properties, buffered items, loss of input.
#include "InputTestSupport.h"
#include "volmar/input/DataFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>
#include <vector>

namespace volmar::input {
namespace {

using test::frame;
using test::stickButton;

class InputDeviceTest : public ::testing::Test {
protected:
    test::ScriptedRig rig;
    std::shared_ptr<ScriptedEvdev> stick =
        rig.add("stick", DeviceClass::GameController, test::stickCaps(40), "Stick");
    std::unique_ptr<InputApi> api = rig.makeApi();
    Event notify;

    std::unique_ptr<InputDevice> open(DeviceClass deviceClass, const std::string& id,
                                      bool acquire = true, std::uint32_t buffer = 32) {
        api->enumDevices(deviceClass, [](const DeviceInstance&) { return DIENUM_CONTINUE; });
        std::unique_ptr<InputDevice> d;
        EXPECT_EQ(api->createDevice("scripted:" + id, d), DI_OK);
        if (!d) {
            return nullptr;
        }
        EXPECT_EQ(d->setDataFormat(formatForClass(deviceClass)), DI_OK);
        EXPECT_EQ(d->setProperty(PropId::BufferSize, PropDword{{20, 16, 0, How::Device}, buffer}),
                  DI_OK);
        d->setEventNotification(&notify);
        if (acquire) {
            EXPECT_EQ(d->acquire(), DI_OK);
        }
        return d;
    }

    // Waits for the device to signal new items (or a loss).
    bool signalled() { return waitAny({&notify}, 5000) == 0; }

    std::vector<DeviceObjectData> drain(InputDevice& d, HResult* hr = nullptr) {
        std::vector<DeviceObjectData> items(64);
        std::uint32_t count = 64;
        const HResult r = d.getDeviceData(sizeof(DeviceObjectData), items.data(), count, 0);
        if (hr != nullptr) {
            *hr = r;
        }
        items.resize(count);
        return items;
    }

    static std::uint32_t stateDword(InputDevice& d, std::uint32_t offset) {
        std::array<std::uint8_t, kJoystickStateSize> state{};
        EXPECT_EQ(d.getDeviceState(kJoystickStateSize, state.data()), DI_OK);
        std::uint32_t v = 0;
        std::memcpy(&v, state.data() + offset, 4);
        return v;
    }
};

TEST_F(InputDeviceTest, JoystickLayoutHoldsButtonsBeyondThirtyTwo) {
    auto d = open(DeviceClass::GameController, "stick", false);
    ASSERT_TRUE(d);
    struct Expect {
        std::uint32_t offset;
        const char* name;
        std::uint32_t type;
    };
    const Expect expected[] = {
        {0, "X Axis", DIDFT_ABSAXIS | makeInstance(0)},
        {4, "Y Axis", DIDFT_ABSAXIS | makeInstance(1)},
        {8, "Z Axis", DIDFT_ABSAXIS | makeInstance(2)},
        {12, "X Rotation", DIDFT_ABSAXIS | makeInstance(3)},
        {24, "Throttle", DIDFT_ABSAXIS | makeInstance(4)},
        {32, "Hat Switch", DIDFT_POV | makeInstance(0)},
        {48, "Button 1", DIDFT_PSHBUTTON | makeInstance(0)},
        {79, "Button 32", DIDFT_PSHBUTTON | makeInstance(31)},
        {80, "Button 33", DIDFT_PSHBUTTON | makeInstance(32)},
        {87, "Button 40", DIDFT_PSHBUTTON | makeInstance(39)},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        ObjectInstance info;
        ASSERT_EQ(d->getObjectInfo(info, e.offset, How::ByOffset), DI_OK);
        EXPECT_EQ(info.name, e.name);
        EXPECT_EQ(info.type, e.type);
        EXPECT_EQ(info.offset, e.offset);
        ObjectInstance byId;
        ASSERT_EQ(d->getObjectInfo(byId, e.type, How::ById), DI_OK);
        EXPECT_EQ(byId.name, e.name);
    }
    ObjectInstance none;
    EXPECT_EQ(d->getObjectInfo(none, 16, How::ByOffset), DIERR_OBJECTNOTFOUND); // no Ry
    EXPECT_EQ(d->getObjectInfo(none, 200, How::ByOffset), DIERR_OBJECTNOTFOUND);

    // The kind masks the viewer uses separate the objects cleanly.
    int axes = 0, buttons = 0, povs = 0;
    d->enumObjects([&](const ObjectInstance& o) {
        axes += (o.type & 0x03) != 0;
        buttons += (o.type & 0x0C) != 0;
        povs += (o.type & 0x10) != 0;
        return DIENUM_CONTINUE;
    });
    EXPECT_EQ(axes, 5);
    EXPECT_EQ(buttons, 40);
    EXPECT_EQ(povs, 1);
}

TEST_F(InputDeviceTest, StateSizeIsTheLayoutsOwn) {
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    std::array<std::uint8_t, 256> block{};
    EXPECT_EQ(d->getDeviceState(80, block.data()), DIERR_INVALIDPARAM);
    EXPECT_EQ(d->getDeviceState(kJoystickStateSize, block.data()), DI_OK);
    // Initial state from the node: X at 511 is the centre of 0..65535.
    EXPECT_EQ(stateDword(*d, 0), 32767u);
    EXPECT_EQ(stateDword(*d, 32), kPovCentred);
}

struct PropCase {
    const char* what;
    std::function<HResult()> call;
    HResult expected;
};

TEST_F(InputDeviceTest, PropertiesReadDefaultsAndRefuseBadWritesWithCodes) {
    auto d = open(DeviceClass::GameController, "stick", false);
    ASSERT_TRUE(d);
    const std::uint32_t x = DIDFT_ABSAXIS | makeInstance(0);
    const std::uint32_t z = DIDFT_ABSAXIS | makeInstance(2);
    const std::uint32_t button = DIDFT_PSHBUTTON | makeInstance(0);

    auto rangeOf = [&](PropId id, std::uint32_t obj) {
        PropRange r{{24, 16, obj, How::ById}};
        EXPECT_EQ(d->getProperty(id, r), DI_OK);
        return std::pair(r.min, r.max);
    };
    auto dwordOf = [&](PropId id) {
        PropDword v{{20, 16, x, How::ById}};
        EXPECT_EQ(d->getProperty(id, v), DI_OK);
        return v.data;
    };
    EXPECT_EQ(rangeOf(PropId::Range, x), std::pair(0, 65535));
    EXPECT_EQ(rangeOf(PropId::LogicalRange, z), std::pair(-512, 511));
    EXPECT_EQ(dwordOf(PropId::Saturation), 10000u);
    PropCalibration cal{{28, 16, x, How::ById}};
    ASSERT_EQ(d->getProperty(PropId::Calibration, cal), DI_OK);
    EXPECT_EQ(cal.min, 0);
    EXPECT_EQ(cal.center, 511);
    EXPECT_EQ(cal.max, 1023);
    PropPath path;
    ASSERT_EQ(d->getProperty(PropId::GuidAndPath, path), DI_OK);
    EXPECT_EQ(path.path, "/scripted/stick");

    auto setDword = [&](PropId id, std::uint32_t size, std::uint32_t obj, std::uint32_t v) {
        return d->setProperty(id, PropDword{{size, 16, obj, How::ById}, v});
    };
    auto setRange = [&](std::uint32_t obj, How how, PropId id, std::int32_t lo, std::int32_t hi) {
        return d->setProperty(id, PropRange{{24, 16, obj, how}, lo, hi});
    };
    const PropCase cases[] = {
        {"dead zone above 10000", [&] { return setDword(PropId::DeadZone, 20, x, 10001); },
         DIERR_INVALIDPARAM},
        {"empty range", [&] { return setRange(x, How::ById, PropId::Range, 5, 5); },
         DIERR_INVALIDPARAM},
        {"logical range is the device's",
         [&] { return setRange(x, How::ById, PropId::LogicalRange, 0, 9); }, DIERR_READONLY},
        {"a button has no range", [&] { return setRange(button, How::ById, PropId::Range, 0, 9); },
         DIERR_UNSUPPORTED},
        {"unknown object",
         [&] { return setDword(PropId::DeadZone, 20, DIDFT_ABSAXIS | makeInstance(9), 1); },
         DIERR_OBJECTNOTFOUND},
        {"block of the wrong size", [&] { return setDword(PropId::DeadZone, 24, x, 1); },
         DIERR_INVALIDPARAM},
        {"calibration centre outside its ends",
         [&] {
             return d->setProperty(PropId::Calibration,
                                   PropCalibration{{28, 16, x, How::ById}, 100, 50, 900});
         },
         DIERR_INVALIDPARAM},
        {"calibration mode 2", [&] { return setDword(PropId::CalibrationMode, 20, x, 2); },
         DIERR_INVALIDPARAM},
        {"dead zone of 10 %", [&] { return setDword(PropId::DeadZone, 20, x, 1000); }, DI_OK},
        {"range for the whole device",
         [&] { return setRange(0, How::Device, PropId::Range, -100, 100); }, DI_OK},
        {"buffer size while acquired",
         [&] {
             d->acquire();
             return d->setProperty(PropId::BufferSize, PropDword{{20, 16, 0, How::Device}, 8});
         },
         DIERR_ACQUIRED},
    };
    for (const PropCase& c : cases) {
        EXPECT_EQ(c.call(), c.expected) << c.what;
    }
    // The refused writes left the values alone; the accepted ones took.
    EXPECT_EQ(dwordOf(PropId::DeadZone), 1000u);
    EXPECT_EQ(rangeOf(PropId::Range, z), std::pair(-100, 100));
}

TEST_F(InputDeviceTest, ItemsOfOneFrameShareASequenceNumberAndCarryItsTime) {
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 1023}, {EV_KEY, BTN_TRIGGER, 1}}, 5000)));
    ASSERT_TRUE(signalled());
    auto items = drain(*d);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].offset, 0u);
    EXPECT_EQ(items[0].data, 65535u);
    EXPECT_EQ(items[1].offset, 48u);
    EXPECT_EQ(items[1].data, kButtonDown);
    EXPECT_EQ(items[0].sequence, items[1].sequence);
    EXPECT_EQ(items[0].timeStamp, 5000u);

    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_HAT0Y, 1}}, 5001)));
    ASSERT_TRUE(signalled());
    items = drain(*d);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].offset, 32u);
    EXPECT_EQ(items[0].data, 18000u);
    EXPECT_NE(items[0].sequence, 0u);
    EXPECT_EQ(stateDword(*d, 32), 18000u);
}

TEST_F(InputDeviceTest, RawInterfaceReportsTheLogicalValueAndSharesTheSequence) {
    auto cooked = open(DeviceClass::GameController, "stick");
    Event rawNotify;
    std::unique_ptr<InputDevice> raw;
    ASSERT_EQ(api->createDevice("scripted:stick", raw), DI_OK);
    raw->setDataFormat(joystickFormat());
    raw->setProperty(PropId::BufferSize, PropDword{{20, 16, 0, How::Device}, 32});
    ASSERT_EQ(raw->setProperty(PropId::CalibrationMode,
                               PropDword{{20, 16, 0, How::Device}, DIPROPCALIBRATIONMODE_RAW}),
              DI_OK);
    raw->setEventNotification(&rawNotify);
    ASSERT_EQ(raw->acquire(), DI_OK);
    EXPECT_EQ(stateDword(*raw, 0), 511u);

    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_Z, -512}})));
    ASSERT_TRUE(signalled());
    ASSERT_EQ(waitAny({&rawNotify}, 5000), 0);
    const auto c = drain(*cooked);
    const auto r = drain(*raw);
    ASSERT_EQ(c.size(), 1u);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(c[0].data, 0u);
    EXPECT_EQ(static_cast<std::int32_t>(r[0].data), -512);
    EXPECT_EQ(c[0].sequence, r[0].sequence);
}

TEST_F(InputDeviceTest, ABurstBeyondTheBufferWaitsBelowItAndIsReadInBufferSizedPieces) {
    auto d = open(DeviceClass::GameController, "stick", true, 4);
    ASSERT_TRUE(d);
    ASSERT_TRUE(stick->send(frame({{EV_KEY, stickButton(0), 1},
                                   {EV_KEY, stickButton(1), 1},
                                   {EV_KEY, stickButton(2), 1},
                                   {EV_KEY, stickButton(3), 1},
                                   {EV_KEY, stickButton(4), 1},
                                   {EV_KEY, stickButton(5), 1}})));
    ASSERT_TRUE(signalled());
    ASSERT_TRUE(test::waitFor([&] {
        std::array<std::uint8_t, kJoystickStateSize> state{};
        d->getDeviceState(kJoystickStateSize, state.data());
        return state[53] == kButtonDown;
    }));
    HResult hr = DI_BUFFEROVERFLOW;
    auto items = drain(*d, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(items.size(), 4u); // never more than the buffer holds
    EXPECT_EQ(items.front().offset, 48u);
    // The rest is announced again and follows in order.
    ASSERT_TRUE(signalled());
    items = drain(*d, &hr);
    EXPECT_EQ(hr, DI_OK);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items.front().offset, 52u);
    EXPECT_EQ(items.back().offset, 53u);
}

TEST_F(InputDeviceTest, BeyondBufferAndBacklogTheOldestItemsAreLostAndReadsSaySo) {
    auto d = open(DeviceClass::GameController, "stick", false, 4);
    ASSERT_TRUE(d);
    // Raw values, so that every item tells which frame it came from.
    ASSERT_EQ(d->setProperty(PropId::CalibrationMode,
                             PropDword{{20, 16, 0, How::Device}, DIPROPCALIBRATIONMODE_RAW}),
              DI_OK);
    ASSERT_EQ(d->acquire(), DI_OK);
    const int frames = 4 + static_cast<int>(kDeviceBacklogItems) + 70;
    std::vector<input_event> burst;
    for (int v = 1; v <= frames; ++v) {
        const auto f = frame({{EV_ABS, ABS_X, 2000 + v}});
        burst.insert(burst.end(), f.begin(), f.end());
    }
    ASSERT_TRUE(stick->send(burst));
    ASSERT_TRUE(test::waitFor([&] { return stateDword(*d, 0) == 2000u + frames; }));
    HResult hr = DI_OK;
    const auto items = drain(*d, &hr);
    EXPECT_EQ(hr, DI_BUFFEROVERFLOW);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items.front().data, 2000u + 71u); // the first 70 went
    // The state holds the newest value whatever the buffer lost.
    EXPECT_EQ(stateDword(*d, 0), 2000u + frames);
    drain(*d, &hr);
    EXPECT_EQ(hr, DI_OK);
}

TEST_F(InputDeviceTest, AMoveInsideTheDeadZoneIsNoItem) {
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    const std::uint32_t x = DIDFT_ABSAXIS | makeInstance(0);
    ASSERT_EQ(d->setProperty(PropId::DeadZone, PropDword{{20, 16, x, How::ById}, 1000}), DI_OK);
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 480}})));
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_Y, 1023}})));
    ASSERT_TRUE(signalled());
    ASSERT_TRUE(test::waitFor([&] { return stateDword(*d, 4) == 65535u; }));
    const auto items = drain(*d);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].offset, 4u);
}

TEST_F(InputDeviceTest, DroppedInputIsLostOnceAndReacquiringResyncs) {
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    EvdevCaps now = test::stickCaps(40);
    now.abs[0].value = 1023;
    stick->setCaps(now); // what the node holds after the drop
    std::vector<input_event> events = {evdevEvent(EV_ABS, ABS_X, 700),
                                       evdevEvent(EV_SYN, SYN_DROPPED, 0),
                                       evdevEvent(EV_SYN, SYN_REPORT, 0)};
    ASSERT_TRUE(stick->send(events));
    ASSERT_TRUE(signalled());
    HResult hr = DI_OK;
    drain(*d, &hr);
    EXPECT_EQ(hr, DIERR_INPUTLOST);
    drain(*d, &hr);
    EXPECT_EQ(hr, DIERR_NOTACQUIRED);
    ASSERT_EQ(d->acquire(), DI_OK);
    EXPECT_EQ(stateDword(*d, 0), 65535u);
    // And input flows again.
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 0}})));
    ASSERT_TRUE(signalled());
    EXPECT_EQ(drain(*d).size(), 1u);
}

TEST_F(InputDeviceTest, UnplugLosesInputAndTheDeviceCannotBeAcquiredAgain) {
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    stick->unplug();
    ASSERT_TRUE(signalled());
    HResult hr = DI_OK;
    drain(*d, &hr);
    EXPECT_EQ(hr, DIERR_INPUTLOST);
    EXPECT_EQ(d->acquire(), DIERR_UNPLUGGED);
    std::array<std::uint8_t, kJoystickStateSize> state{};
    EXPECT_EQ(d->getDeviceState(kJoystickStateSize, state.data()), DIERR_NOTACQUIRED);
}

// A thread waiting on an interface's event reads the device itself; the
// device's own reading must take over again whenever nobody may wait, and
// must bring in a thread that began waiting before the event was given.
TEST_F(InputDeviceTest, TheDeviceIsReadWhetherOrNotAThreadWaitsOnItsEvent) {
    Event later;
    int woke = kWaitFailed;
    std::thread waiter([&] { woke = waitAny({&later}, 5000); });
    auto d = open(DeviceClass::GameController, "stick");
    ASSERT_TRUE(d);
    d->setEventNotification(&later);
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 1023}})));
    waiter.join();
    EXPECT_EQ(woke, 0);
    EXPECT_EQ(drain(*d).size(), 1u);

    // Once a waiter has read the device, the device's own thread ends: one
    // thread less is woken by every report.
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    const auto withPump = threads();
    for (int i = 0; i < 500 && threads() == withPump; ++i) {
        ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, i % 2 == 0 ? 0 : 1023}})));
        ASSERT_EQ(waitAny({&later}, 5000), 0);
    }
    EXPECT_EQ(threads(), withPump - 1);
    // Without an event nobody waits: the device's own thread reads again.
    d->setEventNotification(nullptr);
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 511}})));
    EXPECT_TRUE(test::waitFor([&] {
        const std::uint32_t x = stateDword(*d, 0);
        return x > 1000 && x < 64000; // near the middle, neither end
    }));

    d->setEventNotification(&notify);
    ASSERT_TRUE(stick->send(frame({{EV_ABS, ABS_X, 1023}})));
    ASSERT_TRUE(signalled());
    EXPECT_EQ(stateDword(*d, 0), 65535u);
    stick->unplug();
    ASSERT_TRUE(signalled());
    HResult hr = DI_OK;
    drain(*d, &hr);
    EXPECT_EQ(hr, DIERR_INPUTLOST);
}

TEST_F(InputDeviceTest, KeyboardKeysLandOnTheirScanCodes) {
    auto keyboard = rig.add("kbd", DeviceClass::Keyboard, test::keyboardCaps(), "Keys");
    auto d = open(DeviceClass::Keyboard, "kbd");
    ASSERT_TRUE(d);
    ASSERT_TRUE(keyboard->send(frame({{EV_KEY, KEY_A, 1}, {EV_KEY, KEY_UP, 1}})));
    ASSERT_TRUE(signalled());
    const auto items = drain(*d);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].offset, 0x1Eu);
    EXPECT_EQ(items[1].offset, 0xC8u);
    std::array<std::uint8_t, kKeyboardStateSize> state{};
    ASSERT_EQ(d->getDeviceState(kKeyboardStateSize, state.data()), DI_OK);
    EXPECT_EQ(state[0x1E], kButtonDown);
    EXPECT_EQ(state[0xC8], kButtonDown);
    EXPECT_EQ(state[0x30], 0);
}

TEST_F(InputDeviceTest, PointerMovementsAreItemsAndTheStateHoldsTheMovementSinceTheLastRead) {
    auto mouse = rig.add("mouse", DeviceClass::Pointer, test::mouseCaps(), "Mouse");
    auto d = open(DeviceClass::Pointer, "mouse");
    ASSERT_TRUE(d);
    ASSERT_TRUE(mouse->send(frame({{EV_REL, REL_X, 5}})));
    ASSERT_TRUE(mouse->send(frame({{EV_REL, REL_X, 7}, {EV_KEY, BTN_RIGHT, 1}})));
    // Reading the items leaves the state alone.
    std::vector<DeviceObjectData> items;
    ASSERT_TRUE(test::waitFor([&] {
        const auto more = drain(*d);
        items.insert(items.end(), more.begin(), more.end());
        return items.size() >= 3;
    }));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].data, 5u);
    EXPECT_EQ(items[1].data, 7u);
    EXPECT_NE(items[0].sequence, items[1].sequence);

    std::array<std::uint8_t, kMouseStateSize> state{};
    ASSERT_EQ(d->getDeviceState(kMouseStateSize, state.data()), DI_OK);
    std::int32_t x = 0;
    std::memcpy(&x, state.data(), 4);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(state[13], kButtonDown);
    // The next read starts from no movement; a held button stays held.
    ASSERT_EQ(d->getDeviceState(kMouseStateSize, state.data()), DI_OK);
    std::memcpy(&x, state.data(), 4);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(state[13], kButtonDown);
    ASSERT_TRUE(mouse->send(frame({{EV_REL, REL_X, -3}})));
    ASSERT_TRUE(signalled());
    ASSERT_TRUE(test::waitFor([&] {
        d->getDeviceState(kMouseStateSize, state.data());
        std::memcpy(&x, state.data(), 4);
        return x != 0;
    }));
    EXPECT_EQ(x, -3);
}

TEST(EventTest, AutoResetAnswersManySetsWithOneWaitAndPrefersTheFirst) {
    Event a;
    Event b;
    ASSERT_TRUE(a.valid());
    EXPECT_EQ(waitAny({&a, &b}, 0), kWaitTimeout);
    b.set();
    a.set();
    a.set();
    EXPECT_EQ(waitAny({&a, &b}, 0), 0); // both set: the first in the list
    EXPECT_EQ(waitAny({&a, &b}, 0), 1); // a's two sets were one wake-up
    EXPECT_EQ(waitAny({&a, &b}, 0), kWaitTimeout);
    std::thread setter([&] { b.set(); });
    EXPECT_EQ(waitAny({&a, &b}, 5000), 1);
    setter.join();
}

TEST(EventTest, WaitingForTheSetOnesResetsEverySetEventInOneWakeUp) {
    Event a;
    Event b;
    Event c;
    ASSERT_TRUE(a.valid() && b.valid() && c.valid());
    struct Case {
        std::vector<Event*> set;
        int mask;
    };
    const Case cases[] = {
        {{}, kWaitTimeout}, {{&b}, 2}, {{&a, &c}, 5}, {{&c, &b, &a, &a}, 7}, {{&c}, 4}};
    for (const Case& k : cases) {
        for (Event* e : k.set) {
            e->set();
        }
        EXPECT_EQ(waitAnySet({&a, &b, &c}, 0), k.mask);
        // Every set event was reset by that one wait.
        EXPECT_EQ(waitAnySet({&a, &b, &c}, 0), kWaitTimeout);
    }
    std::thread setter([&] { c.set(); });
    EXPECT_EQ(waitAnySet({&a, &b, &c}, 5000), 4);
    setter.join();
}

TEST(InputApiTest, ADeviceSeenByTwoBackendsIsListedOnceByTheFirst) {
    auto first = std::make_shared<ScriptedBackend>();
    auto second = std::make_shared<ScriptedBackend>();
    const std::string parent = "/sys/devices/x/0003:1234:5678.0001#4";
    auto make = [&](const std::string& id, const std::string& name, const std::string& key) {
        DeviceInstance d = test::scriptedInstance(id, DeviceClass::GameController, name);
        d.parentKey = key;
        return std::make_shared<ScriptedEvdev>(d, test::stickCaps());
    };
    first->add(make("hidraw", "A", parent));
    second->add(make("evdev", "B", parent));
    second->add(make("other", "C", ""));
    // Two sticks of one adapter: one parent, both listed by their backend.
    second->add(make("left", "L", "/sys/devices/y#4"));
    second->add(make("right", "R", "/sys/devices/y#4"));
    InputApi api({first, second});
    std::vector<std::string> names;
    api.enumDevices(DeviceClass::GameController, [&](const DeviceInstance& d) {
        names.push_back(d.productName);
        return DIENUM_CONTINUE;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"A", "C", "L", "R"}));
    std::unique_ptr<InputDevice> device;
    EXPECT_EQ(api.createDevice("scripted:evdev", device), DIERR_DEVICENOTREG);
}

} // namespace
} // namespace volmar::input
