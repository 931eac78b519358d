#include <random>

#include <QTest>

#include "imaging/pixelops.h"

using namespace Duovue;
using PixelOps::Transform;

Q_DECLARE_METATYPE(Duovue::PixelOps::Transform)
Q_DECLARE_METATYPE(QList<Duovue::PixelOps::Transform>)

namespace
{

/// A picture whose pixels are numbered row by row from 1 (the number in the blue channel).
QImage numbered(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(0, 0, y * w + x + 1));
    return image;
}

/// The numbers of a numbered picture, row by row.
QList<int> numbers(const QImage &image)
{
    QList<int> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out << qBlue(image.pixel(x, y));
    return out;
}

/// Random pixels, the unused fourth byte included, in a size that does not fill whole blocks.
QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = random();
    }
    return image;
}

/// Every byte of a picture, the unused fourth byte of each pixel included (QImage's own comparison
/// of RGB32 pictures skips it).
QByteArray bytes(const QImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
}

} // namespace

class PixelOpsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesPixels_data();
    void movesPixels();
    void sequencesRestoreOrMatch_data();
    void sequencesRestoreOrMatch();
    void greyTruncates_data();
    void greyTruncates();
    void invertKeepsUnusedByte();
    void brightnessClampsAndRestoresExactly();
};

void PixelOpsTest::movesPixels_data()
{
    QTest::addColumn<Transform>("transform");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<int>>("pixels");

    // The 3 x 2 picture  1 2 3 / 4 5 6.
    QTest::newRow("clockwise: bottom-left to top-left")
        << Transform::RotateRight << QSize(2, 3) << QList<int>{4, 1, 5, 2, 6, 3};
    QTest::newRow("counter-clockwise") << Transform::RotateLeft << QSize(2, 3) << QList<int>{3, 6, 2, 5, 1, 4};
    QTest::newRow("180") << Transform::Rotate180 << QSize(3, 2) << QList<int>{6, 5, 4, 3, 2, 1};
    QTest::newRow("top to bottom") << Transform::FlipVertical << QSize(3, 2) << QList<int>{4, 5, 6, 1, 2, 3};
    QTest::newRow("left to right") << Transform::FlipHorizontal << QSize(3, 2) << QList<int>{3, 2, 1, 6, 5, 4};
}

void PixelOpsTest::movesPixels()
{
    QFETCH(Transform, transform);
    const QImage out = PixelOps::transformed(numbered(3, 2), transform);
    QCOMPARE(out.format(), QImage::Format_RGB32);
    QTEST(out.size(), "size");
    QTEST(numbers(out), "pixels");
}

void PixelOpsTest::sequencesRestoreOrMatch_data()
{
    QTest::addColumn<QList<Transform>>("sequence");
    QTest::addColumn<QList<Transform>>("equivalent"); // empty: the original picture

    const auto cw = Transform::RotateRight;
    const auto ccw = Transform::RotateLeft;
    QTest::newRow("four clockwise rotations") << QList<Transform>{cw, cw, cw, cw} << QList<Transform>{};
    QTest::newRow("four counter-clockwise rotations") << QList<Transform>{ccw, ccw, ccw, ccw} << QList<Transform>{};
    QTest::newRow("there and back") << QList<Transform>{cw, ccw} << QList<Transform>{};
    QTest::newRow("two vertical flips") << QList<Transform>{Transform::FlipVertical, Transform::FlipVertical}
                                        << QList<Transform>{};
    QTest::newRow("two horizontal flips")
        << QList<Transform>{Transform::FlipHorizontal, Transform::FlipHorizontal} << QList<Transform>{};
    QTest::newRow("180 is both flips") << QList<Transform>{Transform::Rotate180}
                                       << QList<Transform>{Transform::FlipVertical, Transform::FlipHorizontal};
    QTest::newRow("180 is two rotations") << QList<Transform>{Transform::Rotate180} << QList<Transform>{cw, cw};
}

void PixelOpsTest::sequencesRestoreOrMatch()
{
    QFETCH(QList<Transform>, sequence);
    QFETCH(QList<Transform>, equivalent);
    const QImage original = noise(131, 67);
    QImage a = original;
    for (Transform t : sequence)
        a = PixelOps::transformed(a, t);
    QImage b = original;
    for (Transform t : equivalent)
        b = PixelOps::transformed(b, t);
    QCOMPARE(a.size(), b.size());
    QCOMPARE(bytes(a), bytes(b));
}

void PixelOpsTest::greyTruncates_data()
{
    QTest::addColumn<QRgb>("pixel");
    QTest::addColumn<int>("grey");

    QTest::newRow("white stays white") << qRgb(255, 255, 255) << 255;
    QTest::newRow("(1, 1, 1) truncates to 0") << qRgb(1, 1, 1) << 0;
    QTest::newRow("pure blue") << qRgb(0, 0, 255) << 28;
    QTest::newRow("weights by channel") << qRgb(10, 20, 30) << 18;
}

void PixelOpsTest::greyTruncates()
{
    QFETCH(QRgb, pixel);
    QFETCH(int, grey);
    QImage image(1, 1, QImage::Format_RGB32);
    reinterpret_cast<quint32 *>(image.scanLine(0))[0] = (pixel & 0x00ffffffu) | 0x5a000000u;
    PixelOps::makeGrey(image);
    QCOMPARE(reinterpret_cast<const quint32 *>(image.constScanLine(0))[0], 0x5a000000u | quint32(grey) * 0x010101u);
}

void PixelOpsTest::invertKeepsUnusedByte()
{
    const QImage original = noise(5, 3);
    QImage image = original;
    PixelOps::invert(image);
    const quint32 before = reinterpret_cast<const quint32 *>(original.constScanLine(1))[2];
    const quint32 after = reinterpret_cast<const quint32 *>(image.constScanLine(1))[2];
    QCOMPARE(after, (before & 0xff000000u) | (~before & 0x00ffffffu));
    PixelOps::invert(image);
    QCOMPARE(bytes(image), bytes(original));
}

void PixelOpsTest::brightnessClampsAndRestoresExactly()
{
    QImage baseline(2, 1, QImage::Format_RGB32);
    baseline.setPixel(0, 0, qRgb(200, 50, 128));
    baseline.setPixel(1, 0, qRgb(0, 255, 7));
    QImage shown;

    PixelOps::applyBrightness(baseline, {100, -100, 0}, shown);
    QCOMPARE(shown.pixel(0, 0), qRgb(255, 0, 128));
    QCOMPARE(shown.pixel(1, 0), qRgb(100, 155, 7));

    // Each update starts from the baseline, so steps never add up.
    PixelOps::applyBrightness(baseline, {0, 0, 50}, shown);
    PixelOps::applyBrightness(baseline, {0, 0, 50}, shown);
    QCOMPARE(shown.pixel(1, 0), qRgb(0, 255, 57));

    PixelOps::applyBrightness(baseline, {0, 0, 0}, shown);
    QCOMPARE(bytes(shown), bytes(baseline));
}

QTEST_GUILESS_MAIN(PixelOpsTest)
#include "pixelopstest.moc"
