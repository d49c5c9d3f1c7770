// evdev devices as objects and input_event streams as frames.
#include "InputTestSupport.h"
#include "volmar/input/EventNames.h"
#include "volmar/input/LinuxBackends.h"

#include <gtest/gtest.h>

namespace volmar::input {
namespace {

using test::Ev;
using test::frame;

struct Recorder : FrameSink {
    std::vector<Frame> frames;
    void onFrame(const Frame& f) override { frames.push_back(f); }
};

TEST(EvdevLayoutTest, StickObjectsComeInStableOrderWithNamesKindsAndUsages) {
    const EvdevLayout l = buildEvdevLayout(test::stickCaps(3), DeviceClass::GameController);
    struct Expect {
        const char* name;
        ObjectKind kind;
        std::uint32_t typeBits;
        std::uint16_t page, usage;
    };
    const Expect expected[] = {
        {"X Axis", ObjectKind::XAxis, DIDFT_ABSAXIS, 1, 0x30},
        {"Y Axis", ObjectKind::YAxis, DIDFT_ABSAXIS, 1, 0x31},
        {"Z Axis", ObjectKind::ZAxis, DIDFT_ABSAXIS, 1, 0x32},
        {"X Rotation", ObjectKind::RxAxis, DIDFT_ABSAXIS, 1, 0x33},
        {"Throttle", ObjectKind::Slider, DIDFT_ABSAXIS, 2, 0xBB},
        {"Hat Switch", ObjectKind::POV, DIDFT_POV, 1, 0x39},
        {"Button 1", ObjectKind::Button, DIDFT_PSHBUTTON, 9, 1},
        {"Button 2", ObjectKind::Button, DIDFT_PSHBUTTON, 9, 2},
        {"Button 3", ObjectKind::Button, DIDFT_PSHBUTTON, 9, 3},
    };
    ASSERT_EQ(l.objects.size(), std::size(expected));
    for (std::size_t i = 0; i < l.objects.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(l.objects[i].name, expected[i].name);
        EXPECT_EQ(l.objects[i].kind, expected[i].kind);
        EXPECT_EQ(l.objects[i].typeBits, expected[i].typeBits);
        EXPECT_EQ(l.objects[i].usagePage, expected[i].page);
        EXPECT_EQ(l.objects[i].usage, expected[i].usage);
    }
    // The HID logical range of an evdev axis is its absinfo range.
    EXPECT_EQ(l.objects[2].logicalMin, -512);
    EXPECT_EQ(l.objects[2].logicalMax, 511);
    // Both hat halves lead to the one POV.
    EXPECT_EQ(l.absObject[ABS_HAT0X], 5);
    EXPECT_EQ(l.absObject[ABS_HAT0Y], 5);
}

TEST(EvdevLayoutTest, ButtonsNumberFromBtnMiscUpwardsThenTheCodesBelow) {
    EvdevCaps caps;
    caps.keys = {KEY_A, BTN_TRIGGER, BTN_TRIGGER_HAPPY1};
    const EvdevLayout l = buildEvdevLayout(caps, DeviceClass::GameController);
    ASSERT_EQ(l.objects.size(), 3u);
    EXPECT_EQ(l.keyObject[BTN_TRIGGER], 0);
    EXPECT_EQ(l.keyObject[BTN_TRIGGER_HAPPY1], 1);
    EXPECT_EQ(l.keyObject[KEY_A], 2);
    EXPECT_EQ(l.objects[2].name, "Button 3");
}

TEST(EvdevLayoutTest, KeyboardKeysCarryScanCodesHidUsagesAndNames) {
    const EvdevLayout l = buildEvdevLayout(test::keyboardCaps(), DeviceClass::Keyboard);
    struct Expect {
        std::uint16_t code;
        const char* name;
        std::uint32_t scan;
        std::uint16_t usage;
    };
    const Expect expected[] = {{KEY_ESC, "ESC", 0x01, 0x29},
                               {KEY_A, "A", 0x1E, 0x04},
                               {KEY_B, "B", 0x30, 0x05},
                               {KEY_LEFTSHIFT, "LEFTSHIFT", 0x2A, 0xE1},
                               {KEY_RIGHTCTRL, "RIGHTCTRL", 0x9D, 0xE4},
                               {KEY_UP, "UP", 0xC8, 0x52},
                               {KEY_F12, "F12", 0x58, 0x45}};
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const std::int32_t index = l.keyObject[e.code];
        ASSERT_GE(index, 0);
        const ObjectDesc& s = l.objects[static_cast<std::size_t>(index)];
        EXPECT_EQ(s.kind, ObjectKind::Key);
        EXPECT_EQ(s.name, e.name);
        EXPECT_EQ(s.keyCode, e.scan);
        EXPECT_EQ(s.usagePage, 0x07);
        EXPECT_EQ(s.usage, e.usage);
    }
}

TEST(EvdevLayoutTest, PointerHasRelativeAxesAndItsButtons) {
    const EvdevLayout l = buildEvdevLayout(test::mouseCaps(), DeviceClass::Pointer);
    ASSERT_EQ(l.objects.size(), 6u);
    EXPECT_EQ(l.objects[0].typeBits, DIDFT_RELAXIS);
    EXPECT_EQ(l.objects[2].name, "Wheel");
    EXPECT_EQ(l.objects[2].kind, ObjectKind::ZAxis);
    EXPECT_EQ(l.objects[5].name, "Button 3");
}

TEST(EventNamesTest, NamesComeFromTheKernelHeaders) {
    EXPECT_EQ(evdevCodeName(EV_ABS, ABS_HAT0X), "ABS_HAT0X");
    EXPECT_EQ(evdevCodeName(EV_KEY, KEY_LEFTSHIFT), "KEY_LEFTSHIFT");
    EXPECT_EQ(evdevCodeName(EV_REL, REL_WHEEL), "REL_WHEEL");
    EXPECT_EQ(evdevCodeName(EV_KEY, BTN_TRIGGER), "BTN_TRIGGER");
    EXPECT_EQ(evdevCodeName(EV_ABS, 0x3e), "");
    EXPECT_EQ(evdevCodeName(EV_KEY, BTN_LEFT), "BTN_LEFT");
    EXPECT_EQ(keyDisplayName(KEY_SPACE), "SPACE");
    EXPECT_EQ(keyScanCode(KEY_BRIGHTNESSUP), 0);
}

TEST(EvdevClassTest, UdevPropertiesDecideTheClassAndJoysticksStayControllers) {
    using Props = std::map<std::string, std::string>;
    struct Case {
        const char* what;
        Props props;
        bool game, pointer, keyboard;
    };
    const Case cases[] = {
        {"joystick", {{"ID_INPUT_JOYSTICK", "1"}}, true, false, false},
        {"mouse", {{"ID_INPUT_MOUSE", "1"}}, false, true, false},
        {"touchpad", {{"ID_INPUT_TOUCHPAD", "1"}}, false, true, false},
        {"keyboard", {{"ID_INPUT_KEYBOARD", "1"}}, false, false, true},
        {"keyboard with a touchpad",
         {{"ID_INPUT_KEYBOARD", "1"}, {"ID_INPUT_TOUCHPAD", "1"}},
         false,
         true,
         true},
        {"pad that also has keys",
         {{"ID_INPUT_JOYSTICK", "1"}, {"ID_INPUT_KEYBOARD", "1"}},
         true,
         false,
         false},
        {"flag set to 0", {{"ID_INPUT_JOYSTICK", "0"}}, false, false, false},
        {"nothing", {{"ID_INPUT", "1"}}, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(evdevNodeInClass(c.props, DeviceClass::GameController), c.game) << c.what;
        EXPECT_EQ(evdevNodeInClass(c.props, DeviceClass::Pointer), c.pointer) << c.what;
        EXPECT_EQ(evdevNodeInClass(c.props, DeviceClass::Keyboard), c.keyboard) << c.what;
    }
}

class DecoderTest : public ::testing::Test {
protected:
    EvdevLayout layout = buildEvdevLayout(test::stickCaps(4), DeviceClass::GameController);
    EvdevDecoder decoder{layout};
    Recorder sink;

    PumpStatus feed(const std::vector<input_event>& events) { return decoder.feed(events, sink); }
};

TEST_F(DecoderTest, AFrameEndsAtSynReportAndCarriesItsTime) {
    auto events = frame({{EV_ABS, ABS_X, 100}, {EV_KEY, BTN_THUMB, 1}}, 1234);
    // Split mid-frame: the frame must not end early.
    EXPECT_EQ(decoder.feed(std::span(events).first(1), sink), PumpStatus::Ok);
    EXPECT_TRUE(sink.frames.empty());
    EXPECT_EQ(decoder.feed(std::span(events).subspan(1), sink), PumpStatus::Ok);
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].timeMs, 1234u);
    ASSERT_EQ(sink.frames[0].changes.size(), 2u);
    EXPECT_EQ(sink.frames[0].changes[0].object, 0u);
    EXPECT_EQ(sink.frames[0].changes[0].value, 100);
    EXPECT_EQ(sink.frames[0].changes[1].object,
              static_cast<std::uint32_t>(layout.keyObject[BTN_THUMB]));
    EXPECT_EQ(sink.frames[0].changes[1].value, 1);
}

