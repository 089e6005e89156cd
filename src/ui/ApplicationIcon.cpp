#include "ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui {

namespace {

// A ferry on a dusky sea: the hull, its cabin and a wave line.
QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2b, 0x3a, 0x67));
    painter.drawRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
    painter.setBrush(QColor(0xf2, 0x9e, 0x4c));
    painter.drawEllipse(QPointF(22, 10), 5, 5);

    QPainterPath hull;
    hull.moveTo(4, 18);
    hull.lineTo(28, 18);
    hull.lineTo(24, 24);
    hull.lineTo(8, 24);
    hull.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(hull);
    painter.drawRect(QRectF(10, 13, 10, 5));

    QPen wave(QColor(0x9f, 0xc5, 0xe8));
    wave.setWidthF(1.6);
    painter.setPen(wave);
    painter.setBrush(Qt::NoBrush);
    QPainterPath water;
    water.moveTo(3, 27.5);
    for (int x = 3; x < 29; x += 6) {
        water.quadTo(x + 1.5, 25.5, x + 3, 27.5);
        water.quadTo(x + 4.5, 29.5, x + 6, 27.5);
    }
    painter.drawPath(water);
    painter.end();
    return image;
}

} // namespace

QIcon ApplicationIcon() {
    static const QIcon icon = [] {
        QIcon drawn;
        for (int size : {16, 24, 32, 48, 64}) {
            drawn.addPixmap(QPixmap::fromImage(drawIcon(size)));
        }
        return drawn;
    }();
    return icon;
}

QImage ApplicationIconImage(int size) {
    return drawIcon(size);
}

} // namespace ui
