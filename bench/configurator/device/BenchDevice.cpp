// A full configuration read and write against volmar-sim through the device
// link, with real timers: wall time against the sum of the waits the
// controller requires, and the longest time the event loop went without
// running a 1 ms timer while the transfer ran.
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"
#include "volmar/hid/VirtualBackend.h"

#include "EventLoopProbe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

using namespace volmar;

// The controller's waits: 500 ms before, then per block 25 ms to the reply
// and 25 ms after it (read) or 25 ms after the block (write, after the
// 500 ms that follow write begin).
constexpr double kRequiredReadMs = 500 + 21 * (25 + 25);
constexpr double kRequiredWriteMs = 500 + 21 * 25;

struct Silent : device::LinkObserver {
    bool finished = false;
    device::Outcome outcome = device::Outcome::Completed;
    void showMessage(const std::string&) override {}
    void exchangeFinished(device::Operation, device::Outcome o) override {
        finished = true;
        outcome = o;
    }
};

// One sim, one HID layer and one connected link for the whole run.
class Rig {
public:
    static Rig& get() {
        static Rig rig;
        return rig;
    }

    bool run(bool write, double& wallMs, double& stallMs) {
        m_observer.finished = false;
        bench::StallProbe probe;
        probe.start();
        QElapsedTimer wall;
        wall.start();
        const bool started = write ? m_link->writeConfiguration() : m_link->readConfiguration();
        if (!started || !bench::spinUntil([&] { return m_observer.finished; })) {
            return false;
        }
        wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
        stallMs = probe.stop();
        return m_observer.outcome == device::Outcome::Completed;
    }

private:
    Rig() {
        char pattern[] = "/tmp/volmar-bench-XXXXXX";
        if (!mkdtemp(pattern)) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_folder = pattern;
        ::setenv("XDG_RUNTIME_DIR", pattern, 1);
        m_app = std::make_unique<QCoreApplication>(s_argc, s_argv);
        m_worker = std::make_unique<device::WorkerExecutor>();
        m_sim.start(VOLMAR_SIM_PATH, {"--id", "bench"});
        m_sim.waitForReadyRead(30000);
        std::vector<std::unique_ptr<hid::HidBackend>> backends;
        backends.push_back(hid::makeVirtualBackend());
        m_hid = std::make_unique<hid::HidController>(std::move(backends));
        m_state = startupState(englishLanguage());
        m_state.axes[0].src = 2;
        m_state.axes[0].name = 1;
        m_state.axes[0].src_port = 41;
        osi_Change(m_state, englishLanguage(), true);
        m_document = std::make_unique<device::StateDocument>(m_state, englishLanguage());
        m_link = std::make_unique<device::DeviceLink>(*m_hid, m_scheduler, *m_document,
                                                      englishLanguage(), m_observer);
        m_link->setTransferExecutor(*m_worker);
        bench::spinUntil([&] { return !m_link->deviceLines().empty(); });
        m_link->selectDevice(0x8888, 0x8888);
        if (!m_link->ConfigDevice()) {
            throw std::runtime_error("volmar-sim was not found");
        }
    }
    ~Rig() {
        m_link.reset();
        m_hid.reset();
        m_worker.reset();
        m_sim.terminate();
        m_sim.waitForFinished(10000);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    static inline int s_argc = 1;
    static inline char s_name[] = "bench_device";
    static inline char* s_argv[] = {s_name, nullptr};

    std::filesystem::path m_folder;
    std::unique_ptr<QCoreApplication> m_app;
    QProcess m_sim;
    device::QtScheduler m_scheduler;
    std::unique_ptr<device::WorkerExecutor> m_worker;
    std::unique_ptr<hid::HidController> m_hid;
    ConfigState m_state;
    std::unique_ptr<device::StateDocument> m_document;
    Silent m_observer;
    std::unique_ptr<device::DeviceLink> m_link;
};

void transfer(benchmark::State& state, bool write, double requiredMs) {
    const double mean = bench::timeTransfers(state, [write](double& wallMs, double& stallMs) {
        return Rig::get().run(write, wallMs, stallMs);
    });
    if (mean >= 0) {
        state.counters["required_ms"] = requiredMs;
        state.counters["overhead_ms"] = mean - requiredMs;
    }
}

void BM_FullRead(benchmark::State& state) {
    transfer(state, false, kRequiredReadMs);
}
void BM_FullWrite(benchmark::State& state) {
    transfer(state, true, kRequiredWriteMs);
}

BENCHMARK(BM_FullRead)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullWrite)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
