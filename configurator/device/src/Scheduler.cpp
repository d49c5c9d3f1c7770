#include "volmar/device/Scheduler.h"

#include <QTimer>

#include <chrono>

namespace volmar::device {

QtScheduler::QtScheduler(QObject* parent) : QObject(parent) {}

void QtScheduler::after(int ms, std::function<void()> task) {
    // Precise: a coarse timer may fire up to 5 % early, which would break the
    // controller's minimum reply windows.
    QTimer::singleShot(ms, Qt::PreciseTimer, this, std::move(task));
}

std::int64_t QtScheduler::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void VirtualScheduler::after(int ms, std::function<void()> task) {
    m_tasks.emplace(std::make_pair(m_now + (ms < 0 ? 0 : ms), m_sequence++), std::move(task));
}

bool VirtualScheduler::runNext(std::int64_t until) {
    if (m_tasks.empty() || m_tasks.begin()->first.first > until) {
        return false;
    }
    auto node = m_tasks.extract(m_tasks.begin());
    m_now = node.key().first;
    node.mapped()();
    return true;
}

void VirtualScheduler::advance(std::int64_t ms) {
    const std::int64_t until = m_now + ms;
    while (runNext(until)) {
    }
    m_now = until;
}

int VirtualScheduler::runUntilIdle(int limit) {
    int count = 0;
    while (count < limit && runNext(INT64_MAX)) {
        ++count;
    }
    return count;
}

WorkerExecutor::WorkerExecutor(QObject* parent) : QObject(parent), m_thread([this] { loop(); }) {}

WorkerExecutor::~WorkerExecutor() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void WorkerExecutor::run(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.emplace_back(std::move(work), std::move(done));
    }
    m_wake.notify_one();
}

void WorkerExecutor::loop() {
    for (;;) {
        std::pair<std::function<void()>, std::function<void()>> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job.first();
        {
            std::lock_guard lock(m_mutex);
            m_results.push_back(std::move(job.second));
        }
        // Only a wake-up crosses the threads through Qt; the results travel
        // under the mutex. Dropped if the executor is gone by then.
        QMetaObject::invokeMethod(this, &WorkerExecutor::deliver, Qt::QueuedConnection);
    }
}

void WorkerExecutor::deliver() {
    for (;;) {
        std::function<void()> done;
        {
            std::lock_guard lock(m_mutex);
            if (m_results.empty()) {
                return;
            }
            done = std::move(m_results.front());
            m_results.pop_front();
        }
        done();
    }
}

} // namespace volmar::device
