#pragma once

// The command frames the controller understands, built and read without any
// I/O. Every command travels as feature report 1, always 38 bytes:
//
//   byte 0      report id, 1
//   byte 1      command code (0 in the get that fetches a register reply)
//   bytes 2-3   EEPROM address, low byte first (read and write block only)
//   byte 4      byte count: 32 for blocks, transfer length for the bus commands
//   bytes 5-36  data: image bytes, or the command's parameters
//   byte 37     0
//
// Request bytes a command does not name are always 0. Live data is feature
// report 2, 194 bytes (LiveData.h).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace volmar {
struct TRecordLng;
}

namespace volmar::protocol {

// The version the firmware must report as its serial-number string; anything
// else only warns.
inline constexpr std::string_view ConfiguratorVersion = "Volmar2-20161101";

inline constexpr std::size_t kFrameSize = 38;
inline constexpr std::uint8_t kCommandReportId = 1;
inline constexpr std::size_t kBlockBytes = 32;
inline constexpr std::size_t kBlockDataOffset = 5;
inline constexpr std::size_t kImageBufferSize = 1024;

using Frame = std::array<std::uint8_t, kFrameSize>;

enum class Command : std::uint8_t {
    ReadBlock = 1,
    WriteBlock = 2,
    WriteEnd = 3,
    Restart = 10,
    StartBootloader = 11,
    ClearConfig = 12,
    WriteBegin = 13,
    HubTransfer = 20,
    OutputTransfer = 22,
    RegisterReadFixed = 24,
    RegisterRead = 25,
    RegisterWrite = 26,
};

// The controller's timing contract, in milliseconds.
inline constexpr int kExchangeWaitMs = 500;  // before (and where said, after) an exchange
inline constexpr int kRegisterWaitMs = 250;  // the same for register reads 24 and 25
inline constexpr int kBlockReplyWaitMs = 25; // block request -> reply, and after each block
inline constexpr int kHubReplyWaitMs = 50;   // hub bus request -> reply
inline constexpr int kRegisterReplyWaitMs = 250;

// The three regions of the configuration image, in EEPROM order.
struct ImageRegions {
    int axis = 222; // CNF_REPORT_AXIS
    int main = 242; // CNF_REPORT
    int usb = 177;  // CNF_REPORT_USB
};

// How the image moves: whole 32-byte blocks from address 0 that cover every
// region byte.
struct BlockGeometry {
    int imageBytes = 0; // 641 with the standard regions
    int blockCount = 0; // 21
    int blockAddress(int block) const { return block * static_cast<int>(kBlockBytes); }
    int lastAddress() const { return blockAddress(blockCount) - 1; } // 671
};

// Returns the geometry, or nothing when the regions are negative or do not
// fit the 1024-byte image buffer (the transfer would then run past it).
std::optional<BlockGeometry> blockGeometry(const ImageRegions& regions);

// The standard geometry: 21 blocks covering addresses 0..671.
const BlockGeometry& standardGeometry();

// A frame with only report id and command code set: write end, restart,
// bootloader, clear configuration, write begin.
Frame commandFrame(Command command);

// Read block: the set and the get that fetches the reply are the same frame.
Frame readBlockFrame(int address);

// Write block: the 32 image bytes from `image` at `address`.
Frame writeBlockFrame(int address, std::span<const std::uint8_t, kBlockBytes> data);

// The 32 data bytes of a read-block reply.
std::span<const std::uint8_t, kBlockBytes> blockData(const Frame& reply);

// --- sensor hub (command 20) ---------------------------------------------
inline constexpr std::uint8_t kHubIdentity = 0xAA;
inline constexpr int kHubSlaves = 4;
inline constexpr int kHubDataBytes = 8;

// Request and reply fetch of the identity check.
Frame hubIdentityRequest();
Frame hubIdentityFetch();
// Load slave types: request, fetch; reply bytes 6..9 are the four types.
Frame hubLoadRequest();
Frame hubLoadFetch();
// Save slave types: the types (0xFF for a list without selection), then the
// commit frame.
Frame hubSaveRequest(const std::array<std::uint8_t, kHubSlaves>& types);
Frame hubSaveCommit();
// Raw transfer with the given length, start byte and eight data bytes; the
// fetch repeats the length only.
Frame hubRawRequest(std::uint8_t length, std::uint8_t start,
                    const std::array<std::uint8_t, kHubDataBytes>& data);
Frame hubRawFetch(std::uint8_t length);

std::uint8_t hubIdentityOf(const Frame& reply); // byte 6
std::array<std::uint8_t, kHubSlaves> hubTypesOf(const Frame& reply);
struct HubRawReply {
    std::uint8_t start = 0;
    std::array<std::uint8_t, kHubDataBytes> data{};
    bool operator==(const HubRawReply&) const = default;
};
HubRawReply hubRawOf(const Frame& reply);

// Start byte of a raw transfer: the bus address, plus 128 for a write; only
// the low 8 bits go into the frame.
std::uint8_t hubRawStartByte(int address, bool write);

// The identity check's message: "OK TLE5011HUB ID[AA]" or "Error TLE5011HUB ID[xx]".
std::string hubIdentityMessage(std::uint8_t identity);

// --- stepper output (command 22) -----------------------------------------
// The step count as a 16-bit two's complement number, low byte first; no reply.
Frame stepperMoveFrame(int steps);

// --- bus register device (commands 24-26) --------------------------------
Frame registerReadFixedRequest();
Frame registerReadRequest(std::uint8_t address);
Frame registerWriteRequest(std::uint8_t address, std::uint8_t low, std::uint8_t high);
// The get that fetches any register reply: report id only, code 0.
Frame registerFetch();

struct RegisterReply {
    std::uint8_t address = 0;
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    std::uint8_t reg = 0;
    bool operator==(const RegisterReply&) const = default;
};
RegisterReply registerReplyOf(const Frame& reply);

// --- texts ----------------------------------------------------------------
// Failed transfers: prefix + system text + "]".
std::string readRequestFailed(std::string_view systemText); // "Error read RawTranzit.SET ["
std::string readReplyFailed(std::string_view systemText);   // "Error read RawTranzit.GET ["
std::string writeBlockFailed(std::string_view systemText);  // "Error read RawTranzit ["

// The progress text of one block: caption + " EEPROM[" first "/" last "]".
std::string blockProgressText(std::string_view caption, int address);

// The version warning, or nothing when the firmware matches.
std::optional<std::string> versionMismatch(const TRecordLng& lng, std::string_view firmware,
                                           std::string_view configurator = ConfiguratorVersion);

// A number typed into a tool's edit as a frame byte: decimal, a text that is
// not a number counts as 0, only the low 8 bits are kept ("300" -> 44).
std::uint8_t frameByte(std::string_view text);

// Two upper-case hex digits.
std::string hexByte(std::uint8_t value);

} // namespace volmar::protocol
