#include <QTest>

#include "compose/compositor.h"

using namespace Duovue;

Q_DECLARE_METATYPE(Duovue::CompositeMethod)

class CompositorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectsBandsFromRightPicture_data();
    void selectsBandsFromRightPicture();
    void slidRightPictureKeepsPatternFixedToWindow_data();
    void slidRightPictureKeepsPatternFixedToWindow();
    void layersFollowStateSizes();
};

namespace
{

QImage filled(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Every pixel different, so a test can tell where a composite pixel came from.
QImage numbered(QSize size, int tag)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(tag, x, y));
    return image;
}

} // namespace

void CompositorTest::selectsBandsFromRightPicture_data()
{
    // A 12 x 12 window; the listed rows and columns of it come from the right picture. An empty
    // list stands for all twelve.
    QTest::addColumn<CompositeMethod>("method");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("columns");
    const QList<int> all;
    QTest::newRow("rows, 1") << CompositeMethod::Rows << 1 << QList<int>{1, 3, 5, 7, 9, 11} << all;
    QTest::newRow("rows, 2") << CompositeMethod::Rows << 2 << QList<int>{2, 3, 6, 7, 10, 11} << all;
    QTest::newRow("columns, 1") << CompositeMethod::Columns << 1 << all << QList<int>{1, 3, 5, 7, 9, 11};
    QTest::newRow("columns, 2") << CompositeMethod::Columns << 2 << all << QList<int>{2, 3, 6, 7, 10, 11};
    QTest::newRow("columns, 5") << CompositeMethod::Columns << 5 << all << QList<int>{5, 6, 7, 8, 9};
    QTest::newRow("dots, 1") << CompositeMethod::Dots << 1 << QList<int>{1, 3, 5, 7, 9, 11}
                             << QList<int>{1, 3, 5, 7, 9, 11};
    QTest::newRow("dots, 2") << CompositeMethod::Dots << 2 << QList<int>{2, 3, 6, 7, 10, 11}
                             << QList<int>{2, 3, 6, 7, 10, 11};
}

void CompositorTest::selectsBandsFromRightPicture()
{
    QFETCH(CompositeMethod, method);
    QFETCH(int, ratio);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, columns);
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    QImage out;
    ComposeInto(out, filled(QSize(12, 12), black), filled(QSize(12, 12), white), QPoint(0, 0), method, ratio);
    QCOMPARE(out.size(), QSize(12, 12));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool fromRight = (rows.isEmpty() || rows.contains(y)) && (columns.isEmpty() || columns.contains(x));
            if (out.pixel(x, y) != (fromRight ? white : black))
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
}

void CompositorTest::slidRightPictureKeepsPatternFixedToWindow_data()
{
    QTest::addColumn<CompositeMethod>("method");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("rows, up and right") << CompositeMethod::Rows << QPoint(3, -2);
    QTest::newRow("columns, down and left") << CompositeMethod::Columns << QPoint(-4, 5);
    QTest::newRow("dots, partly off the bottom right") << CompositeMethod::Dots << QPoint(6, 7);
    QTest::newRow("rows, entirely off") << CompositeMethod::Rows << QPoint(20, 0);
}

void CompositorTest::slidRightPictureKeepsPatternFixedToWindow()
{
    QFETCH(CompositeMethod, method);
    QFETCH(QPoint, offset);
    const QImage left = numbered(QSize(16, 12), 1);
    const QImage right = numbered(QSize(9, 10), 2);
    QImage out = filled(QSize(3, 3), 0); // reused buffers of another size must not matter
    ComposeInto(out, left, right, offset, method, 1);
    const QRect rightRect(offset, right.size());
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool selected = (method != CompositeMethod::Columns ? y % 2 == 1 : true)
                && (method != CompositeMethod::Rows ? x % 2 == 1 : true);
            const QRgb expected =
                selected && rightRect.contains(x, y) ? right.pixel(x - offset.x(), y - offset.y()) : left.pixel(x, y);
            if (out.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2").arg(x).arg(y)));
        }
    }
}

void CompositorTest::layersFollowStateSizes()
{
    CompositeOptions options;
    const QImage left = filled(QSize(1600, 1200), qRgb(10, 20, 30));
    const QImage right(QSize(640, 480), QImage::Format_ARGB32); // any format becomes RGB32
    CompositeState state(left.size(), right.size(), options);
    Compositor compositor(left, right, state.compositeSize());
    QCOMPARE(compositor.leftLayer().size(), QSize(800, 600));
    QCOMPARE(compositor.leftLayer().pixel(400, 300), qRgb(10, 20, 30));

    QCOMPARE(compositor.compose(state).size(), QSize(800, 600));
    QCOMPARE(compositor.rightLayer(state.rightSize()).format(), QImage::Format_RGB32);
    const qint64 scaledOnce = compositor.rightLayer(state.rightSize()).cacheKey();
    state.slideBy(QPoint(5, 5));
    compositor.compose(state);
    QCOMPARE(compositor.rightLayer(state.rightSize()).cacheKey(), scaledOnce);

    state.resizeByKey(Arrow::Right);
    compositor.compose(state);
    QCOMPARE(compositor.rightLayer(state.rightSize()).size(), QSize(801, 600));
}

QTEST_GUILESS_MAIN(CompositorTest)
#include "compositortest.moc"
