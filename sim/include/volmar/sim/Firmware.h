#pragma once

// The controller's firmware as the configurator sees it: feature report 1
// (38-byte command frames) and feature report 2 (live data), with the reply
// timing of the real board. No I/O and no clock: each call gets the time.
//
// What the firmware does with each command:
//   1  read block   reply: the request header, then EEPROM bytes
//                   address..address+31 (bytes past the EEPROM read 0)
//   13 write begin  opens a write session on a copy of the EEPROM
//   2  write block  stores 1..32 bytes (count at byte 4) into the copy; only
//                   inside a session and only within addresses 0..671,
//                   anything else is ignored
//   3  write end    commits the copy in one step and closes the session; so a
//                   write that stops half-way (unplug, restart, failed block
//                   followed by no write end) never reaches the EEPROM
//   12 clear        erases the whole EEPROM (all 0xFF) and drops any session
//   10 restart      leaves the bus for kRestartAbsence, then starts again
//                   with the identity and descriptor now in the EEPROM
//   11 bootloader   leaves the bus; comes back as the firmware after the
//                   configured time, or never
//   20 hub transfer a sensor hub with 128 registers of 8 bytes: the first
//                   bus byte is the register (bit 7 set = write), register 0
//                   holds the identity 0xAA (read-only), register 1 the four
//                   slave types; writing register 127 stores the types so
//                   they survive a restart. Reply: byte 5 the first bus
//                   byte, bytes 6.. the n-1 register bytes (at most 8)
//   22 stepper      moves the stepper by a signed 16-bit count (bytes 5-6);
//                   the position stops at the ends of the 32-bit range
//   24, 25, 26      a register device with 256 16-bit registers: 24 reads
//                   register 0, 25 reads the register at byte 5, 26 writes
//                   bytes 6-7 into it. Reply: 5 register, 6 low, 7 high,
//                   8 status (bit 0 device present, bit 1 last access wrote)
// A get of report 1 returns the reply of the last command that has one once
// its wait has passed (25 ms for 1, 50 ms for 20, 250 ms for 24-26); a get
// that comes earlier returns the reply before it, unchanged — stale data, as
// the real board gives a host that does not wait.
// Sets of report 1 must be 38 bytes; other sizes and unknown report ids stall
// (EPIPE). Unknown command codes are acknowledged and do nothing.

#include "volmar/sim/Eeprom.h"
#include "volmar/sim/LiveData.h"
#include "volmar/sim/SimTime.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace volmar::sim {

inline constexpr std::size_t kFrameSize = 38;

// The command codes, written out again for the same reason as the image
// offsets in Eeprom.h: the sim checks the core's protocol, it does not
// share it.
namespace cmd {
inline constexpr std::uint8_t ReadBlock = 1;
inline constexpr std::uint8_t WriteBlock = 2;
inline constexpr std::uint8_t WriteEnd = 3;
inline constexpr std::uint8_t Restart = 10;
inline constexpr std::uint8_t Bootloader = 11;
inline constexpr std::uint8_t ClearConfig = 12;
inline constexpr std::uint8_t WriteBegin = 13;
inline constexpr std::uint8_t HubTransfer = 20;
inline constexpr std::uint8_t StepperMove = 22;
inline constexpr std::uint8_t RegisterReadFixed = 24;
inline constexpr std::uint8_t RegisterRead = 25;
inline constexpr std::uint8_t RegisterWrite = 26;
} // namespace cmd

struct FeatureReply {
    int status = 0; // 0 or an errno value
    std::vector<std::uint8_t> report;
};

class Firmware {
public:
    static constexpr SimTime kBlockReplyWait = std::chrono::milliseconds(25);
    static constexpr SimTime kHubReplyWait = std::chrono::milliseconds(50);
    static constexpr SimTime kRegisterReplyWait = std::chrono::milliseconds(250);
    static constexpr SimTime kRestartAbsence = std::chrono::milliseconds(1000);
    static constexpr std::uint8_t kHubIdentity = 0xAA;
    static constexpr std::uint8_t kHubStoreRegister = 127;

