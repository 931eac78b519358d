#pragma once

#include <QString>
#include <QStringList>

namespace Duovue
{

/// What the program's command line asks for, decided before the application object exists: help,
/// the version and a wrong command line are answered without a window system, so that they work
/// on a console, over ssh or in a script.
///
/// The options of Qt's own application object (-platform, -style, -reverse and the rest) are let
/// through with their values; the object takes them later. Thread: any.
struct ProgramArguments {
    enum class Action {
        Run, // start the program
        Help, // print the help text and exit 0
        Version, // print the version and exit 0
        UsageError // print the error and the usage line to stderr and exit 2
    };
    /// The language of what is printed before a window exists. There is no translation catalogue
    /// yet: a Japanese locale gets the program's own Japanese texts, every other locale (C and
    /// POSIX included) English.
    enum class Language { Japanese, English };

    Action action = Action::Run;
    QString document; // the .duov file to open; empty for none
    bool selfTest = false;
    QString unknownOption; // UsageError: the option not understood, empty for too many documents

    /// Reads @p args, the arguments after the program's name.
    static ProgramArguments parse(const QStringList &args);

    /// The language for a locale given as LC_ALL, LC_MESSAGES and LANG: the first of them that is
    /// set decides, as for any program's messages.
    static Language languageFor(const QString &lcAll, const QString &lcMessages, const QString &lang);
    /// languageFor() with this process's environment.
    static Language language();

    /// What to print for the action, ending in a line break: the help text and the version for
    /// stdout, the usage error for stderr; empty for Run.
    QString output(Language language) const;
};

} // namespace Duovue
