#pragma once

#include <QString>
#include <QStringList>

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

    virtual ~ShellServices() = default;

    /// Moves each path to the recycle bin; returns the paths that could not be moved. Callers that
    /// follow the recycle-bin rules of the lists remove the rows whatever the outcome.
    virtual QStringList moveToTrash(const QStringList &paths) = 0;

    /// Opens a file path or a web address with its associated application.
    virtual LaunchOutcome launch(const QString &pathOrUrl, Verb verb) = 0;

    /// Tells the desktop that file associations changed (refreshes its MIME and desktop databases).
    virtual void associationsChanged() = 0;
};

} // namespace Duovue