    Firmware(const EepromImage& eeprom, BoardSettings board, SimTime now);

    FeatureReply setFeature(std::span<const std::uint8_t> report, SimTime now);
    FeatureReply getFeature(std::uint8_t reportId, std::size_t length, SimTime now);

    // On the bus (false between restart/bootloader and the return).
    bool attached() const { return m_attached; }
    // Off the bus because the bootloader command ran (not a restart).
    bool inBootloader() const { return !m_attached && m_bootloader; }
    // When a detached controller comes back, if it does.
    std::optional<SimTime> returnsAt() const { return m_returnAt; }
    // Starts again once the return time has come; true when it just did.
    bool advance(SimTime now);
    // How long the bootloader keeps the controller away; nullopt = for good.
    void setBootloaderStay(std::optional<SimTime> stay) { m_bootloaderStay = stay; }
    // A controller without the sensor hub board: reads of the hub give 0.
    void setHubPresent(bool present) { m_hubPresent = present; }
    // A board on the hub's bus that answers another identity than a TLE5011 hub.
    void setHubIdentity(std::uint8_t identity) { m_hub[0][0] = identity; }
    // A worn EEPROM cell: every write end stores the inverse of what the
    // write put at `address` (0..671), so a read-back differs there.
    void setCorruptByte(std::optional<std::uint16_t> address) { m_corruptByte = address; }

    const EepromImage& eeprom() const { return m_eeprom; }
    // The image the firmware started with: identity, descriptor, axes and
    // buttons in use until the next start.
    const EepromImage& bootImage() const { return m_bootImage; }
    SimTime bootTime() const { return m_bootTime; }
    // True once after every change of the EEPROM (write end, clear).
    bool takeEepromChanged();

    bool writeSessionOpen() const { return m_session.has_value(); }
    int blocksInSession() const { return m_sessionBlocks; }
    std::int32_t stepperPosition() const { return m_stepper; }
    std::array<std::uint8_t, 4> hubSlaveTypes() const;
    std::uint16_t deviceRegister(std::uint8_t address) const { return m_registers[address]; }
    const BoardSettings& board() const { return m_board; }
    // Changed while it runs by the program's control commands.
    BoardSettings& board() { return m_board; }
    std::uint8_t lastCommand() const { return m_lastCommand; }
    std::uint32_t transfers() const { return m_transfers; }

private:
    void boot(SimTime now);
    void leaveBus(std::optional<SimTime> returnAt, bool bootloader);
    void command(std::span<const std::uint8_t> frame, SimTime now);
    void hubTransfer(std::span<const std::uint8_t> frame, SimTime now);
    void registerTransfer(std::span<const std::uint8_t> frame, SimTime now);
    void replyLater(std::vector<std::uint8_t> frame, SimTime readyAt);
    std::array<std::uint16_t, 4> debugWords() const;

    EepromImage m_eeprom;
    EepromImage m_bootImage;
    BoardSettings m_board;
    SimTime m_bootTime{0};
    bool m_attached = true;
    bool m_bootloader = false;
    std::optional<SimTime> m_returnAt;
    std::optional<SimTime> m_bootloaderStay;
    bool m_eepromChanged = false;

    std::optional<EepromImage> m_session;
    int m_sessionBlocks = 0;
    std::optional<std::uint16_t> m_corruptByte;

    std::vector<std::uint8_t> m_reply;   // what a get returns now
    std::vector<std::uint8_t> m_pending; // the next reply, once its wait is over
    SimTime m_pendingAt{0};

    bool m_hubPresent = true;
    std::array<std::array<std::uint8_t, 8>, 128> m_hub{};
    std::array<std::uint8_t, 4> m_hubStoredTypes{};
    std::int32_t m_stepper = 0;
    std::array<std::uint16_t, 256> m_registers{};
    bool m_registerWritten = false;
    std::uint8_t m_lastCommand = 0;
    std::uint32_t m_transfers = 0;
};

} // namespace volmar::sim
