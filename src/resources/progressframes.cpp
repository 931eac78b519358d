#include "resources/progressframes.h"

#include <QPainter>
#include <QPainterPath>

namespace Duovue::ProgressFrames
{

namespace
{

// A small picture card: frame, sky, sun and a mountain.
void drawCard(QPainter &p, const QRectF &r, bool lit)
{
    p.setPen(QPen(lit ? QColor(30, 90, 200) : QColor(120, 120, 120), lit ? 2 : 1));
    p.setBrush(QColor(215, 235, 255));
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 190, 40));
    p.drawEllipse(QPointF(r.right() - 9, r.top() + 9), 4.5, 4.5);
    QPainterPath hill;
    hill.moveTo(r.left() + 2, r.bottom() - 2);
    hill.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.38);
    hill.lineTo(r.left() + r.width() * 0.62, r.top() + r.height() * 0.62);
    hill.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.5);
    hill.lineTo(r.right() - 2, r.bottom() - 2);
    hill.closeSubpath();
    p.setBrush(QColor(70, 150, 70));
    p.drawPath(hill);
}

QPixmap drawFrame(int frame)
{
    QPixmap pm(Width, Height);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Two pictures being compared, and a dot running from one to the other along a dotted track.
    drawCard(p, QRectF(4.5, 8.5, 40, 37), frame < 2);
    drawCard(p, QRectF(123.5, 8.5, 40, 37), frame >= 8);
    const int stops = Count;
    const double x0 = 52, x1 = 116;
    for (int i = 0; i < stops; ++i) {
        const double x = x0 + (x1 - x0) * i / (stops - 1);
        const bool current = i == frame;
        const bool trail = i < frame && frame - i <= 2;
        p.setPen(Qt::NoPen);
        p.setBrush(current ? QColor(30, 90, 200) : (trail ? QColor(140, 175, 230) : QColor(200, 200, 200)));
        const double radius = current ? 4.0 : 2.2;
        p.drawEllipse(QPointF(x, 27), radius, radius);
    }
    return pm;
}

} // namespace

QList<QPixmap> frames()
{
    QList<QPixmap> out;
    for (int i = 0; i < Count; ++i)
        out.append(drawFrame(i));
    return out;
}

} // namespace Duovue::ProgressFrames
