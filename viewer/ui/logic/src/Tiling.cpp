#include "volmar/viewer/Tiling.h"

#include <cmath>

namespace volmar::viewer {

std::vector<PixelRect> tileHorizontally(int count, int width, int height) {
    std::vector<PixelRect> out;
    if (count <= 0) {
        return out;
    }
    const int columns = static_cast<int>(std::sqrt(static_cast<double>(count)));
    int rows = count / columns;
    const int columnWidth = width / columns;
    int placed = 0;
    for (int c = 0; c < columns; ++c) {
        if (c == columns - 1) {
            rows = count - placed;
        }
        const int rowHeight = height / rows;
        for (int r = 0; r < rows; ++r) {
            out.push_back(
                {c * columnWidth, r * rowHeight, (c + 1) * columnWidth, (r + 1) * rowHeight});
            ++placed;
        }
    }
    return out;
}

} // namespace volmar::viewer
