#include <optional>
#include <sys/stat.h>

#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "app/desktopshell.h"
#include "core/appsettings.h"
#include "core/nativepath.h"
#include "core/settingsstore.h"
#include "support/testdir.h"

using namespace Duovue;
using Outcome = ShellServices::LaunchOutcome;

Q_DECLARE_METATYPE(Duovue::ShellServices::LaunchOutcome)

// The real opener is replaced by a script that records its argument and exits as xdg-open would.
class DesktopShellTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void launchReportsTheOpenersExit_data()
    {
        QTest::addColumn<int>("exitCode"); // -1: no opener program at all
        QTest::addColumn<bool>("edit"); // through the "App"/"EditCommand" setting
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("argument"); // what the program receives after the folder
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("opened") << 0 << false << QByteArray("a.jpg") << QByteArray("/a.jpg") << Outcome::Launched;
        QTest::newRow("no application (3)")
            << 3 << false << QByteArray("a.jpg") << QByteArray("/a.jpg") << Outcome::NoAssociation;
        QTest::newRow("action failed (4)")
            << 4 << false << QByteArray("a.jpg") << QByteArray("/a.jpg") << Outcome::NoAssociation;
        QTest::newRow("no opener") << -1 << false << QByteArray("a.jpg") << QByteArray() << Outcome::NoAssociation;
        QTest::newRow("Shift-JIS name as a file URL")
            << 0 << false << QByteArray("\x83\x65.jpg") << QByteArray("/%83e.jpg") << Outcome::Launched;
        QTest::newRow("edit command gets the bytes")
            << 0 << true << QByteArray("\x83\x65.jpg") << QByteArray("/\x83\x65.jpg") << Outcome::Launched;
    }

    void launchReportsTheOpenersExit()
    {
        QFETCH(int, exitCode);
        QFETCH(bool, edit);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, argument);
        QFETCH(Outcome, outcome);
        Test::TestDir dir;
        const QString record = dir.filePath(QStringLiteral("argument"));
        const QString script = dir.writeFile(QStringLiteral("opener"),
            "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.toUtf8() + ".part'\nmv '" + record.toUtf8() + ".part' '"
                + record.toUtf8() + "'\nexit " + QByteArray::number(exitCode) + "\n");
        QVERIFY(::chmod(QFile::encodeName(script).constData(), 0755) == 0);
        const QString picture = dir.writeNativeFile(name);
        SettingsStore settings(dir.filePath(QStringLiteral("Duovue.ini")));
        if (edit)
            QVERIFY(settings.setValue(AppSettings::EditCommand(), script + QStringLiteral(" %f")).ok());
        DesktopShell shell(settings);
        shell.setOpener(exitCode < 0 ? dir.filePath(QStringLiteral("missing")) : script);

        std::optional<Outcome> told;
        shell.launch(picture, edit ? ShellServices::Verb::Edit : ShellServices::Verb::Open, [&told](Outcome o) {
            told = o;
        });

        QTRY_VERIFY_WITH_TIMEOUT(told.has_value(), 30000);
        QCOMPARE(*told, outcome);
        if (argument.isEmpty())
            return;
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 30000);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray folder = NativePath::encode(dir.path());
        const QByteArray expected = edit || !argument.contains('%')
            ? QByteArray(folder + argument)
            : QByteArray("file://" + folder.toPercentEncoding("/") + argument);
        QCOMPARE(file.readAll(), expected);
    }
};

QTEST_MAIN(DesktopShellTest)
#include "desktopshelltest.moc"
