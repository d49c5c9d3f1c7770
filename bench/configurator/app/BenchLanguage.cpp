// One language switch of the configurator window (offscreen) connected to
// volmar-sim, with a full configuration read from it: from choosing an entry
// of `Translate` until the window is relabelled, every list rebuilt, the
// configuration put back and validated ("switch_ms"), and until the layout
// and paint that follow are done too ("shown_ms", the figure the goal of
// 150 ms is about). The iterations alternate German and Russian, the two
// longest languages; the configuration must come back whole every time.
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/LanguageTables.h"
#include "volmar/core/Rules.h"

#include "EventLoopProbe.h"
#include "WindowRig.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <stdexcept>

namespace {

using namespace volmar;

// Every axis with a source, curves and zoom rows in use, the axis-to-button
// and double-throttle rows, a matrix, both shift-register chains, six
// encoders, four shift keys, three timers, the LEDs and all 132 grid rows
// bound.
ConfigImage fullController() {
    const TRecordLng& lng = englishLanguage();
    ConfigState c = startupState(lng);
    for (int n = 0; n < kAxisCount; ++n) {
        AxisFields& axis = c.axes[static_cast<std::size_t>(n)];
        axis.src = n == 7 ? 1 : 2 + n % 7;
        axis.src_port = 1 + n;
        axis.src_chnl = 1 + n;
        axis.name = 1 + n;
        axis.prcsn = n % 5;
        axis.filter = n + 1;
        axis.acal = n % 5;
        axis.dzl = n;
        axis.specfunc = n % 7;
    }
    c.axes[7].ms_btn_u = 121;
    c.axes[7].ms_btn_d = 122;
    for (int k = 0; k < kCurveCount; ++k) {
        CurveFields& curve = c.curves[static_cast<std::size_t>(k)];
        curve.points = {0, 25, 50, 75, 100, 125, 150, 175, 200};
        curve.zm_knp = 100 + k;
        curve.zm_del = "4";
        curve.zm_spd = "2";
    }
    for (int r = 0; r < kAxisButtonRows; ++r) {
        c.ab[static_cast<std::size_t>(r)] = {110 + r, 1 + r, "10", "90"};
    }
    c.sf_thr_bnom = 115;
    c.sf_thr_bmod = 1;
    c.sf_thr_asrc = 1;
    c.sf_thr_adsc = 2;
    for (int p = 0; p < kMatrixPins; ++p) {
        c.hw_br[static_cast<std::size_t>(p)] = 17 + p;
        c.hw_bc[static_cast<std::size_t>(p)] = 33 + p;
    }
    c.sr[0] = {2, 9, 10, 4};
    c.sr[1] = {1, 11, 12, 2};
    for (int e = 0; e < kEncoders; ++e) {
        c.enc[static_cast<std::size_t>(e)] = {60 + 2 * e, 61 + 2 * e};
    }
    c.btn_shift = {80, 81, 82, 83};
    c.typ_shift = {1, 2, 1, 2};
    c.btn_timer = {1, 5, 10};
    c.btn_timer_mode = {1, 2, 1};
    c.led_ws2811 = true;
    c.led_max7219 = true;
    for (int row = 1; row < kGridRows; ++row) {
        c.buttons.hw[static_cast<std::size_t>(row)] = row <= 128 ? row : 0;
        c.buttons.mode[static_cast<std::size_t>(row)] = row % 5;
        c.buttons.shift[static_cast<std::size_t>(row)] = row % 5;
        c.buttons.timer[static_cast<std::size_t>(row)] = row % 4;
    }
    osi_Change(c, lng, false);
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    if (!ConfigToReport(c, image, log).ok()) {
        throw std::runtime_error("the full configuration does not encode");
    }
    return image;
}

ConfigImage imageOf(ConfigState state) {
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    ConfigToReport(state, image, log);
    return image;
}

double msSince(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// Made in main() after nothing Qt, gone before the program's exit handlers.
std::unique_ptr<bench::WindowRig> g_rig;

void BM_LanguageSwitch(benchmark::State& state) {
    app::TMForm& window = g_rig->window();
    window.resize(1260, 780); // as on a 1280 x 800 screen
    std::optional<device::Outcome> read;
    QObject::connect(&window, &app::TMForm::linkExchangeFinished,
                     [&](device::Operation, device::Outcome outcome) { read = outcome; });
    window.findChild<QPushButton*>("btnRead_MK")->click();
    if (!bench::spinUntil([&] { return read.has_value(); }) ||
        *read != device::Outcome::Completed) {
        state.SkipWithError("the configuration was not read");
        return;
    }
    const ConfigImage before = imageOf(window.editor().state());
    auto* translate = window.findChild<QComboBox*>("Translate");
    const int languages[] = {1, 0}; // German, Russian
    int turn = 0;
    double switched = 0;
    double shown = 0;
    double worst = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        translate->setCurrentIndex(languages[turn++ % 2]);
        const double switchMs = msSince(clock);
        QCoreApplication::processEvents();
        const double shownMs = msSince(clock);
        state.SetIterationTime(shownMs / 1000.0);
        switched += switchMs;
        shown += shownMs;
        worst = std::max(worst, shownMs);
    }
    if (imageOf(window.editor().state()) != before) {
        state.SkipWithError("the configuration changed across the switches");
        return;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["switch_ms"] = switched / n;
    state.counters["shown_ms"] = shown / n;
    state.counters["worst_ms"] = worst;
}

BENCHMARK(BM_LanguageSwitch)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_rig = std::make_unique<bench::WindowRig>("bench-language", fullController());
    benchmark::RunSpecifiedBenchmarks();
    g_rig.reset();
    benchmark::Shutdown();
    return 0;
}
