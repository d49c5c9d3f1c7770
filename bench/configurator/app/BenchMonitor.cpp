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
#include "volmar/app/Dialogs.h"
#include "volmar/app/TMForm.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/hid/VirtualBackend.h"

#include "EventLoopProbe.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>

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

std::filesystem::path privateFolder() {
    char pattern[] = "/tmp/volmar-bench-monitor-XXXXXX";
    if (!mkdtemp(pattern)) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

double windowSeconds(double share) {
    const char* text = std::getenv("VOLMAR_BENCH_MONITOR_SECONDS");
    const double seconds = text ? std::atof(text) : 30.0;
    return std::max(1.0, seconds * share);
}

// Four axes on sensors (X, Y and Z at 12 bits, a slider at 14) and ten
// bound buttons, written where the sim reads its EEPROM from.
void writeLiveController(const std::filesystem::path& file) {
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
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

QProcessEnvironment privateEnvironment(const std::filesystem::path& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(folder.string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.string()));
    return env;
}

// Waits (at most 30 s) until the process printed a line containing `text`.
bool waitForOutput(QProcess& process, const char* text) {
    QByteArray out;
    while (!out.contains(text)) {
        if (!process.waitForReadyRead(30000)) {
            return false;
        }
        out += process.readAllStandardOutput();
    }
    return true;
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

void stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

// Arg 0: the joystick sends no reports; 1: at its poll interval.
void BM_MonitorCpu(benchmark::State& state) {
    const bool reports = state.range(0) != 0;
    const std::filesystem::path folder = privateFolder();
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    const double seconds = windowSeconds(1.0);
    for (auto _ : state) {
        writeLiveController(folder / "eeprom.bin");
        QProcess sim;
        sim.setProcessEnvironment(privateEnvironment(folder));
        sim.start(VOLMAR_SIM_PATH, {"--id", "cpu", "--eeprom", (folder / "eeprom.bin").c_str(),
                                    "--log", (folder / "frames.log").c_str()});
        QProcess app;
        app.setProcessEnvironment(privateEnvironment(folder));
        if (!waitForOutput(sim, "ready")) {
            state.SkipWithError("volmar-sim did not start");
            break;
        }
        app.start(VOLMARSETUP_PATH, {"--demo-read"});
        if (!waitForOutput(app, "demo: read completed")) {
            state.SkipWithError("VolmarSetup did not read the controller");
            stop(sim);
            break;
        }
        if (!reports) {
            std::ofstream(folder / "volmar" / "virtual" / "cpu.control") << "input off\n";
            if (!waitForOutput(sim, "did input off")) {
                state.SkipWithError("volmar-sim did not stop its reports");
                stop(app);
                stop(sim);
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
        stop(app);
        stop(sim);
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
class Rig {
public:
    static Rig& get() {
        if (!s_rig) {
            s_rig.reset(new Rig);
        }
        return *s_rig;
    }
    static void release() { s_rig.reset(); }

    app::TMForm& window() { return *m_window; }
    QLineEdit& field(const char* name) { return *m_window->findChild<QLineEdit*>(name); }
    // One runtime command into the sim's pipe.
    void command(const std::string& line) {
        std::ofstream(m_folder / "volmar" / "virtual" / "delay.control") << line << '\n';
    }

    ~Rig() {
        m_window.reset();
        stop(m_sim);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    Rig() : m_folder(privateFolder()) {
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_app = std::make_unique<QApplication>(s_argc, s_argv);
        writeLiveController(m_folder / "eeprom.bin");
        m_sim.start(VOLMAR_SIM_PATH,
                    {"--id", "delay", "--eeprom", (m_folder / "eeprom.bin").c_str()});
        if (!waitForOutput(m_sim, "ready")) {
            throw std::runtime_error("volmar-sim did not start");
        }
        app::WindowOptions options;
        options.settingsFile = QString::fromStdString((m_folder / "VolmarSetup.ini").string());
        options.backends = [] {
            std::vector<std::unique_ptr<hid::HidBackend>> list;
            list.push_back(hid::makeVirtualBackend());
            return list;
        };
        m_window = std::make_unique<app::TMForm>(m_dialogs, options);
        m_window->show();
        bench::spinUntil([&] { return !m_window->link().deviceLines().empty(); });
        m_window->link().selectDevice(0x8888, 0x8888);
        if (!m_window->link().ConfigDevice()) {
            throw std::runtime_error("volmar-sim was not found");
        }
        m_window->editor().edit("osi_1_src", 2);
    }

    static inline std::unique_ptr<Rig> s_rig;
    static inline int s_argc = 1;
    static inline char s_name[] = "bench_monitor";
    static inline char* s_argv[] = {s_name, nullptr};

    std::filesystem::path m_folder;
    std::unique_ptr<QApplication> m_app;
    QProcess m_sim;
    app::ScriptedDialogs m_dialogs;
    std::unique_ptr<app::TMForm> m_window;
};

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_MonitorCpuCurvePage(benchmark::State& state) {
    Rig& rig = Rig::get();
    app::TMForm& window = rig.window();
    window.editor().edit("osi_1_prcsn", 4); // 14 bits: 16384 points a redraw
    window.findChild<QTabWidget*>("JvPageControl")->setCurrentIndex(1);
    window.findChild<QComboBox*>("CurveVisualAxis")->setCurrentIndex(1);
    rig.command("axis 1 auto");
    rig.command("input off");
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
    Rig& rig = Rig::get();
    QLineEdit& raw = rig.field("joy_osi_01_t");
    double worst = 0;
    double total = 0;
    int value = 1000;
    // The changes come at moments unrelated to the monitor's ticks.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> pauseMs(0, 99);
    for (auto _ : state) {
        const QString shown = QString::number(++value);
        QElapsedTimer pause;
        pause.start();
        const int wait = pauseMs(rng);
        bench::spinUntil([&] { return pause.elapsed() >= wait; });
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
    Rig::release();
    benchmark::Shutdown();
    return 0;
}
