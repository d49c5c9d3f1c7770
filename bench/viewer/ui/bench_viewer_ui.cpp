// What Inspecta's windows cost and how quickly they follow a device, against
// a virtual controller served in this process, windows drawn offscreen:
//  - ViewerUi/Cpu_4gauges_1kHz: a 1 kHz controller with four axes, all
//    moving, shown in four axis windows repainting at the 10 ms refresh.
//    CPU of the whole viewer (windows, input service threads) in % of one
//    core (goal: under 10 %), the GUI thread's and the input threads' parts
//    of it, and the repaints per second of each gauge (about 100: every
//    refresh tick repaints). The controller's own sending runs on a thread
//    of the bench and is not counted: on a real one that is the device's
//    and the kernel's work. Nothing of the bench wakes the GUI thread while
//    it measures.
//  - ViewerUi/GaugeTick: the GUI thread's CPU for one refresh of the four
//    gauges, each with a new value, repaint included, without the device
//    (steadier than the whole: no thread wake-ups in it).
//  - ViewerUi/EventToRow: time from a report leaving the device to its row
//    in the Buffered window (goal: under 20 ms): median, 95th percentile and
//    maximum over reports sent at uneven times against the 10 ms drain.
#include "CAxisView.h"
#include "CBufferedInputView.h"
#include "CViewerApp.h"
#include "Prompts.h"
#include "VirtualBench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace volmar;
using Clock = std::chrono::steady_clock;

QApplication& app() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "bench_viewer_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static QApplication* a = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return *a;
}

// Joystick, report id 1: `axes` 16-bit axes (X, Y, Z, Rx...) 0..1023, then
// one button when asked.
std::vector<std::uint8_t> descriptor(int axes, bool button) {
    // Built as text of bytes and copied once: g++ 12 at -O3 misreads a
    // vector growing by inserts as an overflow.
    std::basic_string<std::uint8_t> d = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x85, 0x01};
    for (int a = 0; a < axes; ++a) {
        d += {0x09, static_cast<std::uint8_t>(0x30 + a)};
    }
    d += {0x15, 0x00, 0x26, 0xFF, 0x03, 0x75, 0x10, 0x95, static_cast<std::uint8_t>(axes),
          0x81, 0x02};
    if (button) {
        d += {0x05, 0x09, 0x19, 0x01, 0x29, 0x01, 0x15, 0x00, 0x25, 0x01, 0x75,
              0x01, 0x95, 0x01, 0x81, 0x02, 0x75, 0x07, 0x95, 0x01, 0x81, 0x03};
    }
    d += std::uint8_t{0xC0};
    return {d.begin(), d.end()};
}

std::vector<std::uint8_t> report(int axes, bool button, const std::vector<int>& values) {
    std::vector<std::uint8_t> r(static_cast<std::size_t>(1 + 2 * axes + (button ? 1 : 0)), 0);
    r[0] = 1;
    for (int a = 0; a < axes; ++a) {
        r[static_cast<std::size_t>(1 + 2 * a)] = static_cast<std::uint8_t>(values[a] & 0xFF);
        r[static_cast<std::size_t>(2 + 2 * a)] = static_cast<std::uint8_t>(values[a] >> 8);
    }
    return r;
}

// A virtual controller and the viewer started on it (first run: every axis
// window and the Buffered window open), in private folders.
struct Rig {
    bench::VirtualDevice device;
    viewer::DialogPrompts prompts;
    std::unique_ptr<viewer::CViewerApp> viewer;

