#include "loader_icon.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace plx71 {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0); // drawn on a 32 x 32 grid

    // The writer box: a dark body with a lighter front panel.
    QLinearGradient body(0, 14, 0, 31);
    body.setColorAt(0, QColor(0x3A, 0x5F, 0x9E));
    body.setColorAt(1, QColor(0x1C, 0x33, 0x5C));
    p.setPen(QPen(QColor(0x10, 0x1E, 0x38), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(2.5, 15.5, 27, 14), 2.5, 2.5);

    // A socket with a chip in it, its pins on both sides.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE8, 0xE8, 0xE0));
    p.drawRect(QRectF(6, 19, 12, 7));
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawRect(QRectF(8, 20.5, 8, 4));
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(8.5 + i * 2, 19.2, 1, 1.2));
        p.drawRect(QRectF(8.5 + i * 2, 24.6, 1, 1.2));
    }

    // Power lamp.
    p.setBrush(QColor(0x4C, 0xE0, 0x4C));
    p.drawEllipse(QPointF(24, 22.5), 2, 2);

    // The arrow: new firmware going down into the box.
    QPainterPath arrow;
    arrow.moveTo(13, 1);
    arrow.lineTo(19, 1);
    arrow.lineTo(19, 8);
    arrow.lineTo(24, 8);
    arrow.lineTo(16, 16);
    arrow.lineTo(8, 8);
    arrow.lineTo(13, 8);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x8A, 0x4B, 0x00), 1));
    QLinearGradient gold(0, 1, 0, 16);
    gold.setColorAt(0, QColor(0xFF, 0xD8, 0x4A));
    gold.setColorAt(1, QColor(0xF0, 0x90, 0x10));
    p.setBrush(gold);
    p.drawPath(arrow);
    return pixmap;
}

} // namespace

QIcon loaderIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}

} // namespace plx71
