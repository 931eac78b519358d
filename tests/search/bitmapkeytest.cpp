#include <random>

#include <QBuffer>
#include <QTest>

#include "search/bitmapkey.h"
#include "search/boxreducer.h"
#include "search/crc32.h"
#include "support/imagingfactory.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
namespace SF = Duovue::Test::SearchFactory;
using Duovue::Test::ImagingFactory::setLe16;
using Duovue::Test::ImagingFactory::setLe32;

namespace
{

// An uncompressed BMP with a 40-byte header, written by hand so that layouts Qt's writer never
// makes (top-down rows, 4 and 32 bits, a 4th byte that is not zero) can be read back.
QByteArray handBmp(int width, int height, int bits, bool topDown, unsigned seed)
{
    const int colours = bits <= 8 ? (1 << bits) : 0;
    const int stride = ((width * bits + 31) / 32) * 4;
    const int offset = 14 + 40 + colours * 4;
    QByteArray b(offset + stride * height, '\0');
    b[0] = 'B';
    b[1] = 'M';
    setLe32(b, 2, quint32(b.size()));
    setLe32(b, 10, quint32(offset));
    setLe32(b, 14, 40);
    setLe32(b, 18, quint32(width));
    setLe32(b, 22, quint32(topDown ? -height : height));
    setLe16(b, 26, 1);
    setLe16(b, 28, quint16(bits));
    for (int i = 0; i < colours; ++i)
        setLe32(b, 54 + i * 4, quint32(i * 0x0F1F2F + 0x402010) & 0xFFFFFF);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < stride; ++i) {
            // Smooth-ish content: the row number matters more than noise, so thumbnails vary.
            const unsigned v = (unsigned(y * 255 / height) + (rng() & 31)) & 0xFF;
            b[offset + y * stride + i] = char(bits <= 8 ? rng() & 0xFF : v);
        }
    }
    return b;
}

} // namespace

