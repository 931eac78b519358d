#include "support/clirun.h"

#include <QProcess>

namespace Duovue::Test
{

CliRun runCli(const QString &program, const QStringList &args, const QString &workingDirectory)
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace Duovue::Test
