#include "volmar/sim/Firmware.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace volmar::sim {

namespace {

std::vector<std::uint8_t> emptyFrame() {
    std::vector<std::uint8_t> f(kFrameSize, 0);
    f[0] = 1;
    return f;
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> report, std::size_t length) {
    if (report.size() > length) {
        report.resize(length);
    }
    return report;
}

} // namespace

Firmware::Firmware(const EepromImage& eeprom, BoardSettings board, SimTime now)
    : m_eeprom(eeprom), m_bootImage(eeprom), m_board(std::move(board)) {
    m_hub[0][0] = kHubIdentity;
    boot(now);
}

void Firmware::boot(SimTime now) {
    m_bootImage = m_eeprom;
    m_bootTime = now;
    m_attached = true;
    m_returnAt.reset();
    m_session.reset();
    m_sessionBlocks = 0;
    m_reply = emptyFrame();
    m_pending.clear();
    // The hub keeps only what was stored; the stepper driver and the
    // register device start from zero, as after a power cycle.
    std::copy(m_hubStoredTypes.begin(), m_hubStoredTypes.end(), m_hub[1].begin());
    std::fill(m_hub[1].begin() + 4, m_hub[1].end(), 0);
    m_stepper = 0;
    m_registers.fill(0);
    m_registerWritten = false;
}

void Firmware::leaveBus(std::optional<SimTime> returnAt, bool bootloader) {
    m_attached = false;
    m_bootloader = bootloader;
    m_returnAt = returnAt;
    m_session.reset(); // a write never finished is lost with the RAM copy
    m_sessionBlocks = 0;
}

bool Firmware::advance(SimTime now) {
    if (m_attached || !m_returnAt || now < *m_returnAt) {
        return false;
    }
    boot(now);
    return true;
}

bool Firmware::takeEepromChanged() {
    const bool changed = m_eepromChanged;
    m_eepromChanged = false;
    return changed;
}

std::array<std::uint8_t, 4> Firmware::hubSlaveTypes() const {
    return {m_hub[1][0], m_hub[1][1], m_hub[1][2], m_hub[1][3]};
}

FeatureReply Firmware::setFeature(std::span<const std::uint8_t> report, SimTime now) {
    ++m_transfers;
    if (!m_attached) {
        return {ENODEV, {}};
    }
    if (report.size() != kFrameSize || report[0] != 1) {
        return {EPIPE, {}};
    }
    command(report, now);
    return {0, {}};
}

FeatureReply Firmware::getFeature(std::uint8_t reportId, std::size_t length, SimTime now) {
    ++m_transfers;
    if (!m_attached) {
        return {ENODEV, {}};
    }
    if (reportId == 1) {
        if (!m_pending.empty() && now >= m_pendingAt) {
            m_reply = std::move(m_pending);
            m_pending.clear();
        }
        return {0, cut(m_reply, length)};
    }
    if (reportId == 2) {
        return {0,
                cut(liveDataReport(m_bootImage, m_board, now - m_bootTime, debugWords()), length)};
    }
    return {EPIPE, {}};
}

// Without fixed words from the command line the debug line shows the
// firmware's own counters: transfers, stepper position, last command and
// blocks received in the open write session.
std::array<std::uint16_t, 4> Firmware::debugWords() const {
    if (m_board.debugWords) {
        return *m_board.debugWords;
    }
    return {static_cast<std::uint16_t>(m_transfers), static_cast<std::uint16_t>(m_stepper),
            m_lastCommand, static_cast<std::uint16_t>(m_sessionBlocks)};
}

void Firmware::replyLater(std::vector<std::uint8_t> frame, SimTime readyAt) {
    m_pending = std::move(frame);
    m_pendingAt = readyAt;
}

