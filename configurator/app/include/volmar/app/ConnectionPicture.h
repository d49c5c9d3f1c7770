#pragma once

// The two pictures of the connection display, img_red (not connected) and
// img_grn (connected), 113 x 113 pixels, drawn for this program: a lamp
// with a cross or a tick, so the state does not depend on telling the
// colours apart.

#include <QPixmap>

namespace volmar::app {

inline constexpr int kConnectionPictureSize = 113;

QPixmap connectionPicture(bool connected, qreal devicePixelRatio = 1.0);

} // namespace volmar::app
