#include "NodeReader.h"

#include <QMetaObject>

#include <algorithm>
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

namespace {

// A wake-up without a report.
bool quiet(int errorNumber) {
    return errorNumber == ETIMEDOUT || errorNumber == EINTR || errorNumber == EAGAIN;
}

bool removal(int errorNumber) {
    return errorNumber == ENODEV || errorNumber == EIO || errorNumber == ESHUTDOWN ||
           errorNumber == ENXIO;
}

} // namespace

int NodeReader::nextPause(int pauseMs, std::size_t gathered, const Pacing& pacing) {
    const auto toTarget =
        static_cast<std::size_t>(pauseMs) * kGatherTarget / std::max<std::size_t>(gathered, 1);
    const auto longer = std::min<std::size_t>(toTarget, 2 * static_cast<std::size_t>(pauseMs));
    return static_cast<int>(std::clamp<std::size_t>(longer,
                                                    static_cast<std::size_t>(pacing.minPauseMs),
                                                    static_cast<std::size_t>(pacing.maxPauseMs)));
}

int NodeReader::readInto(Batch& batch, int timeoutMs) {
    Report report;
    const Status read = m_node->node->readInput(report, timeoutMs);
    if (!read) {
        return read.error().code;
    }
    if (!report.empty()) {
        batch.push_back(std::move(report));
    }
    return 0;
}

void NodeReader::run() {
    Batch batch;
    int pauseMs = m_pacing.minPauseMs;
    std::size_t takenByOwner = 0; // in the last pause
    while (!m_stop.load()) {
        // The first report of a batch is waited for; those already waiting
        // behind it are taken without waiting.
        int rc = readInto(batch, readTimeout());
        while (rc == 0 && batch.size() < kMaxQueued && !m_stop.load()) {
            rc = readInto(batch, 0);
        }
        if (m_stop.load()) {
            break;
        }
        const std::size_t gathered = batch.size() + takenByOwner;
        takenByOwner = 0;
        push(batch); // also when empty: queued ones may be due
        if (rc == 0) {
            continue; // a full batch: more are waiting
        }
        if (quiet(rc)) {
            if (gathered == 0) {
                // Whatever comes after a quiet spell starts with the
                // shortest pause, however fast it comes.
                pauseMs = m_pacing.minPauseMs;
            } else {
                pauseMs = nextPause(pauseMs, gathered, m_pacing);
                takenByOwner = pauseBetweenBatches(pauseMs);
            }
            continue;
        }
        if (rc == ECANCELED) {
            break;
        }
        if (removal(rc)) {
            postEvent(rc, true);
            break;
        }
        // Anything else may pass (a full queue in the driver, a short
        // glitch): say so once per failure and try again after one sleep.
        postEvent(rc, false);
        pause(m_sleepTime.load());
    }
}

std::size_t NodeReader::pauseBetweenBatches(int ms) {
    std::unique_lock lock(m_mutex);
    m_pausing = true;
    m_readByOwner = 0;
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
    m_pausing = false;
    return m_readByOwner;
}

void NodeReader::pause(int ms) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

int NodeReader::readTimeout() {
    const int sleep = m_sleepTime.load();
    std::lock_guard lock(m_mutex);
    if (m_queue.empty() || m_drainPosted) {
        return sleep;
    }
    const auto due = m_lastHandover + std::chrono::milliseconds(kHandoverMs);
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, sleep));
}

void NodeReader::queueLocked(Batch& batch) {
    for (Report& report : batch) {
        if (m_queue.size() >= kMaxQueued) {
            m_queue.pop_front();
            m_dropped.fetch_add(1);
        }
        m_queue.push_back(std::move(report));
    }
    m_read.fetch_add(batch.size());
    batch.clear();
}

void NodeReader::push(Batch& batch) {
    std::lock_guard lock(m_mutex);
    queueLocked(batch);
    if (!m_queue.empty() && std::chrono::steady_clock::now() - m_lastHandover >=
                                std::chrono::milliseconds(kHandoverMs)) {
        wakeOwnerLocked();
    }
}

void NodeReader::deliverQueued() {
    {
        std::lock_guard lock(m_mutex);
        // While the thread pauses, what waits in the node is read here, so
        // that the owner gets all the device has sent by now. A removal is
        // left to the thread, which meets it again at its next read.
        if (m_pausing && !m_stop.load() && m_node && m_node->node) {
            Batch batch;
            int rc = 0;
            while (rc == 0 && batch.size() < kMaxQueued) {
                rc = readInto(batch, 0);
            }
            m_readByOwner += batch.size();
            queueLocked(batch);
            if (rc != 0 && !quiet(rc) && !removal(rc)) {
                m_errors.push_back(rc);
            }
        }
    }
    drain();
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
    // One queued call for whatever gathers until the owner takes it.
    if (m_drainPosted) {
        return;
    }
    m_drainPosted = true;
    QMetaObject::invokeMethod(this, &NodeReader::drain, Qt::QueuedConnection);
}

void NodeReader::drain() {
    Batch reports;
    std::vector<int> errors;
    int gone = 0;
    {
        std::lock_guard lock(m_mutex);
        reports.swap(m_queue);
        errors.swap(m_errors);
        gone = m_goneError;
        m_goneError = 0;
        m_drainPosted = false;
        m_lastHandover = std::chrono::steady_clock::now();
    }
    // A handler may check the device in, which stops this reader: from then
    // on nothing more is handed out.
    if (!reports.empty() && !m_stop.load() && m_callbacks.reports) {
        m_callbacks.reports(reports);
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
