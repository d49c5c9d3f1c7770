#pragma once

// Shared fixtures of the sim tests: a configured EEPROM image and frame
// builders that read like the protocol.

#include "volmar/sim/Eeprom.h"
#include "volmar/sim/Firmware.h"
#include "volmar/sim/Joystick.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace volmar::sim::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline SimTime ms(double v) {
    return SimTime(static_cast<long long>(v * 1000.0));
}

// Command frame, report id 1, 38 bytes.
inline Bytes frame(std::uint8_t code, std::size_t address = 0, std::uint8_t count = 0,
                   const Bytes& data = {}) {
    Bytes f(kFrameSize, 0);
    f[0] = 1;
    f[1] = code;
    f[2] = static_cast<std::uint8_t>(address & 0xFF);
    f[3] = static_cast<std::uint8_t>(address >> 8);
    f[4] = count;
    for (std::size_t i = 0; i < data.size() && 5 + i < kFrameSize; ++i) {
        f[5 + i] = data[i];
    }
    return f;
}

// A configured controller: axes 1 (X) and 2 (Y) at 12 bits, hat bound to
// hardware buttons 1-4, joystick buttons 1-10 bound to hardware buttons
// 5-14, poll code 4, identity 1A2B:3C4D "TestPad", and the 73-byte
// descriptor that configuration encodes to.
inline EepromImage configuredImage() {
    EepromImage e{};
    for (int axis : {1, 2}) {
        const std::size_t at = 18 * static_cast<std::size_t>(axis - 1);
        e[at] = 0x01;                                // source 1
        e[at + 3] = static_cast<std::uint8_t>(axis); // X, Y
        e[at + 4] = 2;                               // precision "12"
    }
    for (int row = 1; row <= 14; ++row) {
        e[image::kButtonMap + static_cast<std::size_t>(row - 1)] = static_cast<std::uint8_t>(row);
    }
    e[image::kUsbFlags] = 0x01 | (4 << 4);
    e[image::kReportLength] = 6;
    e[image::kVid] = 0x2B;
    e[image::kVid + 1] = 0x1A;
    e[image::kPid] = 0x4D;
    e[image::kPid + 1] = 0x3C;
    const char* name = "TestPad";
    for (std::size_t i = 0; name[i] != 0; ++i) {
        e[image::kName + i] = static_cast<std::uint8_t>(name[i]);
    }
    const Bytes& d = defaultJoystickDescriptor();
    e[image::kDescriptorLength] = static_cast<std::uint8_t>(d.size());
    std::copy(d.begin(), d.end(), e.begin() + image::kDescriptor);
    return e;
}

inline Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes bytesOf(const EepromImage& e, std::size_t from, std::size_t n) {
    return Bytes(e.begin() + static_cast<long>(from), e.begin() + static_cast<long>(from + n));
}

} // namespace volmar::sim::test
