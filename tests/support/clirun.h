#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Duovue::Test
{

/// What a run of the command-line program gave; exitCode -1 when it did not finish within a minute.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    /// The lines of standard output, empty ones left out.
    QStringList lines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
};

/// Runs @p program (the duovue-cli the build names) with @p args, in @p workingDirectory when given.
CliRun runCli(const QString &program, const QStringList &args, const QString &workingDirectory = QString());

} // namespace Duovue::Test
