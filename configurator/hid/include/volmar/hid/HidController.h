#pragma once

// The configurator's HID layer: the list of HID collections present, device
// objects the application checks out, feature transfers, input reports
// delivered on the GUI thread and a device-change notification (once after
// start, then after every change of the list).
//
// Threads: the controller, its list and every device operation belong to the
// thread that created the controller (the GUI thread), except setFeature(),
// getFeature(), isPluggedIn() and isCheckedOut(), which one other
// thread at a time (a link worker) may also call on a checked-out device.
// One reader thread runs per opened node that has input reports; it never
// waits for the GUI thread.

#include "volmar/hid/HidBackend.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace volmar::hid {

class HidController;
struct NodeHandle;

class HidDevice : public QObject {
    Q_OBJECT
public:
    ~HidDevice() override;

    const CollectionInfo& info() const { return m_info; }
    const std::string& deviceId() const { return m_info.deviceId; }
    const HidAttributes& attributes() const { return m_info.attributes; }
    const HidCaps& caps() const { return m_info.caps; }
    const std::string& productName() const { return m_info.product; }
    const std::string& vendorName() const { return m_info.manufacturer; }
    // Empty when the device answers its serial-number request with its
    // language table (a firmware fault some devices have).
    const std::string& serialNumber() const { return m_serial; }
    // False when the node is present but cannot be opened (permissions);
    // openError() then says why, in the system's words.
    bool isOpenable() const { return m_info.openable; }
    const std::string& openError() const { return m_info.openError; }

    bool isPluggedIn() const { return m_pluggedIn.load(); }
    bool isCheckedOut() const { return m_checkedOut.load(); }
    // The controller that lists it; nullptr once that controller has gone
    // (a device checked out then is its holder's to delete).
    HidController* controller() const { return m_controller; }

    // Feature transfers of the given size (byte 0 = report id). They fail
    // unless the device is plugged in and checked out (or being offered to
    // an enumerate() callback); the error's text is the system's words for
    // the failure ("Broken pipe", "No such device", ...). A get fails too
    // when the answer is shorter than the buffer or carries another report
    // id than byte 0 asked for.
    Status setFeature(std::span<const std::uint8_t> report);
    Status getFeature(std::span<std::uint8_t> report);

    // Milliseconds the node's reader waits per wake-up; values outside
    // 10..10000 are ignored. The reader of a node shared by several checked-out
    // collections uses the smallest of their values.
    int threadSleepTime() const { return m_threadSleepTime; }
    void setThreadSleepTime(int ms);

    static constexpr int kMinThreadSleepTime = 10;
    static constexpr int kMaxThreadSleepTime = 10000;
    static constexpr int kDefaultThreadSleepTime = 100;

signals:
    // An input report of this collection, delivered on the GUI thread:
    // the report id (0 when the node uses none) and the bytes after it.
    void data(volmar::hid::HidDevice* device, quint8 reportId, const QByteArray& payload);
    // Reading the node failed for another reason than its removal; the reader
    // tries again after threadSleepTime().
    void dataError(volmar::hid::HidDevice* device, const QString& message);
    // The device has gone. A checked-out one stays listed, unplugged, until
    // checked in; any other is removed and deleted after the signal. When the
    // controller itself goes, a checked-out device gets this signal too, is
    // left without a controller, and its holder deletes it.
    void unplugged(volmar::hid::HidDevice* device);

private:
    friend class HidController;
    HidDevice(HidController* controller, HidBackend* backend, CollectionInfo info, int sleepTime);
    // Runs a transfer on the open node, opening it first when needed.
    template <typename Op>
    Status transfer(Op&& op);
    void attachNode(std::shared_ptr<NodeHandle> node);
    void detachNode();

    HidController* m_controller = nullptr;
    HidBackend* m_backend = nullptr;
    CollectionInfo m_info;
    std::string m_nodeKey; // see HidController::nodeKey
    std::string m_serial;
    std::atomic<bool> m_pluggedIn{true};
    std::atomic<bool> m_checkedOut{false};
    std::atomic<bool> m_enumerated{false};
    int m_threadSleepTime = kDefaultThreadSleepTime;

    mutable std::mutex m_mutex; // guards m_node and m_nodeError
    std::shared_ptr<NodeHandle> m_node;
    int m_nodeError = 0; // why the node could not be opened at check-out
};

