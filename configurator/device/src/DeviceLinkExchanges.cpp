// The command exchanges: each is a list of timed steps. Waits are the
// controller's contract and are kept exactly; what the configurator itself
// may skip (nothing) or must stop on (the first failed transfer of a block
// transfer) is decided here.
#include "volmar/device/DeviceLink.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/hid/HidController.h"

#include <algorithm>

namespace volmar::device {

using namespace protocol;

// ---------------------------------------------------------------------------
// Configuration read and write

bool DeviceLink::readConfiguration() {
    if (busy()) {
        return false;
    }
    versionCheck();
    beginWith(Operation::Read, kExchangeWaitMs, AtEnd::SetLinkReady);
    const std::string caption = m_lng->btnRead_MK;
    addProgressOpen(0, caption);
    for (int block = 0; block < m_geometry.blockCount; ++block) {
        const int address = m_geometry.blockAddress(block);
        addSet(
            0,
            [this, caption, address] {
                m_observer.progressStep(blockProgressText(caption, address));
                return readBlockFrame(address);
            },
            readRequestFailed);
        addGet(kBlockReplyWaitMs, readBlockFrame(address), readReplyFailed,
               [this, address](const Frame& reply) {
                   const auto data = blockData(reply);
                   std::copy(data.begin(), data.end(), m_current.image.begin() + address);
                   return true;
               });
        m_runner.wait(kBlockReplyWaitMs);
    }
    // Only a complete read replaces the configuration and ConfigImage.
    m_runner.then(0, [this] {
        const RunOutcome outcome = m_document.loadImage(m_current.image, m_configDevice != nullptr);
        closeProgress();
        show(outcome);
        m_observer.configurationLoaded();
        return true;
    });
    return true;
}

bool DeviceLink::writeConfiguration() {
    if (busy()) {
        return false;
    }
    versionCheck();
    m_linkReady = false;
    // Validate and encode before anything is sent: an invalid configuration
    // must not leave the controller with write begin and no blocks.
    const EncodeOutcome encoded = m_document.encodeImage(m_configDevice != nullptr);
    show(encoded.run);
    if (!encoded.ok()) {
        m_observer.showMessage(encoded.refusal);
        // Ends like every other exchange: from the event loop, once.
        startExchange(Operation::Write, AtEnd::LeaveLinkClear, WhenMissing::ShowNotConnected);
        m_runner.then(0, [this] {
            m_current.outcome = Outcome::Refused;
            return false;
        });
        return true;
    }
    // A backup read first waits as every read does.
    const bool backup = !m_safety.backupFolder.empty();
    if (!beginWith(Operation::Write, backup ? kExchangeWaitMs : 0, AtEnd::LeaveLinkClear)) {
        return false;
    }
    m_current.image = m_document.image(); // the blocks come from this snapshot
    if (backup) {
        addBackupRead();
    } else {
        addWriteBlocks();
    }
    // LinkReady stays clear: polling resumes after the next connection or read.
    return true;
}

void DeviceLink::addWriteBlocks() {
    addSet(
        0, [] { return commandFrame(Command::WriteBegin); }, writeBlockFailed);
    const std::string caption = m_lng->btnWrite_MK;
    addProgressOpen(kExchangeWaitMs, caption);
    for (int block = 0; block < m_geometry.blockCount; ++block) {
        const int address = m_geometry.blockAddress(block);
        // A failed block ends the write: write end would mark a half-written
        // image complete.
        addSet(
            0,
            [this, caption, address] {
                m_observer.progressStep(blockProgressText(caption, address));
                return writeBlockFrame(address, std::span<const std::uint8_t, kBlockBytes>(
                                                    m_current.image.data() + address, kBlockBytes));
            },
            writeBlockFailed);
        m_runner.wait(kBlockReplyWaitMs);
    }
    addTransfer(
        0, Transfer::Set,
        [this] {
            closeProgress();
            return commandFrame(Command::WriteEnd);
        },
        writeBlockFailed,
        [this](const Frame&) {
            if (m_safety.verify) {
                addReadBack();
            }
            return true;
        });
}

// ---------------------------------------------------------------------------
// Single commands

bool DeviceLink::sendCommand(Operation op, Command command, WhenMissing whenMissing) {
    if (!beginWith(op, kExchangeWaitMs, AtEnd::LeaveLinkClear, whenMissing)) {
        return false;
    }
    addSet(
        0, [command] { return commandFrame(command); },
        [op](std::string_view error) {
            return std::string(operationName(op)) + " failed [" + std::string(error) + "]";
        });
    m_runner.wait(kExchangeWaitMs);
    return true;
}

void DeviceLink::dropDevicesAfterCommand() {
    // The controller leaves the bus; the references go now, the display
    // follows with the device change.
    m_runner.then(0, [this] {
        m_configDevice = nullptr;
        m_joystickDevice = nullptr;
        return true;
    });
}

bool DeviceLink::restart() {
    if (!sendCommand(Operation::Restart, Command::Restart, WhenMissing::ShowNotConnected)) {
        return false;
    }
    dropDevicesAfterCommand();
    return true;
}

// Without a controller, clear and bootloader lock the firmware buttons.
bool DeviceLink::clearConfiguration() {
    return sendCommand(Operation::Clear, Command::ClearConfig, WhenMissing::LockFirmwareButtons);
}

bool DeviceLink::startBootloader() {
    if (!sendCommand(Operation::Bootloader, Command::StartBootloader,
                     WhenMissing::LockFirmwareButtons)) {
        return false;
    }
    dropDevicesAfterCommand();
    return true;
}

// ---------------------------------------------------------------------------
// Sensor hub, register device, stepper

void DeviceLink::requestAndFetch(const Frame& request, int waitMs, Frame fetch,
                                 std::function<bool(const Frame&)> use) {
    addSet(
        0, [request] { return request; }, readRequestFailed);
    // A failed get must not read as a zero answer.
    addGet(waitMs, fetch, readReplyFailed, std::move(use));
}

void DeviceLink::addHubIdentityCheck(HubIdentity shown) {
    requestAndFetch(hubIdentityRequest(), kHubReplyWaitMs, hubIdentityFetch(),
                    [this, shown](const Frame& reply) {
                        const std::uint8_t identity = hubIdentityOf(reply);
                        if (identity != kHubIdentity) {
                            m_observer.showMessage(hubIdentityMessage(identity));
                            m_current.outcome = Outcome::Failed;
                            return false;
                        }
                        if (shown == HubIdentity::Announce) {
                            m_observer.showMessage(hubIdentityMessage(identity));
                        }
                        return true;
                    });
}

bool DeviceLink::hubCheck() {
    if (!beginWith(Operation::HubCheck, kExchangeWaitMs, AtEnd::SetLinkReady)) {
        return false;
    }
    addHubIdentityCheck(HubIdentity::Announce);
    m_runner.wait(kExchangeWaitMs);
    return true;
}

bool DeviceLink::hubLoad() {
    if (!beginWith(Operation::HubLoad, kExchangeWaitMs, AtEnd::SetLinkReady)) {
        return false;
    }
    addHubIdentityCheck(HubIdentity::Quiet);
    requestAndFetch(hubLoadRequest(), kHubReplyWaitMs, hubLoadFetch(), [this](const Frame& reply) {
        const auto types = hubTypesOf(reply);
        const RunOutcome outcome = m_document.setHubTypes(types, m_configDevice != nullptr);
        m_observer.hubTypesLoaded(types);
        show(outcome);
        return true;
    });
    m_runner.wait(kExchangeWaitMs);
    return true;
}

bool DeviceLink::hubSave() {
    if (!beginWith(Operation::HubSave, kExchangeWaitMs, AtEnd::SetLinkReady)) {
        return false;
    }
    addHubIdentityCheck(HubIdentity::Quiet);
    addSet(
        0, [this] { return hubSaveRequest(m_document.hubTypes()); }, readRequestFailed);
    addSet(
        kHubReplyWaitMs, [] { return hubSaveCommit(); }, readRequestFailed);
    m_runner.wait(kHubReplyWaitMs);
    m_runner.wait(kExchangeWaitMs);
    return true;
}

bool DeviceLink::hubRawTransfer(const HubRawRequest& request) {
    if (!beginWith(Operation::HubRaw, kExchangeWaitMs, AtEnd::SetLinkReady)) {
        return false;
    }
    requestAndFetch(hubRawRequest(request.length, request.start, request.data), kHubReplyWaitMs,
                    hubRawFetch(request.length), [this](const Frame& reply) {
                        m_observer.hubRawReply(hubRawOf(reply));
                        return true;
                    });
    m_runner.wait(kExchangeWaitMs);
    return true;
}

bool DeviceLink::registerExchange(Operation op, const Frame& request, int aroundMs) {
    if (!beginWith(op, aroundMs, AtEnd::SetLinkReady)) {
        return false;
    }
    requestAndFetch(request, kRegisterReplyWaitMs, registerFetch(), [this](const Frame& reply) {
        m_observer.registerReply(registerReplyOf(reply));
        return true;
    });
    m_runner.wait(aroundMs);
    return true;
}

bool DeviceLink::registerRead(std::uint8_t address) {
    return registerExchange(Operation::RegisterRead, registerReadRequest(address), kRegisterWaitMs);
}

bool DeviceLink::registerReadFixed() {
    return registerExchange(Operation::RegisterReadFixed, registerReadFixedRequest(),
                            kRegisterWaitMs);
}

bool DeviceLink::registerWrite(std::uint8_t address, std::uint8_t low, std::uint8_t high) {
    return registerExchange(Operation::RegisterWrite, registerWriteRequest(address, low, high),
                            kExchangeWaitMs);
}

bool DeviceLink::stepperMove(int steps) {
    if (!beginWith(Operation::StepperMove, kExchangeWaitMs, AtEnd::SetLinkReady)) {
        return false;
    }
    addSet(
        0, [steps] { return stepperMoveFrame(steps); }, readRequestFailed);
    m_runner.wait(kExchangeWaitMs);
    return true;
}

// ---------------------------------------------------------------------------
// Live data

LivePoll DeviceLink::pollLiveData() {
    LivePoll poll;
    if (!m_linkReady || busy()) {
        return poll;
    }
    if (!m_configDevice) {
        showNotConnected();
        poll.status = LivePoll::Status::NotConnected;
        return poll;
    }
    auto report = live::requestBuffer();
    if (const Status got = m_configDevice->getFeature(report); !got) {
        poll.status = LivePoll::Status::Failed;
        poll.error = got.error().text;
        return poll;
    }
    if (const auto data = live::decodeLiveData(report)) {
        poll.status = LivePoll::Status::Data;
        poll.data = *data;
    } else {
        poll.status = LivePoll::Status::NoData;
    }
    return poll;
}

} // namespace volmar::device
