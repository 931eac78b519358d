#include "core/windowgeometry.h"

#include <QRegion>

namespace Duovue::WindowGeometry
{

namespace
{

// One axis: the length kept within [minimum, room] (the minimum wins when the room is smaller) and
// the start moved so that the span lies within [low, low + room) where it fits.
void fitSpan(int &start, int &length, int low, int room, int minimum)
{
    length = qBound(minimum, length, qMax(minimum, room));
    const qint64 last = qint64(low) + room - length;
    start = int(qBound(qint64(low), qint64(start), qMax(qint64(low), last)));
}

qint64 area(const QRect &r)
{
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

qint64 squaredDistance(const QPoint &a, const QPoint &b)
{
    const qint64 dx = qint64(a.x()) - b.x();
    const qint64 dy = qint64(a.y()) - b.y();
    return dx * dx + dy * dy;
}

} // namespace

QRect fitToScreens(int left, int top, int width, int height, const QList<QRect> &available, const QSize &minimum)
{
    const QList<QRect> screens = available.isEmpty() ? QList<QRect>{QRect(QPoint(0, 0), minimum)} : available;
    QRect bounds;
    QRegion covered;
    for (const QRect &s : screens) {
        bounds |= s;
        covered += s;
    }
    // No larger than the screens together, and touching them: this also keeps every later sum
    // inside an int.
    width = qBound(minimum.width(), width, qMax(minimum.width(), bounds.width()));
    height = qBound(minimum.height(), height, qMax(minimum.height(), bounds.height()));
    left = qBound(bounds.left() - width + 1, left, bounds.right());
    top = qBound(bounds.top() - height + 1, top, bounds.bottom());
    const QRect frame(left, top, width, height);
    if (QRegion(frame).subtracted(covered).isEmpty())
        return frame;

    const QRect *best = &screens.first();
    qint64 bestOverlap = -1;
    for (const QRect &s : screens) {
        const qint64 overlap = area(s & frame);
        if (overlap > bestOverlap) {
            best = &s;
            bestOverlap = overlap;
        }
    }
    if (bestOverlap == 0) {
        for (const QRect &s : screens) {
            if (squaredDistance(s.center(), frame.center()) < squaredDistance(best->center(), frame.center()))
                best = &s;
        }
    }
    fitSpan(left, width, best->left(), best->width(), minimum.width());
    fitSpan(top, height, best->top(), best->height(), minimum.height());
    return QRect(left, top, width, height);
}

QSize clientSize(const QSize &frame, const QMargins &margins)
{
    return QSize(qMax(1, frame.width() - margins.left() - margins.right()),
        qMax(1, frame.height() - margins.top() - margins.bottom()));
}

} // namespace Duovue::WindowGeometry
