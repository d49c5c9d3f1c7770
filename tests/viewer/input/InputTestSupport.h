#pragma once

// Scripted devices and small helpers shared by the input service tests.

#include "ScriptedEvdev.h"

#include "volmar/input/Evdev.h"
#include "volmar/input/InputApi.h"

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace volmar::input::test {

// A stick with X, Y (0..1023), Z (-512..511), Rx, throttle (0..255), one hat
// and `buttons` buttons (BTN_TRIGGER upwards, then BTN_TRIGGER_HAPPY).
EvdevCaps stickCaps(int buttons = 12);
EvdevCaps mouseCaps();
EvdevCaps keyboardCaps();

DeviceInstance scriptedInstance(const std::string& id, DeviceClass deviceClass,
                                const std::string& name);

// Code of the n-th (0-based) button of stickCaps().
std::uint16_t stickButton(int n);

struct Ev {
    std::uint16_t type;
    std::uint16_t code;
    std::int32_t value;
};
// The records of one frame, closed by SYN_REPORT.
std::vector<input_event> frame(std::initializer_list<Ev> events, std::uint32_t timeMs = 0);

// A scripted backend with its nodes, and an API over it.
struct ScriptedRig {
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<ScriptedEvdev> add(const std::string& id, DeviceClass deviceClass,
                                       EvdevCaps caps, const std::string& name = "Scripted");
    std::unique_ptr<InputApi> makeApi() const;
};

// A vendor collection first (as the controller's configuration collection),
// then a joystick with report id 1: X, Y 0..1023, a 4-bit hat with a null
// state, 128 buttons.
const std::vector<std::uint8_t>& stickDescriptor();
// Report 1 of stickDescriptor(): X, Y, hat nibble, buttons (1-based).
std::vector<std::uint8_t> stickReport(std::uint16_t x, std::uint16_t y, std::uint8_t hat,
                                      std::initializer_list<int> buttons);

// A joystick without report ids: X and three sliders (one usage that
// repeats), two 4-bit hats (one usage, two elements), 8 buttons.
const std::vector<std::uint8_t>& twoSliderTwoHatDescriptor();
std::vector<std::uint8_t> twoSliderTwoHatReport(std::uint8_t x, std::uint8_t slider1,
                                                std::uint8_t slider2, std::uint8_t hat1,
                                                std::uint8_t hat2, bool button1);

// Waits (on the test thread) until the condition holds; false after the
// deadline. The deadline only bounds a hang, it measures nothing.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds deadline = std::chrono::seconds(10));

} // namespace volmar::input::test
