#pragma once

#include <QHash>
#include <QMenu>

class QActionGroup;

namespace Duovue
{

/// The context menu "Img_con" of one viewer pane. Each pane has its own, so its radio checks
/// (display mode, zoom factor, colour mode) follow that pane alone.
///
/// The menu only reports choices (commandTriggered); the pane decides what they do and then sets the
/// checks to its state with syncChecks, so a refused choice leaves the check where it was.
/// Thread: GUI thread.
class CPaneMenu final : public QMenu
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPaneMenu)

public:
    explicit CPaneMenu(QWidget *parent = nullptr);

    /// The item of command @p id, or nullptr.
    QAction *action(int id) const { return m_actions.value(id); }

    /// Puts the radio checks on display mode command @p displayCommand (IdActualSize or
    /// IdFitToWindow), the item of zoom factor @p zoom and colour mode @p colourMode (0..2).
    void syncChecks(int displayCommand, int zoom, int colourMode);
    /// Checks the comparison modes' items (difference, split, flicker, linked views) as the viewer
    /// has them.
    void syncModeChecks(bool difference, bool split, bool flicker, bool linked);

Q_SIGNALS:
    void commandTriggered(int id);

private:
    QAction *add(QMenu *menu, int id, QActionGroup *group = nullptr);

    QHash<int, QAction *> m_actions;
};

} // namespace Duovue
