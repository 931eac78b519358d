#pragma once

class QWidget;

namespace Duovue
{

/// Tells the window manager that @p window belongs to @p owner, so that it stays above its owner
/// (a click on the owner, or a dialog of the owner coming up, does not bury it) and goes and comes
/// with it. Qt says so on X11 for dialogs and tool windows only; on other platforms Qt passes the
/// window's parent on by itself and this does nothing.
///
/// Call it after every show of @p window: Qt clears the hint when it maps a plain window.
/// Thread: GUI thread.
void KeepAboveOwner(QWidget *window, QWidget *owner);

} // namespace Duovue
