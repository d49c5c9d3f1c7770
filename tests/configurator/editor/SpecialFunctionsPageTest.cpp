// The special-functions page: what the chart draws for the drawn curve and
// the cursor axis, which curve is drawn and highlighted, and the cursor
// output the live monitor asks for.

#include "volmar/editor/SpecialFunctionsPage.h"
#include "volmar/core/Curves.h"
#include "volmar/editor/CurveChart.h"

#include "PageTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QSpinBox>
#include <QTest>
#include <QValueAxis>

#include <string>

namespace volmar::editor::test {
namespace {

using CurvesPage = PageTest<SpecialFunctionsPage>;

std::string point(int curve, int k) {
    return "osi_" + std::to_string(curve) + "_curve_0" + std::to_string(k);
}

// The drawn curve's y for every x, as the chart holds it. Its red line
// gets the points that decide each pixel column of the plot: every one of
// them is a drawn output, from the first to the last.
std::vector<int> drawn(const CurveChart& chart) {
    const std::vector<int>& ys = chart.values();
    const auto line = chart.curve().points();
    EXPECT_FALSE(line.isEmpty());
    EXPECT_LE(line.size(), static_cast<qsizetype>(ys.size()));
    for (const QPointF& p : line) {
        const auto x = static_cast<std::size_t>(p.x());
        EXPECT_LT(x, ys.size());
        if (x < ys.size()) {
            EXPECT_EQ(p.y(), ys[x]) << x;
        }
    }
    if (!line.isEmpty() && !ys.empty()) {
        EXPECT_EQ(line.first(), QPointF(0, ys.front()));
        EXPECT_EQ(line.last(), QPointF(static_cast<double>(ys.size() - 1), ys.back()));
    }
    return ys;
}

std::vector<int> identity(int range) {
    std::vector<int> ys(static_cast<std::size_t>(range) + 1);
    for (int x = 0; x <= range; ++x) {
        ys[static_cast<std::size_t>(x)] = x;
    }
    return ys;
}

QColor base(QSpinBox& spin) {
    return spin.palette().color(QPalette::Base);
}

TEST_F(CurvesPage, FlatCurveIsTheIdentityInBothModes) {
    CurveChart& chart = page->chart();
    EXPECT_EQ(chart.range(), 1023);
    EXPECT_EQ(drawn(chart), identity(1023));
    EXPECT_EQ(chart.identity().points().first(), QPointF(0, 0));
    EXPECT_EQ(chart.identity().points().last(), QPointF(1023, 1023));

    // A tick of the box redraws in symmetrical mode: still the identity,
    // up to the last value past the ninth point.
    c<QCheckBox>("osi_1_curve_s").click();
    ASSERT_TRUE(state().curves[0].symmetrical);
    EXPECT_EQ(drawn(chart), identity(1023));
}

TEST_F(CurvesPage, ChangingAPointOrTheBoxRedrawsFromTheCurveArithmetic) {
    c<QSpinBox>(point(1, 1)).setValue(0);
    // Rises from 0 and meets the identity at the second point (E = 127).
    const std::vector<int> ys = drawn(page->chart());
    ASSERT_EQ(ys.size(), 1024u);
    EXPECT_EQ(ys[0], 0);
    EXPECT_EQ(ys[63], 30);
    for (int x = 1; x < 127; ++x) {
        EXPECT_LT(ys[static_cast<std::size_t>(x)], x) << x;
    }
    for (int x = 127; x <= 1023; ++x) {
        EXPECT_EQ(ys[static_cast<std::size_t>(x)], x) << x;
    }

    c<QSpinBox>(point(1, 9)).setValue(200);
    c<QCheckBox>("osi_1_curve_s").click();
    std::vector<int> expected;
    curveOutputs(state().curves[0].points, true, 1023, expected);
    EXPECT_EQ(drawn(page->chart()), expected);
    EXPECT_NE(expected, ys);
}

TEST_F(CurvesPage, TheCursorAxisPrecisionSetsTheRange) {
    auto& cursor = c<QComboBox>("CurveVisualAxis");
    EXPECT_EQ(cursor.count(), 17);
    EXPECT_EQ(cursor.currentText(), "--");
    // Axis 2 with precision "12"; the rules keep a precision only with a source.
    state().axes[1].src = 2;
    state().axes[1].prcsn = 2;
    editor.touch();
    EXPECT_EQ(page->chart().range(), 1023) << "the cursor names no axis yet";

    cursor.setCurrentIndex(2);
    CurveChart& chart = page->chart();
    EXPECT_EQ(chart.range(), 4095);
    EXPECT_EQ(drawn(chart), identity(4095));
    const auto* x = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Horizontal).first());
    const auto* y = qobject_cast<QValueAxis*>(chart.chart()->axes(Qt::Vertical).first());
    EXPECT_EQ(x->max(), 4095);
    EXPECT_EQ(y->max(), 4095);
    // Silver markers at the centre and the quarter points.
    const double at[] = {2047, 1023, 3070};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto line = chart.markers()[i]->points();
        ASSERT_EQ(line.size(), 2);
        EXPECT_EQ(line[0], QPointF(at[i], 0));
        EXPECT_EQ(line[1], QPointF(at[i], 4095));
        EXPECT_EQ(chart.markers()[i]->pen().color(), QColor(192, 192, 192));
    }
    EXPECT_EQ(chart.identity().pen().color(), QColor(0, 0, 255));
    EXPECT_EQ(chart.curve().pen().color(), QColor(255, 0, 0));

    // The precision of the cursor axis changes (on the axes page): the range follows.
    editor.edit("osi_2_prcsn", 4);
    EXPECT_EQ(chart.range(), 16383);
    EXPECT_EQ(drawn(chart).size(), 16384u);
    // A few hundred pixels wide, the line needs no more than four points a column.
    EXPECT_LE(chart.curve().points().size(), 4 * (chart.chart()->plotArea().width() + 1));
    // Entries past the eight axes name none: the 10-bit range.
    cursor.setCurrentIndex(9);
    EXPECT_EQ(chart.range(), 1023);
    cursor.setCurrentIndex(16);
    EXPECT_EQ(chart.range(), 1023);
}

