#pragma once

// The virtual controller's 1024-byte EEPROM and what its firmware reads out
// of the configuration image in it when it starts: USB identity, poll
// interval and the joystick's report descriptor.

#include "volmar/sysio/Result.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace volmar::sim {

inline constexpr std::size_t kEepromSize = 1024;
// The part of the EEPROM the configuration image fills.
inline constexpr std::size_t kConfigurationSize = 641;
using EepromImage = std::array<std::uint8_t, kEepromSize>;

// Offsets in the configuration image. They are written out here again, not
// taken from the configurator's core: the virtual controller is an independent
// check on the core's encoder, so a wrong offset there shows up as a
// disagreement with the sim instead of being shared by both sides.
namespace image {
inline constexpr std::size_t kAxisRecords = 0; // 8 records of 18 bytes
inline constexpr std::size_t kAxisRecordSize = 18;
inline constexpr std::size_t kButtonMap = 242; // hardware button of grid rows 1..132
inline constexpr std::size_t kButtonRows = 132;
inline constexpr std::size_t kUsbFlags = 451;     // bit 0 joystick active, bits 4-7 poll ms
inline constexpr std::size_t kReportLength = 452; // joystick input report bytes with id
inline constexpr std::size_t kVid = 466;
inline constexpr std::size_t kPid = 468;
inline constexpr std::size_t kName = 470;
inline constexpr std::size_t kNameSize = 20;
inline constexpr std::size_t kDescriptorLength = 490;
inline constexpr std::size_t kDescriptor = 491;
inline constexpr std::size_t kMaxDescriptor = 150;
// The configurator moves 21 blocks of 32 bytes: everything it may write.
inline constexpr std::size_t kWritableEnd = 672;
} // namespace image

struct Identity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string product;
    bool operator==(const Identity&) const = default;
};

// What a blank (never configured or cleared) controller presents.
inline constexpr std::uint16_t kBlankVendorId = 0x8888;
inline constexpr std::uint16_t kBlankProductId = 0x8888;
inline constexpr const char* kBlankProduct = "Volmar2";

// An erased EEPROM reads all 0xFF.
EepromImage erasedEeprom();
// All 0x00 or all 0xFF.
bool isBlank(const EepromImage& eeprom);
// VID 466-467, PID 468-469 (little-endian), product name 470-489 up to its
// first 0 byte, in UTF-8 (bytes above 0x7F are Latin-1); a blank EEPROM
// gives 8888:8888 "Volmar2".
Identity identityOf(const EepromImage& eeprom);
// What a blank controller runs with, so that both blank forms behave alike
// and match the joystick it presents: axes 1 (X) and 2 (Y) at 12 bits, the
// hat on hardware buttons 1-4, joystick buttons 1-10 on hardware buttons
// 5-14, 8 ms polling. (Its descriptor is defaultJoystickDescriptor().)
const EepromImage& blankConfiguration();
// blankConfiguration() for a blank EEPROM, the EEPROM itself otherwise.
const EepromImage& configurationInUse(const EepromImage& eeprom);
// Poll interval in ms from byte 451 bits 4-7; code 0 means 8 ms, as the
// configurator reads it. A blank EEPROM polls every 8 ms.
int pollIntervalMs(const EepromImage& eeprom);
// The stored joystick descriptor (length at 490, bytes from 491), or nullopt
// when the length is 0 or beyond the 150 bytes the image has room for.
std::optional<std::vector<std::uint8_t>> storedJoystickDescriptor(const EepromImage& eeprom);
// Source index of axis 1..8 (0 = no source) and its precision in bits.
int axisSource(const EepromImage& eeprom, int axis);
int axisPrecisionBits(const EepromImage& eeprom, int axis);
// Hardware button bound to grid row 1..132 (rows 1-4 hat up/right/down/left,
// row 4+k joystick button k), 0 when unbound.
int boundHardwareButton(const EepromImage& eeprom, int row);

// Loads an EEPROM file: a missing file is a blank (erased) EEPROM; a whole
// 1024-byte EEPROM (or configuration file) is taken as it is, a bare
// 641-byte configuration image fills the start and leaves the rest erased;
// any other size is refused, saying what it should be.
Result<EepromImage> loadEepromFile(const std::filesystem::path& file);
// Replaces the file as every save does (temporary file, fsync, rename), so a
// crash never leaves a half-written EEPROM behind.
Status saveEepromFile(const std::filesystem::path& file, const EepromImage& eeprom);

} // namespace volmar::sim
