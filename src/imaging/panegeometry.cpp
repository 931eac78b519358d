#include "imaging/panegeometry.h"

#include <algorithm>

namespace Duovue::PaneGeometry
{

QRect fitToWindow(QSize client, QSize picture)
{
    const qint64 cw = client.width();
    const qint64 ch = client.height();
    const qint64 w = picture.width();
    const qint64 h = picture.height();
    if (cw <= 0 || ch <= 0 || w <= 0 || h <= 0)
        return {};
    if (w * ch < cw * h) {
        const qint64 width = ch * w / h;
        return QRect(static_cast<int>((cw - width) / 2), 0, static_cast<int>(width), static_cast<int>(ch));
    }
    const qint64 height = cw * h / w;
    return QRect(0, static_cast<int>((ch - height) / 2), static_cast<int>(cw), static_cast<int>(height));
}

PopupPlacement popupPlacement(QRect workArea, QPoint screenOrigin, QSize picture, QMargins frame, int pane)
{
    const int halfWidth = workArea.width() / 2;
    const int workHeight = workArea.height();
    const QSize wanted(std::min(picture.width(), halfWidth), std::min(picture.height(), workHeight));
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const int windowWidth = std::min(wanted.width() + frameWidth, halfWidth);
    const int windowHeight = std::min(wanted.height() + frameHeight, workHeight);
    const int left = pane == 0 ? halfWidth - windowWidth : halfWidth;

    PopupPlacement placement;
    placement.window = QRect(screenOrigin.x() + left, screenOrigin.y(), windowWidth, windowHeight);
    placement.client = QSize(std::max(windowWidth - frameWidth, 0), std::max(windowHeight - frameHeight, 0));
    return placement;
}

QPoint clampPanOffset(QPoint offset, QSize client, QSize picture)
{
    // The lower bound first and the upper bound last: a picture smaller than the view stays at 0.
    int x = std::max(offset.x(), client.width() - picture.width());
    int y = std::max(offset.y(), client.height() - picture.height());
    return QPoint(std::min(x, 0), std::min(y, 0));
}

} // namespace Duovue::PaneGeometry