TEST_F(CurvesPage, ClickingAPointDrawsAndHighlightsItsCurve) {
    const QColor sky(0xA6, 0xCA, 0xF0);
    EXPECT_EQ(page->drawnCurve(), 1);
    EXPECT_EQ(base(c<QSpinBox>(point(1, 5))), sky);
    c<QSpinBox>(point(3, 9)).setValue(50);
    EXPECT_EQ(drawn(page->chart()), identity(1023)) << "curve 3 is not the drawn one yet";

    auto& spin = c<QSpinBox>(point(3, 5));
    QTest::mouseClick(spin.findChild<QLineEdit*>(), Qt::LeftButton);
    EXPECT_EQ(page->drawnCurve(), 3);
    for (int n = 1; n <= kCurveCount; ++n) {
        for (int k = 1; k <= kCurvePoints; ++k) {
            EXPECT_EQ(base(c<QSpinBox>(point(n, k))) == sky, n == 3) << n << " " << k;
        }
    }
    std::vector<int> expected;
    curveOutputs(state().curves[2].points, false, 1023, expected);
    EXPECT_EQ(drawn(page->chart()), expected);

    // Tabbing into a point of another curve picks it as a click does.
    c<QSpinBox>(point(5, 9)).setFocus(Qt::TabFocusReason);
    EXPECT_EQ(page->drawnCurve(), 5);
    EXPECT_EQ(base(c<QSpinBox>(point(5, 1))), sky);
    EXPECT_NE(base(c<QSpinBox>(point(3, 1))), sky);
}

