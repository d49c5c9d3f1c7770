#include "InputTestSupport.h"

#include <thread>

namespace volmar::input::test {

EvdevCaps stickCaps(int buttons) {
    EvdevCaps caps;
    caps.abs = {{ABS_X, 0, 1023, 511}, {ABS_Y, 0, 1023, 511},     {ABS_Z, -512, 511, 0},
                {ABS_RX, 0, 1023, 0},  {ABS_THROTTLE, 0, 255, 0}, {ABS_HAT0X, -1, 1, 0},
                {ABS_HAT0Y, -1, 1, 0}};
    for (int i = 0; i < buttons; ++i) {
        caps.keys.push_back(stickButton(i));
    }
    return caps;
}

std::uint16_t stickButton(int n) {
    return n < 16 ? static_cast<std::uint16_t>(BTN_TRIGGER + n)
                  : static_cast<std::uint16_t>(BTN_TRIGGER_HAPPY + (n - 16));
}

EvdevCaps mouseCaps() {
    EvdevCaps caps;
    caps.rels = {REL_X, REL_Y, REL_WHEEL};
    caps.keys = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE};
    return caps;
}

EvdevCaps keyboardCaps() {
    EvdevCaps caps;
    caps.keys = {KEY_ESC, KEY_A, KEY_B, KEY_LEFTSHIFT, KEY_RIGHTCTRL, KEY_UP, KEY_F12};
    return caps;
}

DeviceInstance scriptedInstance(const std::string& id, DeviceClass deviceClass,
                                const std::string& name) {
    DeviceInstance d;
    d.instanceId = "scripted:" + id;
    d.path = "/scripted/" + id;
    d.productName = name;
    d.instanceName = name;
    d.deviceClass = deviceClass;
    return d;
}

std::vector<input_event> frame(std::initializer_list<Ev> events, std::uint32_t timeMs) {
    std::vector<input_event> out;
    for (const Ev& e : events) {
        out.push_back(evdevEvent(e.type, e.code, e.value, timeMs));
    }
    out.push_back(evdevEvent(EV_SYN, SYN_REPORT, 0, timeMs));
    return out;
}

std::shared_ptr<ScriptedEvdev> ScriptedRig::add(const std::string& id, DeviceClass deviceClass,
                                                EvdevCaps caps, const std::string& name) {
    auto node =
        std::make_shared<ScriptedEvdev>(scriptedInstance(id, deviceClass, name), std::move(caps));
    backend->add(node);
    return node;
}

std::unique_ptr<InputApi> ScriptedRig::makeApi() const {
    return std::make_unique<InputApi>(std::vector<std::shared_ptr<Backend>>{backend});
}

const std::vector<std::uint8_t>& stickDescriptor() {
    static const std::vector<std::uint8_t> bytes = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x02, 0x15, 0x00, 0x26,
        0xFF, 0x00, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0xC0, 0x05, 0x01, 0x09, 0x04, 0xA1,
        0x01, 0x85, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x75, 0x10,
        0x95, 0x02, 0x81, 0x02, 0x09, 0x39, 0x15, 0x00, 0x25, 0x07, 0x75, 0x04, 0x95, 0x01,
        0x81, 0x42, 0x75, 0x04, 0x95, 0x01, 0x81, 0x03, 0x05, 0x09, 0x19, 0x01, 0x29, 0x80,
        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x96, 0x80, 0x00, 0x81, 0x02, 0xC0};
    return bytes;
}

std::vector<std::uint8_t> stickReport(std::uint16_t x, std::uint16_t y, std::uint8_t hat,
                                      std::initializer_list<int> buttons) {
    std::vector<std::uint8_t> r(22, 0);
    r[0] = 1;
    r[1] = static_cast<std::uint8_t>(x & 0xFF);
    r[2] = static_cast<std::uint8_t>(x >> 8);
    r[3] = static_cast<std::uint8_t>(y & 0xFF);
    r[4] = static_cast<std::uint8_t>(y >> 8);
    r[5] = hat & 0x0F;
    for (int b : buttons) {
        r[static_cast<std::size_t>(6 + (b - 1) / 8)] |=
            static_cast<std::uint8_t>(1u << ((b - 1) % 8));
    }
    return r;
}

const std::vector<std::uint8_t>& twoSliderTwoHatDescriptor() {
    static const std::vector<std::uint8_t> bytes = {
        0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x30, 0x09, 0x36, 0x15, 0x00, 0x26,
        0xFF, 0x00, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0x09, 0x39, 0x15, 0x00, 0x25,
        0x07, 0x75, 0x04, 0x95, 0x02, 0x81, 0x42, 0x05, 0x09, 0x19, 0x01, 0x29, 0x08,
        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0xC0};
    return bytes;
}

std::vector<std::uint8_t> twoSliderTwoHatReport(std::uint8_t x, std::uint8_t slider1,
                                                std::uint8_t slider2, std::uint8_t hat1,
                                                std::uint8_t hat2, bool button1) {
    return {x,
            slider1,
            slider2,
            0,
            static_cast<std::uint8_t>((hat1 & 0x0F) | (hat2 << 4)),
            static_cast<std::uint8_t>(button1 ? 1 : 0)};
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace volmar::input::test
