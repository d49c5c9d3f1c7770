#include "volmar/sim/LiveData.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

namespace volmar::sim {

namespace {

// 0..1, a different phase per axis so that the axes do not move together.
double wave(int axis, SimTime t) {
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(t.count()) /
                         static_cast<double>(kAxisPeriod.count());
    return 0.5 + 0.5 * std::sin(phase + axis * std::numbers::pi / 4.0);
}

void put16(std::vector<std::uint8_t>& r, std::size_t at, std::uint16_t v) {
    r[at] = static_cast<std::uint8_t>(v & 0xFF);
    r[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

AxisValues axisValues(const EepromImage& eeprom, const BoardSettings& settings, SimTime sinceBoot) {
    const EepromImage& config = configurationInUse(eeprom);
    AxisValues v;
    for (int axis = 1; axis <= 8; ++axis) {
        const std::size_t i = static_cast<std::size_t>(axis - 1);
        if (axisSource(config, axis) == 0) {
            continue;
        }
        const std::uint32_t max = (1u << axisPrecisionBits(config, axis)) - 1;
        const double w = wave(axis, sinceBoot);
        v.raw[i] = settings.axisRaw[i].value_or(static_cast<std::uint16_t>(std::lround(w * 4095)));
        if (settings.axisProcessed[i]) {
            v.processed[i] = *settings.axisProcessed[i];
        } else if (settings.axisRaw[i]) {
            v.processed[i] = static_cast<std::uint16_t>(std::min<std::uint32_t>(v.raw[i], max));
        } else {
            v.processed[i] = static_cast<std::uint16_t>(std::lround(w * max));
        }
    }
    return v;
}

std::array<bool, kHardwareButtons + 1>
pressedButtons(const EepromImage& eeprom, const BoardSettings& settings, SimTime sinceBoot) {
    const EepromImage& config = configurationInUse(eeprom);
    std::array<bool, kHardwareButtons + 1> pressed{};
    if (settings.pressedButtons) {
        for (int b : *settings.pressedButtons) {
            if (b >= 1 && b <= kHardwareButtons) {
                pressed[static_cast<std::size_t>(b)] = true;
            }
        }
        return pressed;
    }
    std::set<int> bound;
    for (int row = 1; row <= static_cast<int>(image::kButtonRows); ++row) {
        const int hw = boundHardwareButton(config, row);
        if (hw >= 1 && hw <= kHardwareButtons) {
            bound.insert(hw);
        }
    }
    if (!bound.empty()) {
        const auto step = static_cast<std::size_t>(sinceBoot / kButtonStep) % bound.size();
        pressed[static_cast<std::size_t>(*std::next(bound.begin(), static_cast<long>(step)))] =
            true;
    }
    return pressed;
}

std::vector<std::uint8_t> liveDataReport(const EepromImage& config, const BoardSettings& settings,
                                         SimTime sinceBoot,
                                         const std::array<std::uint16_t, 4>& debugWords) {
    std::vector<std::uint8_t> r(kLiveReportSize, 0);
    r[0] = 2;
    r[1] = static_cast<std::uint8_t>(settings.hardwareType);
    if (settings.uptime) {
        std::copy(settings.uptime->begin(), settings.uptime->end(), r.begin() + 2);
    } else {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceBoot).count();
        r[2] = static_cast<std::uint8_t>((seconds / 3600) % 256);
        r[3] = static_cast<std::uint8_t>((seconds / 60) % 60);
        r[4] = static_cast<std::uint8_t>(seconds % 60);
    }
    const AxisValues axes = axisValues(config, settings, sinceBoot);
    for (std::size_t i = 0; i < 8; ++i) {
        put16(r, 5 + 2 * i, axes.raw[i]);
        put16(r, 153 + 2 * i, axes.processed[i]);
        r[177 + i] = settings.linkErrors[i];
    }
    const auto pressed = pressedButtons(config, settings, sinceBoot);
    for (std::size_t b = 1; b <= kHardwareButtons; ++b) {
        r[20 + b] = pressed[b] ? 1 : 0;
    }
    for (std::size_t w = 0; w < 4; ++w) {
        put16(r, 169 + 2 * w, debugWords[w]);
    }
    return r;
}

} // namespace volmar::sim
