#include <QRandomGenerator>
#include <QTest>

#include "imaging/picturedifference.h"

using namespace Duovue;

namespace
{

/// A mask picture from rows of '#' (marked) and '.' characters.
QImage fromRows(const QList<QByteArray> &rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = rows[y][x] == '#' ? 255 : 0;
    return image;
}

QImage randomMask(QSize size, int percent, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.scanLine(y)[x] = random.bounded(100) < percent ? 255 : 0;
    return image;
}

/// The regions of a mask by a plain flood fill, sorted as RegionTracker sorts them.
QList<DifferenceRegion> floodFill(const QImage &mask)
{
    const int w = mask.width();
    const int h = mask.height();
    QList<bool> seen(qsizetype(w) * h, false);
    QList<DifferenceRegion> regions;
    for (int sy = 0; sy < h; ++sy) {
        for (int sx = 0; sx < w; ++sx) {
            if (seen[sy * w + sx] || mask.constScanLine(sy)[sx] == 0)
                continue;
            DifferenceRegion region{QRect(sx, sy, 1, 1), 0};
            QList<QPoint> stack{QPoint(sx, sy)};
            seen[sy * w + sx] = true;
            while (!stack.isEmpty()) {
                const QPoint p = stack.takeLast();
                ++region.pixels;
                region.box |= QRect(p, QSize(1, 1));
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int x = p.x() + dx;
                        const int y = p.y() + dy;
                        if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x] || mask.constScanLine(y)[x] == 0)
                            continue;
                        seen[y * w + x] = true;
                        stack.append(QPoint(x, y));
                    }
                }
            }
            regions.append(region);
        }
    }
    std::sort(regions.begin(), regions.end(), RegionTracker::larger);
    return regions;
}

} // namespace

class PictureDifferenceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regionsMatchAFloodFill_data()
    {
        QTest::addColumn<QImage>("mask");
        QTest::addColumn<int>("keep");
        // Shapes whose parts meet only further down, or only at a corner.
        QTest::newRow("U joins below") << fromRows({"#...#", "#...#", "#####"}) << 100;
        QTest::newRow("V joins below, two levels")
            << fromRows({"#.#.#.#", "#.#.#.#", ".#...#.", "..#.#..", "...#..."}) << 100;
        QTest::newRow("diagonals") << fromRows({"#..#", ".#..", "..#.", "#..#"}) << 100;
        QTest::newRow("checkerboard") << fromRows({"#.#.#", ".#.#.", "#.#.#"}) << 100;
        QTest::newRow("ring with a dot") << fromRows({"#####", "#...#", "#.#.#", "#...#", "#####"}) << 100;
        QTest::newRow("gap rows") << fromRows({"##..", "....", "..##", "....", "#..#"}) << 100;
        QTest::newRow("none") << fromRows({"....", "...."}) << 100;
        for (const int percent : {5, 30, 45, 60})
            QTest::addRow("random %d%%", percent) << randomMask(QSize(97, 61), percent, quint32(percent)) << 100;
        QTest::newRow("random, three kept") << randomMask(QSize(50, 40), 35, 11) << 3;
    }

    void regionsMatchAFloodFill()
    {
        QFETCH(QImage, mask);
        QFETCH(int, keep);
        const QList<DifferenceRegion> expected = floodFill(mask);
        const DifferenceSummary summary = PictureDifference::summarise(mask, 0, keep);
        QCOMPARE(summary.regionCount, qint64(expected.size()));
        QCOMPARE(summary.regions, expected.mid(0, keep));
        qint64 pixels = 0;
        for (const DifferenceRegion &r : expected)
            pixels += r.pixels;
        QCOMPARE(summary.differingPixels, pixels);
        QCOMPARE(summary.totalPixels, qint64(mask.width()) * mask.height());
    }

    // A pixel differs when a channel differs by more than the tolerance: by N at tolerance N does not.
    void toleranceEdges_data()
    {
        QTest::addColumn<QRgb>("left");
        QTest::addColumn<QRgb>("right");
        QTest::addColumn<int>("difference");
        QTest::newRow("red 1") << qRgb(10, 10, 10) << qRgb(11, 10, 10) << 1;
        QTest::newRow("green 128") << qRgb(0, 200, 0) << qRgb(0, 72, 0) << 128;
        QTest::newRow("blue 255") << qRgb(0, 0, 255) << qRgb(0, 0, 0) << 255;
        QTest::newRow("largest channel counts") << qRgb(100, 100, 100) << qRgb(103, 93, 101) << 7;
    }

    void toleranceEdges()
    {
        QFETCH(QRgb, left);
        QFETCH(QRgb, right);
        QFETCH(int, difference);
        QImage a(3, 2, QImage::Format_RGB32);
        a.fill(left);
        QImage b = a.copy();
        b.setPixel(1, 1, right);
        const QImage d = PictureDifference::channelDifferences(a, b);
        QCOMPARE(PictureDifference::summarise(d, difference).differingPixels, qint64(0));
        QCOMPARE(PictureDifference::summarise(d, difference - 1).differingPixels, qint64(1));
    }

    void markedPictureIsRedOverDimmedGrey()
    {
        QImage left(40, 30, QImage::Format_RGB32);
        QRandomGenerator random(5);
        for (int y = 0; y < left.height(); ++y)
            for (int x = 0; x < left.width(); ++x)
                left.setPixel(x, y, qRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
        QImage right = left.copy();
        const QRect changed(5, 7, 4, 3);
        for (int y = changed.top(); y <= changed.bottom(); ++y)
            for (int x = changed.left(); x <= changed.right(); ++x)
                right.setPixel(x, y, qRgb(255, 0, 0) ^ left.pixel(x, y));
        // A pure red left pixel must not read as a mark where nothing differs.
        left.setPixel(0, 0, qRgb(255, 0, 0));
        right.setPixel(0, 0, qRgb(255, 0, 0));

        const QImage marked = PictureDifference::marked(
            PictureDifference::dimmedGreys(left), PictureDifference::channelDifferences(left, right), 0);
        QCOMPARE(marked.size(), left.size());
        for (int y = 0; y < left.height(); ++y) {
            for (int x = 0; x < left.width(); ++x) {
                const QRgb l = left.pixel(x, y);
                const int grey = 64 + (77 * qRed(l) + 150 * qGreen(l) + 29 * qBlue(l)) / 512;
                const QRgb expected = changed.contains(x, y) ? qRgb(255, 0, 0) : qRgb(grey, grey, grey);
                QVERIFY2(marked.pixel(x, y) == expected, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        }
    }

    // Smooth scaling would blur a lone differing pixel into the grey; the reduced copy keeps it.
    void reducedPictureKeepsEveryMark()
    {
        QImage left(100, 60, QImage::Format_RGB32);
        left.fill(qRgb(120, 120, 120));
        QImage right = left.copy();
        right.setPixel(57, 33, qRgb(121, 120, 120));
        right.setPixel(99, 59, qRgb(0, 0, 0));
        const QImage greys = PictureDifference::dimmedGreys(left).scaled(10, 6);
        const QImage reduced =
            PictureDifference::markedFitted(greys, PictureDifference::channelDifferences(left, right), 0);
        QCOMPARE(reduced.size(), QSize(10, 6));
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool mark = (x == 5 && y == 3) || (x == 9 && y == 5);
                QCOMPARE(reduced.pixel(x, y) == PictureDifference::MarkColour, mark);
            }
        }
    }
};

QTEST_GUILESS_MAIN(PictureDifferenceTest)
#include "picturedifferencetest.moc"
