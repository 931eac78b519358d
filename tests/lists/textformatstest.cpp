#include <limits>

#include <QTest>

#include "lists/textformats.h"

using namespace Duovue;

// Runs with TZ=UTC (set by the test environment), so local time is UTC here.
class TextFormatsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formatsSizeWithGroups_data()
    {
        QTest::addColumn<quint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << quint64(0) << QStringLiteral("0");
        QTest::newRow("three digits") << quint64(999) << QStringLiteral("999");
        QTest::newRow("four digits") << quint64(1000) << QStringLiteral("1,000");
        QTest::newRow("seven digits") << quint64(1234567) << QStringLiteral("1,234,567");
        QTest::newRow("six digits") << quint64(100000) << QStringLiteral("100,000");
        QTest::newRow("beyond 32 bits") << quint64(5368709120) << QStringLiteral("5,368,709,120");
        QTest::newRow("largest 64-bit") << std::numeric_limits<quint64>::max()
                                        << QStringLiteral("18,446,744,073,709,551,615");
    }
    void formatsSizeWithGroups()
    {
        QFETCH(quint64, value);
        QFETCH(QString, text);
        QCOMPARE(FormatFileSize(value), text);
    }

    void formatsTime_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << qint64(0) << QStringLiteral("1970/01/01、00:00:00");
        QTest::newRow("afternoon") << qint64(1700000000) << QStringLiteral("2023/11/14、22:13:20");
        QTest::newRow("before 1970") << qint64(-86400) << QStringLiteral("1969/12/31、00:00:00");
        QTest::newRow("year 9999") << qint64(253402300799) << QStringLiteral("9999/12/31、23:59:59");
        QTest::newRow("year 10000") << qint64(253402300800) << QStringLiteral("0000/00/00、-1:-1:-1");
        QTest::newRow("unconvertible") << std::numeric_limits<qint64>::max() << QStringLiteral("0000/00/00、-1:-1:-1");
    }
    void formatsTime()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(FormatFileTime(seconds), text);
    }

    void timeTextOrderIsTimeOrder()
    {
        const qint64 times[] = {-100000, 0, 59, 60, 3599, 3600, 86399, 86400, 951782400, 1700000000, 4102444800};
        for (size_t i = 1; i < std::size(times); ++i)
            QVERIFY2(FormatFileTime(times[i - 1]) < FormatFileTime(times[i]), qPrintable(FormatFileTime(times[i])));
    }

    void localTimeFollowsTimeZone()
    {
        const QByteArray old = qgetenv("TZ");
        qputenv("TZ", "Asia/Tokyo");
        tzset();
        const QString text = FormatFileTime(0);
        qputenv("TZ", old);
        tzset();
        QCOMPARE(text, QStringLiteral("1970/01/01、09:00:00"));
    }

    void countLabels()
    {
        QCOMPARE(TotalItemsText(0), QStringLiteral("総アイテム数:     0"));
        QCOMPARE(TotalItemsText(12345), QStringLiteral("総アイテム数: 12345"));
        QCOMPARE(TotalItemsText(123456), QStringLiteral("総アイテム数: 123456"));
        QCOMPARE(SelectedItemsText(3), QStringLiteral("選択アイテム数:     3"));
    }

    void filtersImageExtensions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper JPG") << QStringLiteral("a.JPG") << true;
        QTest::newRow("jpeg") << QStringLiteral("b.jpeg") << true;
        QTest::newRow("mixed Gif") << QStringLiteral("c.Gif") << true;
        QTest::newRow("bmp") << QStringLiteral("x.bMp") << true;
        QTest::newRow("png") << QStringLiteral("d.png") << false;
        QTest::newRow("txt") << QStringLiteral("e.txt") << false;
        QTest::newRow("no dot, named bmp") << QStringLiteral("bmp") << true;
        QTest::newRow("no dot, other") << QStringLiteral("jpgfile") << false;
        QTest::newRow("last dot counts") << QStringLiteral("x.jpg.txt") << false;
        QTest::newRow("hidden gif") << QStringLiteral(".gif") << true;
        QTest::newRow("trailing dot") << QStringLiteral("x.jpg.") << false;
        QTest::newRow("japanese name") << QStringLiteral("写真.JPEG") << true;
        QTest::newRow("full-width letters") << QStringLiteral("x.ｊｐｇ") << false;
        QTest::newRow("jpe") << QStringLiteral("x.jpe") << false;
    }
    void filtersImageExtensions()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QCOMPARE(hasImageExtension(name), accepted);
    }
};

QTEST_GUILESS_MAIN(TextFormatsTest)
#include "textformatstest.moc"
