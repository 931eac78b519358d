#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace Duovue
{

class SettingsStore;

/// Which pixels of the window come from the right picture: bands of rows, bands of columns, or
/// the dots where a row band and a column band cross. The numbers are those of the settings file
/// and of the saved JPEG header.
enum class CompositeMethod : int { Rows = 0, Columns = 1, Dots = 2 };

/// How the right picture follows a size change: 0 stretched freely to the requested size, 1 keeping
/// its own width to height ratio.
enum class RightAspect : int { Free = 0, Original = 1 };

/// What a compositing session starts from: the settings of the "合成" section, each brought into
/// its valid range.
struct CompositeOptions {
    static constexpr int MinimumRatio = 1;
    static constexpr int MaximumRatio = 5;
    static constexpr int MinimumQuality = 20;
    static constexpr int MaximumQuality = 100;

    CompositeMethod method = CompositeMethod::Rows;
    /// `InterleaveRatio`: band width in pixels, 1 to 5.
    int ratio = 1;
    RightAspect aspect = RightAspect::Free;
    /// JPEG quality, 20 to 100.
    int quality = 95;
    /// Largest composite; each side at least 1.
    QSize maximum{800, 600};

    /// Reads the options from @p settings. Out-of-range numbers (a hand-edited file) are clamped
    /// into range; an unknown method and a maximum side below 1 fall back to their defaults.
    static CompositeOptions read(const SettingsStore &settings);
};

/// The composite's size for a left picture of @p picture pixels within @p maximum: the picture
/// shrunk to fit with its aspect kept (integer division), never enlarged.
QSize CompositeSize(QSize picture, QSize maximum);

/// The arrow keys, for sliding and resizing by keyboard.
enum class Arrow { Left, Up, Right, Down };

/// Arrow keys held down at the moment another arrow key is pressed (diagonal sliding).
struct HeldArrows {
    bool left = false;
    bool up = false;
    bool right = false;
    bool down = false;
};

/// The geometry and mode of one compositing session: `CompositeSize`, `CompositeMethod`,
/// `InterleaveRatio`, `RightAspect`, `SlideOffset` (the right picture's top-left corner in window
/// coordinates), `SizeAdjust` (added to the composite size to give the right picture's requested
/// size) and the right picture's drawn size. Every change goes through an operation that keeps the
/// limits: a slide never takes the right picture out of reach, a resize stops at MinimumRightSize
/// when shrinking and at a size adjustment equal to the composite size when growing, and the drawn
/// size is never below one pixel.
///
/// Thread: a plain value.
class CompositeState
{
public:
    /// A left picture narrower than this cannot be composited.
    static constexpr int MinimumLeftWidth = 30;
    /// Shrinking stops at a right picture of this many pixels.
    static constexpr int MinimumRightSize = 50;

    /// The state at opening: composite size from @p leftPicture and the options' maximum, no slide,
    /// no size adjustment.
    CompositeState(QSize leftPicture, QSize rightPicture, const CompositeOptions &options);

    QSize compositeSize() const { return m_compositeSize; }
    QSize rightPictureSize() const { return m_rightPicture; }
    CompositeMethod method() const { return m_method; }
    int ratio() const { return m_ratio; }
    RightAspect aspect() const { return m_aspect; }
    QPoint slideOffset() const { return m_slide; }
    QSize sizeAdjust() const { return m_adjust; }
    /// The right picture's drawn size.
    QSize rightSize() const { return m_rightSize; }
    /// Where the right picture lies in window coordinates.
    QRect rightRect() const { return {m_slide, m_rightSize}; }

    /// The window caption, for example "合成　(横向き - フリー - 1 pixel)".
    QString caption() const;

    // Each setter returns whether anything changed; choosing what is in force changes nothing.
    bool setMethod(CompositeMethod method);
    bool setRatio(int ratio);
    /// A new aspect mode puts the right picture back at the origin and draws it again at the
    /// requested size, which keeps any size adjustment made before.
    bool setAspect(RightAspect aspect);
    bool resetSlide();
    /// Size adjustment and slide back to (0, 0).
    bool resetSize();

    /// Arrow key without Shift: slide by one pixel, diagonally when a crossing arrow is held.
    void slideByKey(Arrow arrow, HeldArrows held);
    /// Arrow key with Shift: grow or shrink by one pixel (both sides with the original aspect).
    bool resizeByKey(Arrow arrow);
    /// Mouse drag without Shift.
    void slideBy(QPoint delta);
    /// Mouse drag with Shift; @p delta is the move since the last mouse point.
    bool resizeByMouse(QPoint delta);

private:
    void keepReachable();
    void updateRightSize();

    QSize m_compositeSize;
    QSize m_rightPicture;
    CompositeMethod m_method;
    int m_ratio;
    RightAspect m_aspect;
    QPoint m_slide;
    QSize m_adjust{0, 0};
    QSize m_rightSize;
};

} // namespace Duovue
