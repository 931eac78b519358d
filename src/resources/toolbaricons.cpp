#include "resources/toolbaricons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "resources/commandtable.h"

namespace Duovue::ToolbarIcons
{

namespace
{

constexpr int Size = 18;

QPixmap canvas(int size = Size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

void drawPage(QPainter &p, const QRectF &r, const QColor &fill)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 4, r.top());
    path.lineTo(r.right(), r.top() + 4);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(fill);
    p.drawPath(path);
}

void drawLetters(QPainter &p, const QRectF &r, const QString &text, const QColor &color, int pixelSize)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

void drawTwoFrames(QPainter &p, int size)
{
    const qreal s = size / 18.0;
    p.setPen(QPen(QColor(30, 80, 160), 1.2 * s));
    p.setBrush(QColor(170, 205, 245));
    p.drawRect(QRectF(1.5 * s, 3.5 * s, 7 * s, 11 * s));
    p.setPen(QPen(QColor(160, 60, 30), 1.2 * s));
    p.setBrush(QColor(250, 200, 160));
    p.drawRect(QRectF(9.5 * s, 3.5 * s, 7 * s, 11 * s));
}

} // namespace

QIcon forCommand(int commandId)
{
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (commandId) {
    case IdFileNew:
        drawPage(p, QRectF(3.5, 1.5, 11, 15), Qt::white);
        break;
    case IdFileOpen: {
        p.setPen(QPen(QColor(120, 90, 20), 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(1.5, 5.5, 15, 10));
        p.setBrush(QColor(250, 225, 140));
        QPolygonF flap;
        flap << QPointF(1.5, 15.5) << QPointF(4.5, 8.5) << QPointF(17.5, 8.5) << QPointF(14.5, 15.5);
        p.drawPolygon(flap);
        break;
    }
    case IdFileSave:
        p.setPen(QPen(QColor(30, 30, 90), 1));
        p.setBrush(QColor(70, 90, 170));
        p.drawRect(QRectF(2.5, 2.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 7, 5));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.5, 10.5, 9, 5));
        break;
    case IdCompose:
        // Interleaved bands: the compositing window's idea in one picture.
        for (int y = 2; y < 16; y += 2) {
            p.fillRect(QRectF(2, y, 14, 1), QColor(30, 80, 160));
            p.fillRect(QRectF(2, y + 1, 14, 1), QColor(220, 110, 50));
        }
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 15, 15));
        break;
    case IdViewerOpen:
        drawTwoFrames(p, Size);
        break;
    case IdBinaryCompare:
        drawLetters(p, QRectF(0, 0, Size, Size), QStringLiteral("01"), QColor(20, 20, 20), 10);
        break;
    case IdDifferenceAnalysis:
        drawPage(p, QRectF(2.5, 1.5, 13, 15), Qt::white);
        p.setPen(QPen(QColor(200, 40, 40), 1.4));
        p.drawLine(QPointF(5, 6), QPointF(13, 6));
        p.drawLine(QPointF(5, 9), QPointF(11, 9));
        p.drawLine(QPointF(5, 12), QPointF(13, 12));
        break;
    case IdJpegCompare:
        drawLetters(p, QRectF(0, 0, Size, Size), QStringLiteral("J"), QColor(30, 110, 50), 14);
        break;
    case IdSimilarSearch:
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QRectF(2, 2, 10, 10));
        p.drawLine(QPointF(10.5, 10.5), QPointF(16, 16));
        break;
    case IdHelp:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 100, 190));
        p.drawEllipse(QRectF(1, 1, 16, 16));
        drawLetters(p, QRectF(0, 0, Size, Size), QStringLiteral("?"), Qt::white, 12);
        break;
    default:
        break;
    }
    p.end();
    return QIcon(pm);
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        drawTwoFrames(p, size);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace Duovue::ToolbarIcons
