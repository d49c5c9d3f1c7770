// Discovery of the controller, the connection display, and the plumbing the
// exchanges share.
#include "volmar/device/DeviceLink.h"

#include "volmar/core/DeviceLine.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/hid/HidController.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace volmar::device {

namespace {
constexpr std::uint16_t kJoystickUsage = 4;
} // namespace

const char* operationName(Operation op) {
    switch (op) {
    case Operation::Read:
        return "read";
    case Operation::Write:
        return "write";
    case Operation::Restart:
        return "restart";
    case Operation::Clear:
        return "clear";
    case Operation::Bootloader:
        return "bootloader";
    case Operation::HubCheck:
        return "hub check";
    case Operation::HubLoad:
        return "hub load";
    case Operation::HubSave:
        return "hub save";
    case Operation::HubRaw:
        return "hub transfer";
    case Operation::RegisterRead:
        return "register read";
    case Operation::RegisterReadFixed:
        return "register read fixed";
    case Operation::RegisterWrite:
        return "register write";
    case Operation::StepperMove:
        return "stepper move";
    }
    return "?";
}

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Completed:
        return "completed";
    case Outcome::Failed:
        return "failed";
    case Outcome::NotConnected:
        return "not connected";
    case Outcome::Refused:
        return "refused";
    }
    return "?";
}

DeviceLink::DeviceLink(hid::HidController& hid, Scheduler& scheduler, ConfigDocument& document,
                       const TRecordLng& lng, LinkObserver& observer, QObject* parent)
    : QObject(parent), m_hid(hid), m_scheduler(scheduler), m_document(document), m_lng(&lng),
      m_observer(observer), m_runner(scheduler) {
    m_display.connect_status = m_lng->plug_msg;
    connect(&m_hid, &hid::HidController::deviceChange, this, &DeviceLink::HIDDeviceChange);
}

DeviceLink::~DeviceLink() {
    // Give back what was taken; a device whose controller has gone is ours to
    // delete. (A gone controller is never touched: only the device is asked.)
    for (const QPointer<hid::HidDevice>& device : m_taken) {
        if (!device) {
            continue;
        }
        if (device->controller() != nullptr) {
            device->controller()->checkIn(device);
        } else {
            delete device.data();
        }
    }
}

void DeviceLink::takenDeviceGone(hid::HidDevice* device) {
    if (device->controller() != nullptr) {
        return; // an unplug: the device change that follows handles it
    }
    if (m_configDevice == device) {
        m_configDevice = nullptr;
    }
    if (m_joystickDevice == device) {
        m_joystickDevice = nullptr;
    }
    device->deleteLater();
}

void DeviceLink::setRegions(const protocol::ImageRegions& regions) {
    if (const auto geometry = protocol::blockGeometry(regions)) {
        m_geometry = *geometry;
    }
}

// ---------------------------------------------------------------------------
// Connection

bool DeviceLink::HIDEnumerate(hid::HidDevice* device) {
    const auto& attributes = device->attributes();
    const std::string text = line::deviceListLine(attributes.vendorId, attributes.productId,
                                                  device->productName(), device->serialNumber());
    // Identical devices share one line; the last equal one is the one to select.
    int position = -1;
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        if (m_lines[i] == text) {
            position = i;
        }
    }
    if (position < 0) {
        m_lines.push_back(text);
        m_lineProblems.emplace_back();
        position = static_cast<int>(m_lines.size()) - 1;
    }
    if (!device->isOpenable()) {
        m_lineProblems[position] = line::cannotOpenText(device->openError());
    }

    // 0:0 is "no line chosen" (start, "Update USB list"): a device that
    // reports ids 0:0 must not be taken for the controller then.
    const bool anyChosen = m_selectedVid != 0 || m_selectedPid != 0;
    const bool chosen =
        anyChosen && attributes.vendorId == m_selectedVid && attributes.productId == m_selectedPid;
    if (!chosen) {
        return true;
    }
    if (!device->isOpenable()) {
        // Listed, but the node refuses us: nothing can be sent, so it never
        // counts as connected.
        m_unopenable = m_lineProblems[position];
        return true;
    }
    if (device->caps().featureReportByteLength > 0) {
        if (takeDevice(device)) {
            m_configDevice = device;
            showConnected(attributes.vendorId, attributes.productId, device->productName());
            m_linkReady = true;
            m_selectedLine = position;
            m_firmwareVersion = device->serialNumber();
        }
    }
    // Only the usage is compared, as the controller's joystick may sit on
    // any usage page.
    if (device->caps().usage == kJoystickUsage) {
        if (takeDevice(device)) {
            m_joystickDevice = device;
        }
    }
    return true;
}

bool DeviceLink::takeDevice(hid::HidDevice* device) {
    if (!device->isCheckedOut()) {
        if (const Status taken = m_hid.checkOut(device); !taken) {
            // EBUSY: another program holds the controller (its lock).
            m_unopenable = taken.error().code == EBUSY ? line::inUseText(taken.error().text)
                                                       : line::cannotOpenText(taken.error().text);
            return false;
        }
        m_taken.emplace_back(device);
        connect(device, &hid::HidDevice::unplugged, this, &DeviceLink::takenDeviceGone);
    }
    // Both collections feed the input report counter.
    connect(device, &hid::HidDevice::data, this, &DeviceLink::HIDDeviceData, Qt::UniqueConnection);
    return true;
}

