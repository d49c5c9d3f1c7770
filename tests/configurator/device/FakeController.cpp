#include "FakeController.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

namespace volmar::test {

using namespace protocol;

int FakeFirmware::fault() {
    const int index = transfers();
    if (goneAfter >= 0 && index >= goneAfter) {
        return ENODEV;
    }
    return index == failAt ? EPIPE : 0;
}

int FakeFirmware::set(std::span<const std::uint8_t> report) {
    if (const int error = fault()) {
        log.push_back({clock.nowMs(), true, {}});
        return error;
    }
    log.push_back({clock.nowMs(), true, {report.begin(), report.end()}});
    if (report.size() != kFrameSize || report[0] != kCommandReportId) {
        return EINVAL;
    }
    std::copy(report.begin(), report.end(), lastRequest.begin());
    const int address = report[2] | (report[3] << 8);
    switch (static_cast<Command>(report[1])) {
    case Command::WriteBegin:
        pending = eeprom;
        break;
    case Command::WriteBlock:
        if (address + kBlockBytes <= pending.size()) {
            std::copy(report.begin() + 5, report.begin() + 37, pending.begin() + address);
        }
        break;
    case Command::WriteEnd:
        eeprom = pending;
        break;
    case Command::ClearConfig:
        eeprom.fill(0xFF);
        break;
    default:
        break;
    }
    return 0;
}

int FakeFirmware::get(std::span<std::uint8_t> report) {
    if (const int error = fault()) {
        log.push_back({clock.nowMs(), false, {}});
        return error;
    }
    std::fill(report.begin() + 1, report.end(), 0);
    if (report[0] == 2) {
        std::copy(live.begin() + 1, live.begin() + std::min(live.size(), report.size()),
                  report.begin() + 1);
    } else {
        const int address = lastRequest[2] | (lastRequest[3] << 8);
        switch (static_cast<Command>(lastRequest[1])) {
        case Command::ReadBlock:
            std::copy(lastRequest.begin(), lastRequest.begin() + 5, report.begin());
            std::copy(eeprom.begin() + address, eeprom.begin() + address + kBlockBytes,
                      report.begin() + 5);
            break;
        case Command::HubTransfer:
            report[1] = 20;
            if (lastRequest[5] == 0) {
                report[6] = hubIdentity;
            } else if (lastRequest[5] == 1) {
                std::copy(hubTypes.begin(), hubTypes.end(), report.begin() + 6);
            } else {
                report[5] = lastRequest[5];
                for (int i = 0; i < 8; ++i) {
                    report[6 + i] = static_cast<std::uint8_t>(lastRequest[6 + i] + 1);
                }
            }
            break;
        case Command::RegisterRead:
        case Command::RegisterReadFixed:
        case Command::RegisterWrite:
            report[5] = reg.address;
            report[6] = reg.low;
            report[7] = reg.high;
            report[8] = reg.reg;
            break;
        default:
            break;
        }
    }
    log.push_back({clock.nowMs(), false, {report.begin(), report.end()}});
    return 0;
}

std::vector<Transfer> FakeFirmware::sets() const {
    std::vector<Transfer> out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                 [](const Transfer& t) { return t.set; });
    return out;
}

namespace {

class FakeNode : public hid::HidNode {
public:
    explicit FakeNode(std::shared_ptr<FakeFirmware> firmware) : m_firmware(std::move(firmware)) {}
    Status setFeature(std::span<const std::uint8_t> report) override {
        return errnoStatus(m_firmware->set(report));
    }
    Status getFeature(std::span<std::uint8_t> report) override {
        return errnoStatus(m_firmware->get(report));
    }
    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) override {
        return errnoStatus(read(report, timeoutMs));
    }
    void cancelRead() override { m_cancelled = true; }

private:
    int read(std::vector<std::uint8_t>& report, int timeoutMs) {
        {
            std::lock_guard lock(m_firmware->inputMutex);
            if (!m_firmware->input.empty()) {
                report = m_firmware->input.front();
                m_firmware->input.pop_front();
                return 0;
            }
        }
        if (m_cancelled) {
            return ECANCELED;
        }
        // The reader thread waits here, never the test's thread.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
        return m_cancelled ? ECANCELED : ETIMEDOUT;
    }

    std::shared_ptr<FakeFirmware> m_firmware;
    std::atomic<bool> m_cancelled{false};
};

} // namespace

hid::CollectionInfo otherDevice(const std::string& id, std::uint16_t vid, std::uint16_t pid,
                                const std::string& product, const std::string& serial) {
    hid::CollectionInfo info;
    info.deviceId = id;
    info.path = "/fake/" + id;
    info.attributes = {vid, pid, 1};
    info.caps = {1, 6, 9, 2, 0};
    info.product = product;
    info.serial = serial;
    return info;
}

std::vector<hid::CollectionInfo> FakeBackend::enumerate() {
    std::vector<hid::CollectionInfo> list;
    hid::CollectionInfo base;
    base.path = "/fake/controller";
    base.attributes = {vid, pid, 0x0100};
    base.product = product;
    base.serial = serial;
    base.openable = openable;
    base.usesReportIds = true;
    base.openError = openable ? "" : "Permission denied";
    if (commandCollection) {
        hid::CollectionInfo command = base;
        command.deviceId = "controller/0";
        command.collectionIndex = 0;
        command.caps = {0xFF00, 1, 0, 0, 194};
        list.push_back(command);
    }
    hid::CollectionInfo joystick = base;
    joystick.deviceId = "controller/1";
    joystick.collectionIndex = 1;
    joystick.caps = {1, 4, 9, 0, 0};
    joystick.inputReportIds = {3};
    list.push_back(joystick);
    list.insert(list.end(), others.begin(), others.end());
    return list;
}

Result<std::unique_ptr<hid::HidNode>> FakeBackend::open(const std::string& path) {
    if (!openable && path == "/fake/controller") {
        return Error::fromErrno(EACCES);
    }
    return std::unique_ptr<hid::HidNode>(std::make_unique<FakeNode>(m_firmware));
}

RunOutcome FakeDocument::loadImage(const ConfigImage& image, bool) {
    m_image = image;
    ++loads;
    return {};
}

device::EncodeOutcome FakeDocument::encodeImage(bool) {
    ++encodes;
    device::EncodeOutcome out;
    out.refusal = refusal;
    m_image = toWrite;
    return out;
}

} // namespace volmar::test