TEST_F(CurvesPage, TheCursorShowsTheCurveOutputAtTheLiveValue) {
    auto& fixed = c<QLineEdit>("CurveVisualAxisValueFixed");
    EXPECT_TRUE(fixed.isReadOnly());
    EXPECT_TRUE(c<QLineEdit>("CurveVisualAxisValue").isReadOnly());
    c<QSpinBox>(point(1, 3)).setValue(200);
    c<QComboBox>("CurveVisualAxis").setCurrentIndex(1);
    EXPECT_EQ(page->cursorAxis(), 1);

    page->showCursorValue("300", 300);
    EXPECT_EQ(c<QLineEdit>("CurveVisualAxisValue").text(), "300");
    const int y = curveOutput(state().curves[0].points, false, 1023, 300);
    EXPECT_EQ(fixed.text(), QString::number(y));
    EXPECT_NE(y, 300);
    const auto cursor = page->chart().cursor().points();
    ASSERT_EQ(cursor.size(), 2);
    EXPECT_EQ(cursor[0], QPointF(300, 0));

    // A live value past the range: no line, the last output stays.
    page->showCursorValue("5000", 5000);
    EXPECT_TRUE(page->chart().cursor().points().isEmpty());
    EXPECT_EQ(fixed.text(), QString::number(y));

    // Back to "--": the cursor rests at 0.
    c<QComboBox>("CurveVisualAxis").setCurrentIndex(0);
    EXPECT_EQ(page->chart().cursor().points().first(), QPointF(0, 0));
    EXPECT_EQ(fixed.text(), "0");
}

// Ten moves a second: each shows the output of the curve as it is drawn
// now, with a 12-bit cursor axis and after the curve or the drawn curve
// changed between two moves.
TEST_F(CurvesPage, EveryLiveMoveShowsTheOutputOfTheCurveDrawnNow) {
    auto& fixed = c<QLineEdit>("CurveVisualAxisValueFixed");
    editor.edit("osi_1_prcsn", 2);
    c<QComboBox>("CurveVisualAxis").setCurrentIndex(1);
    c<QSpinBox>(point(2, 1)).setValue(0);
    const auto expectAt = [&](int curve, int x) {
        const CurveFields& shape = state().curves[static_cast<std::size_t>(curve - 1)];
        EXPECT_EQ(fixed.text().toInt(), curveOutput(shape.points, shape.symmetrical, 4095, x))
            << "curve " << curve << " at " << x;
        EXPECT_EQ(page->chart().cursor().points().value(0), QPointF(x, 0)) << x;
    };
    c<QSpinBox>(point(1, 2)).setValue(170);
    for (int x : {40, 600, 4095, 0, 600}) {
        page->showCursorValue(QString::number(x), x);
        expectAt(1, x);
    }
    c<QSpinBox>(point(1, 1)).setValue(10);
    page->showCursorValue("300", 300);
    expectAt(1, 300);
    page->selectCurve(2);
    page->showCursorValue("301", 301);
    expectAt(2, 301);
    EXPECT_EQ(page->chart().values().size(), 4096u);
    EXPECT_EQ(page->chart().values()[301], fixed.text().toInt());
}

TEST_F(CurvesPage, PointsAreNamedByCurveAndPosition) {
    EXPECT_EQ(c<QSpinBox>(point(3, 4)).accessibleName(), "#3 37.5%");
    EXPECT_EQ(c<QSpinBox>(point(6, 9)).accessibleName(), "#6 100%");
    EXPECT_EQ(c<QSpinBox>(point(1, 1)).maximum(), 200);
    EXPECT_EQ(c<QCheckBox>("osi_2_curve_s").accessibleName(), "#2 symmetrical");
    EXPECT_EQ(c<QComboBox>("osi_4_zm_knp").accessibleName(), "Zoom Button #4");
    EXPECT_EQ(c<QLineEdit>("ab_03_h").accessibleName(), "Axis to button to (%) #3");
    EXPECT_EQ(c<QComboBox>("sf_thr_adsc").accessibleName(),
              "Throttle double axis Axis destination");
    EXPECT_EQ(c<QComboBox>("CurveVisualAxis").accessibleName(), "Cursor (axis)");
}

} // namespace
} // namespace volmar::editor::test
