#include "viewer/keychords.h"

#include <Qt>

namespace Duovue
{

void HeldKeys::press(int key, bool autoRepeat)
{
    if (!autoRepeat && !m_keys.contains(key))
        m_keys.append(key);
}

void HeldKeys::release(int key, bool autoRepeat)
{
    // Auto-repeat comes as release and press pairs while the key stays down.
    if (!autoRepeat)
        m_keys.removeAll(key);
}

ChordCommand chordFor(int key, const HeldKeys &held)
{
    using Action = ChordCommand::Action;
    if (key == Qt::Key_Space)
        return {Action::StopAutoAdvance, true, true};

    const bool selecting = held.isHeld(Qt::Key_Left) || held.isHeld(Qt::Key_Right) || held.isHeld(Qt::Key_Space);
    const auto whole = [selecting](Action action) {
        return selecting ? ChordCommand() : ChordCommand{action, false, false};
    };
    Action action = Action::None;
    bool spaceSelectsBoth = true;
    switch (key) {
    case Qt::Key_D:
        return whole(Action::ToggleDifference);
    case Qt::Key_F:
        return whole(Action::ToggleFlicker);
    case Qt::Key_V:
        return whole(Action::ToggleSplit);
    case Qt::Key_Comma:
        return whole(Action::DividerLeft);
    case Qt::Key_Period:
        return whole(Action::DividerRight);
    case Qt::Key_Up:
        action = Action::Previous;
        break;
    case Qt::Key_Down:
        action = Action::Next;
        break;
    case Qt::Key_Delete:
        action = Action::Trash;
        spaceSelectsBoth = false;
        break;
    case Qt::Key_Q:
        action = Action::StopAutoAdvance;
        spaceSelectsBoth = false;
        break;
    case Qt::Key_S:
        action = Action::StartAutoAdvance;
        break;
    case Qt::Key_T:
        action = Action::BackToTop;
        break;
    default:
        return {};
    }
    // The left arrow wins over the right one, and either over the space bar.
    if (held.isHeld(Qt::Key_Left))
        return {action, true, false};
    if (held.isHeld(Qt::Key_Right))
        return {action, false, true};
    if (held.isHeld(Qt::Key_Space) && spaceSelectsBoth)
        return {action, true, true};
    return {};
}

} // namespace Duovue