void DeviceLink::enumerateAll() {
    m_unopenable.clear();
    m_hid.enumerate([this](hid::HidDevice* device, int) { return HIDEnumerate(device); });
    releaseUnchosen();
}

void DeviceLink::releaseUnchosen() {
    // A controller that is no longer the chosen one (another line clicked,
    // "Update USB list", unplugged) is given back, and its lock with it: the
    // lock lasts as long as the connection, not as long as the window. Not
    // while an exchange runs: its transfer may be using the device on the
    // worker; the exchange's end comes back here.
    if (busy()) {
        return;
    }
    for (const QPointer<hid::HidDevice>& device : m_taken) {
        if (device && device != m_configDevice && device != m_joystickDevice &&
            device->controller() == &m_hid) {
            m_hid.checkIn(device);
        }
    }
    std::erase_if(m_taken, [](const QPointer<hid::HidDevice>& d) {
        return d.isNull() || !d->isCheckedOut();
    });
}

void DeviceLink::lstHID_DeviceListClick(int index) {
    if (index < 0 || index >= static_cast<int>(m_lines.size())) {
        return;
    }
    const auto ids = line::selectedIds(m_lines[index]);
    selectDevice(ids.vid, ids.pid);
}

void DeviceLink::selectDevice(std::uint16_t vid, std::uint16_t pid) {
    showNotConnected();
    m_selectedVid = vid;
    m_selectedPid = pid;
    m_configDevice = nullptr;
    m_joystickDevice = nullptr;
    m_firmwareVersion.clear();
    enumerateAll();
    publishList();
    if (!m_unopenable.empty() && !m_configDevice) {
        m_observer.showMessage(m_unopenable);
    }
    show(m_document.validate(m_configDevice != nullptr));
}

void DeviceLink::btn_clr_dev_listClick() {
    m_selectedVid = 0;
    m_selectedPid = 0;
    HIDDeviceChange();
}

void DeviceLink::HIDDeviceChange() {
    ++m_deviceChanges;
    m_lines.clear();
    m_lineProblems.clear();
    m_selectedLine = -1;
    m_configDevice = nullptr;
    m_joystickDevice = nullptr;
    enumerateAll();
    // The controller's collections are taken again, but the display and the
    // live poll stay off until its line is clicked.
    showNotConnected();
    m_linkReady = false;
    publishList();
    m_observer.deviceChangeHandled();
}

void DeviceLink::HIDDeviceData() {
    ++m_reportCounter;
}

std::int32_t DeviceLink::takeReportCounter() {
    // The reports read up to now belong to this count, not the next.
    m_hid.deliverQueuedInput();
    const std::int32_t count = m_reportCounter;
    m_reportCounter = 0;
    return count;
}

// ---------------------------------------------------------------------------
// Display

void DeviceLink::showNotConnected() {
    m_display.connected = false;
    m_display.connect_status = m_lng->plug_msg;
    m_display.btnRead_MK = false;
    m_display.btnWrite_MK = false;
    m_display.btnRestart = false;
    m_display.img_red = true;
    m_display.img_grn = false;
    publishDisplay();
}

void DeviceLink::setLanguage(const TRecordLng& lng) {
    m_lng = &lng;
    if (!m_display.connected) {
        m_display.connect_status = m_lng->plug_msg;
    } else if (m_configDevice) {
        const auto& attributes = m_configDevice->attributes();
        m_display.connect_status = line::connectedText(
            *m_lng, attributes.vendorId, attributes.productId, m_configDevice->productName());
    }
    publishDisplay();
}

void DeviceLink::showConnected(std::uint16_t vid, std::uint16_t pid, const std::string& product) {
    m_display.connected = true;
    m_display.connect_status = line::connectedText(*m_lng, vid, pid, product);
    m_display.btnRead_MK = true;
    m_display.btnWrite_MK = true;
    m_display.btnRestart = true;
    // A clear or bootloader start without a controller disabled these; a
    // controller that connects can take both again.
    m_display.btnOpenBL = true;
    m_display.btnResetCnf = true;
    m_display.img_red = false;
    m_display.img_grn = true;
    publishDisplay();
}

void DeviceLink::lockFirmwareButtons() {
    m_display.connected = false;
    m_display.connect_status = m_lng->plug_msg;
    m_display.btnRestart = false;
    m_display.btnOpenBL = false;
    m_display.btnResetCnf = false;
    m_display.img_red = true;
    m_display.img_grn = false;
    publishDisplay();
}

void DeviceLink::publishDisplay() {
    m_observer.displayChanged(m_display);
}

void DeviceLink::publishList() {
    m_observer.deviceListChanged(m_lines, m_selectedLine);
}

void DeviceLink::show(const RunOutcome& outcome) {
    for (const auto& text : outcome.messageBoxes) {
        m_observer.showMessage(text);
    }
    if (outcome.showNotConnected) {
        showNotConnected();
    }
}

