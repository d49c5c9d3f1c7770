#pragma once

// One opened node and its input reader thread. Private to the HID layer.

#include "volmar/hid/HidBackend.h"

#include <QObject>

#include <atomic>
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
class NodeReader : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const std::vector<std::uint8_t>&)> report;
        std::function<void(int errorNumber)> error; // a read failed; retried
        std::function<void(int errorNumber)> gone;  // the node has been removed
    };

    NodeReader(std::shared_ptr<NodeHandle> node, int sleepTimeMs, Callbacks callbacks,
               QObject* parent = nullptr);
    ~NodeReader() override;

    void start();
    // Asks the thread to end, wakes it, joins it and lets go of the node;
    // never waits a whole sleep time. Nothing is delivered after it returns.
    // Idempotent; a stopped reader does not start again.
    void stop();
    bool running() const { return m_thread.joinable(); }

    void setSleepTime(int ms) { m_sleepTime.store(ms); }
    int sleepTime() const { return m_sleepTime.load(); }
    std::uint64_t droppedReports() const { return m_dropped.load(); }

    static constexpr std::size_t kMaxQueued = 4096;
    // How long reports may gather while they keep coming.
    static constexpr int kBatchMs = 10;

private:
    void run();
    void push(std::vector<std::uint8_t> report);
    void postEvent(int errorNumber, bool gone);
    void wakeOwnerLocked();
    void drain();

    std::shared_ptr<NodeHandle> m_node;
    Callbacks m_callbacks;
    std::atomic<int> m_sleepTime;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::thread m_thread;

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_wake;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::vector<int> m_errors;
    int m_goneError = 0;
    bool m_drainPosted = false;
};

} // namespace volmar::hid
