#pragma once

// What the device link tells whoever shows it: the window implements this
// interface with message boxes, the progress popup and its indicators;
// volmarctl writes the same events to the terminal.

#include "volmar/core/LiveData.h"
#include "volmar/core/Protocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace volmar::device {

// The connection display as data: the status field's text, which of the
// buttons that talk to the controller are enabled, and which indicator shows.
struct DisplayState {
    bool connected = false;
    std::string connect_status;
    bool btnRead_MK = false;
    bool btnWrite_MK = false;
    bool btnRestart = false;
    // The firmware page's buttons: a clear or bootloader start that finds no
    // controller disables them until a controller connects.
    bool btnOpenBL = true;
    bool btnResetCnf = true;
    bool img_red = true;
    bool img_grn = false;
    bool operator==(const DisplayState&) const = default;
};

enum class Operation {
    Read,
    Write,
    Restart,
    Clear,
    Bootloader,
    HubCheck,
    HubLoad,
    HubSave,
    HubRaw,
    RegisterRead,
    RegisterReadFixed,
    RegisterWrite,
    StepperMove,
};

const char* operationName(Operation op);

// What reading a write back found.
struct WriteCheck {
    enum class Result {
        Verified,    // the controller holds the bytes sent
        Differs,     // it holds something else at `differing`
        NotVerified, // the read-back failed (its message was shown)
    };
    Result result = Result::NotVerified;
    std::vector<int> differing;
    std::string text; // one line for the status: "Write verified: ..."
};

enum class Outcome {
    Completed,    // every frame went through
    Failed,       // a transfer failed or the controller answered wrongly (message shown)
    NotConnected, // no controller: the not-connected display was shown
    Refused,      // nothing sent: the configuration is invalid or cannot be encoded
};

const char* outcomeName(Outcome outcome);

class LinkObserver {
public:
    virtual ~LinkObserver() = default;

    // A modal message box in the window.
    virtual void showMessage(const std::string& text) = 0;

    // The progress popup of a configuration read or write: opened with the
    // button's caption (bar 1..32 at 1), stepped before each block (bar + 1,
    // new text), closed at the end (bar + 1, then gone).
    virtual void progressOpen(const std::string& caption) { (void)caption; }
    virtual void progressStep(const std::string& text) { (void)text; }
    virtual void progressClose() {}

    virtual void displayChanged(const DisplayState& display) { (void)display; }

    // The device list was rebuilt or extended; `selected` is the line to
    // select, -1 for none.
    virtual void deviceListChanged(const std::vector<std::string>& lines, int selected) {
        (void)lines;
        (void)selected;
    }

    // After every device change: the window clears joy_usbpps and puts
    // dev_poll back to its entry 1.
    virtual void deviceChangeHandled() {}

    // A configuration read replaced the configuration: refresh every control.
    virtual void configurationLoaded() {}

    // The sensor hub's slave types were loaded into the configuration.
    virtual void hubTypesLoaded(const std::array<std::uint8_t, protocol::kHubSlaves>& types) {
        (void)types;
    }
    virtual void hubRawReply(const protocol::HubRawReply& reply) { (void)reply; }
    virtual void registerReply(const protocol::RegisterReply& reply) { (void)reply; }

    // Before a write: the controller's configuration was kept as `file`.
    virtual void backupKept(const std::string& file) { (void)file; }
    // After a write with its read-back: what the controller holds.
    virtual void writeChecked(const WriteCheck& check) { (void)check; }

    // Every exchange that was started ends here exactly once.
    virtual void exchangeFinished(Operation op, Outcome outcome) {
        (void)op;
        (void)outcome;
    }
};

} // namespace volmar::device
