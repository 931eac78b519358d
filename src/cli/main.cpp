#include <cstdio>

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "cli/clicommand.h"
#include "core/nativepath.h"

using namespace Duovue;

namespace
{

QList<const Cli::Command *> commands()
{
    QList<const Cli::Command *> all;
    for (const Cli::Command *c : {&Cli::scanCommand(),
             &Cli::probeCommand(),
             &Cli::dupesCommand(),
             &Cli::composeCommand(),
             &Cli::docCommand(),
             &Cli::bindiffCommand(),
             &Cli::diffCommand(),
             &Cli::markersCommand(),
             &Cli::cacheCommand()}) {
        if (c->run)
            all.append(c);
    }
    return all;
}

void printHelp(QTextStream &out)
{
    out << "Usage: duovue-cli COMMAND [OPTIONS] [ARGS]\n"
           "       duovue-cli --version | --help\n\n"
           "The headless capabilities of Duovue, for scripting.\n\nCommands:\n";
    for (const Cli::Command *c : commands())
        out << "  " << QString::fromUtf8(c->synopsis) << "\n      " << QString::fromUtf8(c->summary) << '\n';
    out << "\nExit codes: 0 success, 1 failure, 2 usage error.\n";
}

} // namespace

namespace Duovue::Cli
{

int usageError(Io &io, const Command &command, const QString &message)
{
    io.err << "duovue-cli " << QString::fromUtf8(command.name) << ": " << escaped(message) << '\n'
           << "usage: duovue-cli " << QString::fromUtf8(command.synopsis) << '\n';
    io.err.flush();
    return Usage;
}

} // namespace Duovue::Cli

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("duovue-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DUOVUE_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    Cli::Io io{out, err};

    // From the bytes themselves: Qt would read a name that is not UTF-8 as another name.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(NativePath::decode(argv[i]));
    if (args.isEmpty()) {
        printHelp(err);
        return Cli::Usage;
    }
    const QString first = args.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        printHelp(out);
        return Cli::Success;
    }
    if (first == QLatin1String("--version")) {
        out << "duovue-cli " << QCoreApplication::applicationVersion() << '\n';
        return Cli::Success;
    }
    for (const Cli::Command *c : commands()) {
        if (first == QLatin1String(c->name)) {
            if (args.contains(QLatin1String("--help"))) {
                out << "usage: duovue-cli " << QString::fromUtf8(c->synopsis) << "\n  " << QString::fromUtf8(c->summary)
                    << '\n';
                return Cli::Success;
            }
            const int rc = c->run(args, io);
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "duovue-cli: unknown command '" << Cli::escaped(first) << "'; try 'duovue-cli --help'\n";
    return Cli::Usage;
}
