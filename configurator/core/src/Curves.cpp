#include "volmar/core/Curves.h"

#include <algorithm>
#include <cstddef>

namespace volmar {

namespace {

// A gain as the chart uses it: the redraw clamps the points into their spin
// range before drawing, and a point read from elsewhere (a foreign file, an
// import) must not overflow the products below.
int gain(const CurvePoints& p, std::size_t i) {
    return std::clamp(p[i], 0, kMaxCurveGain);
}

// Gain at distance d (0 <= d) along segments of length `step`: linear between
// point k+1 and k+2 (1-based), the ninth gain held past the last point. A
// step of 0 cannot occur for the ranges of the precision list (M >= 1023) but
// would divide by zero, so it holds the first gain.
int gainAt(const CurvePoints& p, int d, int step) {
    if (step <= 0)
        return gain(p, 0);
    const int k = d / step;
    if (k >= kCurvePoints - 1)
        return gain(p, kCurvePoints - 1);
    const int x0 = k * step;
    const auto i = static_cast<std::size_t>(k);
    return gain(p, i) + ((d - x0) * (gain(p, i + 1) - gain(p, i))) / step;
}

} // namespace

int curveRange(int precisionCode) {
    if (precisionCode < 0 || precisionCode > 4)
        return kDefaultCurveRange;
    return (1 << (10 + precisionCode)) - 1;
}

int cursorRange(const ConfigState& state, int cursorEntry) {
    if (cursorEntry < 1 || cursorEntry > kAxisCount)
        return kDefaultCurveRange;
    return curveRange(state.axes[static_cast<std::size_t>(cursorEntry - 1)].prcsn);
}

int curveOutput(const CurvePoints& points, bool symmetrical, int range, int x) {
    // The cursor position comes from live data and may lie outside the drawn
    // range; below 0 the segment index would point before the first gain.
    range = std::clamp(range, 0, kMaxCurveRange);
    x = std::clamp(x, 0, range);
    if (!symmetrical) {
        const int g = gainAt(points, x, range / 8);
        return (x * g) / 100;
    }
    const int h = range / 2;
    const int s = range / 16;
    if (x == h)
        return h;
    if (x < h) {
        const int d = h - x;
        return h - (d * gainAt(points, d, s)) / 100;
    }
    const int d = x - h;
    return h + (d * gainAt(points, d, s)) / 100;
}

void curveOutputs(const CurvePoints& points, bool symmetrical, int range, std::vector<int>& out) {
    out.clear();
    if (range < 0)
        return;
    range = std::min(range, kMaxCurveRange);
    out.resize(static_cast<std::size_t>(range) + 1);
    for (int x = 0; x <= range; ++x)
        out[static_cast<std::size_t>(x)] = curveOutput(points, symmetrical, range, x);
}

void clampCurvePoints(CurveFields& curve) {
    for (int& p : curve.points)
        p = std::clamp(p, 0, kMaxCurveGain);
}

std::array<int, 3> curveMarkers(int range) {
    const int h = range / 2;
    return {h, h / 2, (3 * h) / 2};
}

void plotPoints(const std::vector<int>& ys, int columns, std::vector<PlotPoint>& out) {
    out.clear();
    const auto n = static_cast<long long>(ys.size());
    const auto y = [&ys](long long x) { return ys[static_cast<std::size_t>(x)]; };
    if (columns <= 0 || n <= 4LL * columns) {
        for (long long x = 0; x < n; ++x)
            out.push_back({static_cast<int>(x), y(x)});
        return;
    }
    long long first = 0;
    while (first < n) {
        // The outputs of one column: x * columns / n is the same for all.
        const long long column = first * columns / n;
        long long last = first;
        long long low = first;
        long long high = first;
        while (last + 1 < n && (last + 1) * columns / n == column) {
            ++last;
            if (y(last) < y(low))
                low = last;
            if (y(last) > y(high))
                high = last;
        }
        std::array<long long, 4> keep{first, low, high, last};
        std::sort(keep.begin(), keep.end());
        for (std::size_t i = 0; i < keep.size(); ++i) {
            if (i == 0 || keep[i] != keep[i - 1])
                out.push_back({static_cast<int>(keep[i]), y(keep[i])});
        }
        first = last + 1;
    }
}

} // namespace volmar
