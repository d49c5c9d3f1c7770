#pragma once

// A controller stand-in behind the HID layer's backend interface: one node
// with the controller's two collections (commands, joystick) and a firmware
// model that answers the command frames, logs every transfer with the
// scheduler's time and fails on demand. Other devices can be listed beside it.

#include "volmar/core/ImageCodec.h"
#include "volmar/core/Protocol.h"
#include "volmar/device/ConfigDocument.h"
#include "volmar/device/LinkObserver.h"
#include "volmar/device/Scheduler.h"
#include "volmar/hid/HidBackend.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace volmar::test {

struct Transfer {
    std::int64_t ms = 0;
    bool set = false;
    std::vector<std::uint8_t> bytes; // as sent (set) or as returned (get)
    int command() const { return bytes.size() > 1 ? bytes[1] : -1; }
    int address() const { return bytes.size() > 3 ? bytes[2] | (bytes[3] << 8) : -1; }
};

struct FakeFirmware {
    explicit FakeFirmware(const device::Scheduler& clock) : clock(clock) {}

    const device::Scheduler& clock;
    ConfigImage eeprom{};
    ConfigImage pending{};
    std::vector<Transfer> log;
    int failAt = -1;    // index of the transfer that fails with EPIPE
    int goneAfter = -1; // transfers after which the node answers ENODEV
    std::uint8_t hubIdentity = protocol::kHubIdentity;
    std::array<std::uint8_t, 4> hubTypes{1, 2, 0, 2};
    protocol::RegisterReply reg{7, 0x34, 0x12, 0x99};
    std::array<std::uint8_t, 194> live{};
    protocol::Frame lastRequest{};
    std::deque<std::vector<std::uint8_t>> input; // joystick reports to deliver
    std::mutex inputMutex;

    int set(std::span<const std::uint8_t> report);
    int get(std::span<std::uint8_t> report);
    int transfers() const { return static_cast<int>(log.size()); }
    std::vector<Transfer> sets() const;

private:
    int fault();
};

class FakeBackend : public hid::HidBackend {
public:
    explicit FakeBackend(std::shared_ptr<FakeFirmware> firmware)
        : m_firmware(std::move(firmware)) {}

    std::string name() const override { return "fake"; }
    std::vector<hid::CollectionInfo> enumerate() override;
    Result<std::unique_ptr<hid::HidNode>> open(const std::string& path) override;
    void setChangeCallback(std::function<void()> callback) override { m_changed = callback; }

    // The controller's identity as listed.
    std::uint16_t vid = 0x8888;
    std::uint16_t pid = 0x8888;
    std::string product = "Volmar2";
    std::string serial = "Volmar2-20161101";
    bool commandCollection = true; // false: only the joystick collection
    bool openable = true;
    // Further devices listed after the controller.
    std::vector<hid::CollectionInfo> others;

    void changed() {
        if (m_changed) {
            m_changed();
        }
    }

private:
    std::shared_ptr<FakeFirmware> m_firmware;
    std::function<void()> m_changed;
};

hid::CollectionInfo otherDevice(const std::string& id, std::uint16_t vid, std::uint16_t pid,
                                const std::string& product, const std::string& serial);

// A configuration stand-in: records what the link hands it.
class FakeDocument : public device::ConfigDocument {
public:
    const ConfigImage& image() const override { return m_image; }
    RunOutcome loadImage(const ConfigImage& image, bool connected) override;
    device::EncodeOutcome encodeImage(bool connected) override;
    RunOutcome validate(bool) override { return {}; }
    int hubPort() const override { return port; }
    std::array<std::uint8_t, 4> hubTypes() const override { return types; }
    RunOutcome setHubTypes(const std::array<std::uint8_t, 4>& t, bool) override {
        types = t;
        ++hubTypeLoads;
        return {};
    }

    ConfigImage m_image{};
    ConfigImage toWrite{}; // what encodeImage() produces
    std::string refusal;   // non-empty: encodeImage() refuses
    int loads = 0;
    int encodes = 0;
    int port = 0;
    std::array<std::uint8_t, 4> types{0xFF, 0xFF, 0xFF, 0xFF};
    int hubTypeLoads = 0;
};

// Records everything the link shows.
struct RecordingObserver : device::LinkObserver {
    std::vector<std::string> messages;
    std::vector<std::string> progress; // "open:..", "step:..", "close"
    device::DisplayState display;
    std::vector<std::string> lines;
    int selected = -1;
    int deviceChanges = 0;
    int loaded = 0;
    std::vector<std::pair<device::Operation, device::Outcome>> finished;
    std::vector<protocol::RegisterReply> registers;
    std::vector<protocol::HubRawReply> hubRaw;

    void showMessage(const std::string& text) override { messages.push_back(text); }
    void progressOpen(const std::string& caption) override {
        progress.push_back("open:" + caption);
    }
    void progressStep(const std::string& text) override { progress.push_back("step:" + text); }
    void progressClose() override { progress.push_back("close"); }
    void displayChanged(const device::DisplayState& d) override { display = d; }
    void deviceListChanged(const std::vector<std::string>& l, int s) override {
        lines = l;
        selected = s;
    }
    void deviceChangeHandled() override { ++deviceChanges; }
    void configurationLoaded() override { ++loaded; }
    void registerReply(const protocol::RegisterReply& r) override { registers.push_back(r); }
    void hubRawReply(const protocol::HubRawReply& r) override { hubRaw.push_back(r); }
    void exchangeFinished(device::Operation op, device::Outcome outcome) override {
        finished.emplace_back(op, outcome);
    }
};

} // namespace volmar::test
