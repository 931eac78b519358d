#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include "core/appsettings.h"
#include "core/recentfiles.h"
#include "core/settingsstore.h"
#include "support/testdir.h"

using namespace Duovue;

class RecentFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void keepsFiveNewestFirstWithoutDuplicates()
    {
        RecentFiles recent;
        for (int i = 1; i <= 7; ++i)
            recent.add(QStringLiteral("/d/%1.duov").arg(i));
        recent.add(QStringLiteral("/d/5.duov"));
        QCOMPARE(recent.paths(),
            (QStringList{QStringLiteral("/d/5.duov"),
                QStringLiteral("/d/7.duov"),
                QStringLiteral("/d/6.duov"),
                QStringLiteral("/d/4.duov"),
                QStringLiteral("/d/3.duov")}));
    }

    void roundTripsThroughTheSettingsFile()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        RecentFiles recent;
        recent.add(QStringLiteral("/a/一.duov"));
        recent.add(QStringLiteral("/a/二.duov"));
        recent.save(store);
        QCOMPARE(store.value(AppSettings::RecentFile(1)), QStringLiteral("/a/二.duov"));
        QCOMPARE(store.value(AppSettings::RecentFile(2)), QStringLiteral("/a/一.duov"));
        QVERIFY(!store.contains(QStringLiteral("Recent File List"), QStringLiteral("File3")));

        RecentFiles loaded;
        loaded.load(store);
        QCOMPARE(loaded.paths(), recent.paths());

        // A shorter list clears the keys it no longer fills.
        loaded.remove(QStringLiteral("/a/一.duov"));
        loaded.save(store);
        QCOMPARE(store.value(AppSettings::RecentFile(2)), QString());
        RecentFiles again;
        again.load(store);
        QCOMPARE(again.paths(), QStringList{QStringLiteral("/a/二.duov")});
    }

    void emptyStoreWritesNothing()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        RecentFiles recent;
        recent.load(store);
        QVERIFY(recent.paths().isEmpty());
        recent.save(store);
        QVERIFY(!QFile::exists(store.path()));
    }

    void failedWriteIsLogged()
    {
        Test::TestDir dir;
        SettingsStore store(dir.makeDir(QStringLiteral("Duovue.ini"))); // a folder: no write can succeed
        RecentFiles recent;
        recent.add(QStringLiteral("/a/b.duov"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(store.path())));
        recent.save(store);
    }
};

QTEST_GUILESS_MAIN(RecentFilesTest)
#include "recentfilestest.moc"
