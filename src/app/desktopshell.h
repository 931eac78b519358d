#pragma once

#include <QObject>

#include "core/shellservices.h"

namespace Duovue
{

class SettingsStore;

/// The real shell services on a freedesktop.org desktop: the trash (core/trash.h), launching
/// through the desktop opener (xdg-open), and the "edit" verb through the command in
/// "App"/"EditCommand" when one is set.
///
/// The opener runs without blocking the window; its exit status (xdg-open exits 3 or 4 when no
/// application takes the file) reaches the launch's callback once it has finished. Openers still
/// running when the shell goes away are left to finish on their own, unwatched. Thread: GUI thread.
class DesktopShell final : public QObject, public ShellServices
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopShell)

public:
    explicit DesktopShell(SettingsStore &settings, QObject *parent = nullptr);
    ~DesktopShell() override;

    QList<Result<TrashEntry>> moveToTrash(const QStringList &paths) override;
    void launch(const QString &pathOrUrl, Verb verb, LaunchDone done = {}) override;
    void associationsChanged() override;

    /// The desktop opener's program; "xdg-open" on the search path unless set (tests).
    void setOpener(const QString &program) { m_opener = program; }

private:
    void runOpener(const QString &argument, LaunchDone done);

    SettingsStore &m_settings;
    QString m_opener;
};

} // namespace Duovue
