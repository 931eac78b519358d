#include <memory>

#include <QTest>

#include "imaging/probeimageheader.h"
#include "support/imagingfactory.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;

namespace
{

/// A record with stale values everywhere, so that each case shows which fields the probe writes.
ImageInfo staleRecord()
{
    ImageInfo info;
    info.typeText = QStringLiteral("stale");
    info.exifFlag = 7;
    info.bitDepth = 99;
    return info;
}

QByteArray exifFirst(bool bigEndian, const QList<TiffEntry> &entries)
{
    return jpegHeader({exifSegment(tiff(bigEndian, entries))});
}

/// A 16-byte APP0 with the given five-byte signature followed directly by an Exif APP1.
QByteArray exifAfterApp0(const QByteArray &app0, bool bigEndian, const QList<TiffEntry> &entries)
{
    return jpegHeader({app0, exifSegment(tiff(bigEndian, entries))});
}

QByteArray app0WithSignature(const char *signature)
{
    QByteArray s = jfifSegment(1, 300, 300);
    s.replace(4, 5, QByteArray(signature, 5));
    return s;
}

} // namespace

class ProbeImageHeaderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void identifiesFile_data();
    void identifiesFile();
    void keepsTypeTextWhenExifFollowsAnotherApp0();
    void neverReadsPastTruncatedData_data();
    void neverReadsPastTruncatedData();
    void exifValuesAtTheEdgeOfTheData();
};

