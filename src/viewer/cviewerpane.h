#pragma once

#include <QCursor>
#include <QPointer>
#include <QPolygon>
#include <QTimer>

#include "imaging/pixelops.h"
#include "viewer/cimgview.h"
#include "viewer/mousegesture.h"

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
/// information, pair tools, compositing, closing) are passed to the frame by signal.
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

Q_SIGNALS:
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
};

} // namespace Duovue
