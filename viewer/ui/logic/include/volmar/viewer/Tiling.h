#pragma once

// Horizontal tiling of the child windows: about sqrt(n) columns of windows
// stacked one above the other, so that wide gauges keep their width; the
// last column takes the windows left over. Three windows are three
// full-width strips, four a 2 x 2 grid, five 2 + 3.

#include "volmar/viewer/PixelRect.h"

#include <vector>

namespace volmar::viewer {

std::vector<PixelRect> tileHorizontally(int count, int width, int height);

} // namespace volmar::viewer