void ProbeImageHeaderTest::identifiesFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<int>("exifFlag");
    QTest::addColumn<int>("bitDepth");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");

    const QString jfif = QStringLiteral("JPEG(JFIF)");
    const QString exif = QStringLiteral("JPEG(Exif)");

    QTest::newRow("JFIF units 0 ignores density") << jpegHeader({jfifSegment(0, 72, 72)}) << jfif << 0 << 24 << 0 << 0;
    QTest::newRow("JFIF units 1 keeps dpi") << jpegHeader({jfifSegment(1, 72, 96)}) << jfif << 0 << 24 << 72 << 96;
    QTest::newRow("JFIF units 2 converts from cm")
        << jpegHeader({jfifSegment(2, 28, 28)}) << jfif << 0 << 24 << 71 << 71;
    QTest::newRow("JFIF other units keep values")
        << jpegHeader({jfifSegment(9, 300, 200)}) << jfif << 0 << 24 << 300 << 200;
    QTest::newRow("JFIF full 16-bit density")
        << jpegHeader({jfifSegment(2, 65535, 1)}) << jfif << 0 << 24 << 166458 << 2;
    QTest::newRow("JFXX") << jpegHeader({jfxxSegment()}) << QStringLiteral("JPEG(JFXX)") << 0 << 24 << 0 << 0;

    for (const bool bigEndian : {false, true}) {
        const char *order = bigEndian ? "MM" : "II";
        QTest::addRow("%s Exif first, 72 dpi", order)
            << exifFirst(bigEndian, resolutionEntries(72, 72, 2)) << exif << 1 << 24 << 72 << 72;
        QTest::addRow("%s Exif first, 28 per cm", order)
            << exifFirst(bigEndian, resolutionEntries(28, 28, 3)) << exif << 1 << 24 << 71 << 71;
        QTest::addRow("%s Exif first, no YResolution", order)
            << exifFirst(bigEndian, {{0x011A, 5, 72, 1}, {0x0128, 3, 2, 0}}) << exif << 1 << 24 << 0 << 0;
        QTest::addRow("%s Exif first, no unit means no conversion", order)
            << exifFirst(bigEndian, {{0x011A, 5, 300, 1}, {0x011B, 5, 28, 1}}) << exif << 1 << 24 << 300 << 28;
        QTest::addRow("%s Exif first, rationals divide and truncate", order)
            << exifFirst(bigEndian, {{0x011A, 5, 7299, 100}, {0x011B, 5, 96, 1}, {0x0128, 3, 2, 0}}) << exif << 1 << 24
            << 72 << 96;
        QTest::addRow("%s Exif first, zero denominator reads as 0", order)
            << exifFirst(bigEndian, {{0x011A, 5, 72, 0}, {0x011B, 5, 72, 1}, {0x0128, 3, 2, 0}}) << exif << 1 << 24 << 0
            << 72;
        QTest::addRow("%s Exif first, other tags first", order)
            << exifFirst(bigEndian, {{0x010F, 4, 1, 0}, {0x0128, 3, 3, 0}, {0x011B, 5, 10, 1}, {0x011A, 5, 20, 1}})
            << exif << 1 << 24 << 50 << 25;
        QTest::addRow("%s Exif first, huge rational saturates", order)
            << exifFirst(bigEndian, {{0x011A, 5, 0xFFFFFFFF, 1}, {0x011B, 5, 0xFFFFFFFF, 1}, {0x0128, 3, 3, 0}}) << exif
            << 1 << 24 << 2147483647 << 2147483647;
        QTest::addRow("%s Exif after JFIF takes the Exif resolution", order)
            << exifAfterApp0(jfifSegment(1, 300, 300), bigEndian, resolutionEntries(72, 72, 2)) << jfif << 1 << 24 << 72
            << 72;
    }

    QByteArray pointsOutside = exifFirst(false, resolutionEntries(72, 72, 2));
    pointsOutside[12 + 6 + 4] = char(0xF0); // IFD0 offset far beyond the data
    pointsOutside[12 + 6 + 7] = char(0x7F);
    QTest::newRow("Exif IFD offset outside the data") << pointsOutside << exif << 1 << 24 << 0 << 0;

    QByteArray countTooLarge = exifFirst(false, {{0x010F, 4, 1, 0}});
    countTooLarge[12 + 6 + 8] = char(0xFF);
    countTooLarge[12 + 6 + 9] = char(0xFF);
    QTest::newRow("Exif entry count beyond the data") << countTooLarge << exif << 1 << 24 << 0 << 0;

    QTest::newRow("Exif rational offset outside the data")
        << exifFirst(false, {{0x011A, 4, 0x7FFFFFF0, 0}, {0x011B, 5, 72, 1}}) << exif << 1 << 24 << 0 << 72;
    QTest::newRow("Exif with no TIFF header") << jpegHeader({QByteArray("\xFF\xE1\x00\x08"
                                                                        "Exif\0\0",
                                                                10)})
                                                     .left(12)
                                              << exif << 1 << 24 << 0 << 0;

    const QByteArray otherJpeg("\xFF\xD8\xFF\xDB\x00\x43\x00", 7);
    QTest::newRow("other JPEG") << otherJpeg << QStringLiteral("JPEG(不明)") << 0 << 24 << 0 << 0;

    QTest::newRow("Windows BMP 2835 per metre")
        << windowsBmp(QSize(2, 2), 2835, 2835) << QStringLiteral("BMP(Windows)") << 0 << 24 << 72 << 72;
    QTest::newRow("Windows BMP 3780 x 0 per metre")
        << windowsBmp(QSize(2, 2), 3780, 0) << QStringLiteral("BMP(Windows)") << 0 << 24 << 96 << 0;
    QTest::newRow("Windows BMP negative per metre")
        << windowsBmp(QSize(2, 2), -2835, 2835) << QStringLiteral("BMP(Windows)") << 0 << 24 << -72 << 72;
    QByteArray os2 = os2Bmp(QSize(3, 1));
    QTest::newRow("OS/2 BMP") << os2 << QStringLiteral("BMP(OS/2)") << 0 << 24 << 0 << 0;
    os2[24] = 8;
    QTest::newRow("OS/2 BMP depth from offset 24") << os2 << QStringLiteral("BMP(OS/2)") << 0 << 8 << 0 << 0;

    QByteArray gif89 = gif(QSize(4, 4), "89a", 8);
    gif89[10] = char(0xF7);
    QTest::newRow("GIF89a flags F7") << gif89 << QStringLiteral("GIF(89a 256)") << 0 << 8 << 0 << 0;
    QByteArray gif87 = gif(QSize(4, 4), "87a", 0);
    QTest::newRow("GIF87a flags 00") << gif87 << QStringLiteral("GIF(87a)") << 0 << 0 << 0 << 0;
    QTest::newRow("GIF two colours") << gif(QSize(4, 4), "89a", 1) << QStringLiteral("GIF(89a 2)") << 0 << 1 << 0 << 0;

    const QString unknown = QStringLiteral("不明");
    QTest::newRow("PNG") << pngHeader() << unknown << 0 << 0 << 0 << 0;
    QTest::newRow("empty") << QByteArray() << unknown << 0 << 0 << 0 << 0;
    QTest::newRow("text") << QByteArray("hello, world") << unknown << 0 << 0 << 0 << 0;
}

