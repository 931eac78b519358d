#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "core/fileassociation.h"
#include "support/fakeshell.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

using Kind = AssociationOutcome::Kind;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A temporary XDG home: user folders plus one system data and one system config folder.
struct XdgHome {
    Test::TestDir dir;
    AssociationPaths paths{dir.filePath(QStringLiteral("data")),
        dir.filePath(QStringLiteral("config")),
        {dir.filePath(QStringLiteral("sys"))},
        {dir.filePath(QStringLiteral("xdg"))}};
};

} // namespace

class FileAssociationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void associateTwiceThenRemoveTwice_data()
    {
        QTest::addColumn<QByteArray>("userList"); // the user's mimeapps.list; empty: none
        QTest::addColumn<QByteArray>("associated");
        QTest::newRow("the user's list keeps its lines")
            << QByteArray("[Default Applications]\ntext/plain=gedit.desktop;\n\n"
                          "[Added Associations]\nimage/png=eog.desktop;\n")
            << QByteArray("[Default Applications]\ntext/plain=gedit.desktop;\napplication/x-duovue=duovue.desktop;\n\n"
                          "[Added Associations]\nimage/png=eog.desktop;\n");
        QTest::newRow("a list of other groups loses the group it got")
            << QByteArray("[Added Associations]\nimage/png=eog.desktop;\n")
            << QByteArray("[Added Associations]\nimage/png=eog.desktop;\n\n"
                          "[Default Applications]\napplication/x-duovue=duovue.desktop;\n");
        QTest::newRow("no list: the one written goes")
            << QByteArray() << QByteArray("[Default Applications]\napplication/x-duovue=duovue.desktop;\n");
    }

    void associateTwiceThenRemoveTwice()
    {
        QFETCH(QByteArray, userList);
        QFETCH(QByteArray, associated);
        XdgHome home;
        if (!userList.isEmpty())
            home.dir.writeFile(QStringLiteral("config/mimeapps.list"), userList);
        const FileAssociation association(home.paths, QStringLiteral("/opt/Duo vue/100%/duovue"));
        Test::FakeShell shell;

        QCOMPARE(association.associate(shell).kind, Kind::Written);
        QVERIFY(readAll(association.mimePackagePath()).contains("pattern=\"*.duov\""));
        const QByteArray entry = readAll(association.desktopEntryPath());
        QVERIFY2(entry.contains("\nExec=\"/opt/Duo vue/100%%/duovue\" %f\n"), entry.constData());
        QCOMPARE(readAll(association.mimeAppsListPath()), associated);
        QCOMPARE(shell.callsOf(QStringLiteral("associations")).size(), 1);

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty())
            QCOMPARE(QProcess::execute(validator, {association.desktopEntryPath()}), 0);

        QCOMPARE(association.associate(shell).kind, Kind::AlreadyAssociated);
        QCOMPARE(shell.callsOf(QStringLiteral("associations")).size(), 1);

        QCOMPARE(association.remove(shell).kind, Kind::Removed);
        QVERIFY(!QFile::exists(association.mimePackagePath()));
        QVERIFY(!QFile::exists(association.desktopEntryPath()));
        QCOMPARE(QFile::exists(association.mimeAppsListPath()), !userList.isEmpty());
        QCOMPARE(readAll(association.mimeAppsListPath()), userList);
        QCOMPARE(shell.callsOf(QStringLiteral("associations")).size(), 2);

        QCOMPARE(association.remove(shell).kind, Kind::NotAssociated);
        QCOMPARE(shell.callsOf(QStringLiteral("associations")).size(), 2);
    }

    void anotherHolderBlocksAssociate_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("holder");

        QTest::newRow("another default of the user")
            << QStringLiteral("config/mimeapps.list")
            << QByteArray("[Default Applications]\napplication/x-duovue=viewer.desktop;\n")
            << QStringLiteral("viewer.desktop");
        QTest::newRow("another default of the system")
            << QStringLiteral("sys/applications/mimeapps.list")
            << QByteArray("[Default Applications]\napplication/x-duovue=viewer.desktop;\n")
            << QStringLiteral("viewer.desktop");
        QTest::newRow("another type claims the extension")
            << QStringLiteral("sys/mime/globs2") << QByteArray("# globs2\n50:application/x-other:*.DUOV\n")
            << QStringLiteral("application/x-other");
    }

    void anotherHolderBlocksAssociate()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, holder);
        XdgHome home;
        home.dir.writeFile(file, content);
        const FileAssociation association(home.paths, QStringLiteral("/usr/bin/duovue"));
        Test::FakeShell shell;

        const AssociationOutcome outcome = association.associate(shell);
        QCOMPARE(outcome.kind, Kind::AssociatedWithOther);
        QCOMPARE(outcome.detail, holder);
        QVERIFY(outcome.message().contains(holder));
        QVERIFY(!QFile::exists(association.mimePackagePath()));
        QVERIFY(!QFile::exists(association.desktopEntryPath()));
        // Another program's association is not Duovue's to remove.
        QCOMPARE(association.remove(shell).kind, Kind::NotAssociated);
        QCOMPARE(readAll(home.dir.filePath(file)), content);
        QVERIFY(shell.callsOf(QStringLiteral("associations")).isEmpty());
    }

    void anInstalledProgramIsNamedNotCopied()
    {
        XdgHome home;
        home.dir.writeFile(QStringLiteral("sys/applications/" DUOVUE_APP_ID ".desktop"), "[Desktop Entry]\n");
        home.dir.writeFile(QStringLiteral("sys/mime/packages/" DUOVUE_APP_ID ".xml"), "<mime-info/>\n");
        // An earlier association of a program that was not installed then.
        home.dir.writeFile(
            QStringLiteral("config/mimeapps.list"), "[Default Applications]\napplication/x-duovue=duovue.desktop;\n");
        const FileAssociation association(home.paths, QStringLiteral("/usr/bin/duovue"));
        Test::FakeShell shell;

        QCOMPARE(association.associate(shell).kind, Kind::Written);
        QVERIFY(!QFile::exists(association.desktopEntryPath()));
        QVERIFY(!QFile::exists(association.mimePackagePath()));
        QCOMPARE(readAll(association.mimeAppsListPath()),
            QByteArray("[Default Applications]\napplication/x-duovue=" DUOVUE_APP_ID ".desktop;\n"));
        QCOMPARE(association.associate(shell).kind, Kind::AlreadyAssociated);
        QCOMPARE(association.remove(shell).kind, Kind::Removed);
        QVERIFY(!QFile::exists(association.mimeAppsListPath()));
    }

    void unwritableHomeReportsTheFailure()
    {
        XdgHome home;
        home.dir.writeFile(QStringLiteral("data"), "a file where the data folder should be");
        const FileAssociation association(home.paths, QStringLiteral("/usr/bin/duovue"));
        Test::FakeShell shell;

        const AssociationOutcome outcome = association.associate(shell);
        QCOMPARE(outcome.kind, Kind::Failed);
        QVERIFY(outcome.message().contains(home.dir.filePath(QStringLiteral("data"))));
        QVERIFY(!QFile::exists(association.mimeAppsListPath()));
        QVERIFY(shell.callsOf(QStringLiteral("associations")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(FileAssociationTest)
#include "fileassociationtest.moc"
