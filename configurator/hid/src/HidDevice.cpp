#include "NodeReader.h"
#include "volmar/hid/Collections.h"
#include "volmar/hid/HidController.h"

#include <QString>
#include <QThread>

#include <cerrno>
#include <cstring>

namespace volmar::hid {

HidDevice::HidDevice(HidController* controller, HidBackend* backend, CollectionInfo info,
                     int sleepTime)
    : QObject(controller), m_controller(controller), m_backend(backend), m_info(std::move(info)),
      m_threadSleepTime(sleepTime) {
    // The text itself is kept byte for byte; only the comparison needs the
    // 16-bit characters the device sent.
    m_serial = m_info.serial;
    if (!m_info.languageIds.empty() && !m_serial.empty()) {
        const std::u16string serial = QString::fromStdString(m_serial).toStdU16String();
        if (serialAfterLanguageRule(serial, m_info.languageIds).empty()) {
            m_serial.clear();
        }
    }
}

HidDevice::~HidDevice() {
    detachNode();
}

void HidDevice::setThreadSleepTime(int ms) {
    if (ms < kMinThreadSleepTime || ms > kMaxThreadSleepTime) {
        return;
    }
    m_threadSleepTime = ms;
    if (m_controller && m_checkedOut.load()) {
        m_controller->updateReader(m_controller->nodeKey(this));
    }
}

std::string HidDevice::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

void HidDevice::setLastError(std::string text) {
    std::lock_guard lock(m_mutex);
    m_lastError = std::move(text);
}

void HidDevice::attachNode(std::shared_ptr<NodeHandle> node) {
    std::lock_guard lock(m_mutex);
    m_node = std::move(node);
    m_nodeError = 0;
}

void HidDevice::detachNode() {
    std::shared_ptr<NodeHandle> node;
    {
        std::lock_guard lock(m_mutex);
        node.swap(m_node);
    }
    // `node` is released here, outside the lock: a transfer still running on
    // another thread keeps it alive until it returns.
}

template <typename Op>
bool HidDevice::transfer(Op&& op) {
    if (!m_pluggedIn.load()) {
        setLastError(std::strerror(ENODEV));
        return false;
    }
    if (!m_checkedOut.load() && !m_enumerated.load()) {
        setLastError(std::strerror(EBADF));
        return false;
    }
    std::shared_ptr<NodeHandle> node;
    int nodeError = 0;
    {
        std::lock_guard lock(m_mutex);
        node = m_node;
        nodeError = m_nodeError;
    }
    if (!node) {
        // Opening touches the controller's list: only its own thread may.
        const bool ownThread = QThread::currentThread() == thread();
        const int err = m_controller && ownThread ? m_controller->openNode(this)
                                                  : (nodeError != 0 ? nodeError : ENODEV);
        if (err != 0) {
            setLastError(std::strerror(err));
            return false;
        }
        m_controller->updateReader(m_controller->nodeKey(this));
        std::lock_guard lock(m_mutex);
        node = m_node;
    }
    int rc = 0;
    {
        std::lock_guard lock(node->featureMutex);
        rc = op(*node->node);
    }
    setLastError(rc == 0 ? std::string() : std::string(std::strerror(rc)));
    return rc == 0;
}

bool HidDevice::setFeature(std::span<const std::uint8_t> report) {
    return transfer([report](HidNode& node) { return node.setFeature(report); });
}

bool HidDevice::getFeature(std::span<std::uint8_t> report) {
    return transfer([report](HidNode& node) { return node.getFeature(report); });
}

} // namespace volmar::hid