class HidController : public QObject {
    Q_OBJECT
public:
    // Takes the backends (real and/or virtual); the first list build runs once
    // the event loop starts and always ends with deviceChange().
    explicit HidController(std::vector<std::unique_ptr<HidBackend>> backends,
                           QObject* parent = nullptr);
    ~HidController() override;

    // Real hidraw + udev and the virtual devices of volmar-sim. Call on the
    // thread that runs the event loop (their change watchers live there).
    static std::vector<std::unique_ptr<HidBackend>> defaultBackends();

    // Devices present, in discovery order (checked-out unplugged ones stay
    // until checked in).
    const std::vector<HidDevice*>& devices() const { return m_view; }

    // Offers every plugged-in device in list order with its index in
    // devices(); stops when the callback returns false (an empty callback
    // stops after the first). A device not checked out afterwards has its
    // node closed again. Returns the number offered.
    int enumerate(const std::function<bool(HidDevice*, int)>& callback);

    // Takes a plugged-in, checked-in device for the application and opens
    // its node (taking the device's lock: one program per device); its input
    // reports start arriving through data(). Fails when it was already
    // checked out (EBUSY), is unplugged or belongs to no controller (ENODEV),
    // another program holds the device (EBUSY, "in use by <program>, pid
    // <pid>"), or its node cannot be opened (the system's words, e.g.
    // "Permission denied"); the device then stays checked in.
    Status checkOut(HidDevice* device);
    // Gives a device back: closes its node when no other checked-out
    // collection uses it. A plugged-in device stays listed; an unplugged one
    // leaves the list and is deleted (later, so a caller still inside a
    // signal of it is safe).
    void checkIn(HidDevice* device);

    // Rebuild the list now (also done on every backend change notification
    // and when a reader finds its node gone). Ignored while one runs.
    void rebuild();

    int numCheckedInDevices() const { return m_numCheckedIn; }
    int numCheckedOutDevices() const { return m_numCheckedOut; }
    int numUnpluggedDevices() const { return m_numUnplugged; }

    // Sleep time given to devices when they are listed; 10..10000, else ignored.
    int defaultThreadSleepTime() const { return m_defaultSleepTime; }
    void setDefaultThreadSleepTime(int ms);

    // Input reports a reader dropped because the GUI thread fell behind.
    std::uint64_t droppedReports() const;

    // Delivers now, through data(), every input report the readers have
    // read so far. While reports keep coming they otherwise reach the GUI
    // thread in handovers up to a tenth of a second apart; a caller that
    // counts them per interval asks for them first.
    void deliverQueuedInput();

signals:
    void deviceChange();
    void arrival(volmar::hid::HidDevice* device);
    void removal(volmar::hid::HidDevice* device);
    // Every input report of every checked-out device (after its own data()).
    void deviceData(volmar::hid::HidDevice* device, quint8 reportId, const QByteArray& payload);
    // A device has gone (after its own unplugged(), before removal()).
    void deviceUnplug(volmar::hid::HidDevice* device);

private:
    friend class HidDevice;
    struct Private;
    struct ListDelta;
    // A rebuild: work out what changed against the backends' lists, apply
    // it to the list, then tell (unplugged/removal, arrival, deviceChange).
    void runRebuild(bool initial);
    ListDelta workOutChanges();
    std::vector<HidDevice*> applyChanges(ListDelta& delta);
    void notifyChanges(const std::vector<HidDevice*>& gone, const std::vector<HidDevice*>& arrived);
    void scheduleRebuild();
    void recount();
    // The node a device's collection belongs to: collections of one node
    // share its reader.
    const std::string& nodeKey(const HidDevice* device) const { return device->m_nodeKey; }
    // Gives `device` the node, opening it unless another collection of the
    // same node holds it already.
    Status openNode(HidDevice* device);
    // Takes the node from `device`; closes it when no collection holds it.
    void releaseNode(HidDevice* device);
    // Starts, retunes or stops the reader of a node to match the checked-out
    // collections that want its input reports.
    void updateReader(const std::string& key);
    void deliver(const std::string& nodeKey, const std::deque<std::vector<std::uint8_t>>& reports);
    void readerError(const std::string& nodeKey, int errorNumber);

    std::unique_ptr<Private> d;
    std::vector<HidDevice*> m_view;
    int m_numCheckedIn = 0;
    int m_numCheckedOut = 0;
    int m_numUnplugged = 0;
    int m_defaultSleepTime = HidDevice::kDefaultThreadSleepTime;
};

} // namespace volmar::hid
