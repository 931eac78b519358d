#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>

class QScreen;

namespace Duovue
{

/// The actual-size view of a main-window preview pane's picture: a window over half the work
/// area (left pane's popup on the left half, right pane's on the right), showing the picture 1:1
/// and panned by dragging with the left button. A double click, the close box or Escape closes it.
///
/// Deletes itself when closed; the opening pane watches it through a QPointer and counts it open
/// while it is shown.
///
/// Thread: GUI thread. Shares the pane's picture (implicitly shared, never copied).
class CPreviewDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPreviewDlg)

public:
    /// @p picture is the pane's bitmap, @p pictureSize the size its information record gives.
    CPreviewDlg(
        int paneIndex, const QImage &picture, QSize pictureSize, const QString &title, QWidget *parent = nullptr);
    ~CPreviewDlg() override;

    int paneIndex() const { return m_paneIndex; }
    /// Both coordinates 0 or negative: where the picture's top-left corner is drawn.
    QPoint scrollOffset() const { return m_offset; }
    bool isDragging() const { return m_dragging; }

    /// Sizes and moves the window for @p screen (the pane's screen) by the placement rule, with
    /// the window system's frame as known now.
    void place(QScreen *screen);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    const int m_paneIndex;
    const QImage m_picture;
    const QSize m_pictureSize;
    QPoint m_offset;
    bool m_dragging = false;
    QPoint m_lastCursor; // screen coordinates
    QMargins m_placedFrame; // the frame assumed when the window was last placed
    bool m_replacedForFrame = false; // placed again once the real frame was known
};

} // namespace Duovue
