#pragma once

#include <optional>

#include <QStringList>
#include <QTextStream>

namespace Duovue::Cli
{

/// Exit codes shared by every subcommand.
enum ExitCode : int {
    Success = 0,
    Failure = 1, // the work ran and something failed (a file could not be read, a write failed)
    Usage = 2 // the command line was wrong; nothing was done
};

struct Io {
    QTextStream &out;
    QTextStream &err;
};

/// One subcommand of duovue-cli. @p run receives the arguments after the subcommand's name.
struct Command {
    const char *name = nullptr;
    const char *synopsis = nullptr; // "scan [--subfolders] FOLDER..."
    const char *summary = nullptr;
    int (*run)(const QStringList &args, Io &io) = nullptr;
};

/// Prints "duovue-cli: <message>" and the command's synopsis to err; returns ExitCode::Usage.
int usageError(Io &io, const Command &command, const QString &message);

/// The arguments of a command whose options are plain flags: the flags of @p known that were given
/// and the operands, in order. "--" ends the options, so that a file named "-x" can be given.
struct Arguments {
    QStringList flags;
    QStringList operands;
};
/// Splits @p args, or prints a usage error for an option not in @p known and returns nothing.
std::optional<Arguments> parseFlags(
    Io &io, const Command &command, const QStringList &args, const QStringList &known = {});

/// Text from outside (a file or folder name, an argument) made safe for one field of a row: "\"
/// becomes "\\", tab, line feed and carriage return "\t", "\n" and "\r", every other control
/// character (U+0000 to U+001F, U+007F to U+009F) and each byte of a name that is not UTF-8 the
/// bytes "\xhh" (a C1 control its two UTF-8 bytes), so that neither a row nor the terminal can be
/// broken by a name. Every command prints such text through this.
QString escaped(const QString &text);

// Each subcommand lives in its own file.
const Command &scanCommand();
const Command &probeCommand();
const Command &dupesCommand();
const Command &docCommand();
const Command &composeCommand();
const Command &bindiffCommand();
const Command &diffCommand();
const Command &markersCommand();
const Command &cacheCommand();

} // namespace Duovue::Cli
