#include <QTest>

#include "viewer/viewergeometry.h"

using namespace Duovue;

class ViewerGeometryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actualSizeRects_data();
    void actualSizeRects();
    void clampsPanAtZoom_data();
    void clampsPanAtZoom();
    void linksPanInRelativeCoordinates_data();
    void linksPanInRelativeCoordinates();
};

void ViewerGeometryTest::actualSizeRects_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QRect>("target");
    QTest::addColumn<QRect>("source");

    QTest::newRow("small picture at 100%")
        << QSize(400, 300) << QSize(120, 80) << 1 << QPoint() << QRect(0, 0, 120, 80) << QRect(0, 0, 120, 80);
    QTest::newRow("large picture fills the pane") << QSize(400, 300) << QSize(4000, 3000) << 1 << QPoint(-100, -7)
                                                  << QRect(0, 0, 400, 300) << QRect(100, 7, 400, 300);
    QTest::newRow("300% panned: source in whole picture pixels")
        << QSize(400, 300) << QSize(1000, 1000) << 3 << QPoint(-10, -20) << QRect(0, 0, 400, 300)
        << QRect(3, 6, 133, 100);
    QTest::newRow("zoomed picture smaller than the pane")
        << QSize(400, 300) << QSize(30, 20) << 10 << QPoint() << QRect(0, 0, 300, 200) << QRect(0, 0, 30, 20);
    QTest::newRow("no picture") << QSize(400, 300) << QSize() << 1 << QPoint() << QRect() << QRect();
}

void ViewerGeometryTest::actualSizeRects()
{
    QFETCH(QSize, client);
    QFETCH(QSize, picture);
    QFETCH(int, zoom);
    QFETCH(QPoint, offset);
    const ViewerGeometry::ActualSizeRects rects = ViewerGeometry::actualSize(client, picture, zoom, offset);
    QTEST(rects.target, "target");
    QTEST(rects.source, "source");
}

void ViewerGeometryTest::clampsPanAtZoom_data()
{
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("clamped");

    // A 400 x 300 pane.
    QTest::newRow("inside the range") << QPoint(-50, -10) << QSize(300, 200) << 2 << QPoint(-50, -10);
    QTest::newRow("past the far corner") << QPoint(-900, -900) << QSize(300, 200) << 2 << QPoint(-200, -100);
    QTest::newRow("past the near corner") << QPoint(30, 5) << QSize(300, 200) << 2 << QPoint(0, 0);
    QTest::newRow("zoomed picture smaller than the pane") << QPoint(-5, -5) << QSize(30, 20) << 10 << QPoint(0, 0);
}

void ViewerGeometryTest::clampsPanAtZoom()
{
    QFETCH(QPoint, offset);
    QFETCH(QSize, picture);
    QFETCH(int, zoom);
    QTEST(ViewerGeometry::clampPan(offset, QSize(400, 300), picture, zoom), "clamped");
}

void ViewerGeometryTest::linksPanInRelativeCoordinates_data()
{
    QTest::addColumn<QSize>("fromPicture");
    QTest::addColumn<QPoint>("fromOffset");
    QTest::addColumn<QSize>("toPicture");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("linked");

    // Both panes 400 x 300. Centre of the left pane at picture pixel (300, 250) of 1000 x 1000 at
    // 100%: the same relative spot (0.3, 0.25) of a 2000 x 2000 picture is pixel (600, 500).
    QTest::newRow("same size") << QSize(1000, 1000) << QPoint(-100, -100) << QSize(1000, 1000) << 1
                               << QPoint(-100, -100);
    QTest::newRow("twice as large") << QSize(1000, 1000) << QPoint(-100, -100) << QSize(2000, 2000) << 1
                                    << QPoint(-400, -350);
    QTest::newRow("at 300%") << QSize(1000, 1000) << QPoint(-300, -450) << QSize(2000, 1000) << 3 << QPoint(-800, -450);
    QTest::newRow("clamped at the far edge")
        << QSize(1000, 1000) << QPoint(-600, -700) << QSize(500, 500) << 1 << QPoint(-100, -200);
}

void ViewerGeometryTest::linksPanInRelativeCoordinates()
{
    QFETCH(QSize, fromPicture);
    QFETCH(QPoint, fromOffset);
    QFETCH(QSize, toPicture);
    QFETCH(int, zoom);
    const QSize client(400, 300);
    QTEST(ViewerGeometry::linkedOffset({client, fromPicture, zoom, fromOffset}, {client, toPicture, zoom, QPoint()}),
        "linked");
}

QTEST_GUILESS_MAIN(ViewerGeometryTest)
#include "viewergeometrytest.moc"
