// Curve arithmetic of the chart: both modes, every range, the held ninth
// gain and the truncating divisions.

#include "volmar/core/Curves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace volmar {
namespace {

constexpr CurvePoints kFlat{100, 100, 100, 100, 100, 100, 100, 100, 100};

TEST(FlatCurve, IsTheIdentityOverTheWholeRangeInBothModes) {
    for (int precision = 0; precision < 5; ++precision) {
        for (const bool symmetrical : {false, true}) {
            const int m = curveRange(precision);
            std::vector<int> y;
            curveOutputs(kFlat, symmetrical, m, y);
            ASSERT_EQ(y.size(), static_cast<std::size_t>(m) + 1);
            for (int x = 0; x <= m; ++x)
                ASSERT_EQ(y[static_cast<std::size_t>(x)], x) << "x " << x << " of " << m;
        }
    }
}

TEST(CurveRange, PrecisionCodesAndCursorEntries) {
    // precision code -> range; -1 is the list with no entry
    for (const auto& [code, range] :
         {std::pair{0, 1023}, {2, 4095}, {4, 16383}, {-1, 1023}, {5, 1023}})
        EXPECT_EQ(curveRange(code), range) << "code " << code;

    ConfigState s;
    for (std::size_t n = 0; n < kAxisCount; ++n)
        s.axes[n].prcsn = 3;
    s.axes[1].prcsn = 2;
    EXPECT_EQ(cursorRange(s, 2), 4095);
    EXPECT_EQ(cursorRange(s, 8), 8191);
    for (int entry : {0, 9, 16, -1, 17})
        EXPECT_EQ(cursorRange(s, entry), 1023) << "entry " << entry << " names no axis";
}

TEST(CurveOutput, ZeroFirstGainRisesToTheIdentityAtTheSecondPoint) {
    CurvePoints p = kFlat;
    p[0] = 0;
    std::vector<int> y;
    curveOutputs(p, false, 1023, y);
    EXPECT_EQ(y[0], 0);
    for (int x = 1; x < 127; ++x) {
        ASSERT_LT(y[static_cast<std::size_t>(x)], x) << x;
        ASSERT_LE(y[static_cast<std::size_t>(x - 1)], y[static_cast<std::size_t>(x)]) << x;
    }
    for (int x = 127; x <= 1023; ++x)
        ASSERT_EQ(y[static_cast<std::size_t>(x)], x) << x;
}

TEST(CurveOutput, NinthGainIsHeldBeyondTheLastPoint) {
    CurvePoints p = kFlat;
    p[8] = 200;
    for (int x = 8 * 127; x <= 1023; ++x)
        EXPECT_EQ(curveOutput(p, false, 1023, x), x * 2) << x;

    // Symmetrical: distances 8*S+1 .. H (S = 63, H = 511) on both sides.
    for (int d = 8 * 63; d <= 511; ++d) {
        EXPECT_EQ(curveOutput(p, true, 1023, 511 + d), 511 + 2 * d) << d;
        EXPECT_EQ(curveOutput(p, true, 1023, 511 - d), 511 - 2 * d) << d;
    }
    EXPECT_EQ(curveOutput(p, true, 1023, 1023), 511 + 2 * 512);
}

TEST(CurveOutput, DivisionsTruncateTowardZero) {
    // Falling segment from 200 to 0 over E = 127: at x = 64 the gain step is
    // 64 * -200 / 127 = -100.8, truncated to -100, so g = 100 and y = 64
    // (a flooring division would give g = 99 and y = 63).
    CurvePoints p = kFlat;
    p[0] = 200;
    p[1] = 0;
    EXPECT_EQ(curveOutput(p, false, 1023, 64), 64);
    // Symmetrical, below the centre, falling segment from point 2 to 3
    // (S = 63): at d = 64 the step is 1 * -101 / 63 = -1.6, truncated to -1,
    // so g = 100 and y = 511 - 64 = 447 (flooring would give 448).
    p = kFlat;
    p[1] = 101;
    p[2] = 0;
    EXPECT_EQ(curveOutput(p, true, 1023, 511 - 64), 447);
    EXPECT_EQ(curveOutput(p, true, 1023, 511), 511);
}

TEST(CurveOutput, SymmetricalHalvesMirrorAboutTheCentre) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> gain(0, 200);
    for (int round = 0; round < 50; ++round) {
        CurvePoints p;
        for (int& g : p)
            g = gain(rng);
        for (int precision = 0; precision < 5; ++precision) {
            const int m = curveRange(precision);
            const int h = m / 2;
            std::vector<int> y;
            curveOutputs(p, true, m, y);
            ASSERT_EQ(y[static_cast<std::size_t>(h)], h);
            for (int d = 1; d <= h; ++d) {
                ASSERT_EQ(y[static_cast<std::size_t>(h - d)] + y[static_cast<std::size_t>(h + d)],
                          2 * h)
                    << "precision " << precision << " d " << d;
            }
        }
    }
}

