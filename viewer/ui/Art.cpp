#include "Art.h"

#include <QPixmap>

// Resources of a static library register only when asked to, and only from
// outside any namespace.
static bool registerArt() {
    Q_INIT_RESOURCE(inspecta);
    return true;
}

namespace volmar::viewer {

namespace {

QPixmap artPixmap(const char* path) {
    static const bool registered = registerArt();
    (void)registered;
    return QPixmap(QString::fromLatin1(path));
}

const QPixmap& strip() {
    static const QPixmap pixmap = artPixmap(":/inspecta/toolbar.xpm");
    return pixmap;
}

// Rows of an 8 x 8 triangle pointing up; each row's first and last lit column.
constexpr int kTriangle[8][2] = {{3, 4}, {3, 4}, {2, 5}, {2, 5}, {1, 6}, {1, 6}, {0, 7}, {0, 7}};

QImage triangle(QRgb colour, bool pointsUp) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int row = 0; row < 8; ++row) {
        const int y = pointsUp ? row : 7 - row;
        for (int x = kTriangle[row][0]; x <= kTriangle[row][1]; ++x) {
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

} // namespace

QIcon toolbarIcon(int index) {
    if (index < 0 || index >= kToolbarImages || strip().isNull()) {
        return {};
    }
    return QIcon(strip().copy(index * kToolbarImageSize, 0, kToolbarImageSize, kToolbarImageSize));
}

QIcon programIcon() {
    static const QIcon icon(artPixmap(":/inspecta/inspecta.xpm"));
    return icon;
}

const QImage& valueMarker(QRgb colour) {
    // Made again only when the palette's text colour changes.
    static QRgb made = qRgb(0, 0, 0);
    static QImage image = triangle(made, true);
    if (colour != made) {
        made = colour;
        image = triangle(made, true);
    }
    return image;
}

const QImage& rawMarker() {
    static const QImage image = triangle(qRgb(255, 0, 0), false);
    return image;
}

} // namespace volmar::viewer
