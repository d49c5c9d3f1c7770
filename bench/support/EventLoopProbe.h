#pragma once

// What the benchmarks measure on a Qt event loop: the longest time it went
// without running a 1 ms timer (a stall the user would see), a bounded wait
// that keeps the loop running, and the figures of a series of transfers.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace volmar::bench {

// The longest gap between two ticks of a 1 ms timer.
class StallProbe {
public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    // Milliseconds.
    double stop() {
        m_timer.stop();
        return static_cast<double>(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs the event loop until `done` holds (30 s at most); returns done().
template <typename F>
bool spinUntil(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    QTimer heartbeat; // the wait below never outlives the deadline
    heartbeat.start(50);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs one transfer per iteration through `once(wallMs, stallMs)` (false:
// it failed), timing each by its wall time; sets "wall_ms" (mean) and
// "max_stall_ms" and returns the mean, or -1 after a failure.
template <typename F>
double timeTransfers(benchmark::State& state, F once) {
    double worstStall = 0;
    double total = 0;
    for (auto _ : state) {
        double wallMs = 0;
        double stallMs = 0;
        if (!once(wallMs, stallMs)) {
            state.SkipWithError("the transfer failed");
            return -1;
        }
        state.SetIterationTime(wallMs / 1000.0);
        total += wallMs;
        worstStall = std::max(worstStall, stallMs);
    }
    const double mean = total / static_cast<double>(state.iterations());
    state.counters["wall_ms"] = mean;
    state.counters["max_stall_ms"] = worstStall;
    return mean;
}

} // namespace volmar::bench
