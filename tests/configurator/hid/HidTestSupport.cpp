#include "HidTestSupport.h"

#include "QtWait.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>

namespace volmar::hid::test {

void ensureApp() {
    volmar::test::qtApp();
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void destroyController(std::unique_ptr<HidController>& controller) {
    if (!controller) {
        return;
    }
    std::vector<QPointer<HidDevice>> held;
    for (HidDevice* device : controller->devices()) {
        if (device->isCheckedOut()) {
            held.emplace_back(device);
        }
    }
    controller.reset();
    for (const QPointer<HidDevice>& device : held) {
        delete device.data();
    }
}

const std::vector<std::uint8_t>& controllerDescriptor() {
    static const std::vector<std::uint8_t> bytes = {
        // vendor collection: commands and live data
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,       //
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,       // bytes 0..255
        0x85, 0x01, 0x09, 0x02, 0x95, 0x25, 0xB1, 0x02, // feature 1: 37 bytes
        0x85, 0x02, 0x09, 0x03, 0x95, 0xC1, 0xB1, 0x02, // feature 2: 193 bytes
        0x85, 0x05, 0x09, 0x04, 0x95, 0x01, 0x81, 0x02, // input 5: 1 byte
        0xC0,                                           //
        // joystick collection
        0x05, 0x01, 0x09, 0x04, 0xA1, 0x01,                   //
        0x85, 0x03, 0x09, 0x30, 0x09, 0x31, 0x15, 0x00,       // input 3: X, Y
        0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, //
        0x05, 0x09, 0x19, 0x01, 0x29, 0x08, 0x25, 0x01,       // 8 buttons
        0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                   //
        0x85, 0x04, 0x05, 0x01, 0x09, 0x32, 0x26, 0xFF, 0x00, // input 4: Z
        0x75, 0x08, 0x95, 0x01, 0x81, 0x02,                   //
        0xC0};
    return bytes;
}

CollectionInfo collection(const std::string& nodeId, const std::string& path, int index,
                          std::uint16_t inputLength, std::vector<std::uint8_t> inputIds,
                          std::uint16_t featureLength) {
    CollectionInfo info;
    info.deviceId = nodeId + "#" + std::to_string(index);
    info.path = path;
    info.collectionIndex = index;
    info.attributes = {0x1234, 0x5678, 0x0100};
    info.caps.usagePage = 1;
    info.caps.usage = 4;
    info.caps.inputReportByteLength = inputLength;
    info.caps.featureReportByteLength = featureLength;
    info.product = "Fake " + nodeId;
    info.serial = "SN-" + nodeId;
    info.inputReportIds = std::move(inputIds);
    info.usesReportIds = true;
    return info;
}

// --- FakeNode --------------------------------------------------------------

FakeNode::FakeNode(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {
    std::lock_guard lock(m_shared->mutex);
    ++m_shared->opened;
}

FakeNode::~FakeNode() {
    std::lock_guard lock(m_shared->mutex);
    ++m_shared->closed;
}

Status FakeNode::setFeature(std::span<const std::uint8_t> report) {
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->featureError != 0) {
        return Error::fromErrno(m_shared->featureError);
    }
    m_shared->features[report[0]].assign(report.begin(), report.end());
    return {};
}

Status FakeNode::getFeature(std::span<std::uint8_t> report) {
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->featureError != 0) {
        return Error::fromErrno(m_shared->featureError);
    }
    const auto& stored = m_shared->features[report[0]];
    if (stored.size() < report.size()) {
        return Error::fromErrno(EIO);
    }
    std::copy_n(stored.begin(), report.size(), report.begin());
    return {};
}

Status FakeNode::readInput(std::vector<std::uint8_t>& report, int timeoutMs) {
    return errnoStatus(read(report, timeoutMs));
}

int FakeNode::read(std::vector<std::uint8_t>& report, int timeoutMs) {
    ++m_shared->reads;
    std::unique_lock lock(m_shared->mutex);
    m_shared->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return m_cancelled || !m_shared->input.empty() || m_shared->readError != 0;
    });
    if (m_cancelled) {
        return ECANCELED;
    }
    if (!m_shared->input.empty()) {
        report = std::move(m_shared->input.front());
        m_shared->input.pop_front();
        return 0;
    }
    return m_shared->readError != 0 ? m_shared->readError : ETIMEDOUT;
}

void FakeNode::cancelRead() {
    std::lock_guard lock(m_shared->mutex);
    m_cancelled = true;
    m_shared->cv.notify_all();
}

void FakeNode::pushInput(Shared& shared, std::vector<std::uint8_t> report) {
    std::lock_guard lock(shared.mutex);
    shared.input.push_back(std::move(report));
    shared.cv.notify_all();
}

void FakeNode::setReadError(Shared& shared, int error) {
    std::lock_guard lock(shared.mutex);
    shared.readError = error;
    shared.cv.notify_all();
}