void DeviceLink::versionCheck() {
    if (const auto warning = protocol::versionMismatch(*m_lng, m_firmwareVersion)) {
        m_observer.showMessage(*warning);
    }
}

// ---------------------------------------------------------------------------
// Exchange plumbing

bool DeviceLink::startExchange(Operation op, AtEnd atEnd, WhenMissing whenMissing) {
    if (!m_runner.start([this](bool completed) { finishExchange(completed); })) {
        return false;
    }
    m_current = Current{};
    m_current.op = op;
    m_current.generation = m_deviceChanges;
    m_current.atEnd = atEnd;
    m_current.whenMissing = whenMissing;
    m_linkReady = false;
    return true;
}

bool DeviceLink::beginWith(Operation op, int firstWaitMs, AtEnd atEnd, WhenMissing whenMissing) {
    if (!startExchange(op, atEnd, whenMissing)) {
        return false;
    }
    m_runner.then(firstWaitMs, [this] { return requireDevice(); });
    return true;
}

bool DeviceLink::requireDevice() {
    if (!m_configDevice) {
        if (m_current.whenMissing == WhenMissing::LockFirmwareButtons) {
            lockFirmwareButtons();
        } else {
            showNotConnected();
        }
        m_current.outcome = Outcome::NotConnected;
        return false;
    }
    m_current.device = m_configDevice;
    return true;
}

void DeviceLink::finishExchange(bool completed) {
    if (completed) {
        m_current.outcome = Outcome::Completed;
    }
    closeProgress();
    // A device change during the exchange already turned the poll off; the
    // exchange must not turn it back on for a controller that may be gone.
    if (m_current.atEnd == AtEnd::SetLinkReady && m_current.outcome != Outcome::NotConnected &&
        m_current.generation == m_deviceChanges) {
        m_linkReady = true;
    }
    const Operation op = m_current.op;
    const Outcome outcome = m_current.outcome;
    releaseUnchosen();
    if (op == Operation::Read && outcome == Outcome::Completed && m_document.hubPort() > 0) {
        hubLoad();
    }
    m_observer.exchangeFinished(op, outcome);
}

void DeviceLink::addProgressOpen(int waitMs, const std::string& caption) {
    m_runner.then(waitMs, [this, caption] {
        m_observer.progressOpen(caption);
        m_current.progressOpen = true;
        return true;
    });
}

void DeviceLink::closeProgress() {
    if (m_current.progressOpen) {
        m_current.progressOpen = false;
        m_observer.progressClose();
    }
}

namespace {

// One feature transfer, shared by the steps before, on and after the executor.
struct TransferJob {
    hid::HidDevice* device = nullptr;
    protocol::Frame frame{};
    bool ok = false;
    std::string error;

    void run(bool get) {
        if (!device) {
            error = std::strerror(ENODEV);
            return;
        }
        const Status done = get ? device->getFeature(frame) : device->setFeature(frame);
        ok = done.ok();
        if (!ok) {
            error = done.error().text.empty() ? std::strerror(EIO) : done.error().text;
        }
    }
};

} // namespace

void DeviceLink::setTransferExecutor(TransferExecutor& executor) {
    m_runner.setExecutor(executor);
}

void DeviceLink::addTransfer(int waitMs, Transfer kind, std::function<protocol::Frame()> make,
                             FailText fail, std::function<bool(const protocol::Frame&)> use) {
    addTransferOr(
        waitMs, kind, std::move(make),
        [this, fail = std::move(fail)](const std::string& systemText) {
            return transferFailed(fail(systemText));
        },
        std::move(use));
}

void DeviceLink::addTransferOr(int waitMs, Transfer kind, std::function<protocol::Frame()> make,
                               std::function<bool(const std::string& systemText)> failed,
                               std::function<bool(const protocol::Frame&)> use) {
    auto job = std::make_shared<TransferJob>();
    m_runner.thenTransfer(
        waitMs,
        [this, job, make = std::move(make)] {
            // The controller the exchange started with; a device object that
            // went away meanwhile fails the transfer like an unplug.
            job->device = m_current.device;
            job->frame = make();
            return true;
        },
        [job, get = kind == Transfer::Get] { job->run(get); },
        [job, failed = std::move(failed), use = std::move(use)] {
            if (!job->ok) {
                return failed(job->error);
            }
            return use ? use(job->frame) : true;
        });
}

void DeviceLink::addSet(int waitMs, std::function<protocol::Frame()> make, FailText fail) {
    addTransfer(waitMs, Transfer::Set, std::move(make), std::move(fail), {});
}

void DeviceLink::addGet(int waitMs, protocol::Frame fetch, FailText fail,
                        std::function<bool(const protocol::Frame&)> use) {
    addTransfer(
        waitMs, Transfer::Get, [fetch] { return fetch; }, std::move(fail), std::move(use));
}

bool DeviceLink::transferFailed(const std::string& message) {
    closeProgress();
    m_observer.showMessage(message);
    m_current.outcome = Outcome::Failed;
    return false;
}

} // namespace volmar::device
