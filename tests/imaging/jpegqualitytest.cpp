#include <QTest>

#include "imaging/jpegquality.h"
#include "imaging/pictureloader.h"
#include "support/imagingfactory.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

QByteArray segment(quint8 code, const QByteArray &content)
{
    const qsizetype length = content.size() + 2;
    return QByteArray("\xFF", 1) + char(code) + char(length >> 8) + char(length & 0xFF) + content;
}

/// A DQT segment holding one table for @p slot: 8-bit values unless one exceeds 255.
QByteArray dqt(int slot, const std::array<quint16, 64> &values)
{
    const bool wide = std::any_of(values.begin(), values.end(), [](quint16 v) {
        return v > 255;
    });
    QByteArray content(1, char((wide ? 0x10 : 0x00) | slot));
    for (const quint16 v : values) {
        if (wide)
            content += char(v >> 8);
        content += char(v & 0xFF);
    }
    return segment(0xDB, content);
}

QByteArray jpegStart(const QList<QByteArray> &segments)
{
    return QByteArray("\xFF\xD8", 2) + segments.join() + QByteArray("\xFF\xDA", 2);
}

} // namespace

class JpegQualityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Qt writes through libjpeg with the baseline tables, as cjpeg -baseline and most programs do.
    void givesTheEncodersSettingBack_data()
    {
        QTest::addColumn<int>("quality");
        for (int q = 10; q <= 100; ++q)
            QTest::addRow("%d", q) << q;
    }

    void givesTheEncodersSettingBack()
    {
        QFETCH(int, quality);
        const QByteArray file = Test::ImagingFactory::encodedJpeg(QSize(16, 16), 72, false, quality);
        bool complete = false;
        QCOMPARE(JpegQuality::estimateFromHead(file, &complete), (JpegQualityEstimate{quality, true}));
        QVERIFY(complete);
    }

    void readsTablesOfEveryKind_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("exact");
        using JpegQuality::scaledTable;
        // cjpeg without -baseline writes 16-bit tables where low qualities exceed 255.
        QTest::newRow("16-bit 10") << jpegStart(
            {dqt(0, scaledTable(10, false, false)), dqt(1, scaledTable(10, true, false))})
                                   << 10 << true;
        QTest::newRow("one segment, both tables") << jpegStart(
            {segment(0xDB, dqt(0, scaledTable(40, false, true)).mid(4) + dqt(1, scaledTable(40, true, true)).mid(4))})
                                                  << 40 << true;
        std::array<quint16, 64> tuned = scaledTable(75, false, true);
        tuned[0] += 1;
        tuned[40] -= 2;
        QTest::newRow("tuned table") << jpegStart({dqt(0, tuned)}) << 75 << false;
        // The thumbnail's table inside APP1 is skipped; the later table in slot 0 replaces the first.
        QTest::newRow("thumbnail and redefinition")
            << jpegStart({segment(0xE1, QByteArray("Exif\0\0", 6) + dqt(0, scaledTable(20, false, true))),
                   dqt(0, scaledTable(30, false, true)),
                   dqt(0, scaledTable(85, false, true))})
            << 85 << true;
        QTest::newRow("no table") << jpegStart({segment(0xE0, "JFIF")}) << 0 << false;
        QTest::newRow("table cut short") << jpegStart({segment(0xDB, QByteArray(20, '\x05'))}) << 0 << false;
    }

    void readsTablesOfEveryKind()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, quality);
        QFETCH(bool, exact);
        // Fed a byte at a time, as the file may arrive in pieces.
        JpegQuality::TableCollector collector;
        for (const char c : std::as_const(file))
            collector.feed(reinterpret_cast<const unsigned char *>(&c), 1);
        QVERIFY(collector.isDone());
        QCOMPARE(collector.estimate(), (JpegQualityEstimate{quality, exact}));
        QCOMPARE(collector.estimate().text(),
            quality == 0 ? QString()
                : exact  ? QString::number(quality)
                         : QStringLiteral("約 %1").arg(quality));
    }

    // Metadata can push the tables beyond the bytes read first; the loader reads on for them.
    void loaderFindsTablesBehindLargeMetadata()
    {
        const QByteArray jpeg = Test::ImagingFactory::encodedJpeg(QSize(8, 8), 72, false, 60);
        QByteArray file = jpeg.left(2);
        for (int i = 0; i < 3; ++i)
            file += segment(0xE2, QByteArray(60000, 'x'));
        file += jpeg.mid(2);
        QVERIFY(file.indexOf("\xFF\xDB") > qsizetype(128 * 1024));
        Test::TestDir dir;
        const Result<DecodedPicture> read = ReadPicture(dir.writeFile(QStringLiteral("a.jpg"), file));
        QVERIFY(read.ok());
        QCOMPARE(read.value().info.jpegQuality, (JpegQualityEstimate{60, true}));
    }
};

QTEST_GUILESS_MAIN(JpegQualityTest)
#include "jpegqualitytest.moc"
