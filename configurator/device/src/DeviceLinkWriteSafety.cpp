// What a write adds around its frames: the backup of the controller's
// configuration before write begin, and the read-back after write end. Both
// are the ordinary block reads with the controller's waits, inside the
// write's exchange, so LinkReady stays clear all along and no live poll
// comes between them.
#include "volmar/core/Backups.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/WriteCheck.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

namespace volmar::device {

using namespace protocol;

namespace {

constexpr const char* kBackupCaption = "Backup of the controller's configuration";
constexpr const char* kVerifyCaption = "Reading the write back";

} // namespace

void DeviceLink::addChainedRead(const ChainedRead& read, int block, int waitMs) {
    const int address = m_geometry.blockAddress(block);
    if (block == 0) {
        addProgressOpen(waitMs, read.caption);
        waitMs = 0;
    }
    addTransferOr(
        waitMs, Transfer::Set,
        [this, read, address] {
            m_observer.progressStep(blockProgressText(read.caption, address));
            return readBlockFrame(address);
        },
        [read](const std::string& error) { return read.failed(readRequestFailed(error)); },
        [this, read, block, address](const Frame&) {
            addTransferOr(
                kBlockReplyWaitMs, Transfer::Get, [address] { return readBlockFrame(address); },
                [read](const std::string& error) { return read.failed(readReplyFailed(error)); },
                [this, read, block, address](const Frame& reply) {
                    const auto data = blockData(reply);
                    std::copy(data.begin(), data.end(), m_current.other.begin() + address);
                    if (block + 1 < m_geometry.blockCount) {
                        addChainedRead(read, block + 1, kBlockReplyWaitMs);
                    } else {
                        m_runner.then(kBlockReplyWaitMs, [read] {
                            read.done();
                            return true;
                        });
                    }
                    return true;
                });
            return true;
        });
}

void DeviceLink::addBackupRead() {
    addChainedRead({kBackupCaption,
                    [this](const std::string& message) { return backupReadFailed(message); },
                    [this] { keepBackupAndWrite(); }},
                   0, 0);
}

bool DeviceLink::backupReadFailed(const std::string& message) {
    closeProgress();
    m_observer.showMessage(message + "\nNo backup was kept; the configuration is written all the "
                                     "same.");
    addWriteBlocks();
    return true;
}

void DeviceLink::keepBackupAndWrite() {
    closeProgress();
    BackupName name;
    name.time = backupTimeOf(std::chrono::system_clock::now());
    name.vid = m_selectedVid;
    name.pid = m_selectedPid;
    name.product = m_current.device ? m_current.device->productName() : std::string();
    // The files are written where the transfers run, so the window never
    // waits on the disk.
    auto kept = std::make_shared<std::optional<Result<KeptBackup>>>();
    m_runner.thenTransfer(
        0, [] { return true; },
        [kept, folder = m_safety.backupFolder, name, read = m_current.other, lng = *m_lng] {
            kept->emplace(keepBackup(folder, name, read, lng));
        },
        [this, kept] {
            const Result<KeptBackup>& result = **kept;
            if (!result) {
                m_observer.showMessage("No backup was kept: " + result.error().text +
                                       "\nThe configuration is written all the same.");
            } else {
                m_observer.backupKept(result->file.string());
                if (!result->note.empty()) {
                    m_observer.showMessage(result->note);
                }
            }
            addWriteBlocks();
            return true;
        });
}

void DeviceLink::addReadBack() {
    addChainedRead(
        {kVerifyCaption, [this](const std::string& message) { return readBackFailed(message); },
         [this] {
             closeProgress();
             WriteCheck check;
             check.differing = differingAddresses(m_current.image, m_current.other, kConfigBytes);
             check.result = check.differing.empty() ? WriteCheck::Result::Verified
                                                    : WriteCheck::Result::Differs;
             check.text = verifyStatusText(check.differing, kConfigBytes);
             m_observer.writeChecked(check);
         }},
        0, kExchangeWaitMs);
}

bool DeviceLink::readBackFailed(const std::string& message) {
    const bool goOn = transferFailed(message);
    WriteCheck check;
    check.text = "Write not verified: reading it back failed";
    m_observer.writeChecked(check);
    return goOn;
}

} // namespace volmar::device