// --- FakeBackend -----------------------------------------------------------

std::vector<CollectionInfo> FakeBackend::enumerate() {
    ++enumerations;
    return m_present;
}

Result<std::unique_ptr<HidNode>> FakeBackend::open(const std::string& path) {
    if (auto it = openError.find(path); it != openError.end()) {
        return Error::fromErrno(it->second);
    }
    return std::unique_ptr<HidNode>(std::make_unique<FakeNode>(sharedNode(path)));
}

void FakeBackend::setChangeCallback(std::function<void()> callback) {
    m_callback = std::move(callback);
}

void FakeBackend::plug(CollectionInfo info) {
    m_present.push_back(std::move(info));
}

void FakeBackend::unplug(const std::string& deviceId) {
    std::erase_if(m_present, [&](const CollectionInfo& c) { return c.deviceId == deviceId; });
}

void FakeBackend::change() {
    if (m_callback) {
        m_callback();
    }
}

std::shared_ptr<FakeNode::Shared> FakeBackend::sharedNode(const std::string& path) {
    auto& shared = m_nodes[path];
    if (!shared) {
        shared = std::make_shared<FakeNode::Shared>();
    }
    return shared;
}

// --- FakeSim ---------------------------------------------------------------

vhid::DeviceInfo controllerInfo(std::uint16_t vid, std::uint16_t pid, std::string serial) {
    vhid::DeviceInfo info;
    info.vendorId = vid;
    info.productId = pid;
    info.version = 0x0101;
    info.manufacturer = "Volmar";
    info.product = "Volmar2";
    info.serial = std::move(serial);
    info.reportDescriptor = controllerDescriptor();
    return info;
}

FakeSim::FakeSim(const std::filesystem::path& socket, vhid::DeviceInfo info) {
    auto server = vhid::Server::listen(socket, std::move(info));
    if (!server) {
        m_error = server.error().text;
        return;
    }
    m_server = std::move(*server);
    m_thread = std::thread([this] { loop(); });
}

FakeSim::~FakeSim() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void FakeSim::setFaults(int status, std::size_t shortBy, std::uint8_t answerId) {
    std::lock_guard lock(m_mutex);
    m_status = status;
    m_shortBy = shortBy;
    m_answerId = answerId;
}

void FakeSim::broadcast(std::vector<std::uint8_t> report) {
    std::lock_guard lock(m_mutex);
    m_outgoing.push_back(std::move(report));
}

std::vector<std::uint8_t> FakeSim::feature(std::uint8_t id) {
    std::lock_guard lock(m_mutex);
    return m_features[id];
}

std::size_t FakeSim::subscribers() {
    std::lock_guard lock(m_mutex);
    return m_subscribers;
}

void FakeSim::unplug() {
    {
        std::lock_guard lock(m_mutex);
        m_unplug = true;
    }
    // Returns once the device has left: the socket file is gone.
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_server) {
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

namespace {
void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
} // namespace

void FakeSim::loop() {
    for (;;) {
        std::vector<pollfd> fds;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop || !m_server) {
                break;
            }
            m_server->addPollFds(fds);
        }
        ::poll(fds.data(), fds.size(), 2); // short: stop, unplug and input need no wake-up

        std::lock_guard lock(m_mutex);
        if (m_stop) {
            break;
        }
        if (m_unplug) {
            m_server->unplug();
            m_server.reset();
            break;
        }
        std::vector<vhid::Server::Request> requests;
        m_server->process(requests);
        for (const auto& request : requests) {
            vhid::Message reply;
            reply.tag = request.message.tag;
            const auto& payload = request.message.payload;
            if (request.message.type == vhid::MsgType::SetFeature) {
                reply.type = vhid::MsgType::SetFeatureReply;
                putLe32(reply.payload, static_cast<std::uint32_t>(m_status));
                if (m_status == 0 && !payload.empty()) {
                    m_features[payload[0]] = payload;
                }
            } else {
                reply.type = vhid::MsgType::GetFeatureReply;
                putLe32(reply.payload, static_cast<std::uint32_t>(m_status));
                if (m_status == 0 && payload.size() >= 3) {
                    const std::uint8_t id = payload[0];
                    const std::size_t length = payload[1] | (payload[2] << 8);
                    std::vector<std::uint8_t> report = m_features[id];
                    report.resize(length > m_shortBy ? length - m_shortBy : 0);
                    if (!report.empty()) {
                        report[0] = m_answerId != 0 ? m_answerId : id;
                    }
                    reply.payload.insert(reply.payload.end(), report.begin(), report.end());
                }
            }
            m_server->send(request.connection, reply);
        }
        while (!m_outgoing.empty()) {
            m_server->broadcastInput(m_outgoing.front());
            m_outgoing.pop_front();
        }
        m_subscribers = m_server->subscriberCount();
    }
}

} // namespace volmar::hid::test
