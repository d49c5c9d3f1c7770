// A full configuration read and write against volmar-sim through the device
// link, with real timers: wall time against the sum of the waits the
// controller requires, and the longest time the event loop went without
// running a 1 ms timer while the transfer ran. Then the write as the window
// and volmarctl make it: read back after write end, and with the backup read
// before write begin too; what each adds to the write alone.
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
// A read-back (or a backup read): the 500 ms every exchange leaves the
// controller, then the read's 21 blocks.
constexpr double kRequiredReadBackMs = kRequiredReadMs;

// The write alone's mean, once measured in this run.
double g_writeAloneMs = -1;

struct Silent : device::LinkObserver {
    bool finished = false;
    bool verified = false;
    void writeChecked(const device::WriteCheck& check) override {
        verified = check.result == device::WriteCheck::Result::Verified;
    }
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
        return run(write, device::WriteSafety{}, wallMs, stallMs);
    }
    // A write with the read-back and, when `backup`, the backup before it.
    bool runSafeWrite(bool backup, double& wallMs, double& stallMs) {
        device::WriteSafety safety;
        safety.verify = true;
        if (backup) {
            safety.backupFolder = m_folder / "backups";
        }
        return run(true, safety, wallMs, stallMs) && m_observer.verified;
    }

private:
    bool run(bool write, const device::WriteSafety& safety, double& wallMs, double& stallMs) {
        m_link->setWriteSafety(safety);
        m_observer.finished = false;
        m_observer.verified = false;
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
    if (state.counters.count("wall_ms")) {
        g_writeAloneMs = state.counters["wall_ms"];
    }
}

// extra_ms: what the safety net adds to the write alone (measured above in
// this run, else the controller's minimum for it); required_extra_ms: the
// controller's waits for the extra reads.
void safeWrite(benchmark::State& state, bool backup) {
    const double mean = bench::timeTransfers(state, [backup](double& wallMs, double& stallMs) {
        return Rig::get().runSafeWrite(backup, wallMs, stallMs);
    });
    if (mean >= 0) {
        const double alone = g_writeAloneMs > 0 ? g_writeAloneMs : kRequiredWriteMs;
        const double requiredExtra = kRequiredReadBackMs * (backup ? 2 : 1);
        state.counters["extra_ms"] = mean - alone;
        state.counters["required_extra_ms"] = requiredExtra;
        state.counters["overhead_ms"] = mean - alone - requiredExtra;
    }
}

void BM_WriteVerified(benchmark::State& state) {
    safeWrite(state, false);
}
void BM_WriteWithBackupVerified(benchmark::State& state) {
    safeWrite(state, true);
}

BENCHMARK(BM_FullRead)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullWrite)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVerified)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteWithBackupVerified)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
