#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

namespace Duovue::WindowGeometry
{

/// The outer rectangle (frame included) at which a window stored as @p left, @p top, @p width and
/// @p height (settings such as メイン/X座標, Y座標, 幅, 高さ) is placed, given the available areas of
/// the screens. The size is at least @p minimum and never larger than the screens; a rectangle that
/// lies wholly on the screens, even across several, stays where it is; any other is moved, and cut
/// where it must, onto the screen it overlaps most, or the nearest one when it overlaps none. Any
/// int is accepted (absurd values come from hand-edited files). Without screens, the minimum size
/// at the origin.
QRect fitToScreens(int left, int top, int width, int height, const QList<QRect> &available, const QSize &minimum);

/// The client size of a window whose outer size is @p frame when its frame adds @p margins; never
/// less than 1 x 1.
QSize clientSize(const QSize &frame, const QMargins &margins);

} // namespace Duovue::WindowGeometry
