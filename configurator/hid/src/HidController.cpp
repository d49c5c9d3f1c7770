#include "volmar/hid/HidController.h"
#include "NodeReader.h"
#include "volmar/hid/HidrawBackend.h"
#include "volmar/hid/VirtualBackend.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>

namespace volmar::hid {

struct HidController::Private {
    struct OpenNode {
        std::shared_ptr<NodeHandle> handle;
        NodeReader* reader = nullptr; // child of the controller
    };
    std::vector<std::unique_ptr<HidBackend>> backends;
    std::map<std::string, OpenNode> nodes;
    bool inRebuild = false;
    bool rebuildPending = false;
    bool destroying = false;
    std::uint64_t droppedByClosedReaders = 0;

    void retire(NodeReader* reader) {
        reader->stop();
        droppedByClosedReaders += reader->droppedReports();
        // Later: this may run inside the reader's own delivery.
        reader->deleteLater();
    }
};

HidController::HidController(std::vector<std::unique_ptr<HidBackend>> backends, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->backends = std::move(backends);
    for (const auto& backend : d->backends) {
        backend->setChangeCallback([this] { scheduleRebuild(); });
    }
    // The first build waits for the event loop, so whoever connects to
    // deviceChange() right after construction still sees it.
    QMetaObject::invokeMethod(
        this, [this] { runRebuild(true); }, Qt::QueuedConnection);
}

HidController::~HidController() {
    d->destroying = true;
    for (auto& backend : d->backends) {
        backend->setChangeCallback({});
    }
    for (auto& [key, node] : d->nodes) {
        if (node.reader) {
            node.reader->stop();
            delete node.reader;
            node.reader = nullptr;
        }
    }
    // A checked-out device belongs to its holder: it outlives the controller,
    // unplugged and without a controller, its holder is told, and the holder
    // deletes it. The others go with the list.
    std::vector<QPointer<HidDevice>> orphaned;
    for (HidDevice* device : m_view) {
        device->detachNode();
        device->m_controller = nullptr;
        if (device->m_checkedOut.load()) {
            device->m_pluggedIn.store(false);
            device->setParent(nullptr);
            orphaned.emplace_back(device);
        } else {
            delete device;
        }
    }
    m_view.clear();
    d->nodes.clear();
    for (const QPointer<HidDevice>& device : orphaned) {
        if (device) {
            emit device->unplugged(device);
        }
    }
    // Devices already removed from the list (deleted later) are children and
    // go with the QObject base.
}

std::vector<std::unique_ptr<HidBackend>> HidController::defaultBackends() {
    std::vector<std::unique_ptr<HidBackend>> backends;
    backends.push_back(makeHidrawBackend(hidraw::makeSystem()));
    backends.push_back(makeVirtualBackend());
    return backends;
}

void HidController::setDefaultThreadSleepTime(int ms) {
    if (ms >= HidDevice::kMinThreadSleepTime && ms <= HidDevice::kMaxThreadSleepTime) {
        m_defaultSleepTime = ms;
    }
}

void HidController::deliverQueuedInput() {
    // A handler may check a device in, which retires its reader and
    // changes the node list.
    std::vector<QPointer<NodeReader>> readers;
    for (const auto& [key, node] : d->nodes) {
        if (node.reader) {
            readers.emplace_back(node.reader);
        }
    }
    for (const QPointer<NodeReader>& reader : readers) {
        if (reader) {
            reader->deliverQueued();
        }
    }
}

std::uint64_t HidController::droppedReports() const {
    std::uint64_t total = d->droppedByClosedReaders;
    for (const auto& [key, node] : d->nodes) {
        if (node.reader) {
            total += node.reader->droppedReports();
        }
    }
    return total;
}

void HidController::scheduleRebuild() {
    if (d->rebuildPending || d->destroying) {
        return;
    }
    d->rebuildPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            d->rebuildPending = false;
            runRebuild(false);
        },
        Qt::QueuedConnection);
}

void HidController::rebuild() {
    runRebuild(false);
}

// What a rebuild changes: listed devices that have gone, and collections
// present now that are not listed yet.
struct HidController::ListDelta {
    std::vector<HidDevice*> gone; // last to first as they are listed
    std::vector<std::pair<HidBackend*, CollectionInfo>> arrived;
    bool any() const { return !gone.empty() || !arrived.empty(); }
};

