#include "resources/viewerpictures.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

#include "resources/commandtable.h"

namespace Duovue::ViewerPictures
{

namespace
{

constexpr int CursorSize = 32;
constexpr int MenuSize = 12;

/// A hand seen from the back: the palm, and four fingers that are long when @p open and folded
/// into knuckles when closed; the thumb lies at the side.
QCursor handCursor(bool open)
{
    QPixmap pm(CursorSize, CursorSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 14, 16, 13), 5, 5);
    const qreal fingerTop = open ? 4 : 10;
    for (int i = 0; i < 4; ++i) {
        const qreal x = 8.5 + i * 4;
        const qreal top = fingerTop + (i == 0 || i == 3 ? 2 : 0);
        hand.addRoundedRect(QRectF(x, top, 3.6, 18 - top), 1.8, 1.8);
    }
    QPainterPath thumb;
    if (open) {
        thumb.moveTo(9, 20);
        thumb.lineTo(3.5, 14.5);
        thumb.lineTo(5.5, 12.5);
        thumb.lineTo(11, 17);
    } else {
        thumb.addRoundedRect(QRectF(5, 16, 6, 4), 2, 2);
    }
    hand = hand.united(thumb).simplified();
    p.setPen(QPen(Qt::black, 1.4));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    if (!open) {
        // The folded fingers' tips show as a row of creases.
        p.setPen(QPen(Qt::black, 1));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(8.5 + i * 4, 11), QPointF(8.5 + i * 4, 15));
    }
    p.end();
    return QCursor(pm, 16, 16);
}

/// An arc of radius @p r round @p centre from @p startDeg through @p spanDeg (positive turns
/// counter-clockwise, as Qt counts), with an arrow head at its end pointing the way it turns.
void arcArrow(QPainter &p, QPointF centre, qreal r, qreal startDeg, qreal spanDeg, const QColor &colour)
{
    p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), qRound(startDeg * 16), qRound(spanDeg * 16));
    const qreal end = qDegreesToRadians(startDeg + spanDeg);
    const QPointF at = centre + QPointF(r * std::cos(end), -r * std::sin(end));
    // The way the arc runs at its end, in screen coordinates (y grows downwards).
    const qreal sign = spanDeg > 0 ? 1 : -1;
    const QPointF dir(-std::sin(end) * sign, -std::cos(end) * sign);
    const QPointF across(dir.y(), -dir.x());
    QPolygonF head;
    head << at + dir * 2.6 << at + across * 2.4 << at - across * 2.4;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

/// The composite methods' pictures: what each method takes from the right picture.
QIcon compositeMethodPicture(int commandId)
{
    QPixmap pixmap(MenuSize, MenuSize);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    const QColor band(32, 72, 160);
    for (int i = 2; i < 10; i += 3) {
        switch (commandId) {
        case IdMethodRows:
            p.fillRect(QRect(2, i, 8, 2), band);
            break;
        case IdMethodColumns:
            p.fillRect(QRect(i, 2, 2, 8), band);
            break;
        default:
            for (int j = 2; j < 10; j += 3)
                p.fillRect(QRect(i, j, 2, 2), band);
            break;
        }
    }
    p.setPen(QColor(96, 96, 96));
    p.drawRect(0, 0, 11, 11);
    return QIcon(pixmap);
}

} // namespace

QCursor openHandCursor()
{
    return handCursor(true);
}

QCursor closedHandCursor()
{
    return handCursor(false);
}

QIcon menuPicture(int commandId)
{
    if (commandId < IdRotateLeft || commandId > IdMethodDots)
        return {};
    if (commandId >= IdMethodRows)
        return compositeMethodPicture(commandId);
    QPixmap pm(MenuSize, MenuSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(30, 80, 160);
    const QColor orange(220, 110, 50);
    switch (commandId) {
    case IdRotateLeft:
        arcArrow(p, QPointF(6.5, 6.5), 4, 180, 270, blue);
        break;
    case IdRotateRight:
        arcArrow(p, QPointF(5.5, 6.5), 4, 0, -270, blue);
        break;
    case IdRotate180:
        arcArrow(p, QPointF(6, 7.5), 4, 180, -180, blue);
        break;
    case IdFlipVertical:
        p.fillRect(QRectF(1, 1, 10, 4), blue);
        p.fillRect(QRectF(1, 7, 10, 4), QColor(170, 205, 245));
        p.setPen(QPen(orange, 1));
        p.drawLine(QPointF(0, 6), QPointF(12, 6));
        break;
    case IdFlipHorizontal:
        p.fillRect(QRectF(1, 1, 4, 10), blue);
        p.fillRect(QRectF(7, 1, 4, 10), QColor(170, 205, 245));
        p.setPen(QPen(orange, 1));
        p.drawLine(QPointF(6, 0), QPointF(6, 12));
        break;
    default:
        break;
    }
    p.end();
    return QIcon(pm);
}

} // namespace Duovue::ViewerPictures
