// The configuration engine's hot paths: every edit in the window runs the
// rules and validation, records an undo step and refreshes the wiring
// warnings, every device write or file save the encoder, every read or load
// the decoder, and every curve redraw computes up to 16384 outputs.

#include "volmar/core/Curves.h"
#include "volmar/core/EditHistory.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/Wiring.h"

#include <benchmark/benchmark.h>

namespace volmar {
namespace {

// A full controller: eight 14-bit axes, the hat and all 128 buttons bound,
// curves and zoom rows in use, so every part of the image is written.
ConfigState busyState() {
    const TRecordLng& lng = englishLanguage();
    ConfigState s = startupState(lng);
    for (int i = 0; i < kAxisCount; ++i) {
        AxisFields& a = s.axes[static_cast<std::size_t>(i)];
        a.src = 2;
        a.src_port = 1 + i;
        a.name = 1 + i;
        a.prcsn = 4;
        a.filter = 3;
        a.acal = 1;
        a.acal_min = "100";
        a.acal_cen = "2048";
        a.acal_max = "4000";
        a.specfunc = 1 + i % kCurveCount;
    }
    for (int c = 0; c < kCurveCount; ++c) {
        CurveFields& curve = s.curves[static_cast<std::size_t>(c)];
        for (int k = 0; k < kCurvePoints; ++k)
            curve.points[static_cast<std::size_t>(k)] = 40 + 15 * k;
        curve.symmetrical = c % 2 == 0;
        curve.zm_knp = 100 + c;
        curve.zm_del = "4";
        curve.zm_spd = "10";
    }
    for (std::size_t row = 1; row < static_cast<std::size_t>(kGridRows); ++row) {
        s.buttons.hw[row] = static_cast<int>(row % 128) + 1;
        if (row <= 36)
            s.buttons.mode[row] = static_cast<int>(row % 3);
    }
    osi_Change(s, lng, false);
    return s;
}

void BM_Encode(benchmark::State& bench) {
    ConfigState state = busyState();
    ConfigImage image{};
    DescriptorLog log;
    for (auto _ : bench) {
        const EncodeResult r = ConfigToReport(state, image, log);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(image.data());
    }
    bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations() * kConfigImageSize));
}
BENCHMARK(BM_Encode);

void BM_Decode(benchmark::State& bench) {
    ConfigState state = busyState();
    ConfigImage image{};
    DescriptorLog log;
    ConfigToReport(state, image, log);
    const TRecordLng& lng = englishLanguage();
    for (auto _ : bench) {
        ConfigState target = state;
        benchmark::DoNotOptimize(ReportToConfig(image, target, lng, false));
        benchmark::DoNotOptimize(target);
    }
    bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations() * kConfigImageSize));
}
BENCHMARK(BM_Decode);

// One edit's worth of work: the axis rules, which end with validation.
void BM_RulesAndValidation(benchmark::State& bench) {
    const ConfigState start = busyState();
    const TRecordLng& lng = englishLanguage();
    for (auto _ : bench) {
        ConfigState s = start;
        benchmark::DoNotOptimize(osi_Change(s, lng, false));
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_RulesAndValidation);

// What every edit adds to the rules for the window's safety net: the undo
// step (an encoding of the state, compared with the last one) and the
// wiring warnings beside the report line.
void BM_EditSafetyNet(benchmark::State& bench) {
    ConfigState s = busyState();
    EditHistory history;
    history.reset(s);
    int step = 0;
    for (auto _ : bench) {
        s.axes[0].dzl = ++step % 16;
        benchmark::DoNotOptimize(history.record(s));
        benchmark::DoNotOptimize(wiringWarnings(s));
    }
}
BENCHMARK(BM_EditSafetyNet);

// The chart of a 14-bit axis: 16384 outputs per redraw.
void BM_CurveOutput16384(benchmark::State& bench) {
    const CurvePoints points{40, 55, 70, 85, 100, 115, 130, 145, 160};
    const bool symmetrical = bench.range(0) != 0;
    const int range = curveRange(4);
    std::vector<int> out;
    for (auto _ : bench) {
        curveOutputs(points, symmetrical, range, out);
        benchmark::DoNotOptimize(out.data());
    }
    bench.SetItemsProcessed(static_cast<int64_t>(bench.iterations() * (range + 1)));
    bench.SetLabel(symmetrical ? "symmetrical" : "plain");
}
BENCHMARK(BM_CurveOutput16384)->Arg(0)->Arg(1);

} // namespace
} // namespace volmar
