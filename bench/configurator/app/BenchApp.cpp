// The configurator window: from process start to the main window shown
// (offscreen, real and virtual HID backends as the program runs), and the
// longest time the window's event loop went without running a 1 ms timer
// while a configuration read or write against volmar-sim ran.
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include "EventLoopProbe.h"
#include "WindowRig.h"

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
    const std::filesystem::path runtime = bench::privateFolder();
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

// A configured controller, so the write is valid.
ConfigImage configuredImage() {
    ConfigState config = startupState(englishLanguage());
    config.axes[0].src = 2;
    config.axes[0].name = 1;
    osi_Change(config, englishLanguage(), false);
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    ConfigToReport(config, image, log);
    return image;
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
        m_rig.window().findChild<QPushButton*>(button)->click();
        if (!bench::spinUntil([&] { return m_outcome.has_value(); })) {
            return false;
        }
        wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
        stallMs = probe.stop();
        return *m_outcome == device::Outcome::Completed;
    }

private:
    Rig() : m_rig("bench", configuredImage()) {
        QObject::connect(&m_rig.window(), &app::TMForm::linkExchangeFinished,
                         [this](device::Operation, device::Outcome o) { m_outcome = o; });
    }

    static inline std::unique_ptr<Rig> s_rig;
    bench::WindowRig m_rig;
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
