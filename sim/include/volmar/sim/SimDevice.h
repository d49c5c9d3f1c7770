#pragma once

// The virtual controller as a transport peer: takes the feature requests of
// the socket protocol, hands them to the firmware model, injects the faults
// asked for, and says what to send back, when, and what to log. No I/O: the
// program does the sending, the logging and the saving.

#include "volmar/sim/Firmware.h"
#include "volmar/sim/SimTime.h"

#include "volmar/vhid/Wire.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace volmar::sim {

inline constexpr const char* kDefaultSerial = "Volmar2-20161101";
inline constexpr const char* kManufacturer = "Volmar";
inline constexpr std::uint16_t kDeviceVersion = 0x0100;

struct Faults {
    bool failGet = false; // every get stalls (EPIPE)
    bool failSet = false; // every set stalls (EPIPE) and is not carried out
    // Leave for good after this many feature transfers (sets and gets).
    std::optional<std::uint64_t> unplugAfterFrames;
    SimTime replyDelay{0};       // every reply leaves this much later
    bool garbageReplies = false; // gets return random bytes after the report id
    std::uint32_t seed = 1;
    // The EEPROM stores the inverse of the byte written at this address.
    std::optional<std::uint16_t> corruptEepromByte;
};

struct IdentityOverrides {
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::optional<std::string> product;
    std::string serial = kDefaultSerial;
};

// What one request leads to.
struct Outcome {
    std::optional<vhid::Message> reply; // none for a packet that is no request
    SimTime sendAt{0};
    std::string logLine; // without the line end; empty for no transfer
    bool unplug = false; // leave the bus for good once the reply has gone
};

// One log line: milliseconds since start with three decimals, SET or GET,
// then every byte of the report as two upper-case hex digits.
std::string formatLogLine(SimTime sinceStart, bool set, std::span<const std::uint8_t> report);

class SimDevice {
public:
    // Stores the EEPROM after each change; returns 0 or an errno value, which
    // then becomes the status of the set that changed it.
    using Persist = std::function<int(const EepromImage&)>;

    SimDevice(Firmware& firmware, Faults faults, Persist persist = {});

    Outcome handle(const vhid::Message& request, SimTime now);
    std::uint64_t transfers() const { return m_transfers; }

private:
    std::uint32_t nextRandom();

    Firmware& m_firmware;
    Faults m_faults;
    Persist m_persist;
    std::uint64_t m_transfers = 0;
    std::uint32_t m_random;
};

// The identity the controller presents now: from the EEPROM it started with,
// then the command-line overrides.
vhid::DeviceInfo deviceInfo(const Firmware& firmware, const IdentityOverrides& overrides,
                            const std::vector<std::uint8_t>& reportDescriptor);

} // namespace volmar::sim
