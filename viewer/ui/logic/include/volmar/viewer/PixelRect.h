#pragma once

namespace volmar::viewer {

// A rectangle in window pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

} // namespace volmar::viewer
