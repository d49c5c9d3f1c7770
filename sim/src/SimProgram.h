#pragma once

// The volmar-sim program around the model: options, the socket, the poll()
// loop, the frame log and the EEPROM file.

#include "volmar/sim/LiveData.h"
#include "volmar/sim/SimDevice.h"

#include <filesystem>
#include <optional>
#include <string>

namespace volmar::sim {

struct ProgramOptions {
    std::string id = "volmar-sim";
    std::optional<std::filesystem::path> eepromFile;
    std::optional<std::filesystem::path> logFile;
    IdentityOverrides identity;
    BoardSettings board;
    Faults faults;
    bool hubPresent = true;
    std::uint8_t hubIdentity = Firmware::kHubIdentity;
    std::optional<SimTime> bootloaderStay; // nullopt: stays in the bootloader
};

// Runs until SIGINT/SIGTERM/SIGHUP (exit 0, device unplugged) or the unplug fault
// (exit 0); returns non-zero with a message on stderr when it cannot start:
// 2 for an EEPROM file of the wrong size, 1 for what the system refused.
int runSimulator(const ProgramOptions& options);

} // namespace volmar::sim