void ProbeImageHeaderTest::identifiesFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, typeText);

    ImageInfo info = staleRecord();
    const Resolution resolution = ProbeImageHeader(bytes, info);

    QCOMPARE(info.typeText, typeText);
    QTEST(info.exifFlag, "exifFlag");
    QTEST(int(info.bitDepth), "bitDepth");
    QTEST(resolution.horizontal, "x");
    QTEST(resolution.vertical, "y");
    // The probe leaves the rest of the record to the loader.
    QCOMPARE(info.horizontalResolution, 0);
    QCOMPARE(info.width, 0);
}

void ProbeImageHeaderTest::keepsTypeTextWhenExifFollowsAnotherApp0()
{
    const QByteArray bytes = exifAfterApp0(app0WithSignature("ABCD\0"), true, resolutionEntries(72, 72, 2));
    ImageInfo info = staleRecord();
    const Resolution resolution = ProbeImageHeader(bytes, info);
    QCOMPARE(info.typeText, QStringLiteral("stale"));
    QCOMPARE(info.exifFlag, 1);
    QCOMPARE(info.bitDepth, 24);
    QCOMPARE(resolution, (Resolution{72, 72}));

    ImageInfo fresh;
    ProbeImageHeader(bytes, fresh);
    QCOMPARE(fresh.typeText, QString());
}

void ProbeImageHeaderTest::neverReadsPastTruncatedData_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Below this length the file is not recognised by its own branch.
    QTest::addColumn<int>("recognisedFrom");

    QTest::newRow("JFIF") << jpegHeader({jfifSegment(1, 72, 72)}) << 18;
    QTest::newRow("JFIF then Exif MM") << exifAfterApp0(jfifSegment(1, 300, 300), true, resolutionEntries(72, 72, 2))
                                       << 29;
    QTest::newRow("Exif II") << exifFirst(false, resolutionEntries(72, 72, 3)) << 11;
    QTest::newRow("Windows BMP") << windowsBmp(QSize(1, 1), 2835, 2835).left(54) << 46;
    QTest::newRow("OS/2 BMP") << os2Bmp(QSize(1, 1)).left(26) << 26;
    QTest::newRow("GIF") << gif(QSize(1, 1), "89a", 2).left(13) << 11;
}

void ProbeImageHeaderTest::neverReadsPastTruncatedData()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, recognisedFrom);

    ImageInfo whole;
    const Resolution wholeResolution = ProbeImageHeader(bytes, whole);

    for (qsizetype length = 0; length <= bytes.size(); ++length) {
        // An exact-size heap block, so that AddressSanitizer reports any read past its end.
        auto block = std::make_unique<char[]>(std::max<qsizetype>(length, 1));
        std::copy_n(bytes.constData(), length, block.get());
        ImageInfo info;
        const Resolution resolution = ProbeImageHeader(QByteArrayView(block.get(), length), info);
        if (length >= recognisedFrom)
            QCOMPARE(info.typeText, whole.typeText);
        else
            QVERIFY2(info.typeText != whole.typeText || info.typeText == QStringLiteral("JPEG(JFIF)"),
                qPrintable(QStringLiteral("length %1: %2").arg(length).arg(info.typeText)));
        if (length == bytes.size())
            QCOMPARE(resolution, wholeResolution);
    }
}

void ProbeImageHeaderTest::exifValuesAtTheEdgeOfTheData()
{
    // The Y rational is the last thing in the file: whole it is read, one byte short it is absent.
    const QByteArray whole = exifFirst(false, {{0x0128, 3, 2, 0}, {0x011A, 5, 300, 1}, {0x011B, 5, 150, 1}}).chopped(2);
    ImageInfo info;
    QCOMPARE(ProbeImageHeader(whole, info), (Resolution{300, 150}));
    QCOMPARE(ProbeImageHeader(whole.chopped(1), info), (Resolution{300, 0}));

    // An IFD entry cut short ends the walk before it.
    const QByteArray cutEntry = exifFirst(false, resolutionEntries(72, 72, 2)).left(12 + 8 + 2 + 12 + 11);
    QCOMPARE(ProbeImageHeader(cutEntry, info), Resolution{});
}

QTEST_GUILESS_MAIN(ProbeImageHeaderTest)
#include "probeimageheadertest.moc"
