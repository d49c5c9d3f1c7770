// Hostile input for the viewer's decoding: a report descriptor with reports
// for the HID game controller decoder, and the same bytes as an evdev record
// stream for the evdev decoder. Nothing may crash or read out of bounds.
#include "volmar/input/Evdev.h"
#include "volmar/input/HidJoystick.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace {

using namespace volmar::input;

struct Sink : FrameSink {
    std::size_t changes = 0;
    void onFrame(const Frame& frame) override { changes += frame.changes.size(); }
};

void fuzzHid(std::span<const std::uint8_t> data) {
    if (data.size() < 2) {
        return;
    }
    const std::size_t length = std::min<std::size_t>(data[0] | (data[1] << 8), data.size() - 2);
    auto parsed = volmar::hidparse::parseDescriptor(data.subspan(2, length));
    if (!parsed) {
        return;
    }
    const auto collection = findGameCollection(*parsed);
    if (!collection) {
        return;
    }
    HidJoystick stick(std::move(*parsed), *collection);
    // The rest: reports, each preceded by its length.
    auto rest = data.subspan(2 + length);
    Frame frame;
    while (!rest.empty()) {
        const std::size_t n = std::min<std::size_t>(rest[0], rest.size() - 1);
        stick.decode(rest.subspan(1, n), 0, frame);
        rest = rest.subspan(1 + n);
    }
}

void fuzzEvdev(std::span<const std::uint8_t> data) {
    static const EvdevLayout layout = [] {
        EvdevCaps caps;
        caps.abs = {{ABS_X, 0, 1023, 0},
                    {ABS_Y, 0, 1023, 0},
                    {ABS_HAT0X, -1, 1, 0},
                    {ABS_HAT0Y, -1, 1, 0},
                    {ABS_HAT3Y, -1, 1, 0}};
        for (std::uint16_t code = BTN_TRIGGER; code < BTN_TRIGGER + 16; ++code) {
            caps.keys.push_back(code);
        }
        return buildEvdevLayout(caps, DeviceClass::GameController);
    }();
    std::vector<input_event> events(data.size() / sizeof(input_event));
    if (events.empty()) {
        return; // memcpy must not see the empty vector's null data
    }
    std::memcpy(events.data(), data.data(), events.size() * sizeof(input_event));
    EvdevDecoder decoder(layout);
    Sink sink;
    decoder.feed(events, sink);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    fuzzHid(bytes);
    fuzzEvdev(bytes);
    return 0;
}
