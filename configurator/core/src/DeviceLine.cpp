#include "volmar/core/DeviceLine.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/NumberConversion.h"

#include <cstdio>

namespace volmar::line {

namespace {

std::optional<std::uint32_t> hexValue(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Characters first..first+3 (1-based) of the line, blanks turned into zeros,
// read as hexadecimal; 0 when that is not a number (also for a short line).
std::uint16_t idAt(std::string_view line, std::size_t first) {
    if (line.size() < first) {
        return 0;
    }
    std::string text(line.substr(first - 1, 4));
    for (char& c : text) {
        if (c == ' ') {
            c = '0';
        }
    }
    return static_cast<std::uint16_t>(hexValue(text, 4).value_or(0));
}

} // namespace

std::string hexId(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%4X", static_cast<unsigned>(value));
    std::string out(text);
    for (char& c : out) {
        if (c == ' ') {
            c = '0';
        }
    }
    return out;
}

std::string deviceListLine(std::uint16_t vid, std::uint16_t pid, std::string_view product,
                           std::string_view serial) {
    std::string out = "VID:" + hexId(vid) + " PID:" + hexId(pid) + " ";
    out += product;
    out += " (";
    out += serial;
    out += ")";
    return out;
}

VidPid selectedIds(std::string_view line) {
    return {idAt(line, 5), idAt(line, 14)};
}

std::optional<std::uint16_t> parseHexId(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    const auto value = hexValue(text, 4);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::optional<VidPid> parseVidPid(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto vid = parseHexId(text.substr(0, colon));
    const auto pid = parseHexId(text.substr(colon + 1));
    if (!vid || !pid) {
        return std::nullopt;
    }
    return VidPid{*vid, *pid};
}

std::string connectedText(const TRecordLng& lng, std::uint16_t vid, std::uint16_t pid,
                          std::string_view product) {
    std::string out = lng.usb_connect;
    out += " VID[" + hexId(vid) + "] PID[" + hexId(pid) + "] ";
    out += product;
    return out;
}

std::string cannotOpenText(std::string_view systemText) {
    std::string out = "Device cannot be opened [";
    out += systemText;
    out += "]: install the udev rule data/70-volmar.rules with ./x install-udev";
    return out;
}

std::string inUseText(std::string_view holderText) {
    std::string out = "Device cannot be opened [";
    out += holderText;
    out += "]: close the other program, then choose the device again";
    return out;
}

} // namespace volmar::line