HidController::ListDelta HidController::workOutChanges() {
    ListDelta delta;
    std::vector<std::pair<HidBackend*, CollectionInfo>> fresh;
    std::set<std::string> freshIds;
    for (const auto& backend : d->backends) {
        for (CollectionInfo& info : backend->enumerate()) {
            freshIds.insert(info.deviceId);
            fresh.emplace_back(backend.get(), std::move(info));
        }
    }
    std::set<std::string> listed;
    for (std::size_t i = m_view.size(); i-- > 0;) {
        HidDevice* device = m_view[i];
        if (!device->m_pluggedIn.load()) {
            continue;
        }
        if (freshIds.contains(device->deviceId())) {
            listed.insert(device->deviceId());
        } else {
            delta.gone.push_back(device);
        }
    }
    // One already listed keeps its object; a collection listed twice counts once.
    for (auto& entry : fresh) {
        if (listed.insert(entry.second.deviceId).second) {
            delta.arrived.push_back(std::move(entry));
        }
    }
    return delta;
}

std::vector<HidDevice*> HidController::applyChanges(ListDelta& delta) {
    // A checked-out device that has gone stays listed, unplugged, until the
    // application gives it back.
    for (HidDevice* device : delta.gone) {
        device->m_pluggedIn.store(false);
        releaseNode(device);
        if (!device->m_checkedOut.load()) {
            std::erase(m_view, device);
            device->deleteLater();
        }
    }
    std::vector<HidDevice*> arrived;
    for (auto& [backend, info] : delta.arrived) {
        auto* device = new HidDevice(this, backend, std::move(info), m_defaultSleepTime);
        m_view.push_back(device);
        arrived.push_back(device);
    }
    recount();
    return arrived;
}

void HidController::notifyChanges(const std::vector<HidDevice*>& gone,
                                  const std::vector<HidDevice*>& arrived) {
    for (HidDevice* device : gone) {
        QPointer<HidDevice> guard(device);
        emit device->unplugged(device);
        if (guard) {
            emit deviceUnplug(device);
        }
        if (guard) {
            emit removal(device);
        }
    }
    for (HidDevice* device : arrived) {
        emit arrival(device);
    }
}

void HidController::runRebuild(bool initial) {
    if (d->inRebuild || d->destroying) {
        return;
    }
    d->inRebuild = true;
    ListDelta delta = workOutChanges();
    const bool changed = initial || delta.any();
    const std::vector<HidDevice*> arrived = applyChanges(delta);
    // Signals only once the list is whole again; handlers may check devices
    // in or out (a rebuild asked for meanwhile is ignored, as while running).
    notifyChanges(delta.gone, arrived);
    d->inRebuild = false;
    if (changed) {
        emit deviceChange();
    }
}

void HidController::recount() {
    int checkedOut = 0;
    int unplugged = 0;
    for (const HidDevice* device : m_view) {
        checkedOut += device->m_checkedOut.load() ? 1 : 0;
        unplugged += device->m_pluggedIn.load() ? 0 : 1;
    }
    m_numCheckedIn = static_cast<int>(m_view.size()) - checkedOut;
    m_numCheckedOut = checkedOut - unplugged;
    m_numUnplugged = unplugged;
}

int HidController::enumerate(const std::function<bool(HidDevice*, int)>& callback) {
    int count = 0;
    const std::vector<QPointer<HidDevice>> snapshot(m_view.begin(), m_view.end());
    for (std::size_t i = 0; i < snapshot.size(); ++i) {
        HidDevice* device = snapshot[i];
        if (!device || !device->m_pluggedIn.load() || device->m_controller != this) {
            continue;
        }
        ++count;
        device->m_enumerated.store(true);
        const bool more = callback ? callback(device, static_cast<int>(i)) : false;
        if (snapshot[i]) {
            device->m_enumerated.store(false);
            // A device the callback did not take holds no node afterwards.
            if (!device->m_checkedOut.load()) {
                releaseNode(device);
            }
        }
        if (!more) {
            break;
        }
    }
    return count;
}

Status HidController::checkOut(HidDevice* device) {
    if (!device || device->m_controller != this || !device->m_pluggedIn.load()) {
        return Error::fromErrno(ENODEV);
    }
    if (device->m_checkedOut.load()) {
        return Error::fromErrno(EBUSY);
    }
    // A device the application cannot talk to is not handed out: the caller
    // learns why at once instead of at its first transfer.
    if (Status opened = openNode(device); !opened) {
        std::lock_guard lock(device->m_mutex);
        device->m_nodeError = opened.error().code;
        return opened;
    }
    device->m_checkedOut.store(true);
    recount();
    updateReader(nodeKey(device));
    return {};
}

void HidController::checkIn(HidDevice* device) {
    if (!device || device->m_controller != this || !device->m_checkedOut.load()) {
        return;
    }
    device->m_checkedOut.store(false);
    releaseNode(device);
    if (!device->m_pluggedIn.load()) {
        std::erase(m_view, device);
        device->m_controller = nullptr;
        device->deleteLater();
    }
    recount();
}

