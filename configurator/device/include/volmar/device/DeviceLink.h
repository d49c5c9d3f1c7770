#pragma once

// The configurator's link to its controller: which HID collections are the
// controller (chosen by the VID/PID of a clicked device list line), the
// connection display, and every command exchange. Exchanges run as timed
// steps on a Scheduler, so the event loop keeps running while they wait;
// everything a user sees goes through a LinkObserver.
//
// LinkReady allows the live poll; every exchange clears it for its whole
// length. Only one exchange runs at a time.

#include "volmar/core/LiveData.h"
#include "volmar/core/Protocol.h"
#include "volmar/device/ConfigDocument.h"
#include "volmar/device/ExchangeRunner.h"
#include "volmar/device/LinkObserver.h"
#include "volmar/device/Scheduler.h"
#include "volmar/hid/HidController.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace volmar {
struct TRecordLng;
}

namespace volmar::device {

// Result of one live-data poll.
struct LivePoll {
    enum class Status {
        Skipped,      // LinkReady is clear (or an exchange runs): nothing asked
        NotConnected, // no controller: the not-connected display was shown
        Failed,       // the get failed; `error` holds the system text
        NoData,       // the controller answered "no data" (byte 1 = 0)
        Data,
    };
    Status status = Status::Skipped;
    live::LiveData data;
    std::string error;
};

// What a write adds around its blocks.
struct WriteSafety {
    // Before write begin the controller's configuration is read with the
    // ordinary block reads and kept here (core keepBackup()); empty: no
    // backup. A read that fails keeps nothing, says so and the write goes on.
    std::filesystem::path backupFolder;
    // After write end (and the 500 ms every exchange leaves the controller)
    // the configuration is read back and compared with what was sent.
    bool verify = false;
};

// Inputs of a hub raw transfer, as the tool's edits give them.
struct HubRawRequest {
    std::uint8_t length = 0;
    std::uint8_t start = 0; // see protocol::hubRawStartByte
    std::array<std::uint8_t, protocol::kHubDataBytes> data{};
};

class DeviceLink : public QObject {
    Q_OBJECT
public:
    DeviceLink(hid::HidController& hid, Scheduler& scheduler, ConfigDocument& document,
               const TRecordLng& lng, LinkObserver& observer, QObject* parent = nullptr);
    ~DeviceLink() override;

    // --- state, as the rest of the configurator reads it -------------------
    std::uint16_t SelectedVid() const { return m_selectedVid; }
    std::uint16_t SelectedPid() const { return m_selectedPid; }
    hid::HidDevice* ConfigDevice() const { return m_configDevice; }
    hid::HidDevice* JoystickDevice() const { return m_joystickDevice; }
    const std::string& FirmwareVersion() const { return m_firmwareVersion; }
    bool LinkReady() const { return m_linkReady; }
    std::int32_t ReportCounter() const { return m_reportCounter; }
    const DisplayState& display() const { return m_display; }
    const std::vector<std::string>& deviceLines() const { return m_lines; }
    int selectedLine() const { return m_selectedLine; }
    // Why line `index` cannot be used (its device cannot be opened, with the
    // hint how to grant access); empty when it can.
    const std::string& lineProblem(int index) const { return m_lineProblems.at(index); }
    // Why the chosen controller could not be connected at the last click
    // (no access, or another program holds it), as shown with showMessage();
    // empty when nothing stood in the way.
    const std::string& connectionProblem() const { return m_unopenable; }
    bool busy() const { return m_runner.busy(); }

    // The language record changed (language switch): later messages use it,
    // and the connection line shows its text at once.
    void setLanguage(const TRecordLng& lng);

    // --- connection ---------------------------------------------------------
    // A click on line `index` of the device list (-1: no line selected).
    void lstHID_DeviceListClick(int index);
    // The same for given ids, as if their line had been clicked.
    void selectDevice(std::uint16_t vid, std::uint16_t pid);
    // "Update USB list": forget the chosen ids and rebuild the list.
    void btn_clr_dev_listClick();
    // After every change of the HID device list (connected to the controller).
    void HIDDeviceChange();
    // The per-second tick: returns ReportCounter, every report read so far
    // counted, and sets it to 0.
    std::int32_t takeReportCounter();
    // The not-connected display, as every operation that finds no
    // controller shows it (also validation without a controller).
    void showNotConnected();

    // --- exchanges: false when another exchange is still running -----------
    bool readConfiguration();  // "Load sets from device"
    bool writeConfiguration(); // "Save sets to device"
    bool restart();
    bool clearConfiguration();
    bool startBootloader();
    bool hubCheck();
    bool hubLoad();
    bool hubSave();
    bool hubRawTransfer(const HubRawRequest& request);
    bool registerRead(std::uint8_t address);
    bool registerReadFixed();
    bool registerWrite(std::uint8_t address, std::uint8_t low, std::uint8_t high);
    bool stepperMove(int steps);

    // The live-data poll of the monitor tick (one 194-byte get, no wait).
    LivePoll pollLiveData();

    // Where feature transfers of the exchanges run: inline by default (as the
    // virtual scheduler needs); the window and volmarctl give a
    // WorkerExecutor, so a slow controller never blocks the event loop. Set
    // it before the first exchange; it must outlive the link.
    void setTransferExecutor(TransferExecutor& executor);

    // The backup before and the read-back after every write; off unless set.
    void setWriteSafety(WriteSafety safety) { m_safety = std::move(safety); }
    const WriteSafety& writeSafety() const { return m_safety; }

