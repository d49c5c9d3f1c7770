#include "volmar/core/LiveData.h"

#include <cstdio>

namespace volmar::live {

namespace {

constexpr std::size_t kRawOffset = 5;
constexpr std::size_t kButtonOffset = 21;
constexpr std::size_t kProcessedOffset = 153;
constexpr std::size_t kDebugOffset = 169;
constexpr std::size_t kLinkErrorOffset = 177;

std::uint16_t word(std::span<const std::uint8_t> report, std::size_t offset) {
    return static_cast<std::uint16_t>(report[offset] | (report[offset + 1] << 8));
}

} // namespace

std::array<std::uint8_t, kReportSize> requestBuffer() {
    std::array<std::uint8_t, kReportSize> buffer{};
    buffer[0] = kReportId;
    return buffer;
}

std::optional<LiveData> decodeLiveData(std::span<const std::uint8_t> report) {
    if (report.size() < kReportSize || report[1] == 0) {
        return std::nullopt;
    }
    LiveData data;
    data.hardwareType = report[1];
    data.uptime = {report[2], report[3], report[4]};
    for (int n = 0; n < kAxes; ++n) {
        data.raw[n] = word(report, kRawOffset + 2 * n);
        data.processed[n] = word(report, kProcessedOffset + 2 * n);
        data.linkErrors[n] = report[kLinkErrorOffset + n];
    }
    for (int b = 0; b < kButtons; ++b) {
        data.buttons[b] = (report[kButtonOffset + b] & 0x01) != 0;
    }
    for (int w = 0; w < kDebugWords; ++w) {
        data.debug[w] = word(report, kDebugOffset + 2 * w);
    }
    return data;
}

std::string uptimeText(const LiveData& data) {
    return std::to_string(data.uptime[0]) + ":" + std::to_string(data.uptime[1]) + ":" +
           std::to_string(data.uptime[2]);
}

std::string debugGroup(std::uint16_t value) {
    std::string binary(16, '0');
    for (int bit = 0; bit < 16; ++bit) {
        if (value & (1u << (15 - bit))) {
            binary[bit] = '1';
        }
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(value));
    return "d[" + std::to_string(value) + "] b[" + binary + "] h[" + hex + "]";
}

std::string debugLine(const LiveData& data) {
    std::string line;
    for (int w = 0; w < kDebugWords; ++w) {
        if (w > 0) {
            line += "   ";
        }
        line += debugGroup(data.debug[w]);
    }
    return line;
}

std::string_view chipName(std::uint8_t hardwareType) {
    switch (hardwareType) {
    case 1:
        return "ATmega32U4";
    case 2:
        return "AT90USB646";
    case 3:
        return "AT90USB1286";
    default:
        return {};
    }
}

int highestPressedButton(const LiveData& data) {
    int highest = 0;
    for (int b = 0; b < kButtons; ++b) {
        if (data.buttons[b]) {
            highest = b + 1;
        }
    }
    return highest;
}

} // namespace volmar::live
