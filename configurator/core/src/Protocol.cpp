#include "volmar/core/Protocol.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/NumberConversion.h"

#include <algorithm>
#include <cstdio>

namespace volmar::protocol {

namespace {

Frame frameWith(Command command) {
    Frame frame{};
    frame[0] = kCommandReportId;
    frame[1] = static_cast<std::uint8_t>(command);
    return frame;
}

Frame blockFrame(Command command, int address) {
    Frame frame = frameWith(command);
    frame[2] = static_cast<std::uint8_t>(address & 0xFF);
    frame[3] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
    frame[4] = static_cast<std::uint8_t>(kBlockBytes);
    return frame;
}

Frame hubFrame(std::uint8_t length, std::uint8_t first) {
    Frame frame = frameWith(Command::HubTransfer);
    frame[4] = length;
    frame[5] = first;
    return frame;
}

std::string bracketed(std::string_view prefix, std::string_view text) {
    std::string out(prefix);
    out += text;
    out += ']';
    return out;
}

} // namespace

std::optional<BlockGeometry> blockGeometry(const ImageRegions& regions) {
    if (regions.axis < 0 || regions.main < 0 || regions.usb < 0) {
        return std::nullopt;
    }
    const long total = static_cast<long>(regions.axis) + regions.main + regions.usb;
    const long blocks = (total + static_cast<long>(kBlockBytes) - 1) / kBlockBytes;
    if (blocks * static_cast<long>(kBlockBytes) > static_cast<long>(kImageBufferSize)) {
        return std::nullopt;
    }
    BlockGeometry geometry;
    geometry.imageBytes = static_cast<int>(total);
    geometry.blockCount = static_cast<int>(blocks);
    return geometry;
}

const BlockGeometry& standardGeometry() {
    static const BlockGeometry geometry = *blockGeometry(ImageRegions{});
    return geometry;
}

Frame commandFrame(Command command) {
    return frameWith(command);
}

Frame readBlockFrame(int address) {
    return blockFrame(Command::ReadBlock, address);
}

Frame writeBlockFrame(int address, std::span<const std::uint8_t, kBlockBytes> data) {
    Frame frame = blockFrame(Command::WriteBlock, address);
    std::copy(data.begin(), data.end(), frame.begin() + kBlockDataOffset);
    return frame;
}

std::span<const std::uint8_t, kBlockBytes> blockData(const Frame& reply) {
    return std::span<const std::uint8_t, kBlockBytes>(reply.data() + kBlockDataOffset, kBlockBytes);
}

Frame hubIdentityRequest() {
    return hubFrame(5, 0);
}
Frame hubIdentityFetch() {
    return hubFrame(1, 0);
}
Frame hubLoadRequest() {
    return hubFrame(5, 1);
}
Frame hubLoadFetch() {
    return hubFrame(4, 0);
}

Frame hubSaveRequest(const std::array<std::uint8_t, kHubSlaves>& types) {
    Frame frame = hubFrame(5, 0x81);
    std::copy(types.begin(), types.end(), frame.begin() + 6);
    return frame;
}

Frame hubSaveCommit() {
    return hubFrame(1, 0xFF);
}

Frame hubRawRequest(std::uint8_t length, std::uint8_t start,
                    const std::array<std::uint8_t, kHubDataBytes>& data) {
    Frame frame = hubFrame(length, start);
    std::copy(data.begin(), data.end(), frame.begin() + 6);
    return frame;
}

Frame hubRawFetch(std::uint8_t length) {
    return hubFrame(length, 0);
}

std::uint8_t hubIdentityOf(const Frame& reply) {
    return reply[6];
}

std::array<std::uint8_t, kHubSlaves> hubTypesOf(const Frame& reply) {
    return {reply[6], reply[7], reply[8], reply[9]};
}

HubRawReply hubRawOf(const Frame& reply) {
    HubRawReply out;
    out.start = reply[5];
    std::copy(reply.begin() + 6, reply.begin() + 6 + kHubDataBytes, out.data.begin());
    return out;
}

std::uint8_t hubRawStartByte(int address, bool write) {
    return static_cast<std::uint8_t>((address + (write ? 128 : 0)) & 0xFF);
}

std::string hubIdentityMessage(std::uint8_t identity) {
    return bracketed(identity == kHubIdentity ? "OK TLE5011HUB ID[" : "Error TLE5011HUB ID[",
                     hexByte(identity));
}

Frame stepperMoveFrame(int steps) {
    Frame frame = frameWith(Command::OutputTransfer);
    const auto word = static_cast<std::uint16_t>(steps);
    frame[5] = static_cast<std::uint8_t>(word & 0xFF);
    frame[6] = static_cast<std::uint8_t>(word >> 8);
    return frame;
}

Frame registerReadFixedRequest() {
    return frameWith(Command::RegisterReadFixed);
}

Frame registerReadRequest(std::uint8_t address) {
    Frame frame = frameWith(Command::RegisterRead);
    frame[5] = address;
    return frame;
}

Frame registerWriteRequest(std::uint8_t address, std::uint8_t low, std::uint8_t high) {
    Frame frame = frameWith(Command::RegisterWrite);
    frame[5] = address;
    frame[6] = low;
    frame[7] = high;
    return frame;
}

Frame registerFetch() {
    Frame frame{};
    frame[0] = kCommandReportId;
    return frame;
}

RegisterReply registerReplyOf(const Frame& reply) {
    return {reply[5], reply[6], reply[7], reply[8]};
}

std::string readRequestFailed(std::string_view systemText) {
    return bracketed("Error read RawTranzit.SET [", systemText);
}

std::string readReplyFailed(std::string_view systemText) {
    return bracketed("Error read RawTranzit.GET [", systemText);
}

std::string writeBlockFailed(std::string_view systemText) {
    return bracketed("Error read RawTranzit [", systemText);
}

std::string blockProgressText(std::string_view caption, int address) {
    std::string out(caption);
    out += " EEPROM[" + std::to_string(address) + "/" +
           std::to_string(address + static_cast<int>(kBlockBytes) - 1) + "]";
    return out;
}

std::optional<std::string> versionMismatch(const TRecordLng& lng, std::string_view firmware,
                                           std::string_view configurator) {
    if (firmware == configurator) {
        return std::nullopt;
    }
    std::string out = lng.lbl_miss_version;
    out += "\r\n";
    out += firmware;
    out += " <> ";
    out += configurator;
    return out;
}

std::uint8_t frameByte(std::string_view text) {
    return static_cast<std::uint8_t>(strToIntDef(text, 0) & 0xFF);
}

std::string hexByte(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

} // namespace volmar::protocol