    // Where the block transfer stands: the geometry of the three regions.
    void setRegions(const protocol::ImageRegions& regions);
    const protocol::BlockGeometry& geometry() const { return m_geometry; }

private slots:
    void HIDDeviceData();
    // A device the link took has gone; when its controller went with it, the
    // link is its holder and deletes it.
    void takenDeviceGone(volmar::hid::HidDevice* device);

private:
    bool HIDEnumerate(hid::HidDevice* device);
    bool takeDevice(hid::HidDevice* device);
    void enumerateAll();
    void releaseUnchosen();
    void showConnected(std::uint16_t vid, std::uint16_t pid, const std::string& product);
    void lockFirmwareButtons();
    void publishDisplay();
    void publishList();
    void show(const RunOutcome& outcome);
    void versionCheck();

    // Exchange plumbing. How an exchange ends when it went through: with the
    // live poll allowed again, or with LinkReady left clear.
    enum class AtEnd { LeaveLinkClear, SetLinkReady };
    // What an exchange shows when there is no controller to talk to.
    enum class WhenMissing { ShowNotConnected, LockFirmwareButtons };
    enum class Transfer { Set, Get };
    // beginWith() starts the runner, clears LinkReady and adds the first wait
    // and the controller check; false while busy.
    bool startExchange(Operation op, AtEnd atEnd, WhenMissing whenMissing);
    bool beginWith(Operation op, int firstWaitMs, AtEnd atEnd,
                   WhenMissing whenMissing = WhenMissing::ShowNotConnected);
    bool requireDevice();
    void finishExchange(bool completed);
    // Adds the step that opens the progress window `waitMs` after the one before.
    void addProgressOpen(int waitMs, const std::string& caption);
    void closeProgress();
    using FailText = std::function<std::string(std::string_view systemText)>;
    // A feature set of the frame `make` builds when the step runs, or a get
    // of `fetch`; a failed transfer ends the exchange with fail's message,
    // a good reply goes to `use`.
    void addTransfer(int waitMs, Transfer kind, std::function<protocol::Frame()> make,
                     FailText fail, std::function<bool(const protocol::Frame&)> use);
    void addSet(int waitMs, std::function<protocol::Frame()> make, FailText fail);
    void addGet(int waitMs, protocol::Frame fetch, FailText fail,
                std::function<bool(const protocol::Frame&)> use);
    // The same with its own handling of a failed transfer: `failed` gets the
    // system text and decides whether the exchange goes on.
    void addTransferOr(int waitMs, Transfer kind, std::function<protocol::Frame()> make,
                       std::function<bool(const std::string& systemText)> failed,
                       std::function<bool(const protocol::Frame&)> use);
    bool transferFailed(const std::string& message);
    // The write's own frames: write begin, the blocks, write end.
    void addWriteBlocks();
    // The 21 block reads into m_current.other, block by block: each answer
    // adds the next request, so a failure (handed to `failed`, which decides
    // whether the exchange goes on) ends the reads alone; `done` follows the
    // last block's wait.
    struct ChainedRead {
        const char* caption; // of the progress popup
        std::function<bool(const std::string& message)> failed;
        std::function<void()> done;
    };
    void addChainedRead(const ChainedRead& read, int block, int waitMs);
    // The backup before a write; the write follows it, whatever became of it.
    void addBackupRead();
    bool backupReadFailed(const std::string& message);
    void keepBackupAndWrite();
    // The read-back after write end, then the comparison.
    void addReadBack();
    bool readBackFailed(const std::string& message);
    bool sendCommand(Operation op, protocol::Command command, WhenMissing whenMissing);
    void requestAndFetch(const protocol::Frame& request, int waitMs, protocol::Frame fetch,
                         std::function<bool(const protocol::Frame&)> use);
    // A wrong identity always shows its message; a right one only when asked.
    enum class HubIdentity { Quiet, Announce };
    void addHubIdentityCheck(HubIdentity shown);
    void dropDevicesAfterCommand();
    bool registerExchange(Operation op, const protocol::Frame& request, int aroundMs);

    hid::HidController& m_hid;
    Scheduler& m_scheduler;
    ConfigDocument& m_document;
    const TRecordLng* m_lng;
    LinkObserver& m_observer;
    ExchangeRunner m_runner;

    std::uint16_t m_selectedVid = 0;
    std::uint16_t m_selectedPid = 0;
    QPointer<hid::HidDevice> m_configDevice;
    QPointer<hid::HidDevice> m_joystickDevice;
    // Every device the link has checked out: given back when it is no longer
    // the chosen controller's, or when the link goes.
    std::vector<QPointer<hid::HidDevice>> m_taken;
    std::string m_firmwareVersion;
    bool m_linkReady = false;
    std::int32_t m_reportCounter = 0;
    DisplayState m_display;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_lineProblems; // parallel to m_lines
    int m_selectedLine = -1;
    std::string m_unopenable; // why the chosen controller could not be taken
    protocol::BlockGeometry m_geometry = protocol::standardGeometry();
    WriteSafety m_safety;

    // The running exchange.
    struct Current {
        Operation op = Operation::Read;
        Outcome outcome = Outcome::Completed;
        QPointer<hid::HidDevice> device; // the controller the exchange talks to
        std::uint64_t generation = 0;    // device changes seen when it started
        AtEnd atEnd = AtEnd::LeaveLinkClear;
        WhenMissing whenMissing = WhenMissing::ShowNotConnected;
        bool progressOpen = false;
        ConfigImage image{}; // blocks read, or the image being written
        ConfigImage other{}; // a write's backup read, then its read-back
        protocol::Frame frame{};
    } m_current;
    std::uint64_t m_deviceChanges = 0;
};

} // namespace volmar::device
