#pragma once

#include <array>

#include <QCursor>
#include <QPointer>
#include <QPolygon>
#include <QTimer>

#include "imaging/pixelops.h"
#include "viewer/cimgview.h"
#include "viewer/mousegesture.h"
#include "viewer/viewergeometry.h"

class QPainter;

namespace Duovue
{

class CBrightDlg;
class CPaneMenu;

/// A picture pane of the comparison viewer (pane 2 left, pane 3 right): the picture at actual size
/// with a zoom factor and panning by dragging, or fitted to the pane; rotations, flips, colour modes
/// and brightness of the shown picture; the right-button gestures with their red trail drawn over
/// the picture; its own context menu "Img_con"; and its auto-advance timer.
///
/// Commands that concern the lists or other windows (stepping, recycle bin, move, copy, back to top,
/// information, pair tools, compositing, closing, the comparison modes) are passed to the frame by
/// signal.
///
/// For the comparison modes the pane can show another picture in place of its own (the difference
/// picture, the other side's picture while flickering) and split itself at a vertical divider, the
/// other side's picture right of it; its own picture, commands and status stay as they are.
///
/// Thread: GUI thread.
class CViewerPane final : public CImgView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CViewerPane)

public:
    enum ColourMode { Colour = 0, Inverted = 1, Monochrome = 2 };

    CViewerPane(CDuovueDoc &document, UserPrompts &prompts, int paneIndex, QWidget *parent = nullptr);
    ~CViewerPane() override;

    int zoomFactor() const { return m_zoom; }
    QPoint scrollOffset() const { return m_offset; }
    int colourMode() const { return m_colourMode; }
    CPaneMenu *menu() const { return m_menu; }
    /// The pane holds a decoded picture (not empty, not the missing-file placeholder).
    bool hasGoodPicture() const { return !content().picture.isNull(); }

    /// What the pane's status-bar pane shows: the gesture's strokes and action while one is drawn,
    /// otherwise the shown file's path ("ファイル名" while the pane is empty).
    QString statusText() const;
    /// A gesture is being drawn (its strokes show in the status bar).
    bool isDrawingGesture() const { return !m_gestureStatus.isEmpty(); }

    /// Runs a command of the pane's menu. Commands that are not the pane's own go to
    /// commandRequested.
    void runCommand(int id);

    void resetScroll();
    /// Colour mode back to カラー with its check (a step to another picture).
    void resetColourMode();
    /// Scroll offset (0, 0) and zoom factor 1 with its check (the side's list became empty).
    void resetView();

    void setAutoAdvanceInterval(int ms);
    void startAutoAdvance();
    void stopAutoAdvance();
    bool isAutoAdvancing() const { return m_autoAdvance.isActive(); }

    /// Frees the picture and stops the timer and any gesture (the viewer closes).
    void release();

    /// The open brightness dialog, or nullptr.
    CBrightDlg *brightnessDialog() const;

    /// Shows @p picture in place of the pane's own; @p fitted, when given, is what a fitted pane
    /// draws (a reduced copy made to keep details, at the size the pane fits @p picture in). A null
    /// picture shows the pane's own again.
    void setShownOverride(const QImage &picture, const QImage &fitted = QImage());
    bool hasShownOverride() const { return !m_override.isNull(); }
    /// What the pane draws: the override, or its own bitmap.
    QImage shownPicture() const;

    /// Splits the pane at a vertical divider: the shown picture left of it, @p right (at the shown
    /// picture's size) right of it, both in the same place. A null picture ends the split.
    void setSplitPicture(const QImage &right);
    bool isSplit() const { return !m_split.isNull(); }
    /// The divider's place as a share of the pane's width, 0..1; the middle at first.
    double splitPosition() const { return m_splitPosition; }
    void setSplitPosition(double position);
    /// The divider's column in the pane.
    int dividerX() const;

    /// Scales @p picture for the fitted pane now, so that showing it later costs no scaling.
    void prepare(const QImage &picture);

    /// Display mode, zoom and pan as a linked pane follows them.
    ViewerGeometry::PaneView view() const;
    /// Takes them from a linked pane (clamped to this pane's picture), without viewChanged.
    void followView(DisplayMode mode, int zoom, QPoint offset);

Q_SIGNALS:
    /// The user zoomed, panned or chose another display mode.
    void viewChanged();
    /// The user moved the split's divider.
    void dividerMoved();
    void statusChanged();
    /// Step this pane's side: +1 next, -1 previous (a gesture or the timer).
    void stepRequested(int side, int direction);
    /// A menu command for the frame (recycle bin, move, copy, back to top, information, tools).
    void commandRequested(int side, int id);
    void closeRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void transform(PixelOps::Transform transform);
    void setColourMode(int mode);
    void setZoom(int factor);
    void openBrightnessDialog();
    void pictureReplacedByLoad();
    void performGesture(GestureAction action);
    void openMenu(QPoint globalPos);
    void syncChecks();
    void updateCursor();
    void endGesture();
    void drawPicture(QPainter &painter, const QImage &picture, const QImage &fitted);
    QPixmap fittedPixmap(const QImage &picture, QSize size);
    bool nearDivider(QPoint pos) const;

    int m_zoom = 1;
    QPoint m_offset;
    int m_colourMode = Colour;
    bool m_panning = false;
    QPoint m_lastPan;
    MouseGesture m_gesture;
    QPolygon m_trail; // in screen coordinates, drawn mapped into the pane
    QString m_gestureStatus;
    CPaneMenu *m_menu = nullptr;
    const QCursor m_openHand;
    const QCursor m_closedHand;
    QTimer m_autoAdvance;
    QPointer<CBrightDlg> m_brightDlg;
    QImage m_override;
    QImage m_overrideFitted;
    QImage m_split;
    double m_splitPosition = 0.5;
    bool m_draggingDivider = false;
    // Scaled copies for the fitted pane, a few pictures at a time (own, other side, split).
    struct Fitted {
        qint64 key = 0;
        QPixmap pixmap;
    };
    std::array<Fitted, 3> m_fitted;
    size_t m_nextFitted = 0;
};

} // namespace Duovue
