// What the viewer's input service costs and carries, against a virtual
// controller served in this process:
//  - ViewerInput/Carried: max_events_per_s_without_drop, the highest rate of
//    events (9 per report: 8 axes and a button) carried from the device into
//    the event queue with none lost, and the first rate that lost some (0:
//    none up to what the device could send). The queue is drained every
//    millisecond so that its reader is not the limit; a window draining it
//    every 10 ms takes at most 256 items per tick (25600 events/s).
//  - ViewerInput/Cpu1kHz_8axes_32buttons: a 1 kHz controller; CPU of the
//    service's threads in % of one core (goal: under 3 %) and in ms per 1000
//    events, and the events lost (should be 0).
#include "VirtualBench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace volmar;
using Clock = std::chrono::steady_clock;

// Joystick, report id 1: X, Y, Z, Rx, Ry, Rz, slider, dial (16 bits, 0..1023)
// and 32 buttons.
const std::vector<std::uint8_t> kDescriptor = {
    0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09,
    0x32, 0x09, 0x33, 0x09, 0x34, 0x09, 0x35, 0x09, 0x36, 0x09, 0x37, 0x15, 0x00,
    0x26, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x08, 0x81, 0x02, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x20, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x20, 0x81, 0x02, 0xC0};

constexpr std::size_t kItemsPerReport = 9;

std::vector<std::uint8_t> report(int step) {
    std::vector<std::uint8_t> r(21, 0);
    r[0] = 1;
    for (int axis = 0; axis < 8; ++axis) {
        const int v = (step * 7 + axis * 97) % 1024;
        r[static_cast<std::size_t>(1 + 2 * axis)] = static_cast<std::uint8_t>(v & 0xFF);
        r[static_cast<std::size_t>(2 + 2 * axis)] = static_cast<std::uint8_t>(v >> 8);
    }
    r[17] = static_cast<std::uint8_t>(step & 1); // button 1 toggles
    return r;
}

using bench::processCpuSeconds;
using bench::threadCpuSeconds;

// A virtual controller and a service watching it, in a private folder.
struct Rig {
    bench::VirtualDevice device{"Bench Stick", kDescriptor};
    std::unique_ptr<input::CDeviceManager> manager;

    Rig() {
        if (!device.server) {
            return;
        }
        device.serveWhile([this] {
            manager = std::make_unique<input::CDeviceManager>(device.apiFactory());
            manager->Create();
            manager->Enumerate();
        });
    }
    bool ok() const { return device.server && manager && manager->devices().size() == 1; }
};

// Sends `reports` reports at `rate` per second from a device thread while
// this thread drains the queue every millisecond (so the queue's reader is
// never the limit: what is measured is the service), and counts the items.
struct RunResult {
    std::size_t sent = 0;     // items the device reported
    std::size_t received = 0; // items that reached the queue
    double sendSeconds = 0;   // how long the device took to send them
    double seconds = 0;       // until the last item was in (or given up)
    double producerCpu = 0;
    double drainCpu = 0;
    double processCpu = 0;
};

RunResult run(Rig& rig, int reports, int rate) {
    RunResult result;
    input::DeviceRecord& d = *rig.manager->devices()[0];
    d.clearQueue();
    std::atomic<bool> done{false};
    const double cpu0 = processCpuSeconds();
    const auto t0 = Clock::now();
    std::thread producer([&] {
        const double c0 = threadCpuSeconds();
        const auto period = std::chrono::nanoseconds(1000000000LL / rate);
        auto next = Clock::now();
        for (int i = 0; i < reports; ++i) {
            rig.device.server->broadcastInput(report(i + 1));
            rig.device.serveOnce(0);
            next += period;
            if (next > Clock::now()) {
                std::this_thread::sleep_until(next);
            }
        }
        result.sendSeconds = std::chrono::duration<double>(Clock::now() - t0).count();
        for (int i = 0; i < 20; ++i) {
            rig.device.serveOnce(1); // flush what is still queued
        }
        result.producerCpu = threadCpuSeconds() - c0;
        done = true;
    });
    const double d0 = threadCpuSeconds();
    result.sent = static_cast<std::size_t>(reports) * kItemsPerReport;
    auto last = Clock::now();
    for (;;) {
        input::DeviceObjectData item;
        bool any = false;
        while (d.popFront(item)) {
            ++result.received;
            any = true;
        }
        if (any) {
            last = Clock::now();
        }
        if (done.load() && (result.received >= result.sent ||
                            Clock::now() - last > std::chrono::milliseconds(200))) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    result.drainCpu = threadCpuSeconds() - d0;
    producer.join();
    // The time the stream took, without the wait that found nothing more.
    result.seconds = std::chrono::duration<double>(last - t0).count();
    result.processCpu = processCpuSeconds() - cpu0;
    return result;
}

// Doubles the report rate from 1 kHz for one second each until items are
// lost (or the device cannot send faster): the highest rate carried whole is
// the figure.
void BM_CarriedWithoutDrop(benchmark::State& state) {
    Rig rig;
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    double best = 0;
    double firstLossy = 0;
    double lostThere = 0;
    for (auto _ : state) {
        for (int rate = 1000; rate <= 64000; rate *= 2) {
            const RunResult r = run(rig, rate, rate);
            const double offered = static_cast<double>(r.sent) / r.sendSeconds;
            if (r.received < r.sent) {
                firstLossy = offered;
                lostThere = static_cast<double>(r.sent - r.received);
                break;
            }
            best = std::max(best, offered);
            if (offered < 0.8 * rate * static_cast<double>(kItemsPerReport)) {
                break; // the device is at its own limit
            }
        }
    }
    state.counters["max_events_per_s_without_drop"] = best;
    state.counters["first_lossy_events_per_s"] = firstLossy;
    state.counters["events_lost_there"] = lostThere;
}
BENCHMARK(BM_CarriedWithoutDrop)
    ->Name("ViewerInput/Carried")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 1 kHz controller with 8 axes and 32 buttons, every report moving all
// axes and one button (9 events): what the service's own threads cost.
void BM_Cpu1kHz(benchmark::State& state) {
    Rig rig;
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    constexpr int kReports = 3000;
    RunResult r;
    for (auto _ : state) {
        r = run(rig, kReports, 1000);
    }
    // The service's own threads: everything but the device and the drain.
    const double service = r.processCpu - r.producerCpu - r.drainCpu;
    const double events = static_cast<double>(r.received);
    state.counters["cpu_pct_of_one_core"] = 100.0 * service / r.seconds;
    state.counters["cpu_ms_per_1000_events"] = events > 0 ? 1e3 * service / (events / 1000.0) : 0;
    state.counters["events_per_s"] = events / r.seconds;
    state.counters["events_lost"] = static_cast<double>(r.sent - r.received);
}
BENCHMARK(BM_Cpu1kHz)
    ->Name("ViewerInput/Cpu1kHz_8axes_32buttons")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
