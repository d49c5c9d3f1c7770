// CurveVisualRefrash at 16384 points: the cursor axis has precision "14".
// The first is the redraw as the page runs it (the curve arithmetic, the
// output at the cursor, the points for the plot's width and the chart's
// series replaced); "Painted" adds a synchronous paint of the chart, which
// is what the screen waits for.
// Every iteration draws a different curve, so nothing can be skipped.
#include "volmar/core/LanguageRecord.h"
#include "volmar/editor/ConfigEditor.h"
#include "volmar/editor/CurveChart.h"
#include "volmar/editor/SpecialFunctionsPage.h"

#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace volmar;

struct Chart {
    editor::ConfigEditor editor{englishLanguage()};
    std::unique_ptr<editor::SpecialFunctionsPage> page;

    Chart() {
        ConfigState& s = editor.state();
        s.axes[0].src = 2;
        s.axes[0].name = 1;
        s.axes[0].prcsn = 4; // 14 bits: 0..16383
        s.curves[0].points = {0, 40, 80, 120, 160, 200, 150, 100, 50};
        page = std::make_unique<editor::SpecialFunctionsPage>(editor);
        page->resize(1240, 450);
        page->show();
        page->findChild<QComboBox*>("CurveVisualAxis")->setCurrentIndex(1);
        page->showCursorValue("9000", 9000);
        QApplication::processEvents();
    }
    void next(int i) {
        editor.state().curves[0].points[4] = 100 + i % 100;
        page->CurveVisualRefrash();
    }
};

// Made in main() after the application and gone before it.
Chart* g_chart = nullptr;

Chart& chart() {
    return *g_chart;
}

void BM_CurveVisualRefrash(benchmark::State& state) {
    Chart& c = chart();
    int i = 0;
    for (auto _ : state) {
        c.next(i++);
    }
    if (c.page->chart().values().size() != 16384) {
        state.SkipWithError("the chart does not draw 16384 outputs");
    }
}
BENCHMARK(BM_CurveVisualRefrash)->Unit(benchmark::kMillisecond);

void BM_CurveVisualRefrashPainted(benchmark::State& state) {
    Chart& c = chart();
    int i = 0;
    for (auto _ : state) {
        c.next(i++);
        c.page->chart().viewport()->repaint();
    }
}
BENCHMARK(BM_CurveVisualRefrashPainted)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    auto chart = std::make_unique<Chart>();
    g_chart = chart.get();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
