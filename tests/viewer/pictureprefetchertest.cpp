#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "support/imagingfactory.h"
#include "support/testdir.h"
#include "viewer/pictureprefetcher.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;

class PicturePrefetcherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void handsOutOnlyTheEntryItRead_data();
    void handsOutOnlyTheEntryItRead();
    void runningPrefetchIsWaitedFor();
};

void PicturePrefetcherTest::handsOutOnlyTheEntryItRead_data()
{
    QTest::addColumn<QString>("change"); // what happens between the prefetch and the step
    QTest::addColumn<bool>("handedOut");

    QTest::newRow("nothing") << QString() << true;
    QTest::newRow("the list changed") << QStringLiteral("invalidate") << false;
    QTest::newRow("another index") << QStringLiteral("index") << false;
    QTest::newRow("another file at the index") << QStringLiteral("path") << false;
    QTest::newRow("the file was replaced") << QStringLiteral("replace") << false;
    QTest::newRow("the other side's list changed") << QStringLiteral("other side") << true;
}

void PicturePrefetcherTest::handsOutOnlyTheEntryItRead()
{
    QFETCH(QString, change);
    QFETCH(bool, handedOut);
    Test::TestDir dir;
    const QString path = dir.writeFile(QStringLiteral("a.jpg"), encodedJpeg(QSize(40, 30)));
    const QString other = dir.writeFile(QStringLiteral("b.jpg"), encodedJpeg(QSize(40, 30)));
    PicturePrefetcher prefetcher;
    QSignalSpy done(&prefetcher, &PicturePrefetcher::prefetched);
    prefetcher.prefetch(1, 3, path);
    QVERIFY(done.wait(10000));

    qsizetype index = 3;
    QString asked = path;
    if (change == QLatin1String("invalidate"))
        prefetcher.invalidate(1);
    else if (change == QLatin1String("other side"))
        prefetcher.invalidate(0);
    else if (change == QLatin1String("index"))
        index = 4;
    else if (change == QLatin1String("path"))
        asked = other;
    else if (change == QLatin1String("replace"))
        QVERIFY(QFile::remove(path) && QFile::copy(other, path));

    const auto read = prefetcher.take(1, index, asked);
    QCOMPARE(read.has_value(), handedOut);
    if (handedOut) {
        QVERIFY(read->ok());
        QCOMPARE(read->value().picture.size(), QSize(40, 30));
    }
    // A prefetch is used once.
    QVERIFY(!prefetcher.take(1, index, asked));
}

void PicturePrefetcherTest::runningPrefetchIsWaitedFor()
{
    Test::TestDir dir;
    const QString path = dir.writeFile(QStringLiteral("big.jpg"), encodedJpeg(QSize(1600, 1200)));
    PicturePrefetcher prefetcher;
    prefetcher.prefetch(0, 0, path);
    const auto read = prefetcher.take(0, 0, path);
    QVERIFY(read && read->ok());
    QCOMPARE(read->value().picture.size(), QSize(1600, 1200));
    QVERIFY(!prefetcher.isRunning(0));
}

QTEST_GUILESS_MAIN(PicturePrefetcherTest)
#include "pictureprefetchertest.moc"
