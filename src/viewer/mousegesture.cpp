#include "viewer/mousegesture.h"

#include <algorithm>
#include <cstdlib>

namespace Duovue
{

namespace
{

enum Direction { Up = 1, Down = 2, Left = 3, Right = 4 };

QString directionLabel(int direction)
{
    switch (direction) {
    case Up:
        return QStringLiteral("上");
    case Down:
        return QStringLiteral("下");
    case Left:
        return QStringLiteral("左");
    default:
        return QStringLiteral("右");
    }
}

} // namespace

GestureAction GestureActionFor(int gestureCode, bool shift)
{
    switch (gestureCode) {
    case Up:
        return shift ? GestureAction::StopAutoAdvance : GestureAction::Previous;
    case Down:
        return shift ? GestureAction::StartAutoAdvance : GestureAction::Next;
    case Left:
        return GestureAction::FitToWindow;
    case Right:
        return GestureAction::ActualSize;
    case Down + Up * 256:
    case Up + Down * 256:
        return GestureAction::FlipVertical;
    case Left + Down * 256:
        return GestureAction::RotateLeft;
    case Right + Down * 256:
        return GestureAction::RotateRight;
    case Right + Left * 256:
    case Left + Right * 256:
        return GestureAction::FlipHorizontal;
    case Up + Right * 256 + Down * 65536:
        return GestureAction::CloseWindow;
    case Right + Down * 256 + Left * 65536:
    case Left + Down * 256 + Right * 65536:
        return GestureAction::Rotate180;
    default:
        return GestureAction::None;
    }
}

QString GestureActionName(GestureAction action)
{
    switch (action) {
    case GestureAction::None:
        break;
    case GestureAction::Previous:
        return QStringLiteral("画像逆送り");
    case GestureAction::Next:
        return QStringLiteral("画像順送り");
    case GestureAction::StopAutoAdvance:
        return QStringLiteral("自動送り - 停止");
    case GestureAction::StartAutoAdvance:
        return QStringLiteral("自動送り - 開始");
    case GestureAction::FitToWindow:
        return QStringLiteral("ウインドウに合わせる");
    case GestureAction::ActualSize:
        return QStringLiteral("実物大表示");
    case GestureAction::FlipVertical:
        return QStringLiteral("上下反転");
    case GestureAction::RotateLeft:
        return QStringLiteral("左に90度回転");
    case GestureAction::RotateRight:
        return QStringLiteral("右に90度回転");
    case GestureAction::FlipHorizontal:
        return QStringLiteral("左右反転");
    case GestureAction::CloseWindow:
        return QStringLiteral("ウインドウを閉じる");
    case GestureAction::Rotate180:
        return QStringLiteral("180度回転");
    }
    return QStringLiteral("動作無し");
}

QString MouseGesture::strokeText() const
{
    QString text;
    for (int i = 0; i < std::min(m_strokeCount, MaxStrokes); ++i)
        text += directionLabel(m_strokes[i]);
    return text;
}

QString MouseGesture::statusText(bool shift) const
{
    return strokeText() + QLatin1Char('\t') + GestureActionName(GestureActionFor(m_code, shift));
}

void MouseGesture::press(QPoint screenPos, qint64 nowMs)
{
    if (m_active)
        return;
    m_active = true;
    m_pressTime = nowMs;
    m_anchor = screenPos;
    m_previous = screenPos;
    m_strokeCount = 0;
    m_code = 0;
}

MouseGesture::Move MouseGesture::move(QPoint screenPos, qint64 nowMs, bool insidePane)
{
    Move result;
    if (!m_active)
        return result;
    const int dx = screenPos.x() - m_anchor.x();
    const int dy = screenPos.y() - m_anchor.y();
    if (std::max(std::abs(dx), std::abs(dy)) > StrokeThreshold) {
        int direction = dy < 0 ? Up : Down;
        if (std::abs(dy) < std::abs(dx))
            direction = dx < 0 ? Left : Right;
        if (m_strokeCount == 0) {
            m_strokes[0] = direction;
            m_strokeCount = 1;
            m_code = direction;
            result.strokeAdded = true;
        } else if (direction != m_strokes[m_strokeCount - 1]) {
            if (m_strokeCount < MaxStrokes) {
                int weight = 1;
                for (int k = 0; k < m_strokeCount; ++k)
                    weight *= 256;
                m_strokes[m_strokeCount] = direction;
                m_code += direction * weight;
                ++m_strokeCount;
                result.strokeAdded = true;
            } else {
                m_strokeCount = MaxStrokes + 1; // too many: cancelled just below
            }
        }
        m_anchor = screenPos;
        result.showStatus = true;
    }

    if (insidePane && nowMs - m_pressTime <= GestureTimeout && m_strokeCount <= MaxStrokes) {
        // Until the first stroke the trail waits at the press point, so that it starts there.
        if (m_strokeCount > 0) {
            result.trail = QLine(m_previous, screenPos);
            m_previous = screenPos;
        } else {
            m_previous = m_anchor;
        }
        return result;
    }
    cancel();
    result.strokeAdded = false;
    result.showStatus = false;
    result.cancelled = true;
    return result;
}

MouseGesture::Release MouseGesture::release(bool shift)
{
    Release result;
    if (!m_active)
        return result;
    m_active = false;
    if (m_strokeCount == 0)
        return result;
    result.action = GestureActionFor(m_code, shift);
    result.clearTrail = true;
    result.openMenu = false;
    m_strokeCount = 0;
    m_code = 0;
    return result;
}

void MouseGesture::cancel()
{
    m_active = false;
    m_strokeCount = 0;
}

} // namespace Duovue
