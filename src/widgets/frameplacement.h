#pragma once

#include <optional>

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

namespace Duovue
{

/// Places a top-level window by its outer rectangle, frame included, and keeps its outer size at
/// least a minimum. Stored positions and sizes (メイン/X座標 … 高さ and the like) and the 800 x 600
/// minimum are outer measures, while Qt sizes a window by its client area; the frame's size is known
/// only once the window system has framed the window (on X11, after it is shown). Until then the
/// frame counts as empty, and as soon as it is known the minimum and a placed size are corrected.
///
/// Thread: GUI thread. Owned by the window it serves, its Qt parent.
class FramePlacement final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FramePlacement)

public:
    FramePlacement(QWidget *window, const QSize &minimumFrame);

    /// Moves and sizes the window so that its outer rectangle is the stored one, made to fit the
    /// available areas of the screens (WindowGeometry::fitToScreens).
    void place(int left, int top, int width, int height);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMargins frameMargins() const;
    void applyMargins();

    QWidget *m_window;
    QSize m_minimumFrame;
    QMargins m_margins;
    std::optional<QSize> m_placedFrame; // an outer size still to be corrected for the frame
};

} // namespace Duovue
