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
      // Paths are unique within a backend; the backend's address tells two
      // backends apart.
      m_nodeKey(std::to_string(reinterpret_cast<std::uintptr_t>(backend)) + "|" + m_info.path),
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
Status HidDevice::transfer(Op&& op) {
    if (!m_pluggedIn.load()) {
        return Error::fromErrno(ENODEV);
    }
    if (!m_checkedOut.load() && !m_enumerated.load()) {
        return Error::fromErrno(EBADF);
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
        if (!m_controller || !ownThread) {
            return Error::fromErrno(nodeError != 0 ? nodeError : ENODEV);
        }
        if (Status opened = m_controller->openNode(this); !opened) {
            return opened;
        }
        m_controller->updateReader(m_controller->nodeKey(this));
        std::lock_guard lock(m_mutex);
        node = m_node;
    }
    std::lock_guard lock(node->featureMutex);
    return op(*node->node);
}

Status HidDevice::setFeature(std::span<const std::uint8_t> report) {
    return transfer([report](HidNode& node) { return node.setFeature(report); });
}

Status HidDevice::getFeature(std::span<std::uint8_t> report) {
    return transfer([report](HidNode& node) -> Status {
        const std::uint8_t asked = report.empty() ? 0 : report[0];
        Status got = node.getFeature(report);
        // Another report than the one asked for is not the answer, whatever
        // its bytes say.
        if (got && report[0] != asked) {
            return Error{EPROTO, "the device answered report " + std::to_string(report[0]) +
                                     " to a request for report " + std::to_string(asked)};
        }
        return got;
    });
}

} // namespace volmar::hid
