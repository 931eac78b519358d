#include "resources/rowimages.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>

namespace Duovue::RowImages
{

namespace
{

QPixmap draw(int index)
{
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(220, 20, 20);
    switch (index) {
    case 1: {
        // A red arrow pointing right: shaft and head.
        QPainterPath arrow;
        arrow.moveTo(1.5, 6);
        arrow.lineTo(8, 6);
        arrow.lineTo(8, 2.5);
        arrow.lineTo(14.5, 8);
        arrow.lineTo(8, 13.5);
        arrow.lineTo(8, 10);
        arrow.lineTo(1.5, 10);
        arrow.closeSubpath();
        p.setPen(QPen(red.darker(140), 1));
        p.setBrush(red);
        p.drawPath(arrow);
        break;
    }
    case 2:
    case 3: {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(90, 90, 90));
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 11, 11);
        if (index == 3) {
            p.setRenderHint(QPainter::Antialiasing);
            QPen tick(red, 2.2);
            tick.setCapStyle(Qt::RoundCap);
            tick.setJoinStyle(Qt::RoundJoin);
            p.setPen(tick);
            p.setBrush(Qt::NoBrush);
            QPainterPath path;
            path.moveTo(4.5, 7.5);
            path.lineTo(7, 10.5);
            path.lineTo(14, 2);
            p.drawPath(path);
        }
        break;
    }
    default:
        break; // blank
    }
    return pm;
}

} // namespace

QPixmap image(int index)
{
    static const std::array<QPixmap, 4> images{draw(0), draw(1), draw(2), draw(3)};
    return images[static_cast<size_t>(qBound(0, index, 3))];
}

std::array<QVariant, 4> modelImages()
{
    std::array<QVariant, 4> out;
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(i)] = QVariant::fromValue(QIcon(image(i)));
    return out;
}

QCursor dragCursor()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(0.5, 0.5);
    arrow.lineTo(0.5, 15);
    arrow.lineTo(4, 11.5);
    arrow.lineTo(6.5, 17);
    arrow.lineTo(8.5, 16);
    arrow.lineTo(6, 10.5);
    arrow.lineTo(11, 10.5);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    // The dotted rectangle of the rows being carried.
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen dots(Qt::black, 1, Qt::DotLine);
    p.setPen(dots);
    p.setBrush(Qt::NoBrush);
    p.drawRect(9, 18, 18, 10);
    p.end();
    return QCursor(pm, 0, 0);
}

} // namespace Duovue::RowImages