Status HidController::openNode(HidDevice* device) {
    if (!device->m_pluggedIn.load()) {
        return Error::fromErrno(ENODEV);
    }
    const std::string key = nodeKey(device);
    auto it = d->nodes.find(key);
    if (it == d->nodes.end()) {
        auto node = device->m_backend->open(device->m_info.path);
        if (!node) {
            return node.error();
        }
        it = d->nodes
                 .emplace(key, Private::OpenNode{std::make_shared<NodeHandle>(std::move(*node)),
                                                 nullptr})
                 .first;
    }
    device->attachNode(it->second.handle);
    return {};
}

void HidController::releaseNode(HidDevice* device) {
    device->detachNode();
    const std::string key = nodeKey(device);
    auto it = d->nodes.find(key);
    if (it == d->nodes.end()) {
        return;
    }
    const bool held = std::any_of(m_view.begin(), m_view.end(), [&](const HidDevice* other) {
        std::lock_guard lock(other->m_mutex);
        return other->m_node == it->second.handle;
    });
    if (!held) {
        if (it->second.reader) {
            d->retire(it->second.reader);
        }
        d->nodes.erase(it);
        return;
    }
    updateReader(key);
}

void HidController::updateReader(const std::string& key) {
    auto it = d->nodes.find(key);
    if (it == d->nodes.end()) {
        return;
    }
    Private::OpenNode& node = it->second;
    int sleepTime = 0;
    for (const HidDevice* device : m_view) {
        if (device->m_checkedOut.load() && device->m_pluggedIn.load() &&
            device->m_info.caps.inputReportByteLength > 0 && nodeKey(device) == key) {
            sleepTime = sleepTime == 0 ? device->m_threadSleepTime
                                       : std::min(sleepTime, device->m_threadSleepTime);
        }
    }
    if (sleepTime == 0) {
        if (node.reader) {
            d->retire(node.reader);
            node.reader = nullptr;
        }
        return;
    }
    if (node.reader) {
        node.reader->setSleepTime(sleepTime);
        return;
    }
    NodeReader::Callbacks callbacks;
    callbacks.reports = [this, key](const NodeReader::Batch& reports) { deliver(key, reports); };
    callbacks.error = [this, key](int err) { readerError(key, err); };
    // The node failing under the reader is how an unplug often shows first.
    callbacks.gone = [this](int) { scheduleRebuild(); };
    node.reader = new NodeReader(node.handle, sleepTime, std::move(callbacks), this);
    node.reader->start();
}

namespace {

// A report as one collection of its node takes it: the report id (0 when
// the node uses none) and the bytes after it; nothing when the collection
// does not declare that id.
std::optional<std::pair<quint8, QByteArray>> reportFor(const CollectionInfo& info,
                                                       const std::vector<std::uint8_t>& report) {
    quint8 reportId = 0;
    QByteArray payload;
    if (info.usesReportIds) {
        if (report.empty()) {
            return std::nullopt;
        }
        reportId = report[0];
        payload = QByteArray(reinterpret_cast<const char*>(report.data()) + 1,
                             static_cast<qsizetype>(report.size() - 1));
    } else {
        payload = QByteArray(reinterpret_cast<const char*>(report.data()),
                             static_cast<qsizetype>(report.size()));
    }
    if (std::find(info.inputReportIds.begin(), info.inputReportIds.end(), reportId) ==
        info.inputReportIds.end()) {
        return std::nullopt;
    }
    return std::pair{reportId, std::move(payload)};
}

} // namespace

void HidController::deliver(const std::string& key,
                            const std::deque<std::vector<std::uint8_t>>& reports) {
    // The collections of the node, once for the whole batch.
    std::vector<QPointer<HidDevice>> receivers;
    for (HidDevice* device : m_view) {
        if (nodeKey(device) == key) {
            receivers.emplace_back(device);
        }
    }
    for (const std::vector<std::uint8_t>& report : reports) {
        for (const QPointer<HidDevice>& guard : receivers) {
            // A handler may have checked a device in or seen it unplugged.
            HidDevice* device = guard;
            if (!device || !device->m_checkedOut.load() || !device->m_pluggedIn.load()) {
                continue;
            }
            const auto taken = reportFor(device->m_info, report);
            if (!taken) {
                continue;
            }
            emit device->data(device, taken->first, taken->second);
            if (guard) {
                emit deviceData(device, taken->first, taken->second);
            }
        }
    }
}

void HidController::readerError(const std::string& key, int errorNumber) {
    const QString message = QString::fromLocal8Bit(std::strerror(errorNumber));
    const std::vector<QPointer<HidDevice>> snapshot(m_view.begin(), m_view.end());
    for (const QPointer<HidDevice>& guard : snapshot) {
        HidDevice* device = guard;
        if (device && device->m_checkedOut.load() && nodeKey(device) == key) {
            emit device->dataError(device, message);
        }
    }
}

} // namespace volmar::hid
