// The live monitor against volmar-sim:
//  - CPU time of the VolmarSetup program (offscreen) while it is connected
//    and polls, on the axes page, with the sim's axes and buttons moving on
//    their own: once with the joystick's input reports off (the monitor
//    alone), once with them on at the configured 2 ms (500 a second, each
//    counted on the GUI thread);
//  - the same in this process with the curves page shown and the cursor on
//    a 14-bit axis, where every tick redraws the chart (reports off);
//  - the delay from a value changed in the sim (its runtime pipe) at a
//    random moment to the window's field showing it.
// VOLMAR_BENCH_MONITOR_SECONDS sets the length of the CPU windows (30 s for
// the program, a third of it for the curves page, by default).
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include "EventLoopProbe.h"
#include "WindowRig.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using namespace volmar;

double windowSeconds(double share) {
    const char* text = std::getenv("VOLMAR_BENCH_MONITOR_SECONDS");
    const double seconds = text ? std::atof(text) : 30.0;
    return std::max(1.0, seconds * share);
}

// Four axes on sensors (X, Y and Z at 12 bits, a slider at 14) and ten
// bound buttons.
ConfigImage liveController() {
    const TRecordLng& lng = englishLanguage();
    ConfigState config = startupState(lng);
    for (int n = 0; n < 4; ++n) {
        AxisFields& axis = config.axes[static_cast<std::size_t>(n)];
        axis.src = 2;
        axis.src_port = 41 + n;
        axis.name = n + 1;
        axis.prcsn = n == 3 ? 4 : 2;
    }
    for (int row = 5; row < 15; ++row) {
        config.buttons.hw[static_cast<std::size_t>(row)] = row - 4;
    }
    osi_Change(config, lng, false);
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    ConfigToReport(config, image, log);
    return image;
}

QProcessEnvironment privateEnvironment(const std::filesystem::path& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.string()));
    return env;
}

// User and system time of a process, in seconds.
std::optional<double> cpuSeconds(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) {
        return std::nullopt;
    }
    // Fields after the command name, which is in parentheses and may hold blanks.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double utime = 0;
    double stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stod(field);
        } else if (i == 15) {
            stime = std::stod(field);
        }
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Live-data gets in the sim's frame log so far.
int liveGets(const std::filesystem::path& log) {
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.find(" GET 02") != std::string::npos ? 1 : 0;
    }
    return count;
}

// Arg 0: the joystick sends no reports; 1: at its poll interval.
void BM_MonitorCpu(benchmark::State& state) {
    const bool reports = state.range(0) != 0;
    const std::filesystem::path folder = bench::privateFolder();
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    const double seconds = windowSeconds(1.0);
    for (auto _ : state) {
        bench::writeEeprom(folder / "eeprom.bin", liveController());
        QProcess sim;
        sim.setProcessEnvironment(privateEnvironment(folder));
        sim.start(VOLMAR_SIM_PATH, {"--id", "cpu", "--eeprom", (folder / "eeprom.bin").c_str(),
                                    "--log", (folder / "frames.log").c_str()});
        QProcess app;
        app.setProcessEnvironment(privateEnvironment(folder));
        if (!bench::waitForOutput(sim, "ready")) {
            state.SkipWithError("volmar-sim did not start");
            break;
        }
        app.start(VOLMARSETUP_PATH, {"--demo-read"});
        if (!bench::waitForOutput(app, "demo: read completed")) {
            state.SkipWithError("VolmarSetup did not read the controller");
            bench::stop(sim);
            break;
        }
        if (!reports) {
            std::ofstream(folder / "volmar" / "virtual" / "cpu.control") << "input off\n";
            if (!bench::waitForOutput(sim, "did input off")) {
                state.SkipWithError("volmar-sim did not stop its reports");
                bench::stop(app);
                bench::stop(sim);
                break;
            }
        }
        const int getsBefore = liveGets(folder / "frames.log");
        const auto before = cpuSeconds(app.processId());
        QElapsedTimer wall;
        wall.start();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const auto after = cpuSeconds(app.processId());
        const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        const int gets = liveGets(folder / "frames.log") - getsBefore;
        const bool running = app.state() == QProcess::Running;
        bench::stop(app);
        bench::stop(sim);
        if (!before || !after || !running) {
            state.SkipWithError("VolmarSetup ended during the measurement");
            break;
        }
        state.SetIterationTime(wallSeconds);
        state.counters["cpu_percent"] = 100.0 * (*after - *before) / wallSeconds;
        state.counters["polls_per_s"] = gets / wallSeconds;
        state.counters["reports_per_s"] = reports ? 500 : 0;
        state.counters["window_s"] = wallSeconds;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// One sim and one window in this process, connected, axis 1 with a source.
// main() lets it go before the program's exit handlers take Qt's
// thread-local storage away.
std::unique_ptr<bench::WindowRig> g_rig;

bench::WindowRig& rig() {
    if (!g_rig) {
        g_rig = std::make_unique<bench::WindowRig>("delay", liveController());
        g_rig->window().editor().edit("osi_1_src", 2);
    }
    return *g_rig;
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_MonitorCpuCurvePage(benchmark::State& state) {
    bench::WindowRig& rig = ::rig();
    app::TMForm& window = rig.window();
    window.editor().edit("osi_1_prcsn", 4); // 14 bits: 16384 points a redraw
    window.findChild<QTabWidget*>("JvPageControl")->setCurrentIndex(1);
    window.findChild<QComboBox*>("CurveVisualAxis")->setCurrentIndex(1);
    rig.command("axis 1 auto");
    rig.command("input off");
    // The page's first drawing and the last reports are not the figure.
    QElapsedTimer settle;
    settle.start();
    bench::spinUntil([&] { return settle.elapsed() >= 1000; });
    const double seconds = windowSeconds(1.0 / 3.0);
    for (auto _ : state) {
        const double before = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        bench::spinUntil([&] { return std::chrono::steady_clock::now() >= end; });
        const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(wallSeconds);
        state.counters["cpu_percent"] = 100.0 * (processCpuSeconds() - before) / wallSeconds;
        state.counters["window_s"] = wallSeconds;
    }
    rig.command("input on");
    window.findChild<QComboBox*>("CurveVisualAxis")->setCurrentIndex(0);
    window.findChild<QTabWidget*>("JvPageControl")->setCurrentIndex(0);
}

void BM_LiveValueDelay(benchmark::State& state) {
    bench::WindowRig& rig = ::rig();
    QLineEdit& raw = *rig.window().findChild<QLineEdit*>("joy_osi_01_t");
    double worst = 0;
    double total = 0;
    int value = 1000;
    // The changes come at moments unrelated to the monitor's ticks.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pauseMs(0, 99);
    for (auto _ : state) {
        const QString shown = QString::number(++value);
        // A timer of its own: waiting for the loop's other wake-ups would
        // tie the moment to them (to the monitor's ticks among them).
        bool paused = false;
        QTimer::singleShot(pauseMs(rng), Qt::PreciseTimer, [&] { paused = true; });
        bench::spinUntil([&] { return paused; });
        QElapsedTimer clock;
        clock.start();
        rig.command("axis 1 " + shown.toStdString());
        if (!bench::spinUntil([&] { return raw.text() == shown; })) {
            state.SkipWithError("the field never showed the value");
            break;
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        total += ms;
        worst = std::max(worst, ms);
    }
    state.counters["delay_ms"] = total / static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst;
}

BENCHMARK(BM_MonitorCpu)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MonitorCpuCurvePage)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_LiveValueDelay)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    g_rig.reset();
    benchmark::Shutdown();
    return 0;
}
