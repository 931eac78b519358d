#include "viewer/viewergeometry.h"

#include <algorithm>

namespace Duovue::ViewerGeometry
{

int zoomIndex(int factor)
{
    const auto it = std::find(ZoomFactors.begin(), ZoomFactors.end(), factor);
    return it == ZoomFactors.end() ? -1 : int(it - ZoomFactors.begin());
}

ActualSizeRects actualSize(QSize client, QSize picture, int zoom, QPoint offset)
{
    if (zoom < 1 || picture.isEmpty() || client.isEmpty())
        return {};
    const int width = std::min(zoom * picture.width(), client.width());
    const int height = std::min(zoom * picture.height(), client.height());
    ActualSizeRects rects;
    rects.target = QRect(0, 0, width, height);
    rects.source = QRect(-offset.x() / zoom, -offset.y() / zoom, width / zoom, height / zoom);
    return rects;
}

QPoint clampPan(QPoint offset, QSize client, QSize picture, int zoom)
{
    // The lower bound first and the upper bound last: a picture smaller than the pane stays at 0.
    const int x = std::min(std::max(offset.x(), client.width() - zoom * picture.width()), 0);
    const int y = std::min(std::max(offset.y(), client.height() - zoom * picture.height()), 0);
    return {x, y};
}

QPoint linkedOffset(const PaneView &from, const PaneView &to)
{
    if (from.picture.isEmpty() || to.picture.isEmpty() || from.zoom < 1 || to.zoom < 1)
        return {};
    const auto axis =
        [](int fromClient, int fromPicture, int fromZoom, int fromOffset, int toClient, int toPicture, int toZoom) {
            const double relative = (fromClient / 2.0 - fromOffset) / (double(fromZoom) * fromPicture);
            return qRound(toClient / 2.0 - relative * toZoom * toPicture);
        };
    const QPoint offset(axis(from.client.width(),
                            from.picture.width(),
                            from.zoom,
                            from.offset.x(),
                            to.client.width(),
                            to.picture.width(),
                            to.zoom),
        axis(from.client.height(),
            from.picture.height(),
            from.zoom,
            from.offset.y(),
            to.client.height(),
            to.picture.height(),
            to.zoom));
    return clampPan(offset, to.client, to.picture, to.zoom);
}

int paneWidth(int clientWidth)
{
    return clientWidth > 16 ? (clientWidth - 16) / 2 : -1;
}

} // namespace Duovue::ViewerGeometry
