#include <QTest>

#include "pairtools/differenceanalysis.h"

using namespace Duovue;

namespace
{

AnalysisSide jpeg640x480()
{
    AnalysisSide s;
    s.info.path = QStringLiteral("/p/a.jpg");
    s.info.typeText = QStringLiteral("JPEG(JFIF)");
    s.info.fileSize = 1234567;
    s.info.width = 640;
    s.info.height = 480;
    s.info.horizontalResolution = 72;
    s.info.verticalResolution = 72;
    s.info.bitDepth = 24;
    s.info.jpegQuality = {90, true};
    s.created = QStringLiteral("2024/01/02、03:04:05");
    s.modified = QStringLiteral("2024/01/02、03:04:06");
    return s;
}

} // namespace

Q_DECLARE_METATYPE(Duovue::AnalysisSide)

class DifferenceAnalysisTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksDifferingRows_data()
    {
        QTest::addColumn<AnalysisSide>("right");
        QTest::addColumn<QList<int>>("highlighted");
        // Row: the row whose texts are checked; left and right: its expected value texts.
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("rightText");

        QTest::newRow("same file") << jpeg640x480() << QList<int>{} << 2 << QStringLiteral("1,234,567 byte")
                                   << QStringLiteral("1,234,567 byte");
        AnalysisSide turned = jpeg640x480();
        std::swap(turned.info.width, turned.info.height);
        QTest::newRow("turned copy") << turned << QList<int>{3, 4, 5} << 5 << QStringLiteral("1.3333")
                                     << QStringLiteral("0.7500");
        AnalysisSide gif = jpeg640x480();
        gif.info.typeText = QStringLiteral("GIF(89a 256)");
        gif.info.horizontalResolution = 0;
        gif.info.verticalResolution = 0;
        gif.info.bitDepth = 8;
        gif.info.jpegQuality = {};
        QTest::newRow("gif against jpeg")
            << gif << QList<int>{0, 6, 7, 8, 11} << 8 << QStringLiteral("24 bit") << QStringLiteral("8 bit");
        QTest::newRow("gif has no resolution nor quality")
            << gif << QList<int>{0, 6, 7, 8, 11} << 6 << QStringLiteral("72 dpi") << QStringLiteral("-");
        AnalysisSide dpi = jpeg640x480();
        dpi.info.verticalResolution = 96;
        QTest::newRow("72 x 96 dpi") << dpi << QList<int>{7} << 7 << QStringLiteral("72 dpi")
                                     << QStringLiteral("96 dpi");
        AnalysisSide exif = jpeg640x480();
        exif.info.exifFlag = 1;
        exif.modified = QStringLiteral("2024/05/06、07:08:09");
        QTest::newRow("exif and a newer time")
            << exif << QList<int>{1, 10} << 1 << QStringLiteral("無し") << QStringLiteral("有り");
        AnalysisSide wide = jpeg640x480();
        wide.info.width = 100000;
        wide.info.height = 3;
        AnalysisSide requality = jpeg640x480();
        requality.info.jpegQuality = {75, false};
        QTest::newRow("quality exact and nearest")
            << requality << QList<int>{11} << 11 << QStringLiteral("90") << QStringLiteral("約 75");
        QTest::newRow("ratio wider than six characters")
            << wide << QList<int>{3, 4, 5} << 5 << QStringLiteral("1.3333") << QStringLiteral("33333.3320");
    }

    void marksDifferingRows()
    {
        QFETCH(AnalysisSide, right);
        QFETCH(QList<int>, highlighted);
        QFETCH(int, row);
        QFETCH(QString, left);
        QFETCH(QString, rightText);
        const QList<AnalysisRow> rows = AnalyseDifferences(jpeg640x480(), right);
        QCOMPARE(rows.size(), 12);
        QList<int> marked;
        for (int i = 0; i < rows.size(); ++i) {
            if (rows[i].highlighted)
                marked << i;
            QCOMPARE(rows[i].judgement, rows[i].highlighted ? QStringLiteral("×") : QStringLiteral("○"));
        }
        QCOMPARE(marked, highlighted);
        QCOMPARE(rows[row].left, left);
        QCOMPARE(rows[row].right, rightText);
    }
};

QTEST_GUILESS_MAIN(DifferenceAnalysisTest)
#include "differenceanalysistest.moc"
