#include <atomic>

#include <QStandardPaths>
#include <QTest>

#include "pairtools/jpegmarkers.h"
#include "pairtools/progresspump.h"
#include "support/imagingfactory.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// "address marker description" per row, for compact expectations.
QStringList rowTexts(const QList<MarkerRow> &rows)
{
    QStringList out;
    for (const MarkerRow &r : rows)
        out << r.addressText() + u' ' + r.markerText() + u' ' + r.description();
    return out;
}

QStringList markerCodes(const QList<MarkerRow> &rows)
{
    QStringList out;
    for (const MarkerRow &r : rows)
        out << r.markerText();
    return out;
}

const QString Indent = QString(QChar(0x3000));

} // namespace

class JpegMarkersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void scansMarkers_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("stuffed bytes and restart markers give no row")
            << bytes({0xFF, 0xD8, 0xFF, 0xDA, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0xFF, 0xD7, 0x56, 0xFF, 0xD9})
            << QStringList{QStringLiteral("00000000 FFD8 (SOI)画像開始"),
                   QStringLiteral("00000002 FFDA (SOS)スキャン開始"),
                   QStringLiteral("0000000D FFD9 (EOI)画像終了")};
        QTest::newRow("FF FF D8") << bytes({0xFF, 0xFF, 0xD8})
                                  << QStringList{QStringLiteral("00000001 FFD8 (SOI)画像開始")};
        QTest::newRow("FF last") << bytes({0xFF, 0xD8, 0x00, 0xFF})
                                 << QStringList{QStringLiteral("00000000 FFD8 (SOI)画像開始")};
        QTest::newRow("codes without a row")
            << bytes({0xFF, 0x03, 0xFF, 0xBE, 0xFF, 0x01, 0xFF, 0xFE})
            << QStringList{QStringLiteral("00000004 FF01 (TEM)算術符号で用いられるテンポラリな私的使用"),
                   QStringLiteral("00000006 FFFE (COM)コメント")};
        // An Exif thumbnail: its SOI, its markers and its EOI are indented; the file's own are not.
        QTest::newRow("nested thumbnail")
            << bytes({0xFF,
                   0xD8,
                   0xFF,
                   0xE1,
                   0x00,
                   0x10,
                   0xFF,
                   0xD8,
                   0xFF,
                   0xDB,
                   0xFF,
                   0xC0,
                   0xFF,
                   0xD9,
                   0xFF,
                   0xDB,
                   0xFF,
                   0xD9})
            << QStringList{QStringLiteral("00000000 FFD8 (SOI)画像開始"),
                   QStringLiteral("00000002 FFE1 (APPn)アプリケーションデータセグメント"),
                   QStringLiteral("00000006 FFD8 ") + Indent + QStringLiteral("(SOI)画像開始"),
                   QStringLiteral("00000008 FFDB ") + Indent + QStringLiteral("(DQT)量子化テーブル定義"),
                   QStringLiteral("0000000A FFC0 ") + Indent
                       + QStringLiteral("(SOF0)フレーム開始 非差分ハフマン符号 基本DCT方式"),
                   QStringLiteral("0000000C FFD9 ") + Indent + QStringLiteral("(EOI)画像終了"),
                   QStringLiteral("0000000E FFDB (DQT)量子化テーブル定義"),
                   QStringLiteral("00000010 FFD9 (EOI)画像終了")};
    }

    void scansMarkers()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, rows);
        QCOMPARE(rowTexts(JpegMarkers::ScanBytes(data)), rows);
        // The same rows from a file read in pieces of every small size, so that a marker split
        // across two pieces is still found.
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("a.jpg"), data);
        for (size_t block : {1, 2, 3, 5, 4096}) {
            std::atomic<bool> abort{false};
            ProgressPump pump;
            const Result<MarkerScanResult> scan = JpegMarkers::ScanFile(path, abort, pump, block);
            QVERIFY(scan.ok());
            QCOMPARE(rowTexts(scan.value().rows), rows);
        }
    }

    void baselineFileFromTheEncoder()
    {
        const QList<MarkerRow> rows = JpegMarkers::ScanBytes(Test::ImagingFactory::encodedJpeg(QSize(64, 48)));
        QStringList codes = markerCodes(rows);
        codes.removeDuplicates();
        QCOMPARE(codes,
            QStringList({QStringLiteral("FFD8"),
                QStringLiteral("FFE0"),
                QStringLiteral("FFDB"),
                QStringLiteral("FFC0"),
                QStringLiteral("FFC4"),
                QStringLiteral("FFDA"),
                QStringLiteral("FFD9")}));
        QCOMPARE(rows.first().address, 0u);
        QCOMPARE(rows.at(1).address, 2u);
        QVERIFY(std::none_of(rows.begin(), rows.end(), [](const MarkerRow &r) {
            return r.nested;
        }));
    }

    // The tables after each DQT row give its quality, also when a piece ends inside them.
    void dqtRowsGiveTheQuality()
    {
        QByteArray data = Test::ImagingFactory::encodedJpeg(QSize(16, 16), 72, false, 80);
        // A second, hand-made table that no quality setting gives exactly.
        std::array<quint16, 64> tuned = JpegQuality::scaledTable(30, false, true);
        tuned[5] += 3;
        QByteArray dqt("\xFF\xDB\x00\x43\x00", 5);
        for (const quint16 v : tuned)
            dqt += char(v);
        data.insert(2, dqt);
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("a.jpg"), data);
        for (size_t block : {1, 7, 4096}) {
            std::atomic<bool> abort{false};
            ProgressPump pump;
            const Result<MarkerScanResult> scan = JpegMarkers::ScanFile(path, abort, pump, block);
            QVERIFY(scan.ok());
            QStringList dqtRows;
            for (const MarkerRow &row : scan.value().rows) {
                if (row.code == 0xDB)
                    dqtRows << row.description();
            }
            QCOMPARE(dqtRows,
                QStringList({QStringLiteral("(DQT)量子化テーブル定義 (品質 約 30)"),
                    QStringLiteral("(DQT)量子化テーブル定義 (品質 80)"),
                    QStringLiteral("(DQT)量子化テーブル定義 (品質 80)")}));
        }
    }

    // A side with more than 2000 markers was once cut at 2000 rows.
    void listsEveryMarker()
    {
        QByteArray data = bytes({0xFF, 0xD8});
        for (int i = 0; i < 5000; ++i)
            data += bytes({0xFF, 0xFE});
        const QList<MarkerRow> rows = JpegMarkers::ScanBytes(data);
        QCOMPARE(rows.size(), 5001);
        QCOMPARE(rows.last().addressText(), QStringLiteral("00002710"));
    }

    // A file of nothing but markers once kept a row for each, 16 bytes per two bytes of file.
    void keepsTheFirstRowsAndCountsTheRest()
    {
        QByteArray data = bytes({0xFF, 0xD8});
        for (qsizetype i = 0; i < JpegMarkers::MaxRows + 5; ++i)
            data += bytes({0xFF, 0xC0});
        Test::TestDir dir;
        std::atomic<bool> abort{false};
        ProgressPump pump;
        const Result<MarkerScanResult> scan =
            JpegMarkers::ScanFile(dir.writeFile(QStringLiteral("a.jpg"), data), abort, pump, 4096);
        QVERIFY(scan.ok());
        QCOMPARE(scan.value().rows.size(), JpegMarkers::MaxRows);
        QCOMPARE(scan.value().omitted, 6u);
        QCOMPARE(scan.value().rows.last().address, quint64(2 * (JpegMarkers::MaxRows - 1)));
    }

    void recognisesJpegFiles_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("jpeg");
        QTest::newRow("jpeg") << bytes({0xFF, 0xD8, 0xFF}) << true;
        QTest::newRow("png") << Test::ImagingFactory::pngHeader() << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void recognisesJpegFiles()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, jpeg);
        Test::TestDir dir;
        const Result<bool> isJpeg = JpegMarkers::IsJpegFile(dir.writeFile(QStringLiteral("f.jpg"), data));
        QVERIFY(isJpeg.ok());
        QCOMPARE(isJpeg.value(), jpeg);
    }

    void notJpegMessages_data()
    {
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("text");
        QTest::newRow("right") << false << true << QStringLiteral("右の画像はJPEGではありません。\r\n\r\n/p/r.png");
        QTest::newRow("left") << true << false << QStringLiteral("左の画像はJPEGではありません。\r\n\r\n/p/l.gif\r\n");
        QTest::newRow("both") << true << true
                              << QStringLiteral("左右の画像はJPEGではありません。\r\n\r\n/p/l.gif\r\n/p/r.png");
    }

    void notJpegMessages()
    {
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(QString, text);
        QCOMPARE(
            JpegMarkers::NotJpegMessage(left, right, QStringLiteral("/p/l.gif"), QStringLiteral("/p/r.png")), text);
    }
};

QTEST_GUILESS_MAIN(JpegMarkersTest)
#include "jpegmarkerstest.moc"
