#pragma once

// The device list's lines and what a click on one of them selects. A line is
// "VID:%s PID:%s %s (%s)": VID and PID as four upper-case hex digits, the USB
// product string, and the USB serial-number string in parentheses. The click
// reads the ids back from fixed columns, so the line layout is a contract.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace volmar {
struct TRecordLng;
}

namespace volmar::line {

// Four upper-case hex digits, zero padded: 0x3EB -> "03EB".
std::string hexId(std::uint16_t value);

std::string deviceListLine(std::uint16_t vid, std::uint16_t pid, std::string_view product,
                           std::string_view serial);

struct VidPid {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    bool operator==(const VidPid&) const = default;
};

// The ids a click on `line` selects: characters 5-8 and 14-17 (1-based), blanks
// read as 0, each read as hexadecimal; a text that is not a hex number gives 0.
VidPid selectedIds(std::string_view line);

// A hexadecimal id as typed on a command line ("03EB", "3eb", "0x03eb");
// nothing when it is not a hex number of at most 16 bits.
std::optional<std::uint16_t> parseHexId(std::string_view text);

// "VVVV:PPPP" -> the pair; nothing for anything else.
std::optional<VidPid> parseVidPid(std::string_view text);

// The connected display's text: usb_connect + " VID[" vid "] PID[" pid "] " product.
std::string connectedText(const TRecordLng& lng, std::uint16_t vid, std::uint16_t pid,
                          std::string_view product);

// A listed device that cannot be opened (no permission on its node): the
// HID layer's message with the system text, and how to grant access.
std::string cannotOpenText(std::string_view systemText);

// A controller another program holds: "Device cannot be opened [in use by
// VolmarSetup, pid 1234]" and what to do about it.
std::string inUseText(std::string_view holderText);

} // namespace volmar::line
