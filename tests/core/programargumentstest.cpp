#include <QTest>

#include "core/programarguments.h"

using namespace Duovue;
using Action = ProgramArguments::Action;
using Language = ProgramArguments::Language;

// The command line is read before any window system: what reaches Qt, and what is answered at once.
class ProgramArgumentsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("output");

        const QString doc = QStringLiteral("a.duov");
        QTest::newRow("nothing") << QStringList() << Action::Run << QString() << QString();
        QTest::newRow("a document") << QStringList{doc} << Action::Run << doc << QString();
        QTest::newRow("help wins over a document")
            << QStringList{doc, QStringLiteral("-h")} << Action::Help << QString() << QStringLiteral("Usage: duovue ");
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << Action::Version << QString()
                                 << QStringLiteral("duovue 1.21\n");
        QTest::newRow("Qt's options and their values pass") << QStringList{QStringLiteral("-style"),
            QStringLiteral("fusion"),
            QStringLiteral("--platform=offscreen"),
            QStringLiteral("-reverse"),
            doc} << Action::Run << doc << QString();
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate"), doc} << Action::UsageError
                                        << QString() << QStringLiteral("duovue: unknown option: --frobnicate\nUsage:");
        QTest::newRow("two documents") << QStringList{doc, doc} << Action::UsageError << QString()
                                       << QStringLiteral("at most one document");
        QTest::newRow("a document named like an option") << QStringList{QStringLiteral("--"), QStringLiteral("-h.duov")}
                                                         << Action::Run << QStringLiteral("-h.duov") << QString();
    }

    void readsTheCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(Action, action);
        QFETCH(QString, document);
        QFETCH(QString, output);
        const ProgramArguments parsed = ProgramArguments::parse(args);
        QCOMPARE(parsed.action, action);
        QCOMPARE(parsed.document, document);
        const QString text = parsed.output(Language::English);
        QVERIFY2(output.isEmpty() ? text.isEmpty() : text.contains(output), qPrintable(text));
    }

    void speaksJapaneseOnlyInAJapaneseLocale_data()
    {
        QTest::addColumn<QStringList>("locale"); // LC_ALL, LC_MESSAGES, LANG
        QTest::addColumn<Language>("language");
        QTest::newRow("nothing set") << QStringList{{}, {}, {}} << Language::English;
        QTest::newRow("C") << QStringList{QStringLiteral("C"), {}, QStringLiteral("ja_JP.UTF-8")} << Language::English;
        QTest::newRow("POSIX messages") << QStringList{{}, QStringLiteral("POSIX"), QStringLiteral("ja_JP.UTF-8")}
                                        << Language::English;
        QTest::newRow("Japanese") << QStringList{{}, {}, QStringLiteral("ja_JP.UTF-8")} << Language::Japanese;
        QTest::newRow("German") << QStringList{QStringLiteral("de_DE.UTF-8"), {}, {}} << Language::English;
    }

    void speaksJapaneseOnlyInAJapaneseLocale()
    {
        QFETCH(QStringList, locale);
        QFETCH(Language, language);
        QCOMPARE(ProgramArguments::languageFor(locale[0], locale[1], locale[2]), language);
        ProgramArguments help;
        help.action = Action::Help;
        QCOMPARE(help.output(language).startsWith(QStringLiteral("使い方")), language == Language::Japanese);
    }
};

QTEST_GUILESS_MAIN(ProgramArgumentsTest)
#include "programargumentstest.moc"