TEST_F(DecoderTest, DroppedInputDiscardsUpToTheNextReportAndSaysSo) {
    std::vector<input_event> events = frame({{EV_ABS, ABS_X, 1}});
    events.push_back(evdevEvent(EV_ABS, ABS_Y, 2));
    events.push_back(evdevEvent(EV_SYN, SYN_DROPPED, 0));
    events.push_back(evdevEvent(EV_ABS, ABS_Y, 3)); // lost with the drop
    events.push_back(evdevEvent(EV_SYN, SYN_REPORT, 0));
    const auto after = frame({{EV_ABS, ABS_Z, 4}});
    events.insert(events.end(), after.begin(), after.end());

    EXPECT_EQ(feed(events), PumpStatus::Dropped);
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(sink.frames[0].changes.size(), 1u);
    ASSERT_EQ(sink.frames[1].changes.size(), 1u);
    EXPECT_EQ(sink.frames[1].changes[0].object, 2u); // only Z: Y went with the drop
}

TEST_F(DecoderTest, HatHalvesCombineAndRepeatsAndEmptyFramesAreNotChanges) {
    feed(frame({{EV_ABS, ABS_HAT0X, 1}}));
    feed(frame({{EV_ABS, ABS_HAT0Y, -1}}));
    feed(frame({{EV_KEY, BTN_TRIGGER, 2}})); // auto-repeat
    feed(frame({}));
    feed(frame({{EV_ABS, ABS_HAT0X, 0}, {EV_ABS, ABS_HAT0Y, 0}}));
    ASSERT_EQ(sink.frames.size(), 3u);
    EXPECT_EQ(static_cast<std::uint32_t>(sink.frames[0].changes[0].value), 9000u);
    EXPECT_EQ(static_cast<std::uint32_t>(sink.frames[1].changes[0].value), 4500u);
    EXPECT_EQ(static_cast<std::uint32_t>(sink.frames[2].changes.back().value), kPovCentred);
}

TEST_F(DecoderTest, SnapshotValuesIncludeHatsAndHeldButtons) {
    EvdevCaps now = test::stickCaps(4);
    now.abs[0].value = 900; // X
    now.abs[5].value = -1;  // hat left
    now.keysDown = {static_cast<std::uint16_t>(BTN_THUMB2)};
    const auto values = evdevValues(layout, now);
    EXPECT_EQ(values[0], 900);
    EXPECT_EQ(static_cast<std::uint32_t>(values[5]), 27000u);
    EXPECT_EQ(values[static_cast<std::size_t>(layout.keyObject[BTN_THUMB2])], 1);
    EXPECT_EQ(values[static_cast<std::size_t>(layout.keyObject[BTN_TRIGGER])], 0);
}

} // namespace
} // namespace volmar::input
