#include "NodeReader.h"

#include <QMetaObject>
#include <QTimer>

#include <cerrno>
#include <chrono>

namespace volmar::hid {

NodeReader::NodeReader(std::shared_ptr<NodeHandle> node, int sleepTimeMs, Callbacks callbacks,
                       QObject* parent)
    : QObject(parent), m_node(std::move(node)), m_callbacks(std::move(callbacks)),
      m_sleepTime(sleepTimeMs) {}

NodeReader::~NodeReader() {
    stop();
}

void NodeReader::start() {
    if (m_thread.joinable() || m_stop.load()) {
        return;
    }
    m_thread = std::thread([this] { run(); });
}

void NodeReader::stop() {
    m_stop.store(true);
    {
        std::lock_guard lock(m_mutex);
        m_wake.notify_all();
    }
    if (m_node && m_node->node) {
        m_node->node->cancelRead();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    // The node closes as soon as nobody else holds it, not when this object
    // is finally deleted.
    m_node.reset();
}

void NodeReader::run() {
    std::vector<std::uint8_t> report;
    while (!m_stop.load()) {
        const Status read = m_node->node->readInput(report, m_sleepTime.load());
        const int rc = read ? 0 : read.error().code;
        if (m_stop.load()) {
            break;
        }
        if (rc == 0) {
            if (!report.empty()) {
                push(std::move(report));
                report = {};
            }
            continue;
        }
        if (rc == ETIMEDOUT || rc == EINTR || rc == EAGAIN) {
            continue; // one wake-up without a report
        }
        if (rc == ECANCELED) {
            break;
        }
        if (rc == ENODEV || rc == EIO || rc == ESHUTDOWN || rc == ENXIO) {
            postEvent(rc, true);
            break;
        }
        // Anything else may pass (a full queue in the driver, a short
        // glitch): say so once per failure and try again after one sleep.
        postEvent(rc, false);
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(m_sleepTime.load()),
                        [this] { return m_stop.load(); });
    }
}

void NodeReader::push(std::vector<std::uint8_t> report) {
    std::lock_guard lock(m_mutex);
    if (m_queue.size() >= kMaxQueued) {
        m_queue.pop_front();
        m_dropped.fetch_add(1);
    }
    m_queue.push_back(std::move(report));
    wakeOwnerLocked();
}

void NodeReader::postEvent(int errorNumber, bool gone) {
    std::lock_guard lock(m_mutex);
    if (gone) {
        m_goneError = errorNumber;
    } else {
        m_errors.push_back(errorNumber);
    }
    wakeOwnerLocked();
}

void NodeReader::wakeOwnerLocked() {
    // One queued call per batch (see drain).
    if (m_drainPosted) {
        return;
    }
    m_drainPosted = true;
    QMetaObject::invokeMethod(this, &NodeReader::drain, Qt::QueuedConnection);
}

void NodeReader::drain() {
    std::deque<std::vector<std::uint8_t>> reports;
    std::vector<int> errors;
    int gone = 0;
    {
        std::lock_guard lock(m_mutex);
        reports.swap(m_queue);
        errors.swap(m_errors);
        gone = m_goneError;
        m_goneError = 0;
        // While reports keep coming they are taken in batches every
        // kBatchMs: a device sending every 2 ms wakes the owner's thread 100
        // times a second, not 500. Once a look finds none, the next report
        // wakes it at once again.
        m_drainPosted = !reports.empty();
    }
    if (!reports.empty()) {
        QTimer::singleShot(kBatchMs, this, &NodeReader::drain);
    }
    // A handler may check the device in, which stops this reader: from then
    // on nothing more is handed out.
    for (const auto& report : reports) {
        if (m_stop.load()) {
            return;
        }
        if (m_callbacks.report) {
            m_callbacks.report(report);
        }
    }
    for (int err : errors) {
        if (m_stop.load()) {
            return;
        }
        if (m_callbacks.error) {
            m_callbacks.error(err);
        }
    }
    if (gone != 0 && !m_stop.load() && m_callbacks.gone) {
        m_callbacks.gone(gone);
    }
}

} // namespace volmar::hid
