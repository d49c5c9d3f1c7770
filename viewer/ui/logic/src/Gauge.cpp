#include "volmar/viewer/Gauge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace volmar::viewer {

namespace {

// Left edge of a marker for a value: |value - min| / scale + M, with scale
// = (max - min) / span value units per pixel. Multiplied out, so that the
// maximum lands exactly on W - M instead of a rounding below it. A range or
// a gauge without width has no scale: the marker stays at the left end.
int markerX(double value, std::int32_t rangeMin, double rangeWidth, int span) {
    if (rangeWidth == 0 || span <= 0) {
        return kGaugeMargin;
    }
    const double x = std::fabs(value - rangeMin) * span / rangeWidth + kGaugeMargin;
    // A value far outside the range still gives a position, just off the window.
    return static_cast<int>(std::clamp(x, -1e6, 1e6));
}

} // namespace

std::string gaugeValueText(std::int32_t value, double percent, const char* suffix) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%d (%.2f%% max)  %s", value, percent, suffix);
    return buffer;
}

double percentOfMax(double value, std::int32_t rangeMax) {
    if (rangeMax == 0) {
        return 0;
    }
    return 100.0 - 100.0 * (rangeMax - value) / rangeMax;
}

float rawOnRange(std::int32_t raw, std::int32_t hidMin, std::int32_t hidMax, std::int32_t rangeMin,
                 std::int32_t rangeMax) {
    const float f = hidMin < 0 ? -static_cast<float>(hidMin) : 0.0f;
    const float width = f + static_cast<float>(hidMax);
    const float c = static_cast<float>(rangeMin);
    if (width == 0) {
        return c;
    }
    return c + (f + static_cast<float>(raw)) / width * (static_cast<float>(rangeMax) - c);
}

GaugeLayout layoutGauge(const GaugeInput& in) {
    const int w = in.width;
    const int h = in.height / 2;
    const int span = w - 2 * kGaugeMargin;
    GaugeLayout out;
    out.scaleY = h;
    out.scaleLeft = kGaugeMargin;
    out.scaleRight = w - kGaugeMargin;
    const double step = static_cast<double>(span) / (kGaugeTicks - 1);
    for (int i = 0; i < kGaugeTicks; ++i) {
        out.tickX[static_cast<std::size_t>(i)] = static_cast<int>(i * step + kGaugeMargin);
    }
    out.tickTop = h - kGaugeTickHeight / 2;
    out.tickBottom = h + kGaugeTickHeight / 2;

    // Computed in doubles: the range may span the whole 32-bit scale.
    const double rangeWidth = static_cast<double>(in.rangeMax) - in.rangeMin;
    out.valueText = gaugeValueText(in.value, percentOfMax(in.value, in.rangeMax), "");
    out.valueTextRect = {0, 0, w, in.height};
    out.valueMarkerX = markerX(in.value, in.rangeMin, rangeWidth, span);
    out.valueMarkerY = h + 2;
    const int line = std::max(in.lineHeight, 0);

    if (in.showRaw) {
        out.raw = true;
        out.rawMarkerY = h - 12;
        out.hidLimitsRect = {kGaugeMargin, out.rawMarkerY - 1 - line, w - kGaugeMargin,
                             out.rawMarkerY - 1};
        out.hidMinText = std::to_string(in.hidMin);
        out.hidMaxText = std::to_string(in.hidMax);
        const float m = rawOnRange(in.raw, in.hidMin, in.hidMax, in.rangeMin, in.rangeMax);
        out.rawText = gaugeValueText(in.raw, percentOfMax(m, in.rangeMax), "Raw");
        out.rawTextRect = {0, 0, w, in.height - 16};
        out.rawMarkerX = markerX(std::trunc(static_cast<double>(m)), in.rangeMin, rangeWidth, span);
    }

    const int limitsTop = out.valueMarkerY + kMarkerSize + 1;
    out.limitsRect = {kGaugeMargin, limitsTop, w - kGaugeMargin, limitsTop + line};
    out.minText = std::to_string(in.rangeMin);
    out.maxText = std::to_string(in.rangeMax);
    return out;
}

std::vector<PixelRect> movingMarkers(const GaugeLayout& g) {
    const auto marker = [](int x, int y) {
        return PixelRect{x, y, x + kMarkerSize, y + kMarkerSize};
    };
    std::vector<PixelRect> parts = {marker(g.valueMarkerX, g.valueMarkerY)};
    if (g.raw) {
        parts.push_back(marker(g.rawMarkerX, g.rawMarkerY));
    }
    return parts;
}

} // namespace volmar::viewer