    Rig(int axes, bool button) : device("Bench Stick", descriptor(axes, button)) {
        app();
        if (!device.server) {
            return;
        }
        device.serveWhile([&] {
            viewer = std::make_unique<viewer::CViewerApp>(
                prompts, device.apiFactory(),
                QString::fromStdString((device.folder / "Inspecta.ini").string()));
            viewer->initInstance();
            viewer->mainFrame()->resize(1024, 700);
        });
    }
    ~Rig() { viewer.reset(); }
    bool ok() const {
        return device.server && viewer &&
               viewer->mainFrame()->deviceManager().devices().size() == 1;
    }
    // Runs the viewer's event loop, as the program does, until `done` holds
    // (looked at every 50 ms) or `seconds` passed.
    template <typename Done>
    void runLoop(Done done, double seconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (done() || Clock::now() >= end) {
                loop.quit();
            }
        });
        check.start(50);
        loop.exec();
    }
    // Runs `loop` until something quits it or `seconds` passed, without a
    // timer of the bench's own waking the GUI thread meanwhile.
    static void runLoopUntilQuit(QEventLoop& loop, double seconds) {
        QTimer::singleShot(std::chrono::milliseconds(static_cast<int>(seconds * 1000)), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
};

void BM_Cpu4Gauges1kHz(benchmark::State& state) {
    constexpr int kAxes = 4;
    Rig rig(kAxes, false);
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    viewer::CMainFrame& frame = *rig.viewer->mainFrame();
    std::vector<viewer::CAxisView*> gauges;
    for (QMdiSubWindow* w : frame.windows()) {
        if (viewer::CAxisView* v = frame.axisView(w)) {
            gauges.push_back(v);
        }
    }
    if (gauges.size() != kAxes) {
        state.SkipWithError("the four axis windows did not open");
        return;
    }
    rig.runLoop([] { return false; }, 0.3); // windows shown and laid out
    constexpr double kSeconds = 3.0;
    double producerCpu = 0;
    double viewerCpu = 0;
    double guiCpu = 0;
    double seconds = 0;
    int paints = 0;
    int reports = 0;
    for (auto _ : state) {
        QEventLoop loop;
        int before = 0;
        for (auto* g : gauges) {
            before += g->paintCount();
        }
        const double cpu0 = bench::processCpuSeconds();
        const double gui0 = bench::threadCpuSeconds();
        const auto t0 = Clock::now();
        std::thread producer([&] {
            const double c0 = bench::threadCpuSeconds();
            auto next = Clock::now();
            std::vector<int> values(kAxes);
            for (int i = 0; Clock::now() - t0 < std::chrono::duration<double>(kSeconds); ++i) {
                for (int a = 0; a < kAxes; ++a) {
                    values[a] = (i * 3 + a * 200) % 1024;
                }
                rig.device.server->broadcastInput(report(kAxes, false, values));
                rig.device.serveOnce(0);
                ++reports;
                next += std::chrono::milliseconds(1);
                std::this_thread::sleep_until(next);
            }
            producerCpu = bench::threadCpuSeconds() - c0;
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        Rig::runLoopUntilQuit(loop, kSeconds + 2);
        guiCpu = bench::threadCpuSeconds() - gui0;
        producer.join();
        seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        viewerCpu = bench::processCpuSeconds() - cpu0 - producerCpu;
        for (auto* g : gauges) {
            paints += g->paintCount();
        }
        paints -= before;
    }
    state.counters["cpu_pct_of_one_core"] = 100.0 * viewerCpu / seconds;
    // Of that, the GUI thread (refresh and painting), and the rest: the
    // input service's threads (the device's reading and the reader).
    state.counters["gui_thread_pct"] = 100.0 * guiCpu / seconds;
    state.counters["input_threads_pct"] = 100.0 * (viewerCpu - guiCpu) / seconds;
    state.counters["paints_per_s_per_gauge"] = paints / seconds / kAxes;
    state.counters["reports_per_s"] = reports / seconds;
}
BENCHMARK(BM_Cpu4Gauges1kHz)
    ->Name("ViewerUi/Cpu_4gauges_1kHz")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The GUI thread's part alone, without the device's threads and their
// wake-ups: what one refresh of four changed gauges costs, repaint included.
void BM_GaugeTick(benchmark::State& state) {
    constexpr int kAxes = 4;
    Rig rig(kAxes, false);
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    std::vector<viewer::CAxisView*> gauges;
    for (QMdiSubWindow* w : rig.viewer->mainFrame()->windows()) {
        if (viewer::CAxisView* v = rig.viewer->mainFrame()->axisView(w)) {
            gauges.push_back(v);
        }
    }
    if (gauges.size() != kAxes) {
        state.SkipWithError("the four axis windows did not open");
        return;
    }
    rig.runLoop([] { return false; }, 0.3);
    int paints = 0;
    for (auto* g : gauges) {
        paints -= g->paintCount();
    }
    const double cpu0 = bench::threadCpuSeconds();
    std::int32_t tick = 0;
    for (auto _ : state) {
        ++tick;
        for (std::size_t a = 0; a < gauges.size(); ++a) {
            // As a 1 kHz stick moves between two refreshes; raw beside it.
            const std::int32_t value = (tick * 30 + static_cast<std::int32_t>(a) * 200) % 65536;
            gauges[a]->showSnapshot({value, value / 64});
        }
        QCoreApplication::sendPostedEvents();
    }
    const double cpu = bench::threadCpuSeconds() - cpu0;
    for (auto* g : gauges) {
        paints += g->paintCount();
    }
    state.counters["gui_us_per_tick"] = 1e6 * cpu / static_cast<double>(state.iterations());
    state.counters["paints_per_tick"] = paints / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GaugeTick)
    ->Name("ViewerUi/GaugeTick")
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

void BM_EventToRow(benchmark::State& state) {
    Rig rig(1, true);
    if (!rig.ok()) {
        state.SkipWithError("virtual controller could not be set up");
        return;
    }
    viewer::CMainFrame& frame = *rig.viewer->mainFrame();
    viewer::CBufferedInputView* list = nullptr;
    for (QMdiSubWindow* w : frame.windows()) {
        list = list ? list : frame.bufferedView(w);
    }
    if (list == nullptr) {
        state.SkipWithError("the Buffered window did not open");
        return;
    }
    rig.runLoop([] { return false; }, 0.3);
    constexpr int kReports = 150;
    std::vector<double> latencies;
    for (auto _ : state) {
        // Send times by report; each report moves X by one: one row each.
        std::vector<Clock::time_point> sent(kReports);
        std::vector<Clock::time_point> arrived;
        const int rows0 = list->model().rowCount();
        QObject::connect(&list->model(), &QAbstractItemModel::rowsInserted, &frame,
                         [&](const QModelIndex&, int, int last) {
                             const auto now = Clock::now();
                             while (static_cast<int>(arrived.size()) < last + 1 - rows0) {
                                 arrived.push_back(now);
                             }
                         });
        std::thread producer([&] {
            for (int i = 0; i < kReports; ++i) {
                // Uneven spacing, so reports fall anywhere in the 10 ms drain.
                std::this_thread::sleep_for(std::chrono::microseconds(17000 + (i * 7919) % 9000));
                sent[static_cast<std::size_t>(i)] = Clock::now();
                rig.device.server->broadcastInput(report(1, true, {100 + i}));
                rig.device.serveOnce(0);
            }
        });
        rig.runLoop([&] { return static_cast<int>(arrived.size()) >= kReports; }, 30);
        producer.join();
        for (std::size_t i = 0; i < arrived.size() && i < sent.size(); ++i) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(arrived[i] - sent[i]).count());
        }
    }
    if (latencies.empty()) {
        state.SkipWithError("no row arrived");
        return;
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
    state.counters["max_ms"] = latencies.back();
    state.counters["rows"] = static_cast<double>(latencies.size());
}
BENCHMARK(BM_EventToRow)
    ->Name("ViewerUi/EventToRow")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
