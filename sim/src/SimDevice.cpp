#include "volmar/sim/SimDevice.h"

#include <cerrno>
#include <cstdio>

namespace volmar::sim {

namespace {

vhid::Message replyTo(const vhid::Message& request, int status,
                      std::span<const std::uint8_t> report) {
    vhid::Message m;
    m.type = request.type == vhid::MsgType::SetFeature ? vhid::MsgType::SetFeatureReply
                                                       : vhid::MsgType::GetFeatureReply;
    m.tag = request.tag;
    const bool withReport = m.type == vhid::MsgType::GetFeatureReply && status == 0;
    m.payload.assign(4 + (withReport ? report.size() : 0), 0);
    const auto s = static_cast<std::uint32_t>(status);
    for (std::size_t i = 0; i < 4; ++i) {
        m.payload[i] = static_cast<std::uint8_t>(s >> (8 * i));
    }
    for (std::size_t i = 0; withReport && i < report.size(); ++i) {
        m.payload[4 + i] = report[i];
    }
    return m;
}

} // namespace

std::string formatLogLine(SimTime sinceStart, bool set, std::span<const std::uint8_t> report) {
    static const char* hex = "0123456789ABCDEF";
    const long long us = sinceStart.count();
    char stamp[48];
    std::snprintf(stamp, sizeof(stamp), "%lld.%03lld", us / 1000, us % 1000);
    std::string line = stamp;
    line += set ? " SET " : " GET ";
    for (std::uint8_t b : report) {
        line.push_back(hex[b >> 4]);
        line.push_back(hex[b & 0x0F]);
    }
    return line;
}

SimDevice::SimDevice(Firmware& firmware, Faults faults, Persist persist)
    : m_firmware(firmware), m_faults(faults), m_persist(std::move(persist)),
      m_random(faults.seed == 0 ? 1 : faults.seed) {}

std::uint32_t SimDevice::nextRandom() {
    // xorshift32: reproducible garbage for a given seed
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random;
}

Outcome SimDevice::handle(const vhid::Message& request, SimTime now) {
    Outcome out;
    out.sendAt = now + m_faults.replyDelay;
    if (request.type == vhid::MsgType::SetFeature) {
        const std::span<const std::uint8_t> report(request.payload);
        int status = EPIPE;
        if (!m_faults.failSet) {
            status = m_firmware.setFeature(report, now).status;
            if (status == 0 && m_firmware.takeEepromChanged() && m_persist) {
                status = m_persist(m_firmware.eeprom());
            }
        }
        out.reply = replyTo(request, status, {});
        out.logLine = formatLogLine(now, true, report);
    } else if (request.type == vhid::MsgType::GetFeature && request.payload.size() == 3) {
        const std::uint8_t id = request.payload[0];
        const std::size_t length = request.payload[1] | (request.payload[2] << 8);
        FeatureReply r{EPIPE, {}};
        if (!m_faults.failGet) {
            r = m_firmware.getFeature(id, length, now);
        }
        if (r.status == 0 && m_faults.garbageReplies) {
            for (std::size_t i = 1; i < r.report.size(); ++i) {
                r.report[i] = static_cast<std::uint8_t>(nextRandom());
            }
        }
        out.reply = replyTo(request, r.status, r.report);
        // A failed get returns nothing: the line then shows the requested id.
        const std::uint8_t idOnly[] = {id};
        out.logLine = formatLogLine(now, false,
                                    r.status == 0 ? std::span<const std::uint8_t>(r.report)
                                                  : std::span<const std::uint8_t>(idOnly));
    } else {
        return out;
    }
    ++m_transfers;
    if (m_faults.unplugAfterFrames && m_transfers >= *m_faults.unplugAfterFrames) {
        out.unplug = true;
    }
    return out;
}

vhid::DeviceInfo deviceInfo(const Firmware& firmware, const IdentityOverrides& overrides,
                            const std::vector<std::uint8_t>& reportDescriptor) {
    const Identity id = identityOf(firmware.bootImage());
    vhid::DeviceInfo info;
    info.vendorId = overrides.vendorId.value_or(id.vendorId);
    info.productId = overrides.productId.value_or(id.productId);
    info.product = overrides.product.value_or(id.product);
    info.serial = overrides.serial;
    info.manufacturer = kManufacturer;
    info.version = kDeviceVersion;
    info.reportDescriptor = reportDescriptor;
    return info;
}

} // namespace volmar::sim
