#include "support/fakeshell.h"

#include <unistd.h>

#include <QDir>
#include <QFile>

namespace Duovue::Test
{

QList<Result<TrashEntry>> FakeShell::moveToTrash(const QStringList &paths)
{
    calls.append({QStringLiteral("trash"), QString(), QString(), paths});
    QList<Result<TrashEntry>> results;
    for (const QString &p : paths) {
        if (trashFailures.contains(p)) {
            results.append(Error{Error::Code::Other, QStringLiteral("scripted failure")});
            continue;
        }
        const QString name = p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
        if (trashMisplaces) {
            const QString base = trashFolder() + QStringLiteral("/../stray");
            QDir().mkpath(base + QStringLiteral("/files"));
            QDir().mkpath(base + QStringLiteral("/info"));
            const TrashEntry stray{p, base + QStringLiteral("/files/") + name, base + QStringLiteral("/info/") + name};
            QFile::rename(p, stray.filesPath);
            results.append(stray);
        } else if (trashReallyDeletes) {
            results.append(Trash::moveInto(p, trashFolder(), p));
        } else {
            const QString t = QStringLiteral("/nowhere/.Trash-0/");
            results.append(TrashEntry{p, t + QStringLiteral("files/") + name, t + QStringLiteral("info/") + name});
        }
    }
    return results;
}

QString FakeShell::trashFolder()
{
    if (!m_trashBase)
        m_trashBase = std::make_unique<QTemporaryDir>();
    return m_trashBase->path() + QStringLiteral("/.Trash-") + QString::number(::getuid());
}

void FakeShell::launch(const QString &pathOrUrl, Verb verb, LaunchDone done)
{
    calls.append(
        {verb == Verb::Open ? QStringLiteral("launch-open") : QStringLiteral("launch-edit"), pathOrUrl, {}, {}});
    if (done)
        done(launchHasAssociation ? LaunchOutcome::Launched : LaunchOutcome::NoAssociation);
}

void FakeShell::associationsChanged()
{
    calls.append({QStringLiteral("associations"), {}, {}, {}});
}

bool FakeShell::question(const QString &text, const QString &caption)
{
    record({QStringLiteral("question"), text, caption, {}});
    return answers.isEmpty() ? false : answers.dequeue();
}

UserPrompts::Answer FakeShell::questionWithCancel(const QString &text, const QString &caption)
{
    record({QStringLiteral("questionWithCancel"), text, caption, {}});
    return threeWayAnswers.isEmpty() ? Answer::Cancel : threeWayAnswers.dequeue();
}

void FakeShell::information(const QString &text, const QString &caption)
{
    record({QStringLiteral("information"), text, caption, {}});
}

void FakeShell::error(const QString &text, const QString &caption)
{
    record({QStringLiteral("error"), text, caption, {}});
}

void FakeShell::warning(const QString &text, const QString &caption)
{
    record({QStringLiteral("warning"), text, caption, {}});
}

QString FakeShell::chooseFolder(const QString &title, const QString &startFolder, bool allowNewFolder)
{
    record({QStringLiteral("chooseFolder"), startFolder, title, {allowNewFolder ? QStringLiteral("new") : QString()}});
    return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
}

QString FakeShell::chooseOpenFile(const QString &title, const QString &startFolder, const QString &filter)
{
    record({QStringLiteral("chooseOpenFile"), startFolder, title, {filter}});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString FakeShell::chooseSaveFile(
    const QString &title, const QString &startPath, const QString &filter, const QString &defaultSuffix)
{
    record({QStringLiteral("chooseSaveFile"), startPath, title, {filter, defaultSuffix}});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

void FakeShell::record(Call call)
{
    calls.append(call);
    if (onPrompt)
        onPrompt(call);
}

QList<FakeShell::Call> FakeShell::callsOf(const QString &kind) const
{
    QList<Call> out;
    for (const Call &c : calls) {
        if (c.kind == kind)
            out.append(c);
    }
    return out;
}

} // namespace Duovue::Test
