#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace Duovue
{

/// Geometry of the picture panes and the preview popup, kept free of widgets so that it can be
/// tested headless. All divisions are integer divisions, as the panes have always drawn them.
namespace PaneGeometry
{

/// Where a @p picture is drawn when fitted into a pane of size @p client: the whole picture,
/// aspect kept, as large as the pane allows (also enlarged), centred on the axis with room left.
/// Empty when either size is empty.
QRect fitToWindow(QSize client, QSize picture);

/// Window rectangle (frame included) and client size of a preview popup.
struct PopupPlacement {
    QRect window;
    QSize client;
};

/// Placement of the preview popup of main-window pane @p pane (0 left, 1 right) for a picture of
/// size @p picture: at most half the work area wide and the work area high, the left pane's popup
/// ending at the middle of the work area's width, the right pane's starting there, both at the top.
/// Positions count from @p screenOrigin (the screen's corner, not the work area's); @p frame is
/// what the window system adds around the client.
PopupPlacement popupPlacement(QRect workArea, QPoint screenOrigin, QSize picture, QMargins frame, int pane);

/// The scroll offset of a 1:1 view after a drag, kept so that the picture always covers the view
/// where it can: both coordinates between (view size - picture size) and 0.
QPoint clampPanOffset(QPoint offset, QSize client, QSize picture);

} // namespace PaneGeometry

} // namespace Duovue
