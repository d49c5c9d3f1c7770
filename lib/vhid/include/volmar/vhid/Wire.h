#pragma once

// Transport between a virtual controller (volmar-sim) and the programs that
// use it as a HID device. Qt-free; shared by the sim, the configurator's HID
// layer and the viewer's input layer.
//
// Each virtual device is one Unix SOCK_SEQPACKET socket "<id>.sock" in
// deviceFolder(). One connection is one opened node; the device serves any
// number of connections at once. Closing the listening socket (and removing
// its file) is an unplug. Every packet is one message:
//
//   byte 0      message type (MsgType)
//   bytes 1..4  request tag, little-endian; a reply carries its request's tag
//   bytes 5..   payload
//
// Device -> client, unasked, first packet of every connection:
//   Info        payload = serialised DeviceInfo (encodeInfo/decodeInfo)
// Client -> device:
//   SetFeature  payload = the report, report id in byte 0
//   GetFeature  payload = report id (1 byte), length (2 bytes LE, report id included)
//   Subscribe   payload empty: from now on this connection receives Input messages
// Device -> client:
//   SetFeatureReply  payload = errno-style status (4 bytes LE, 0 = done)
//   GetFeatureReply  payload = status (4 bytes LE), then the report (report id first)
//   Input            payload = one input report, report id first (tag 0)
//
// A status other than 0 is an errno value (EPIPE for a stalled transfer,
// ETIMEDOUT, EIO) that the client reports with its strerror text.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace volmar::vhid {

enum class MsgType : std::uint8_t {
    Info = 1,
    SetFeature = 2,
    SetFeatureReply = 3,
    GetFeature = 4,
    GetFeatureReply = 5,
    Subscribe = 6,
    Input = 7,
};

inline constexpr std::size_t kHeaderSize = 5;
inline constexpr std::size_t kMaxMessage = 4096;

struct DeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::vector<std::uint8_t> reportDescriptor; // of the whole node, all collections
    bool operator==(const DeviceInfo&) const = default;
};

struct Message {
    MsgType type = MsgType::Info;
    std::uint32_t tag = 0;
    std::vector<std::uint8_t> payload;
};

// $XDG_RUNTIME_DIR/volmar/virtual, or /tmp/volmar-$UID/virtual without it.
std::filesystem::path deviceFolder();

// The lock file beside a device's socket ("<id>.lock" for "<id>.sock"): the
// program that talks to the device holds it, so that a second one keeps off.
// Listeners (the viewer) connect without it; the device never looks at it.
std::filesystem::path lockFileOf(const std::filesystem::path& socket);

std::vector<std::uint8_t> encodeMessage(const Message& msg);
// nullopt for a packet shorter than the header or with an unknown type, and
// for one whose payload does not have its type's shape (a GetFeature of other
// than 3 bytes, a status of other than 4, a SetFeature or Input without a
// report, a Subscribe with a payload) or that is longer than kMaxMessage.
std::optional<Message> decodeMessage(std::span<const std::uint8_t> packet);

std::vector<std::uint8_t> encodeInfo(const DeviceInfo& info);
std::optional<DeviceInfo> decodeInfo(std::span<const std::uint8_t> payload);

} // namespace volmar::vhid
