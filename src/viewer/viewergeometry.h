#pragma once

#include <array>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace Duovue
{

/// Geometry of the comparison viewer: the zoom factors of its panes, where a pane draws its picture
/// at actual size, how far it may be panned, and how the frame shares its width between the panes.
/// All divisions are integer divisions, as the panes draw them. Thread: any.
namespace ViewerGeometry
{

/// The zoom factors of the menu items " &100%" to "1000% (&Z)", in menu order.
constexpr std::array<int, 5> ZoomFactors{1, 2, 3, 5, 10};
/// The viewer frame cannot be made smaller than this.
constexpr QSize MinimumFrameSize{800, 600};
/// Width of the left column when the splitter is first laid out.
constexpr int InitialLeftColumnWidth = 395;

/// Position of @p factor in ZoomFactors, or -1.
int zoomIndex(int factor);

/// What an `ActualSize` pane draws: the part @p source of the picture stretched into @p target.
struct ActualSizeRects {
    QRect target;
    QRect source;
};

/// The rectangles for a picture of @p picture pixels in a pane of @p client pixels at @p zoom,
/// panned by @p offset (both coordinates <= 0): the target starts at the pane's corner and covers
/// at most the zoomed picture; the source starts at -offset / zoom and is the target's size / zoom.
ActualSizeRects actualSize(QSize client, QSize picture, int zoom, QPoint offset);

/// @p offset clamped so that the zoomed picture covers the pane where it can: each coordinate at
/// least (pane size - zoom x picture size) and at most 0.
QPoint clampPan(QPoint offset, QSize client, QSize picture, int zoom);

/// One pane's view at actual size: its size, its picture's size, the zoom factor and the pan.
struct PaneView {
    QSize client;
    QSize picture;
    int zoom = 1;
    QPoint offset;
};

/// The pan that shows in @p to the spot of its picture that @p from shows at its centre, in
/// coordinates relative to each picture's size (so that pictures of different sizes line up),
/// clamped as clampPan does. @p to's own offset is not used.
QPoint linkedOffset(const PaneView &from, const PaneView &to);

/// Width of each pane (and each status-bar pane) for a frame client width @p clientWidth, or -1
/// when the client is too narrow to share (16 pixels or less).
int paneWidth(int clientWidth);

} // namespace ViewerGeometry

} // namespace Duovue
