// What the hidraw backend makes of udev's and the kernel's answers.
#include "volmar/hid/Collections.h"
#include "volmar/hid/HidrawBackend.h"

#include <charconv>
#include <cstring>

namespace volmar::hid::hidraw {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    return s;
}

std::optional<std::uint32_t> parseHex32(std::string_view text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::uint16_t> parseHex16(std::string_view text) {
    text = trimmed(text);
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    if (text.size() > 4) {
        return std::nullopt;
    }
    const auto value = parseHex32(text);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

std::optional<HidAttributes> parseHidId(std::string_view hidId) {
    hidId = trimmed(hidId);
    // bus:vendor:product, each hexadecimal; vendor and product are 32-bit
    // fields of which the device uses the low 16 bits.
    const auto first = hidId.find(':');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const auto second = hidId.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bus = parseHex32(hidId.substr(0, first));
    const auto vendor = parseHex32(hidId.substr(first + 1, second - first - 1));
    const auto product = parseHex32(hidId.substr(second + 1));
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) {
        return std::nullopt;
    }
    HidAttributes attributes;
    attributes.vendorId = static_cast<std::uint16_t>(*vendor);
    attributes.productId = static_cast<std::uint16_t>(*product);
    return attributes;
}

bool serialMayBeLanguageTable(const std::string& serialUtf8) {
    if (serialUtf8.empty()) {
        return false;
    }
    for (unsigned char c : serialUtf8) {
        if (c < 0x80) {
            return false;
        }
    }
    return true;
}

std::vector<CollectionInfo> describeNode(const NodeFacts& facts, const NodeProbe& probe) {
    CollectionInfo node;
    node.path = facts.devnode;

    std::optional<HidAttributes> attributes;
    if (facts.hasUsbDevice) {
        const auto vid = parseHex16(facts.usbIdVendor);
        const auto pid = parseHex16(facts.usbIdProduct);
        if (vid && pid) {
            attributes = HidAttributes{*vid, *pid, parseHex16(facts.usbBcdDevice).value_or(0)};
        }
    }
    if (!attributes) {
        attributes = parseHidId(facts.hidId);
    }
    if (!attributes && probe.haveRawInfo) {
        attributes = HidAttributes{probe.vendorId, probe.productId, 0};
    }
    node.attributes = attributes.value_or(HidAttributes{});

    if (facts.hasUsbDevice) {
        node.manufacturer = std::string(trimmed(facts.usbManufacturer));
        node.product = std::string(trimmed(facts.usbProduct));
        node.serial = std::string(trimmed(facts.usbSerial));
    }
    // Without a USB parent (Bluetooth, uhid) the HID core's name and unique
    // id are the nearest thing; HID_NAME already holds "manufacturer product".
    if (node.product.empty()) {
        node.product = !facts.hidName.empty() ? facts.hidName : probe.rawName;
    }
    if (node.serial.empty()) {
        node.serial = facts.hidUniq;
    }
    node.languageIds = probe.languageIds;

    node.openable = probe.openError == 0;
    if (!node.openable) {
        node.openError = std::strerror(probe.openError);
    }

    // The hid device's name carries a sequence number that the kernel never
    // reuses, so a controller that leaves and comes back (with the same node
    // name, or after a VID/PID change) is a new device.
    const std::string nodeId =
        "hidraw:" + (facts.hidSysname.empty() ? facts.devnode : facts.hidSysname);
    const std::vector<std::uint8_t>& descriptor =
        !facts.reportDescriptor.empty() ? facts.reportDescriptor : probe.descriptor;
    return collectionsOf(node, nodeId, descriptor);
}

} // namespace volmar::hid::hidraw