void Firmware::command(std::span<const std::uint8_t> frame, SimTime now) {
    const std::uint8_t code = frame[1];
    m_lastCommand = code;
    const std::size_t address = frame[2] | (frame[3] << 8);
    const std::size_t count = frame[4];
    switch (code) {
    case cmd::ReadBlock: {
        std::vector<std::uint8_t> reply = emptyFrame();
        std::copy(frame.begin() + 1, frame.begin() + 5, reply.begin() + 1);
        for (std::size_t i = 0; i < 32; ++i) {
            reply[5 + i] = address + i < kEepromSize ? m_eeprom[address + i] : 0;
        }
        replyLater(std::move(reply), now + kBlockReplyWait);
        break;
    }
    case cmd::WriteBegin:
        m_session = m_eeprom;
        m_sessionBlocks = 0;
        break;
    case cmd::WriteBlock:
        if (m_session && count >= 1 && count <= 32 && address + count <= image::kWritableEnd) {
            std::copy(frame.begin() + 5, frame.begin() + 5 + static_cast<long>(count),
                      m_session->begin() + static_cast<long>(address));
            ++m_sessionBlocks;
        }
        break;
    case cmd::WriteEnd:
        if (m_session) {
            m_eeprom = *m_session;
            if (m_corruptByte && *m_corruptByte < m_eeprom.size()) {
                m_eeprom[*m_corruptByte] = static_cast<std::uint8_t>(~(*m_session)[*m_corruptByte]);
            }
            m_session.reset();
            m_eepromChanged = true;
        }
        break;
    case cmd::ClearConfig:
        m_eeprom = erasedEeprom();
        m_session.reset();
        m_sessionBlocks = 0;
        m_eepromChanged = true;
        break;
    case cmd::Restart:
        leaveBus(now + kRestartAbsence, false);
        break;
    case cmd::Bootloader:
        leaveBus(m_bootloaderStay ? std::optional<SimTime>(now + *m_bootloaderStay) : std::nullopt,
                 true);
        break;
    case cmd::HubTransfer:
        hubTransfer(frame, now);
        break;
    case cmd::StepperMove: {
        // The position stops at the ends of its range: a host that keeps
        // sending moves in one direction must not make it overflow.
        const std::int64_t moved =
            std::int64_t{m_stepper} + static_cast<std::int16_t>(frame[5] | (frame[6] << 8));
        m_stepper = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(moved, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()));
        break;
    }
    case cmd::RegisterReadFixed:
    case cmd::RegisterRead:
    case cmd::RegisterWrite:
        registerTransfer(frame, now);
        break;
    default:
        break;
    }
}

void Firmware::hubTransfer(std::span<const std::uint8_t> frame, SimTime now) {
    const std::size_t n = frame[4];
    const std::uint8_t first = frame[5];
    const std::size_t dataBytes = std::min<std::size_t>(n > 0 ? n - 1 : 0, 8);
    std::vector<std::uint8_t> reply = emptyFrame();
    reply[1] = cmd::HubTransfer;
    reply[4] = frame[4];
    reply[5] = first;
    if (m_hubPresent && n > 0) {
        const std::size_t reg = first & 0x7F;
        const bool write = (first & 0x80) != 0;
        if (write && reg == kHubStoreRegister) {
            std::copy(m_hub[1].begin(), m_hub[1].begin() + 4, m_hubStoredTypes.begin());
        } else if (write && reg != 0) {
            std::copy(frame.begin() + 6, frame.begin() + 6 + static_cast<long>(dataBytes),
                      m_hub[reg].begin());
        }
        std::copy(m_hub[reg].begin(), m_hub[reg].begin() + static_cast<long>(dataBytes),
                  reply.begin() + 6);
    }
    replyLater(std::move(reply), now + kHubReplyWait);
}

void Firmware::registerTransfer(std::span<const std::uint8_t> frame, SimTime now) {
    const std::uint8_t code = frame[1];
    const std::uint8_t address = code == cmd::RegisterReadFixed ? 0 : frame[5];
    m_registerWritten = code == cmd::RegisterWrite;
    if (m_registerWritten) {
        m_registers[address] = static_cast<std::uint16_t>(frame[6] | (frame[7] << 8));
    }
    std::vector<std::uint8_t> reply = emptyFrame();
    reply[1] = code;
    reply[5] = address;
    reply[6] = static_cast<std::uint8_t>(m_registers[address] & 0xFF);
    reply[7] = static_cast<std::uint8_t>(m_registers[address] >> 8);
    reply[8] = static_cast<std::uint8_t>(0x01 | (m_registerWritten ? 0x02 : 0x00));
    replyLater(std::move(reply), now + kRegisterReplyWait);
}

} // namespace volmar::sim
