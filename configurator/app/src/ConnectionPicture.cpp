#include "volmar/app/ConnectionPicture.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace volmar::app {

QPixmap connectionPicture(bool connected, qreal devicePixelRatio) {
    const int side = kConnectionPictureSize;
    QPixmap picture(QSize(side, side) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);

    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor light = connected ? QColor(120, 230, 120) : QColor(255, 130, 120);
    const QColor deep = connected ? QColor(20, 130, 40) : QColor(170, 20, 20);

    // The lamp: a bezel, then the glass lit from the upper left.
    const QRectF bezel(4, 4, side - 8, side - 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 70));
    p.drawEllipse(bezel);
    const QRectF glass = bezel.adjusted(7, 7, -7, -7);
    QRadialGradient shine(glass.center() - QPointF(14, 14), glass.width() * 0.75);
    shine.setColorAt(0.0, light);
    shine.setColorAt(1.0, deep);
    p.setBrush(shine);
    p.drawEllipse(glass);

    // The sign on the glass.
    QPen pen(Qt::white, 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = glass.center();
    if (connected) {
        QPainterPath tick;
        tick.moveTo(c + QPointF(-22, 2));
        tick.lineTo(c + QPointF(-6, 18));
        tick.lineTo(c + QPointF(24, -16));
        p.drawPath(tick);
    } else {
        p.drawLine(c + QPointF(-18, -18), c + QPointF(18, 18));
        p.drawLine(c + QPointF(-18, 18), c + QPointF(18, -18));
    }
    return picture;
}

} // namespace volmar::app
