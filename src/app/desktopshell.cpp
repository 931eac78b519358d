#include "app/desktopshell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "core/appsettings.h"
#include "core/settingsstore.h"

namespace Duovue
{

DesktopShell::DesktopShell(SettingsStore &settings)
    : m_settings(settings)
{
}

QList<Result<TrashEntry>> DesktopShell::moveToTrash(const QStringList &paths)
{
    QList<Result<TrashEntry>> results;
    results.reserve(paths.size());
    for (const QString &path : paths)
        results.append(Trash::moveToTrash(path));
    return results;
}

ShellServices::LaunchOutcome DesktopShell::launch(const QString &pathOrUrl, Verb verb)
{
    const bool isUrl = pathOrUrl.contains(QLatin1String("://"));
    if (verb == Verb::Edit && !isUrl) {
        const QString command = m_settings.value(AppSettings::EditCommand());
        if (!command.isEmpty()) {
            QStringList parts = QProcess::splitCommand(command);
            if (!parts.isEmpty()) {
                bool substituted = false;
                for (QString &p : parts) {
                    if (p.contains(QLatin1String("%f"))) {
                        p.replace(QLatin1String("%f"), pathOrUrl);
                        substituted = true;
                    }
                }
                if (!substituted)
                    parts.append(pathOrUrl);
                const QString program = parts.takeFirst();
                return QProcess::startDetached(program, parts) ? LaunchOutcome::Launched : LaunchOutcome::NoAssociation;
            }
        }
    }
    const QUrl url = isUrl ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    return QDesktopServices::openUrl(url) ? LaunchOutcome::Launched : LaunchOutcome::NoAssociation;
}

void DesktopShell::associationsChanged()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString mimeDb = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!mimeDb.isEmpty())
        QProcess::execute(mimeDb, {dataHome + QStringLiteral("/mime")});
    const QString desktopDb = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!desktopDb.isEmpty())
        QProcess::execute(desktopDb, {dataHome + QStringLiteral("/applications")});
}

} // namespace Duovue
