#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

#include "core/result.h"
#include "core/trash.h"

namespace Duovue
{

/// The desktop shell as the program uses it: the recycle bin, launching files and addresses with
/// their associated application, and telling the desktop that file associations changed.
///
/// The program's own implementation (DesktopShell) talks to the freedesktop trash and the desktop
/// opener; tests use a fake that records calls. Thread: GUI thread.
class ShellServices
{
public:
    enum class Verb { Open, Edit };
    enum class LaunchOutcome { Launched, NoAssociation };
    /// Told how a launch ended: at once, or once the opener has finished (on the GUI thread).
    using LaunchDone = std::function<void(LaunchOutcome)>;

    virtual ~ShellServices() = default;

    /// Moves each path (a symbolic link itself, not its target) to the recycle bin; per path, in
    /// order, the trash entry made for it or why it stayed. Callers check where a file went through
    /// FileOperations::trash, which uses this.
    virtual QList<Result<TrashEntry>> moveToTrash(const QStringList &paths) = 0;

    /// Opens a file path or a web address with its associated application without waiting for it.
    /// @p done, when given, learns whether an application took it; it is not called when the shell
    /// goes away first.
    virtual void launch(const QString &pathOrUrl, Verb verb, LaunchDone done = {}) = 0;

    /// Tells the desktop that file associations changed (refreshes its MIME and desktop databases).
    virtual void associationsChanged() = 0;
};

} // namespace Duovue
