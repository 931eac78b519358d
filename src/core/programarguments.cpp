#include "core/programarguments.h"

#include <QCoreApplication>

namespace Duovue
{

namespace
{

// One text of the early output: the program's Japanese, translatable once a catalogue exists, and
// the English that stands in for a translation until then.
struct EarlyText {
    const char *japanese;
    const char *english;
};

constexpr EarlyText HelpText{QT_TRANSLATE_NOOP("Duovue::ProgramArguments",
                                 "使い方: duovue [オプション] [ドキュメント.duov]\n"
                                 "二つのファイルリストの画像を並べて見比べます。\n"
                                 "\n"
                                 "オプション:\n"
                                 "  -h, --help     この説明を表示して終了します。\n"
                                 "  -v, --version  バージョンを表示して終了します。\n"
                                 "  --self-test    画面なしで起動し、すぐに終了します。\n"
                                 "\n"
                                 "引数:\n"
                                 "  ドキュメント.duov  開く比較ドキュメント\n"),
    "Usage: duovue [OPTIONS] [DOCUMENT.duov]\n"
    "Compare two lists of pictures side by side.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "  --self-test    Start without a display and quit at once.\n"
    "\n"
    "Arguments:\n"
    "  DOCUMENT.duov  A comparison document to open.\n"};
constexpr EarlyText UnknownOptionText{
    QT_TRANSLATE_NOOP("Duovue::ProgramArguments", "duovue: 不明なオプションです: %1\n"),
    "duovue: unknown option: %1\n"};
constexpr EarlyText TooManyDocumentsText{
    QT_TRANSLATE_NOOP("Duovue::ProgramArguments", "duovue: 開けるドキュメントは一つだけです。\n"),
    "duovue: at most one document may be given\n"};
constexpr EarlyText UsageText{
    QT_TRANSLATE_NOOP("Duovue::ProgramArguments",
        "使い方: duovue [オプション] [ドキュメント.duov]\n詳しくは 'duovue --help' をご覧ください。\n"),
    "Usage: duovue [OPTIONS] [DOCUMENT.duov]\nTry 'duovue --help' for more information.\n"};

QString text(const EarlyText &t, ProgramArguments::Language language)
{
    return language == ProgramArguments::Language::Japanese
        ? QCoreApplication::translate("Duovue::ProgramArguments", t.japanese)
        : QString::fromUtf8(t.english);
}

// Qt's application object reads these itself (QGuiApplication and QApplication); the first group
// takes a value, as the next argument or after "=".
const QStringList &qtOptionsWithValue()
{
    static const QStringList names{QStringLiteral("platform"),
        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),
        QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),
        QStringLiteral("display"),
        QStringLiteral("geometry"),
        QStringLiteral("session"),
        QStringLiteral("style"),
        QStringLiteral("stylesheet")};
    return names;
}

const QStringList &qtFlags()
{
    static const QStringList names{QStringLiteral("reverse"),
        QStringLiteral("widgetcount"),
        QStringLiteral("nograb"),
        QStringLiteral("dograb"),
        QStringLiteral("sync"),
        QStringLiteral("testability"),
        QStringLiteral("qmljsdebugger")};
    return names;
}

} // namespace

ProgramArguments ProgramArguments::parse(const QStringList &args)
{
    ProgramArguments parsed;
    QStringList documents;
    bool options = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (!options || arg == QLatin1String("-") || !arg.startsWith(u'-')) {
            documents << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help") || arg == QLatin1String("-?")) {
            parsed.action = Action::Help;
            return parsed;
        }
        if (arg == QLatin1String("-v") || arg == QLatin1String("--version")) {
            parsed.action = Action::Version;
            return parsed;
        }
        if (arg == QLatin1String("--self-test")) {
            parsed.selfTest = true;
            continue;
        }
        // Qt takes "-name" and "--name" alike.
        const QString bare = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = bare.indexOf(u'=');
        const QString name = equals < 0 ? bare : bare.left(equals);
        if (qtOptionsWithValue().contains(name)) {
            if (equals < 0)
                ++i; // the value
            continue;
        }
        if (qtFlags().contains(name))
            continue;
        parsed.action = Action::UsageError;
        parsed.unknownOption = arg;
        return parsed;
    }
    if (documents.size() > 1) {
        parsed.action = Action::UsageError;
        return parsed;
    }
    parsed.document = documents.value(0);
    return parsed;
}

ProgramArguments::Language ProgramArguments::languageFor(
    const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    for (const QString *value : {&lcAll, &lcMessages, &lang}) {
        if (!value->isEmpty())
            return value->startsWith(QLatin1String("ja")) ? Language::Japanese : Language::English;
    }
    return Language::English;
}

ProgramArguments::Language ProgramArguments::language()
{
    return languageFor(
        qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"), qEnvironmentVariable("LANG"));
}

QString ProgramArguments::output(Language language) const
{
    switch (action) {
    case Action::Run:
        break;
    case Action::Help:
        return text(HelpText, language);
    case Action::Version:
        return QStringLiteral("duovue " DUOVUE_VERSION "\n");
    case Action::UsageError:
        return (unknownOption.isEmpty() ? text(TooManyDocumentsText, language)
                                        : text(UnknownOptionText, language).arg(unknownOption))
            + text(UsageText, language);
    }
    return QString();
}

} // namespace Duovue
