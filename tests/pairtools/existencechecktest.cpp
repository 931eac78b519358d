#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "pairtools/existencecheck.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::entryFor;

namespace
{

// A list of @p count files named 0.jpg, 1.jpg, ...; the rows in @p missing have no file.
FileList makeList(Test::TestDir &dir, const QString &folder, int count, const QList<int> &missing)
{
    FileList list;
    for (int i = 0; i < count; ++i) {
        const QString relative = folder + QLatin1Char('/') + QString::number(i) + QStringLiteral(".jpg");
        const QString path = missing.contains(i) ? dir.filePath(relative) : dir.writeFile(relative, "data");
        list.append(entryFor(path));
    }
    return list;
}

} // namespace

class ExistenceCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void findsMissingRows_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("missing");
        QTest::newRow("two of five") << 5 << QList<int>{1, 3};
        QTest::newRow("all missing") << 3 << QList<int>{0, 1, 2};
    }

    void findsMissingRows()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, missing);
        Test::TestDir dir;
        FileList list = makeList(dir, QStringLiteral("l"), count, missing);
        QStringList notices;
        ExistenceCheck check([&](const QString &text) {
            notices << text;
            return false;
        });
        const ExistenceCheck::SideResult r = check.checkSide(list, 0);
        QCOMPARE(r.before, count);
        QCOMPARE(r.missing, missing);
        QCOMPARE(notices.size(), missing.size());
        if (!missing.isEmpty()) {
            QCOMPARE(notices.first(),
                QStringLiteral("左のリスト内\r\nファイルが存在しません。\r\nリストから削除します。\r\n\r\n")
                    + dir.filePath(QStringLiteral("l/%1.jpg").arg(missing.first())));
        }
    }

    void tickedBoxSilencesTheRestOfTheRun()
    {
        Test::TestDir dir;
        FileList left = makeList(dir, QStringLiteral("l"), 5, {1, 2});
        FileList right = makeList(dir, QStringLiteral("r"), 2, {0});
        int shown = 0;
        const auto tickAtFirst = [&](const QString &) {
            ++shown;
            return true;
        };
        ExistenceCheck check(tickAtFirst);
        QCOMPARE(check.checkSide(left, 0).removed, 2);
        QCOMPARE(check.checkSide(right, 1).removed, 1);
        QCOMPARE(shown, 1);
        QVERIFY(check.suppressMissingNotice());
        // The next run asks again.
        FileList again = makeList(dir, QStringLiteral("a"), 1, {0});
        ExistenceCheck next(tickAtFirst);
        next.checkSide(again, 0);
        QCOMPARE(shown, 2);
    }

    void refreshesTimesAndSizes()
    {
        Test::TestDir dir;
        FileList list = makeList(dir, QStringLiteral("l"), 1, {});
        dir.writeFile(QStringLiteral("l/0.jpg"), QByteArray(12345, 'x'));
        dir.setModified(QStringLiteral("l/0.jpg"), QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC));
        ExistenceCheck check({});
        const ExistenceCheck::SideResult r = check.checkSide(list, 0);
        QCOMPARE(r.refreshed.size(), 1);
        const FileList::Entry &entry = r.refreshed[0].second;
        QCOMPARE(entry.columns[4], QStringLiteral("12,345"));
        QCOMPARE(entry.columns[3], QStringLiteral("2021/03/04、05:06:07"));
        QCOMPARE(entry.columns[0], QStringLiteral("0.jpg"));
    }

    // A path the system cannot look at is not proof that the file is gone.
    void keepsEntriesThatCannotBeLookedAt()
    {
        FileList list;
        list.append(entryFor(QStringLiteral("/tmp/") + QString(300, u'n') + QStringLiteral("/a.jpg")));
        ExistenceCheck check([](const QString &) {
            return false;
        });
        const ExistenceCheck::SideResult r = check.checkSide(list, 0);
        QCOMPARE(r.removed, 0);
        QVERIFY(r.refreshed.isEmpty());
    }

    void summaryTexts_data()
    {
        QTest::addColumn<int>("leftBefore");
        QTest::addColumn<int>("leftRemoved");
        QTest::addColumn<int>("rightBefore");
        QTest::addColumn<int>("rightRemoved");
        QTest::addColumn<QString>("text");
        QTest::newRow("left empty, right complete")
            << 0 << 0 << 4 << 0 << QStringLiteral("左のリストは空です。\r\n\r\n右のリストはすべて有りました。");
        QTest::newRow("two of five missing")
            << 5 << 2 << 0 << 0 << QStringLiteral("左のリストは 2 個存在しませんでした。\r\n\r\n右のリストは空です。");
        QTest::newRow("all three missing")
            << 3 << 3 << 2 << 1
            << QStringLiteral("左のリストは 3 個存在しませんでした。\r\n左のリストは空になりました。"
                              "\r\n\r\n右のリストは 1 個存在しませんでした。");
    }

    void summaryTexts()
    {
        QFETCH(int, leftBefore);
        QFETCH(int, leftRemoved);
        QFETCH(int, rightBefore);
        QFETCH(int, rightRemoved);
        QFETCH(QString, text);
        ExistenceCheck::SideResult left;
        left.before = leftBefore;
        left.removed = leftRemoved;
        ExistenceCheck::SideResult right;
        right.before = rightBefore;
        right.removed = rightRemoved;
        QCOMPARE(
            ExistenceCheck::summaryText(left, leftBefore == leftRemoved, right, rightBefore == rightRemoved), text);
    }
};

QTEST_GUILESS_MAIN(ExistenceCheckTest)
#include "existencechecktest.moc"
