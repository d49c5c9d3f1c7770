#pragma once

// The controller's live data: feature report 2, read with a 194-byte get
// (report id + 193 payload bytes). 16-bit values are little-endian.
//
//   byte 1          hardware type: 0 = no data (ignore the whole reply),
//                   1 atmega32u4, 2 at90usb646, 3 at90usb1286 board
//   bytes 2-4       uptime, three fields
//   bytes 5-20      raw sensor value of axes 1..8 (axis N at 5 + 2(N-1))
//   bytes 21-152    buttons 1..132, one byte each (button B at 20 + B), bit 0 = pressed
//   bytes 153-168   processed value of axes 1..8 (axis N at 153 + 2(N-1))
//   bytes 169-176   four diagnostic words
//   bytes 177-184   link-error count of axes 1..8 (axis N at 176 + N)
//   bytes 185-193   not interpreted

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace volmar::live {

inline constexpr std::uint8_t kReportId = 2;
inline constexpr std::size_t kPayloadSize = 193;
inline constexpr std::size_t kReportSize = 1 + kPayloadSize;
inline constexpr int kAxes = 8;
inline constexpr int kButtons = 132;
inline constexpr int kDebugWords = 4;

struct LiveData {
    std::uint8_t hardwareType = 0;
    std::array<std::uint8_t, 3> uptime{};
    std::array<std::uint16_t, kAxes> raw{};
    std::array<bool, kButtons> buttons{}; // index 0 = button 1
    std::array<std::uint16_t, kAxes> processed{};
    std::array<std::uint16_t, kDebugWords> debug{};
    std::array<std::uint8_t, kAxes> linkErrors{};
    bool operator==(const LiveData&) const = default;
};

// The request buffer: report id 2, zeros after it.
std::array<std::uint8_t, kReportSize> requestBuffer();

// Nothing when the reply carries no data (byte 1 = 0) or is shorter than the
// report; a short buffer is never read past its end.
std::optional<LiveData> decodeLiveData(std::span<const std::uint8_t> report);

// "1:2:3": the three fields in decimal, no padding.
std::string uptimeText(const LiveData& data);

// One diagnostic word: "d[<dec>] b[<16 binary digits>] h[<4 hex digits>]".
std::string debugGroup(std::uint16_t word);

// The four groups joined by three spaces.
std::string debugLine(const LiveData& data);

// The chip of hardware types 1..3 ("ATmega32U4", "AT90USB646", "AT90USB1286");
// empty for any other type.
std::string_view chipName(std::uint8_t hardwareType);

// The largest pressed button number, 0 when none is pressed.
int highestPressedButton(const LiveData& data);

} // namespace volmar::live