class BitmapKeyTest : public QObject
{
    Q_OBJECT

private:
    static BitmapKey keyOf(const QByteArray &data, int n)
    {
        BitmapKeyMaker maker(n);
        return maker.computeFromData(
            reinterpret_cast<const unsigned char *>(data.constData()), std::size_t(data.size()));
    }

private Q_SLOTS:
    void twoLevelThreshold_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("level");
        // 0.59 * 128 + 0.30 * 128 + 0.11 * 128 is 127.99999999999999 in double precision.
        QTest::newRow("grey 128 stays dark") << 128 << 128 << 128 << 0x40;
        QTest::newRow("grey 129") << 129 << 129 << 129 << 0xC0;
        QTest::newRow("grey 200") << 200 << 200 << 200 << 0xC0;
        QTest::newRow("grey 127") << 127 << 127 << 127 << 0x40;
        QTest::newRow("pure green") << 0 << 255 << 0 << 0xC0;
        QTest::newRow("pure red") << 255 << 0 << 0 << 0x40;
        QTest::newRow("green weighs most") << 100 << 150 << 100 << 0xC0;
        QTest::newRow("just below") << 130 << 127 << 125 << 0x40;
        QTest::newRow("white") << 255 << 255 << 255 << 0xC0;
        QTest::newRow("black") << 0 << 0 << 0 << 0x40;
    }

    void twoLevelThreshold()
    {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(int, level);
        QCOMPARE(int(BoxReducer::twoLevel(r, g, b)), level);
    }

    // Three pixels 0, 255, 0 onto two: each output pixel covers one and a half source pixels.
    void areaAverageWeighsPartialPixels()
    {
        BoxReducer reducer(3, 1, 2);
        const unsigned char row[] = {0, 0, 0, 255, 255, 255, 0, 0, 0};
        reducer.addRow(0, row, BoxReducer::PixelFormat::Rgb24);
        QCOMPARE(reducer.averageRgb(0, 0), 0x555555u); // (0 * 2 + 255 * 1) / 3
        QCOMPARE(reducer.averageRgb(1, 1), 0x555555u);
    }

    // A picture smaller than the thumbnail: each source pixel covers several output pixels.
    void upscalesSmallPictures()
    {
        QImage image(2, 2, QImage::Format_RGB32);
        image.setPixel(0, 0, qRgb(255, 255, 255));
        image.setPixel(1, 0, qRgb(0, 0, 0));
        image.setPixel(0, 1, qRgb(0, 0, 0));
        image.setPixel(1, 1, qRgb(255, 255, 255));
        const BitmapKey key = keyOf(SF::bmp(image), 10);
        QCOMPARE(key.outcome, BitmapKey::Outcome::Ok);
        QCOMPARE(key.thumbnail.size(), 100);
        QCOMPARE(uchar(key.thumbnail[0]), uchar(0xC0));
        QCOMPARE(uchar(key.thumbnail[9]), uchar(0x40));
        QCOMPARE(uchar(key.thumbnail[99]), uchar(0xC0));
    }

    void keyIsCrcOfThumbnail()
    {
        const BitmapKey key = keyOf(SF::bmp(SF::pattern(64, 48, 1)), 15);
        QCOMPARE(key.outcome, BitmapKey::Outcome::Ok);
        QCOMPARE(key.thumbnail.size(), 225);
        QCOMPARE(key.key, Crc32::keyText(Crc32::of(key.thumbnail)));
        QCOMPARE(key.width, 64);
        QCOMPARE(key.height, 48);
    }

    void aspectRatioIsIgnored()
    {
        const BitmapKey wide = keyOf(SF::bmp(SF::solid(200, 100, QColor(220, 220, 220))), 12);
        const BitmapKey tall = keyOf(SF::bmp(SF::solid(100, 200, QColor(180, 190, 200))), 12);
        QCOMPARE(wide.key, tall.key); // both entirely bright
        const BitmapKey black = keyOf(SF::bmp(SF::solid(30, 30, Qt::black)), 12);
        const BitmapKey dark = keyOf(SF::bmp(SF::solid(50, 40, QColor(128, 128, 128))), 12);
        QCOMPARE(black.key, dark.key); // grey 128 counts as dark
        QVERIFY(black.key != wide.key);
    }

    // A BMP saved from the full decode of a JPEG has the JPEG's key, progressive or not.
    void bmpCopyOfJpegKeepsKey_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<int>("n");
        QTest::newRow("baseline 10") << false << 10;
        QTest::newRow("baseline 15") << false << 15;
        QTest::newRow("progressive 20") << true << 20;
    }

    void bmpCopyOfJpegKeepsKey()
    {
        QFETCH(bool, progressive);
        QFETCH(int, n);
        for (int seed = 1; seed <= 6; ++seed) {
            const QByteArray jpeg = SF::jpeg(SF::pattern(333, 217, seed), 85, progressive);
            const QImage decoded = SF::decodeJpeg(jpeg);
            QVERIFY(!decoded.isNull());
            const BitmapKey fromJpeg = keyOf(jpeg, n);
            const BitmapKey fromBmp = keyOf(SF::bmp(decoded), n);
            QCOMPARE(fromJpeg.outcome, BitmapKey::Outcome::Ok);
            QCOMPARE(fromJpeg.key, fromBmp.key);
            QCOMPARE(fromJpeg.thumbnail, fromBmp.thumbnail);
            QCOMPARE(fromJpeg.width, 333);
            QCOMPARE(fromJpeg.height, 217);
        }
    }

    // BMP files are read row by row from disk; the key must be the one Qt's reader gives.
    void streamedBmpMatchesQtReader_data()
    {
        QTest::addColumn<QByteArray>("data");
        QImage indexed = SF::pattern(37, 23, 5).convertToFormat(QImage::Format_Indexed8);
        QImage mono = SF::pattern(41, 17, 6).convertToFormat(QImage::Format_Mono);
        QTest::newRow("24 bits, odd width") << SF::bmp(SF::pattern(101, 77, 3));
        QTest::newRow("8 bits, Qt") << SF::bmpAsIs(indexed);
        QTest::newRow("1 bit, Qt") << SF::bmpAsIs(mono);
        QTest::newRow("24 bits, top-down") << handBmp(33, 29, 24, true, 1);
        QTest::newRow("32 bits, fourth byte set") << handBmp(30, 20, 32, false, 2);
        QTest::newRow("8 bits, hand") << handBmp(19, 21, 8, false, 3);
        QTest::newRow("4 bits") << handBmp(21, 13, 4, true, 4);
        QTest::newRow("1 bit, hand") << handBmp(35, 9, 1, false, 5);
    }

    void streamedBmpMatchesQtReader()
    {
        QFETCH(QByteArray, data);
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("p.bmp"), data);
        BitmapKeyMaker maker(12);
        const BitmapKey streamed = maker.compute(path);
        const QImage qt = QImage::fromData(data).convertToFormat(QImage::Format_RGB32);
        BoxReducer reducer(qt.width(), qt.height(), 12);
        for (int y = 0; y < qt.height(); ++y)
            reducer.addRow(y, qt.constScanLine(y), BoxReducer::PixelFormat::Bgrx32);
        QCOMPARE(streamed.outcome, BitmapKey::Outcome::Ok);
        QCOMPARE(streamed.thumbnail, reducer.thumbnail());
        QCOMPARE(QSize(streamed.width, streamed.height), qt.size());
    }

    void grayscaleJpegDecodes()
    {
        const QImage grey = SF::pattern(120, 90, 4).convertToFormat(QImage::Format_Grayscale8);
        const BitmapKey key = keyOf(SF::jpeg(grey), 10);
        QCOMPARE(key.outcome, BitmapKey::Outcome::Ok);
        QCOMPARE(key.width, 120);
    }

    void undecodableData_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = SF::jpeg(SF::pattern(80, 60, 2));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("not a picture at all");
        QTest::newRow("jpeg header only") << good.left(20);
        QTest::newRow("jpeg marker then garbage") << QByteArray("\xFF\xD8\xFF\xE0\x00\x02garbage-garbage", 20);
        QTest::newRow("bmp header only") << SF::bmp(SF::solid(10, 10, Qt::red)).left(14);
        QTest::newRow("gif signature only") << QByteArray("GIF89a");
        // Pictures of other formats, which the panes cannot show, whatever they are named.
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        SF::pattern(40, 30, 7).save(&buffer, "PNG");
        QTest::newRow("PNG") << png;
        QTest::newRow("TIFF") << QByteArray("II*\x00\x08\x00\x00\x00", 8) + QByteArray(200, '\x01');
        QTest::newRow("WebP") << QByteArray("RIFF\x40\x00\x00\x00WEBPVP8 ", 16) + QByteArray(60, '\x02');
        // Data that ends early would otherwise key as if its missing part were grey or black.
        QTest::newRow("truncated JPEG") << good.left(good.size() * 3 / 4);
        QByteArray huge = SF::bmp(SF::solid(4, 4, Qt::white)).left(54) + QByteArray(64, '\x7F');
        for (int at : {18, 22})
            huge.replace(at, 4, QByteArray("\xFF\xFF\x00\x00", 4));
        QTest::newRow("118-byte BMP claiming 65535 x 65535") << huge;
        const QByteArray white = SF::bmp(SF::solid(40, 40, Qt::white));
        QTest::newRow("BMP cut after half its rows") << white.left(54 + 120 * 20);
    }

    void undecodableData()
    {
        QFETCH(QByteArray, data);
        const BitmapKey key = keyOf(data, 15);
        QCOMPARE(key.outcome, BitmapKey::Outcome::Undecodable);
        QVERIFY(key.key.isEmpty());
    }

    void unreadablePaths()
    {
        Test::TestDir dir;
        dir.makeDir(QStringLiteral("folder.jpg"));
        BitmapKeyMaker maker(10);
        QCOMPARE(maker.compute(dir.filePath(QStringLiteral("missing.jpg"))).outcome, BitmapKey::Outcome::Unreadable);
        QCOMPARE(maker.compute(dir.filePath(QStringLiteral("folder.jpg"))).outcome, BitmapKey::Outcome::Unreadable);
    }

    void jpegInsideBmpNameDecodesByContent()
    {
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(90, 70, 9));
        const QString path = dir.writeFile(QStringLiteral("really-a-jpeg.bmp"), jpeg);
        BitmapKeyMaker maker(15);
        QCOMPARE(maker.compute(path).key, keyOf(jpeg, 15).key);
    }

    void cancelledBeforeDecoding()
    {
        std::atomic<bool> cancel{true};
        BitmapKeyMaker maker(15, &cancel);
        const QByteArray jpeg = SF::jpeg(SF::pattern(90, 70, 9));
        QCOMPARE(
            maker.computeFromData(reinterpret_cast<const unsigned char *>(jpeg.constData()), std::size_t(jpeg.size()))
                .outcome,
            BitmapKey::Outcome::Cancelled);
    }
};

QTEST_GUILESS_MAIN(BitmapKeyTest)
#include "bitmapkeytest.moc"
