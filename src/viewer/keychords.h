#pragma once

#include <QList>

namespace Duovue
{

/// The keys held down in the viewer, tracked from its own key events: an auto-repeated press or
/// release changes nothing, and every key counts as released when the window loses the focus (a
/// release that happens elsewhere never arrives). Thread: GUI thread.
class HeldKeys
{
public:
    void press(int key, bool autoRepeat);
    void release(int key, bool autoRepeat);
    void releaseAll() { m_keys.clear(); }
    bool isHeld(int key) const { return m_keys.contains(key); }

private:
    QList<int> m_keys;
};

/// What a key press in the viewer asks for. The left arrow, the right arrow or the space bar held
/// down selects the side another key acts on; the space bar on its own stops both timers. The keys
/// of the comparison modes (D difference, F flicker, V split, "," and "." the split's divider) act
/// on the whole viewer and only while no side is selected, so they select no side.
struct ChordCommand {
    enum class Action {
        None,
        Previous,
        Next,
        Trash,
        StopAutoAdvance,
        StartAutoAdvance,
        BackToTop,
        ToggleDifference,
        ToggleFlicker,
        ToggleSplit,
        DividerLeft,
        DividerRight
    };
    Action action = Action::None;
    bool left = false;
    bool right = false;

    friend bool operator==(const ChordCommand &, const ChordCommand &) = default;
};

/// The command of a press of @p key (a Qt::Key) while the keys in @p held are down. The pressed key
/// itself never counts as a selector.
ChordCommand chordFor(int key, const HeldKeys &held);

} // namespace Duovue
