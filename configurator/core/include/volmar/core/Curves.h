#pragma once

// Response-curve arithmetic of the chart on the special-functions page: the
// output the controller's curve gives for every input x in 0..M, integer
// arithmetic only, divisions truncating toward zero as the firmware does.
//
// Nine gains (percent, 100 = unchanged) sit at equal distances over the range
// (not symmetrical) or over the distance from the centre (symmetrical, both
// halves mirrored). Beyond the ninth point, where a tenth would be needed,
// the ninth gain is held so the curve stays continuous.

#include "volmar/core/ConfigState.h"

#include <array>
#include <vector>

namespace volmar {

using CurvePoints = std::array<int, kCurvePoints>;

inline constexpr int kDefaultCurveRange = 1023; // precision code 0, 10 bits
inline constexpr int kMaxCurveRange = 16383;    // precision code 4, 14 bits
inline constexpr int kMaxCurveGain = 200;       // the point spins run 0..200

// M = 2^(10 + p) - 1 for precision code p = 0..4; a code outside the list
// (no entry) draws over the 10-bit range.
int curveRange(int precisionCode);

// The range for a cursor entry of CurveVisualAxis ("--", "1".."16"): entries
// 1..8 take their axis's precision; "--" and "9".."16" name no axis and draw
// over 1023.
int cursorRange(const ConfigState& state, int cursorEntry);

// The curve's output y at input x. The range is one of curveRange's values;
// a range beyond 16383 is drawn as 16383 and an x outside 0..range is read at
// the nearer end. Points outside 0..200 count as clamped into it, as the
// redraw writes them back before drawing.
int curveOutput(const CurvePoints& points, bool symmetrical, int range, int x);

// All outputs, y for x = 0..range, into `out` (resized; empty for a negative
// range); the chart and the benchmark use this.
void curveOutputs(const CurvePoints& points, bool symmetrical, int range, std::vector<int>& out);

// The redraw writes the drawn curve's points back clamped into 0..200.
void clampCurvePoints(CurveFields& curve);

// The three silver markers: the centre H and the quarter points H/2, 3H/2.
std::array<int, 3> curveMarkers(int range);

// The chart shows up to 16384 outputs on a plot a few hundred pixels wide.
// plotPoints() keeps the points of the polyline through (x, ys[x]) that
// decide what it looks like there: per pixel column its first, lowest,
// highest and last point, in x order, each once. With no more than four
// outputs a column (or no width) it keeps them all.
struct PlotPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PlotPoint&) const = default;
};
void plotPoints(const std::vector<int>& ys, int columns, std::vector<PlotPoint>& out);

} // namespace volmar
