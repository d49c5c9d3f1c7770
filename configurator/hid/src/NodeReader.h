#pragma once

// One opened node and its input reader thread. Private to the HID layer.

#include "volmar/hid/HidBackend.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace volmar::hid {

// An opened node, shared by the collections that use it (and by a worker
// thread in the middle of a transfer, so closing never pulls the node away
// under a running transfer).
struct NodeHandle {
    explicit NodeHandle(std::unique_ptr<HidNode> n) : node(std::move(n)) {}
    std::unique_ptr<HidNode> node;
    // Feature transfers of one node never interleave, whichever thread runs them.
    std::mutex featureMutex;
};

// Reads input reports of one node on its own thread and hands them to the
// thread that owns this object through a bounded queue: the reader never
// waits for that thread, and a reader that outruns it loses the oldest
// reports (counted) instead of growing without end.
//
// Reports that keep coming are read in batches: after a batch the reader
// pauses so that the next reports gather in the node's queue, and wakes once
// per batch instead of once per report. The pause follows the device's rate
// so that the node's own queue (64 reports for a hidraw reader) never fills
// meanwhile. The owner's thread is woken for them at most every kHandoverMs
// while they keep coming (the first after a quiet spell at once); it may
// take them sooner with deliverQueued().
class NodeReader : public QObject {
    Q_OBJECT
public:
    using Report = std::vector<std::uint8_t>;
    using Batch = std::deque<Report>;
    struct Callbacks {
        // Reports in the order read. A handler that checks the device in
        // stops this reader; the rest of the batch is then the receiver's
        // to ignore.
        std::function<void(const Batch&)> reports;
        std::function<void(int errorNumber)> error; // a read failed; retried
        std::function<void(int errorNumber)> gone;  // the node has been removed
    };
    // Bounds of the pause after a batch.
    struct Pacing {
        int minPauseMs = 1; // where a stream starts, and for fast devices
        // For slow devices. A full-speed device sending every millisecond
        // puts fewer reports than a hidraw reader's queue holds into it.
        int maxPauseMs = 50;
    };

    NodeReader(std::shared_ptr<NodeHandle> node, int sleepTimeMs, Callbacks callbacks,
               QObject* parent = nullptr);
    ~NodeReader() override;

    // Before start().
    void setPacing(Pacing pacing) { m_pacing = pacing; }
    void start();
    // Hands over, on the owner's thread and before returning, every report
    // the device has sent so far (those in the node's queue too while the
    // thread pauses) and the failures met since the last handover.
    void deliverQueued();
    // Asks the thread to end, wakes it, joins it and lets go of the node;
    // never waits a whole sleep time. Nothing is delivered after it returns.
    // Idempotent; a stopped reader does not start again.
    void stop();
    bool running() const { return m_thread.joinable(); }

    void setSleepTime(int ms) { m_sleepTime.store(ms); }
    int sleepTime() const { return m_sleepTime.load(); }
    std::uint64_t droppedReports() const { return m_dropped.load(); }
    // Reports read from the node so far (handed over or dropped).
    std::uint64_t readReports() const { return m_read.load(); }

    static constexpr std::size_t kMaxQueued = 4096;
    // How long read reports may wait for the owner while more keep coming.
    static constexpr int kHandoverMs = 100;
    // Reports one pause aims to gather: well inside the node's own queue.
    static constexpr std::size_t kGatherTarget = 24;

    // The pause after a batch of `gathered` reports that came in a pause of
    // `pauseMs`: the one that gathers kGatherTarget at the same rate, at
    // most twice as long as the last, within the pacing's bounds.
    static int nextPause(int pauseMs, std::size_t gathered, const Pacing& pacing);

private:
    void run();
    // Reads the node once, waiting at most timeoutMs; a report goes to `batch`.
    int readInto(Batch& batch, int timeoutMs);
    // The longest the next blocking read may wait: the sleep time, or less
    // when queued reports are due for their handover sooner.
    int readTimeout();
    // Queues `batch` and wakes the owner when the queue is due.
    void push(Batch& batch);
    void queueLocked(Batch& batch);
    // Between batches; returns the reports the owner read meanwhile.
    std::size_t pauseBetweenBatches(int ms);
    // After a failure.
    void pause(int ms);
    void postEvent(int errorNumber, bool gone);
    void wakeOwnerLocked();
    void drain();

    std::shared_ptr<NodeHandle> m_node;
    Callbacks m_callbacks;
    Pacing m_pacing;
    std::atomic<int> m_sleepTime;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_read{0};
    std::thread m_thread;

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_wake;
    Batch m_queue;
    std::vector<int> m_errors;
    int m_goneError = 0;
    bool m_drainPosted = false;
    std::chrono::steady_clock::time_point m_lastHandover; // long ago at first
    // The thread pauses between batches: the node is the owner's to read.
    bool m_pausing = false;
    std::size_t m_readByOwner = 0; // during the current pause
};

} // namespace volmar::hid
