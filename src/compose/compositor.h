#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

#include "compose/compositestate.h"

namespace Duovue
{

/// The pictures of one compositing session: `LeftLayer` (the left picture scaled to the composite
/// size), `RightLayer` (the right picture scaled to its drawn size) and `CompositeImage`, made from
/// the two for a CompositeState.
///
/// Each layer is scaled once per size change (smooth, area-averaging when shrinking); a slide only
/// recomposes, which copies rows and bands of pixels between the layers and never scales. The right
/// picture is first brought down to the largest size it can be drawn at (twice the composite size),
/// so a resize step of a large photograph scales a few megapixels, not the whole picture.
///
/// Thread: one thread at a time. The returned images are implicitly shared copies the caller may keep.
class Compositor
{
public:
    /// @p left and @p right may be in any format; the layers are Format_RGB32.
    Compositor(const QImage &left, const QImage &right, QSize compositeSize);

    const QImage &leftLayer() const { return m_leftLayer; }
    /// The right picture at @p size, scaled again only when the size differs from the last call.
    const QImage &rightLayer(QSize size);

    /// The composite for @p state (whose composite size is this compositor's), rebuilt in place:
    /// the previous composite's pixels are reused when nobody else holds them.
    const QImage &compose(const CompositeState &state);
    /// The composite as last composed; null before the first compose().
    const QImage &composite() const { return m_composite; }

private:
    QImage m_rightPicture;
    QImage m_leftLayer;
    QImage m_rightLayer;
    QImage m_composite;
};

/// Makes @p out (resized to @p leftLayer's size, Format_RGB32) a copy of @p leftLayer in which the
/// pixels selected by @p method and @p ratio inside the right picture's rectangle at @p offset
/// come from @p rightLayer: pixel (x, y) takes right pixel (x - offset.x, y - offset.y). The
/// selection is fixed to the window, so the pattern stays put while the right picture slides:
/// rows with y mod 2N >= N, columns with x mod 2N >= N, or the dots where both hold.
/// Both layers must be Format_RGB32. @p out's pixels are reused when it is not shared.
void ComposeInto(
    QImage &out, const QImage &leftLayer, const QImage &rightLayer, QPoint offset, CompositeMethod method, int ratio);

} // namespace Duovue