TEST(CurveOutput, GainsAboveAndBelow100SteepenAndFlatten) {
    CurvePoints steep = kFlat;
    CurvePoints flat = kFlat;
    steep[4] = 150;
    flat[4] = 50;
    // Around point 5 (at x = 4E, E = 2047 for 14 bits) the gain is at
    // least 125 or at most 75.
    for (int x = 3 * 2047 + 1024; x <= 5 * 2047 - 1024; ++x) {
        ASSERT_GT(curveOutput(steep, false, 16383, x), x) << x;
        ASSERT_LT(curveOutput(flat, false, 16383, x), x) << x;
    }
}

// Inputs the chart never asks for but a caller may pass (a live cursor value,
// points from a foreign file): they must give defined, bounded outputs.
TEST(CurveOutput, OddInputsAreReadAtTheNearestValidOne) {
    CurvePoints p = kFlat;
    p[0] = 150;
    p[8] = 50;
    EXPECT_EQ(curveOutput(p, false, 1023, -500), 0) << "x below the range";
    EXPECT_EQ(curveOutput(p, false, 1023, -1), 0);
    EXPECT_EQ(curveOutput(p, false, 1023, 70000), curveOutput(p, false, 1023, 1023));
    EXPECT_EQ(curveOutput(p, true, 1023, -300), curveOutput(p, true, 1023, 0));
    EXPECT_EQ(curveOutput(p, false, 1 << 30, 1 << 30), curveOutput(p, false, 16383, 16383));

    CurvePoints wild{-1000000, 2000000000, 300, -1, 100, 100, 100, 100, 2147483647};
    CurveFields clamped;
    clamped.points = wild;
    clampCurvePoints(clamped);
    for (const bool symmetrical : {false, true}) {
        std::vector<int> y;
        std::vector<int> expected;
        curveOutputs(wild, symmetrical, 16383, y);
        curveOutputs(clamped.points, symmetrical, 16383, expected);
        EXPECT_EQ(y, expected) << "symmetrical " << symmetrical;
    }
    std::vector<int> none{1, 2};
    curveOutputs(kFlat, false, -1, none);
    EXPECT_TRUE(none.empty());
}

TEST(CurveOutput, MarkersAndPointClamping) {
    EXPECT_EQ(curveMarkers(1023), (std::array<int, 3>{511, 255, 766}));
    CurveFields c;
    c.points = {-5, 0, 200, 201, 100, 999, 1, 2, 3};
    clampCurvePoints(c);
    EXPECT_EQ(c.points, (CurvePoints{0, 0, 200, 200, 100, 200, 1, 2, 3}));
}

// What the chart is given for a plot of a few hundred columns: per column
// the first, lowest, highest and last point, so the drawn line covers the
// same pixels as the line through every output.
TEST(PlotPoints, KeepEachColumnsEndsAndExtremes) {
    std::vector<int> ys(16384);
    for (std::size_t x = 0; x < ys.size(); ++x) {
        ys[x] = static_cast<int>((x * 7919) % 1000); // jumps up and down
    }
    const int columns = 600;
    std::vector<PlotPoint> kept;
    plotPoints(ys, columns, kept);
    EXPECT_LE(kept.size(), 4u * columns);
    EXPECT_EQ(kept.front(), (PlotPoint{0, ys[0]}));
    EXPECT_EQ(kept.back(), (PlotPoint{16383, ys[16383]}));
    // Per column: the same lowest and highest y, and x rising throughout.
    std::vector<int> low(columns, 1 << 30), high(columns, -1), keptLow = low, keptHigh = high;
    for (std::size_t x = 0; x < ys.size(); ++x) {
        const auto c = x * columns / ys.size();
        low[c] = std::min(low[c], ys[x]);
        high[c] = std::max(high[c], ys[x]);
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].y, ys[static_cast<std::size_t>(kept[i].x)]);
        if (i > 0) {
            EXPECT_GT(kept[i].x, kept[i - 1].x);
        }
        const auto c = static_cast<std::size_t>(kept[i].x) * columns / ys.size();
        keptLow[c] = std::min(keptLow[c], kept[i].y);
        keptHigh[c] = std::max(keptHigh[c], kept[i].y);
    }
    EXPECT_EQ(keptLow, low);
    EXPECT_EQ(keptHigh, high);
}

TEST(PlotPoints, FewOutputsAreKeptWhole) {
    const std::vector<int> ys{5, 1, 9, 2, 7, 3, 8, 0};
    std::vector<PlotPoint> kept{{1, 1}};
    plotPoints(ys, 2, kept);
    ASSERT_EQ(kept.size(), ys.size()) << "four a column";
    plotPoints(ys, 0, kept);
    EXPECT_EQ(kept.size(), ys.size());
    plotPoints(ys, 1, kept);
    // One column: first (0,5), lowest (7,0), highest (2,9), last (7,0) once.
    EXPECT_EQ(kept, (std::vector<PlotPoint>{{0, 5}, {2, 9}, {7, 0}}));
    plotPoints({}, 100, kept);
    EXPECT_TRUE(kept.empty());
}

} // namespace
} // namespace volmar
