// What the viewer's input service costs and carries, against a virtual
// controller served in this process:
//  - ViewerInput/Carried/<reports per s>: items carried from the device into
//    the event queue per second, and how many were lost on the way (0 means
//    the rate is carried without a drop); 9 items per report (8 axes and a
//    button).
//  - ViewerInput/Cpu1kHz: a 1 kHz controller with 8 axes and 32 buttons; CPU
//    of the service's threads as a share of one core (goal: under 3 %) and
//    per 1000 items.
#include "volmar/input/DeviceManager.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/vhid/Server.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <thread>
#include <time.h>

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

double threadCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double processCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A virtual controller and a service watching it, in a private folder.
struct Rig {
    std::filesystem::path folder;
    std::unique_ptr<vhid::Server> server;
    std::unique_ptr<input::CDeviceManager> manager;

    Rig() {
        char pattern[] = "/tmp/volmar-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        vhid::DeviceInfo info;
        info.product = "Bench Stick";
        info.reportDescriptor = kDescriptor;
        std::string error;
        server = vhid::Server::listen(folder / "bench.sock", info, error);
        if (!server) {
            return;
        }
        // The service connects while the device answers on another thread,
        // which alone touches the server until the service has subscribed.
        std::atomic<bool> enumerated{false};
        std::thread serve([&] {
            const auto end = Clock::now() + std::chrono::seconds(5);
            while (Clock::now() < end && !(enumerated.load() && server->subscriberCount() > 0)) {
                serveOnce(5);
            }
        });
        manager = std::make_unique<input::CDeviceManager>([this] {
            return std::make_unique<input::InputApi>(
                std::vector<std::shared_ptr<input::Backend>>{input::makeVirtualBackend(folder)});
        });
        manager->Create();
        manager->Enumerate();
        enumerated = true;
        serve.join();
    }
    ~Rig() {
        manager.reset();
        server.reset();
        std::filesystem::remove_all(folder);
    }
    bool ok() const { return server && manager && manager->devices().size() == 1; }

    void serveOnce(int timeoutMs) {
        std::vector<pollfd> fds;
        server->addPollFds(fds);
        ::poll(fds.data(), fds.size(), timeoutMs);
        std::vector<vhid::Server::Request> requests;
        server->process(requests);
    }
};

// Sends `reports` reports at `rate` per second from a device thread while
// this thread drains the queue every millisecond; returns items received.
struct RunResult {
    std::size_t received = 0;
    double seconds = 0;
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
            rig.server->broadcastInput(report(i + 1));
            rig.serveOnce(0);
            next += period;
            if (next > Clock::now()) {
                std::this_thread::sleep_until(next);
            }
        }
        for (int i = 0; i < 20; ++i) {
            rig.serveOnce(1); // flush what is still queued
        }
        result.producerCpu = threadCpuSeconds() - c0;
        done = true;
    });
    const double d0 = threadCpuSeconds();
    const std::size_t expected = static_cast<std::size_t>(reports) * kItemsPerReport;
    auto quiet = Clock::now();
    for (;;) {
        input::DeviceObjectData item;
        bool any = false;
        while (d.popFront(item)) {
            ++result.received;
            any = true;
        }
        if (any) {
            quiet = Clock::now();
        }
        if (done.load() && (result.received >= expected ||
                            Clock::now() - quiet > std::chrono::milliseconds(200))) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    result.drainCpu = threadCpuSeconds() - d0;
    producer.join();
    result.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    result.processCpu = processCpuSeconds() - cpu0;
    return result;
}

void BM_Carried(benchmark::State& state) {
    Rig rig;
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    const int rate = static_cast<int>(state.range(0));
    const int reports = rate; // one second of input
    RunResult r;
    for (auto _ : state) {
        r = run(rig, reports, rate);
    }
    const double expected = static_cast<double>(reports) * kItemsPerReport;
    state.counters["items_per_s"] = static_cast<double>(r.received) / r.seconds;
    state.counters["dropped"] = expected - static_cast<double>(r.received);
}
BENCHMARK(BM_Carried)
    ->Name("ViewerInput/Carried")
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(8000)
    ->Arg(16000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Cpu1kHz(benchmark::State& state) {
    Rig rig;
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    RunResult r;
    for (auto _ : state) {
        r = run(rig, 2000, 1000);
    }
    // The service's own threads: everything but the device and the drain.
    const double service = r.processCpu - r.producerCpu - r.drainCpu;
    state.counters["cpu_share_pct"] = 100.0 * service / r.seconds;
    state.counters["cpu_us_per_1000_items"] =
        r.received > 0 ? 1e6 * service / (static_cast<double>(r.received) / 1000.0) : 0.0;
    state.counters["dropped"] = 2000.0 * kItemsPerReport - static_cast<double>(r.received);
}
BENCHMARK(BM_Cpu1kHz)
    ->Name("ViewerInput/Cpu1kHz_8axes_32buttons")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
