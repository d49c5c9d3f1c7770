#pragma once

// The viewer's artwork: the toolbar strip (24 images of 16 x 16 pixels),
// the program icon and the two gauge markers.

#include <QIcon>
#include <QImage>

namespace volmar::viewer {

inline constexpr int kToolbarImages = 24;
inline constexpr int kToolbarImageSize = 16;

// Images of the strip the commands use.
enum ToolbarImage {
    kImageSave = 0,
    kImageCaptureStopped = 1,
    kImageCapturing = 2,
    kImageAxisWindow = 3,
    kImageBufferedWindow = 4,
    kImageClear = 6,
    kImageCascade = 7,
    kImageTile = 8,
    kImageAbout = 10,
    kImageSettings = 17,
    kImageReenumerate = 23,
};

// Image `index` of the strip; a null icon outside it.
QIcon toolbarIcon(int index);
QIcon programIcon();
// 8 x 8: a triangle pointing up in the text colour (value: black on a
// light desktop) and a red one pointing down (raw value).
const QImage& valueMarker(QRgb colour);
const QImage& rawMarker();

} // namespace volmar::viewer
