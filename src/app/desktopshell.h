#pragma once

#include <functional>

#include "core/shellservices.h"

namespace Duovue
{

class SettingsStore;

/// The real shell services on a freedesktop.org desktop: the trash (core/trash.h),
/// launching through the desktop opener (xdg-open), and the "edit" verb through the command in
/// "App"/"EditCommand" when one is set. Thread: GUI thread.
class DesktopShell final : public ShellServices
{
public:
    explicit DesktopShell(SettingsStore &settings);

    QList<Result<TrashEntry>> moveToTrash(const QStringList &paths) override;
    LaunchOutcome launch(const QString &pathOrUrl, Verb verb) override;
    void associationsChanged() override;

private:
    SettingsStore &m_settings;
};

} // namespace Duovue
