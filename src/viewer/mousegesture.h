#pragma once

#include <optional>

#include <QLine>
#include <QPoint>
#include <QString>

namespace Duovue
{

/// What a recognised gesture does.
enum class GestureAction {
    None,
    Previous,
    Next,
    StopAutoAdvance,
    StartAutoAdvance,
    FitToWindow,
    ActualSize,
    FlipVertical,
    RotateLeft,
    RotateRight,
    FlipHorizontal,
    CloseWindow,
    Rotate180,
};

/// The action of @p gestureCode; the codes of a single up or down stroke stop or start the pane's
/// auto-advance instead when @p shift is held.
GestureAction GestureActionFor(int gestureCode, bool shift);
/// The name of @p action as the status bar shows it ("動作無し" for none).
QString GestureActionName(GestureAction action);

/// The right-button gesture of one viewer pane: up to four strokes, each up (1), down (2), left (3)
/// or right (4), recognised from cursor moves of more than `StrokeThreshold` pixels and packed into
/// `GestureCode` as stroke k times 256^k.
///
/// The caller feeds presses, moves and releases with the time of each (milliseconds of a monotonic
/// clock) and does what the returned values say: draw the trail, show the status text, cancel, open
/// the menu. Thread: GUI thread.
class MouseGesture
{
public:
    static constexpr int StrokeThreshold = 15;
    static constexpr qint64 GestureTimeout = 3000;
    static constexpr int MaxStrokes = 4;

    /// What one move did.
    struct Move {
        /// A new stroke was recorded.
        bool strokeAdded = false;
        /// The cursor went past the stroke threshold: the status pane shows statusText() now, with
        /// the Shift state of this moment (a new stroke or not).
        bool showStatus = false;
        /// The gesture was cancelled here: release the capture, show the file path again and
        /// repaint the pane to erase the trail.
        bool cancelled = false;
        /// A piece of the trail to draw (pane-independent screen coordinates).
        std::optional<QLine> trail;
    };

    /// What the release does.
    struct Release {
        /// Perform this action (None also when no stroke was recorded).
        GestureAction action = GestureAction::None;
        /// Strokes were recorded and are now cleared: repaint to erase the trail.
        bool clearTrail = false;
        /// Open the pane's context menu: no gesture was active, it was cancelled or drew nothing.
        bool openMenu = true;
    };

    bool isActive() const { return m_active; }
    int strokeCount() const { return m_strokeCount; }
    int gestureCode() const { return m_code; }
    /// One label per recorded stroke: "上", "下", "左", "右".
    QString strokeText() const;
    /// The status text while strokes are recorded: the stroke text, a tab, the action's name.
    QString statusText(bool shift) const;

    /// Right button down at @p screenPos. Ignored while a gesture is active.
    void press(QPoint screenPos, qint64 nowMs);
    /// A cursor move while the button is down; @p insidePane says whether the cursor is still over
    /// the pane's window.
    Move move(QPoint screenPos, qint64 nowMs, bool insidePane);
    /// The button came up (the context-menu request that follows it); @p shift is its state now.
    Release release(bool shift);
    /// Drops the gesture without an action (the pane lost its picture or the window closed).
    void cancel();

private:
    bool m_active = false;
    qint64 m_pressTime = 0;
    QPoint m_anchor;
    QPoint m_previous;
    int m_strokes[MaxStrokes] = {};
    int m_strokeCount = 0;
    int m_code = 0;
};

} // namespace Duovue
