#include <climits>

#include <QTest>

#include "core/windowgeometry.h"

using namespace Duovue;

namespace
{

const QSize minimum(800, 600);
const QRect fullHd(0, 0, 1920, 1080);
const QRect rightSmall(1920, 0, 1280, 720); // a smaller second screen to the right

} // namespace

class WindowGeometryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitsTheStoredRectangleToTheScreens_data()
    {
        QTest::addColumn<QList<int>>("stored"); // left, top, width, height
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("placed");
        const QList<QRect> one{fullHd};
        const QList<QRect> two{fullHd, rightSmall};
        QTest::newRow("fits") << QList<int>{100, 50, 1024, 768} << one << QRect(100, 50, 1024, 768);
        QTest::newRow("absurd size") << QList<int>{0, 0, 16777215, 16777215} << one << fullHd;
        QTest::newRow("far left") << QList<int>{-50000, 100, 1024, 768} << one << QRect(0, 100, 1024, 768);
        QTest::newRow("below the minimum") << QList<int>{10, 10, 0, -5} << one << QRect(10, 10, 800, 600);
        // The ends of int, as a saturated reading gives them, must not overflow on the way.
        QTest::newRow("ends of int") << QList<int>{INT_MAX, INT_MIN, INT_MAX, INT_MAX} << one << fullHd;
        QTest::newRow("hangs over the bottom") << QList<int>{500, 900, 1024, 768} << one << QRect(500, 312, 1024, 768);
        QTest::newRow("panel at the top")
            << QList<int>{0, 0, 1024, 768} << QList<QRect>{QRect(0, 32, 1920, 1048)} << QRect(0, 32, 1024, 768);
        QTest::newRow("screen below the minimum")
            << QList<int>{50, 50, 1024, 768} << QList<QRect>{QRect(0, 0, 640, 480)} << QRect(0, 0, 800, 600);
        QTest::newRow("across two screens") << QList<int>{1500, 100, 1000, 600} << two << QRect(1500, 100, 1000, 600);
        QTest::newRow("into the gap below the smaller screen")
            << QList<int>{2000, 500, 1000, 600} << two << QRect(2000, 120, 1000, 600);
        QTest::newRow("off every screen: the nearest")
            << QList<int>{5000, 5000, 1024, 768} << two << QRect(2176, 0, 1024, 720);
        QTest::newRow("no screens") << QList<int>{300, 300, 1024, 768} << QList<QRect>{} << QRect(0, 0, 800, 600);
    }
    void fitsTheStoredRectangleToTheScreens()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, placed);
        QCOMPARE(WindowGeometry::fitToScreens(stored[0], stored[1], stored[2], stored[3], screens, minimum), placed);
    }

    void clientSizeLeavesTheFrameOut_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QMargins>("margins");
        QTest::addColumn<QSize>("client");
        QTest::newRow("stored size, title bar and borders")
            << QSize(1024, 768) << QMargins(4, 28, 4, 4) << QSize(1016, 736);
        QTest::newRow("frame larger than the window") << QSize(10, 10) << QMargins(8, 30, 8, 8) << QSize(1, 1);
    }
    void clientSizeLeavesTheFrameOut()
    {
        QFETCH(QSize, frame);
        QFETCH(QMargins, margins);
        QFETCH(QSize, client);
        QCOMPARE(WindowGeometry::clientSize(frame, margins), client);
    }
};

QTEST_GUILESS_MAIN(WindowGeometryTest)
#include "windowgeometrytest.moc"
