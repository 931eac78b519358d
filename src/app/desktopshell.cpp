#include "app/desktopshell.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "core/appsettings.h"
#include "core/nativepath.h"
#include "core/settingsstore.h"

namespace Duovue
{

namespace
{

/// Starts @p argv (native bytes, so that a path whose name is not UTF-8 reaches the program as it
/// is) as a process of its own that nobody waits for. True when the program could be started.
bool spawnDetached(const QList<QByteArray> &argv)
{
    std::vector<char *> args;
    for (const QByteArray &a : argv)
        args.push_back(const_cast<char *>(a.constData()));
    args.push_back(nullptr);
    // The grandchild tells through this pipe why exec failed; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execvp(args[0], args.data());
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    bool started = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    int error = 0;
    if (started && ::read(report[0], &error, sizeof error) > 0)
        started = false;
    ::close(report[0]);
    return started;
}

/// What the opener is given for a local path: the path itself, or for a name that is not UTF-8 a
/// file URL whose escapes carry its bytes exactly.
QString openerArgument(const QString &path)
{
    if (!NativePath::hasRawBytes(path))
        return path;
    return QStringLiteral("file://") + QString::fromLatin1(NativePath::encode(path).toPercentEncoding("/"));
}

} // namespace

DesktopShell::DesktopShell(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_opener(QStandardPaths::findExecutable(QStringLiteral("xdg-open")))
{
}

DesktopShell::~DesktopShell()
{
    // Destroying a running QProcess kills it, and with it perhaps the viewer it started: openers
    // still at work are let go (and their callbacks, which may refer to windows, dropped).
    for (QProcess *process : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        if (process->state() != QProcess::NotRunning)
            process->setParent(nullptr);
    }
}

QList<Result<TrashEntry>> DesktopShell::moveToTrash(const QStringList &paths)
{
    QList<Result<TrashEntry>> results;
    results.reserve(paths.size());
    for (const QString &path : paths)
        results.append(Trash::moveToTrash(path));
    return results;
}

void DesktopShell::launch(const QString &pathOrUrl, Verb verb, LaunchDone done)
{
    const auto tell = [&done](LaunchOutcome outcome) {
        if (done)
            done(outcome);
    };
    const bool isUrl = pathOrUrl.contains(QLatin1String("://"));
    if (verb == Verb::Edit && !isUrl) {
        const QString command = m_settings.value(AppSettings::EditCommand());
        QStringList parts = QProcess::splitCommand(command);
        if (!parts.isEmpty()) {
            QList<QByteArray> argv;
            bool substituted = false;
            for (const QString &p : std::as_const(parts)) {
                const qsizetype at = p.indexOf(QLatin1String("%f"));
                if (at < 0) {
                    argv.append(NativePath::encode(p));
                    continue;
                }
                QString arg = p;
                arg.replace(QLatin1String("%f"), pathOrUrl);
                argv.append(NativePath::encode(arg));
                substituted = true;
            }
            if (!substituted)
                argv.append(NativePath::encode(pathOrUrl));
            tell(spawnDetached(argv) ? LaunchOutcome::Launched : LaunchOutcome::NoAssociation);
            return;
        }
    }
    if (m_opener.isEmpty()) {
        // No desktop opener installed: whatever Qt's platform offers.
        const QUrl url = isUrl ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
        tell(QDesktopServices::openUrl(url) ? LaunchOutcome::Launched : LaunchOutcome::NoAssociation);
        return;
    }
    runOpener(isUrl ? pathOrUrl : openerArgument(pathOrUrl), std::move(done));
}

void DesktopShell::runOpener(const QString &argument, LaunchDone done)
{
    auto *process = new QProcess(this);
    // The opener and what it starts write to the program's own terminal, through no pipe of ours
    // that could hold them up.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [process, done](int exitCode, QProcess::ExitStatus status) {
        if (done)
            done(status == QProcess::NormalExit && exitCode == 0 ? LaunchOutcome::Launched
                                                                 : LaunchOutcome::NoAssociation);
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, this, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        if (done)
            done(LaunchOutcome::NoAssociation);
        process->deleteLater();
    });
    process->start(m_opener, {argument});
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
