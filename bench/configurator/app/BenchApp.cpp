// The configurator window: from process start to the main window shown
// (offscreen, real and virtual HID backends as the program runs), and the
// longest time the window's event loop went without running a 1 ms timer
// while a configuration read or write against volmar-sim ran.
#include "volmar/app/Dialogs.h"
#include "volmar/app/TMForm.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/hid/VirtualBackend.h"

#include "EventLoopProbe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using namespace volmar;

std::filesystem::path privateFolder() {
    char pattern[] = "/tmp/volmar-bench-app-XXXXXX";
    if (!mkdtemp(pattern)) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

// Milliseconds from starting VolmarSetup until it reports its window shown.
std::optional<double> startupMs(const std::filesystem::path& runtime) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
    program.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    program.start(VOLMARSETUP_PATH, {"--demo-quit"});
    QByteArray out;
    std::optional<double> shown;
    while (!shown && program.waitForReadyRead(10000)) {
        out += program.readAllStandardOutput();
        if (out.contains("demo: shown")) {
            shown = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
    }
    program.waitForFinished(10000);
    return shown;
}

void BM_WindowStartup(benchmark::State& state) {
    const std::filesystem::path runtime = privateFolder();
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    double worst = 0;
    double total = 0;
    for (auto _ : state) {
        const auto ms = startupMs(runtime);
        if (!ms) {
            state.SkipWithError("VolmarSetup did not report its window");
            break;
        }
        state.SetIterationTime(*ms / 1000.0);
        total += *ms;
        worst = std::max(worst, *ms);
    }
    state.counters["shown_ms"] = total / static_cast<double>(state.iterations());
    state.counters["worst_ms"] = worst;
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
}

// One sim and one window, connected, for the transfer figures.
class Rig {
public:
    static Rig& get() {
        if (!s_rig) {
            s_rig.reset(new Rig);
        }
        return *s_rig;
    }
    // Windows must go before the program's exit handlers take Qt's
    // thread-local storage away.
    static void release() { s_rig.reset(); }

    // Presses the button and waits for its exchange; false when it failed.
    bool press(const char* button, double& wallMs, double& stallMs) {
        m_outcome.reset();
        bench::StallProbe probe;
        probe.start();
        QElapsedTimer wall;
        wall.start();
        m_window->findChild<QPushButton*>(button)->click();
        if (!bench::spinUntil([&] { return m_outcome.has_value(); })) {
            return false;
        }
        wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
        stallMs = probe.stop();
        return *m_outcome == device::Outcome::Completed;
    }

private:
    Rig() : m_folder(privateFolder()) {
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_app = std::make_unique<QApplication>(s_argc, s_argv);

        // A configured controller, so the write is valid.
        ConfigState config = startupState(englishLanguage());
        config.axes[0].src = 2;
        config.axes[0].name = 1;
        osi_Change(config, englishLanguage(), false);
        ConfigImage image{};
        DescriptorLog log(kDescriptorLogLines);
        ConfigToReport(config, image, log);
        const auto eeprom = m_folder / "eeprom.bin";
        // Without the file the sim starts blank, which the benchmark survives.
        (void)writeConfigFiles(eeprom, image, log);
        m_sim.start(VOLMAR_SIM_PATH, {"--id", "bench", "--eeprom", eeprom.c_str()});
        m_sim.waitForReadyRead(30000);

        app::WindowOptions options;
        options.settingsFile = QString::fromStdString((m_folder / "VolmarSetup.ini").string());
        options.backends = [] {
            std::vector<std::unique_ptr<hid::HidBackend>> list;
            list.push_back(hid::makeVirtualBackend());
            return list;
        };
        m_window = std::make_unique<app::TMForm>(m_dialogs, options);
        QObject::connect(m_window.get(), &app::TMForm::linkExchangeFinished,
                         [this](device::Operation, device::Outcome o) { m_outcome = o; });
        m_window->show();
        bench::spinUntil([&] { return !m_window->link().deviceLines().empty(); });
        m_window->link().selectDevice(0x8888, 0x8888);
        if (!m_window->link().ConfigDevice()) {
            throw std::runtime_error("volmar-sim was not found");
        }
    }

public:
    ~Rig() {
        m_window.reset();
        m_sim.terminate();
        m_sim.waitForFinished(10000);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    static inline std::unique_ptr<Rig> s_rig;
    static inline int s_argc = 1;
    static inline char s_name[] = "bench_app";
    static inline char* s_argv[] = {s_name, nullptr};

    std::filesystem::path m_folder;
    std::unique_ptr<QApplication> m_app;
    QProcess m_sim;
    app::ScriptedDialogs m_dialogs;
    std::unique_ptr<app::TMForm> m_window;
    std::optional<device::Outcome> m_outcome;
};

void transfer(benchmark::State& state, const char* button) {
    bench::timeTransfers(state, [button](double& wallMs, double& stallMs) {
        return Rig::get().press(button, wallMs, stallMs);
    });
}

void BM_WindowRead(benchmark::State& state) {
    transfer(state, "btnRead_MK");
}
void BM_WindowWrite(benchmark::State& state) {
    transfer(state, "btnWrite_MK");
}

BENCHMARK(BM_WindowStartup)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowRead)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowWrite)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Rig::release();
    benchmark::Shutdown();
    return 0;
}
