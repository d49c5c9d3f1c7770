#pragma once

// Where the exchanges wait. The controller needs fixed pauses between frames;
// they are kept exactly, but as timers, so the thread that runs the event
// loop never sleeps. Tests use the virtual scheduler, whose clock only moves
// when told, to check every wait without taking the time.

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace volmar::device {

class Scheduler {
public:
    virtual ~Scheduler() = default;
    // Runs `task` once, `ms` milliseconds from now, on the scheduler's thread.
    virtual void after(int ms, std::function<void()> task) = 0;
    // Milliseconds on the scheduler's clock (arbitrary origin, never going back).
    virtual std::int64_t nowMs() const = 0;
};

// Precise Qt timers on the event loop of the thread that owns it. Tasks still
// pending when it is destroyed never run.
class QtScheduler : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    void after(int ms, std::function<void()> task) override;
    std::int64_t nowMs() const override;
};

// A clock that moves only in runUntilIdle()/advance(): each pending task runs
// at its due time, in due order (ties in the order they were scheduled).
class VirtualScheduler : public Scheduler {
public:
    void after(int ms, std::function<void()> task) override;
    std::int64_t nowMs() const override { return m_now; }

    // Runs tasks due within the next `ms` milliseconds, then sets the clock
    // to now + ms.
    void advance(std::int64_t ms);
    // Runs every task, including those the tasks schedule, up to `limit`
    // tasks (a guard against a task that reschedules itself forever).
    // Returns the number run.
    int runUntilIdle(int limit = 100000);
    bool idle() const { return m_tasks.empty(); }

private:
    bool runNext(std::int64_t until);

    std::int64_t m_now = 0;
    std::uint64_t m_sequence = 0;
    std::map<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> m_tasks;
};

// Where a feature transfer runs. A transfer may block for as long as the
// device takes to answer (the HID layer's timeout); on a worker thread the
// event loop keeps running meanwhile.
class TransferExecutor {
public:
    virtual ~TransferExecutor() = default;
    // Runs `work`, then `done` on the thread that runs the event loop.
    virtual void run(std::function<void()> work, std::function<void()> done) = 0;
};

// Both at once, in the caller: for the virtual scheduler.
class InlineExecutor : public TransferExecutor {
public:
    void run(std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};

// One worker thread; work items run in order, `done` is posted back to the
// thread that owns the executor. Destroying it waits for the item in progress;
// results still to be delivered are dropped.
class WorkerExecutor : public QObject, public TransferExecutor {
    Q_OBJECT
public:
    explicit WorkerExecutor(QObject* parent = nullptr);
    ~WorkerExecutor() override;
    void run(std::function<void()> work, std::function<void()> done) override;

private:
    void loop();
    void deliver();

    std::mutex m_mutex; // guards m_jobs, m_results, m_stop
    std::condition_variable m_wake;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> m_jobs;
    std::deque<std::function<void()>> m_results;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace volmar::device
