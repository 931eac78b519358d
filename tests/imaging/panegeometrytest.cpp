#include <QTest>

#include "imaging/panegeometry.h"

using namespace Duovue;

class PaneGeometryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitsPicture_data();
    void fitsPicture();
    void placesPopup_data();
    void placesPopup();
    void clampsPanOffset_data();
    void clampsPanOffset();
};

void PaneGeometryTest::fitsPicture_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("drawn");

    QTest::newRow("tall picture centred horizontally") << QSize(300, 200) << QSize(100, 400) << QRect(125, 0, 50, 200);
    QTest::newRow("wide picture centred vertically") << QSize(300, 200) << QSize(600, 100) << QRect(0, 75, 300, 50);
    QTest::newRow("small picture enlarged") << QSize(300, 200) << QSize(30, 10) << QRect(0, 50, 300, 100);
    QTest::newRow("same aspect fills") << QSize(300, 200) << QSize(600, 400) << QRect(0, 0, 300, 200);
    QTest::newRow("integer division truncates") << QSize(101, 100) << QSize(3, 7) << QRect(29, 0, 42, 100);
    QTest::newRow("huge picture does not overflow")
        << QSize(1000, 800) << QSize(65000, 60000) << QRect(67, 0, 866, 800);
    QTest::newRow("no picture") << QSize(300, 200) << QSize() << QRect();
    QTest::newRow("collapsed pane") << QSize(0, 200) << QSize(10, 10) << QRect();
}

void PaneGeometryTest::fitsPicture()
{
    QFETCH(QSize, client);
    QFETCH(QSize, picture);
    QTEST(PaneGeometry::fitToWindow(client, picture), "drawn");
}

void PaneGeometryTest::placesPopup_data()
{
    QTest::addColumn<QRect>("work");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<int>("pane");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QSize>("client");

    const QRect work(0, 0, 1400, 860); // a 40-pixel panel at the bottom of a 1400 x 900 screen
    const QMargins frame(4, 24, 4, 4);
    QTest::newRow("small picture, left pane ends at the middle")
        << work << QSize(100, 50) << frame << 0 << QRect(592, 0, 108, 78) << QSize(100, 50);
    QTest::newRow("small picture, right pane starts at the middle")
        << work << QSize(100, 50) << frame << 1 << QRect(700, 0, 108, 78) << QSize(100, 50);
    QTest::newRow("large picture fills half the work area")
        << work << QSize(4000, 3000) << frame << 0 << QRect(0, 0, 700, 860) << QSize(692, 832);
    QTest::newRow("large picture, right pane")
        << work << QSize(4000, 3000) << frame << 1 << QRect(700, 0, 700, 860) << QSize(692, 832);
    QTest::newRow("odd work width truncates")
        << QRect(0, 30, 1401, 870) << QSize(5000, 10) << QMargins() << 1 << QRect(700, 0, 700, 10) << QSize(700, 10);
}

void PaneGeometryTest::placesPopup()
{
    QFETCH(QRect, work);
    QFETCH(QSize, picture);
    QFETCH(QMargins, frame);
    QFETCH(int, pane);

    const PaneGeometry::PopupPlacement placement =
        PaneGeometry::popupPlacement(work, QPoint(0, 0), picture, frame, pane);
    QTEST(placement.window, "window");
    QTEST(placement.client, "client");

    // On a second screen the popup keeps the same place relative to that screen's corner.
    const PaneGeometry::PopupPlacement second =
        PaneGeometry::popupPlacement(work.translated(1400, 0), QPoint(1400, 0), picture, frame, pane);
    QCOMPARE(second.window, placement.window.translated(1400, 0));
}

void PaneGeometryTest::clampsPanOffset_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QPoint>("clamped");

    QTest::newRow("inside") << QPoint(-10, -20) << QSize(100, 100) << QSize(400, 300) << QPoint(-10, -20);
    QTest::newRow("dragged past the corner")
        << QPoint(-1000, -1000) << QSize(100, 100) << QSize(400, 300) << QPoint(-300, -200);
    QTest::newRow("dragged the other way") << QPoint(50, 60) << QSize(100, 100) << QSize(400, 300) << QPoint(0, 0);
    QTest::newRow("picture smaller than view stays put")
        << QPoint(-5, -5) << QSize(100, 50) << QSize(100, 50) << QPoint(0, 0);
}

void PaneGeometryTest::clampsPanOffset()
{
    QFETCH(QPoint, offset);
    QFETCH(QSize, client);
    QFETCH(QSize, picture);
    QTEST(PaneGeometry::clampPanOffset(offset, client, picture), "clamped");
}

QTEST_GUILESS_MAIN(PaneGeometryTest)
#include "panegeometrytest.moc"
