#pragma once

// The picture of an axis window, as numbers: where the scale, its 50 ticks
// and the two markers go and what the texts say. The view only draws what
// this returns.
//
// W, H: client size; M = 5 margin; T = 6 tick height; h = H / 2 the scale
// line; span = W - 2M pixels show the range [min, max]. The value marker
// hangs below the line (top h + 2), the raw marker above it (top h - 12);
// the range limits are written just below the value marker and the HID
// limits just above the raw marker, so that a marker at either end never
// covers a limit.

#include "volmar/viewer/PixelRect.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace volmar::viewer {

inline constexpr int kGaugeMargin = 5;
inline constexpr int kGaugeTickHeight = 6;
inline constexpr int kGaugeTicks = 50;
inline constexpr int kMarkerSize = 8;

struct GaugeInput {
    int width = 0;
    int height = 0;
    int lineHeight = 0; // pixel height of one line of text
    std::int32_t rangeMin = 0;
    std::int32_t rangeMax = 0;
    std::int32_t value = 0; // calibrated
    // The raw part: only for an axis whose raw view is on.
    bool showRaw = false;
    std::int32_t hidMin = 0;
    std::int32_t hidMax = 0;
    std::int32_t raw = 0;
};

struct GaugeLayout {
    int scaleY = 0; // h
    int scaleLeft = 0;
    int scaleRight = 0;
    std::array<int, kGaugeTicks> tickX{};
    int tickTop = 0;
    int tickBottom = 0;

    std::string valueText;   // centred at the bottom of valueTextRect
    PixelRect valueTextRect; // (0, 0, W, H)
    int valueMarkerX = 0;    // left edge of the 8 x 8 marker
    int valueMarkerY = 0;    // top edge
    PixelRect limitsRect;    // one line: "min" at the left, "max" at the right
    std::string minText;
    std::string maxText;

    bool raw = false;
    std::string rawText;     // centred at the bottom of rawTextRect, in red
    PixelRect rawTextRect;   // (0, 0, W, H - 16)
    PixelRect hidLimitsRect; // one line: HID logical minimum and maximum, in red
    std::string hidMinText;
    std::string hidMaxText;
    int rawMarkerX = 0;
    int rawMarkerY = 0;
};

GaugeLayout layoutGauge(const GaugeInput& in);

// The parts of a gauge that move with its values are the markers and the
// value texts; the scale, ticks, title and limits stay. After a change of
// values only the markers as they were and as they are now, and the glyphs
// of the texts that changed, need drawing again. The markers' squares: the
// value marker, then the raw one when shown.
std::vector<PixelRect> movingMarkers(const GaugeLayout& g);

// "%d (%.2f%% max)  %s": the value and its percentage of the range maximum.
std::string gaugeValueText(std::int32_t value, double percent, const char* suffix);

// 100 - 100 * (max - v) / max; 0 for a maximum of 0, which has no
// percentages.
double percentOfMax(double value, std::int32_t rangeMax);

// A raw value on the calibrated range, in single precision: with f = -a
// for a negative HID minimum a (else 0), c + (f + r) / (f + b) * (d - c).
// A HID range without width puts it at c.
float rawOnRange(std::int32_t raw, std::int32_t hidMin, std::int32_t hidMax, std::int32_t rangeMin,
                 std::int32_t rangeMax);

} // namespace volmar::viewer
