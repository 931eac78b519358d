#include <QTest>

#include "viewer/mousegesture.h"

using namespace Duovue;

Q_DECLARE_METATYPE(Duovue::GestureAction)

namespace
{

/// A path drawn from the press point in straight legs of @p step pixels, one move per step.
struct Path {
    QList<QPoint> points;
    QList<qint64> times;

    Path &leg(int dx, int dy, int steps = 4, qint64 msPerMove = 10)
    {
        QPoint at = points.isEmpty() ? QPoint(500, 500) : points.constLast();
        qint64 t = times.isEmpty() ? 0 : times.constLast();
        for (int i = 0; i < steps; ++i) {
            at += QPoint(dx, dy);
            t += msPerMove;
            points << at;
            times << t;
        }
        return *this;
    }
    /// The next move comes after a pause.
    Path &wait(qint64 ms)
    {
        if (!times.isEmpty())
            times.last() += ms;
        return *this;
    }
};

} // namespace

Q_DECLARE_METATYPE(Path)

class MouseGestureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recognisesGestures_data();
    void recognisesGestures();
    void trailStartsAtPressPoint();
    void statusRefreshedOnEveryMovePastThreshold();
};

void MouseGestureTest::recognisesGestures_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("leaveAt"); // move index from which the cursor is outside the pane, -1 never
    QTest::addColumn<QString>("status"); // the status text after the last move, empty when cancelled
    QTest::addColumn<GestureAction>("action");
    QTest::addColumn<bool>("openMenu");

    const auto none = GestureAction::None;
    QTest::newRow("right down rotates clockwise")
        << Path().leg(20, 0).leg(0, 20) << false << -1 << QStringLiteral("右下\t右に90度回転")
        << GestureAction::RotateRight << false;
    QTest::newRow("up right down closes")
        << Path().leg(0, -20).leg(20, 0).leg(0, 20) << false << -1 << QStringLiteral("上右下\tウインドウを閉じる")
        << GestureAction::CloseWindow << false;
    QTest::newRow("four strokes do nothing, no menu") << Path().leg(0, -20).leg(20, 0).leg(0, 20).leg(20, 0) << false
                                                      << -1 << QStringLiteral("上右下右\t動作無し") << none << false;
    QTest::newRow("a fifth stroke cancels, the menu opens")
        << Path().leg(0, -20).leg(20, 0).leg(0, 20).leg(20, 0).leg(0, -20) << false << -1 << QString() << none << true;
    QTest::newRow("a long way one way is one stroke")
        << Path().leg(20, 0, 30) << false << -1 << QStringLiteral("右\t実物大表示") << GestureAction::ActualSize
        << false;
    QTest::newRow("down with shift starts auto-advance")
        << Path().leg(0, 20) << true << -1 << QStringLiteral("下\t自動送り - 開始") << GestureAction::StartAutoAdvance
        << false;
    QTest::newRow("left down right rotates 180")
        << Path().leg(-20, 0).leg(0, 20).leg(20, 0) << false << -1 << QStringLiteral("左下右\t180度回転")
        << GestureAction::Rotate180 << false;
    QTest::newRow("jitter within the threshold is a click")
        << Path().leg(3, -3, 5) << false << -1 << QStringLiteral("\t動作無し") << none << true;
    QTest::newRow("exactly 3000 ms still counts")
        << Path().leg(20, 0, 1).wait(2990) << false << -1 << QStringLiteral("右\t実物大表示")
        << GestureAction::ActualSize << false;
    QTest::newRow("a move after 3000 ms cancels")
        << Path().leg(20, 0, 1).wait(2991) << false << -1 << QString() << none << true;
    QTest::newRow("leaving the pane cancels")
        << Path().leg(0, 20).leg(20, 0) << false << 5 << QString() << none << true;
}

void MouseGestureTest::recognisesGestures()
{
    QFETCH(Path, path);
    QFETCH(bool, shift);
    QFETCH(int, leaveAt);
    QFETCH(QString, status);
    QFETCH(GestureAction, action);
    QFETCH(bool, openMenu);

    MouseGesture gesture;
    gesture.press(QPoint(500, 500), 0);
    bool cancelled = false;
    for (int i = 0; i < path.points.size() && !cancelled; ++i)
        cancelled = gesture.move(path.points.at(i), path.times.at(i), leaveAt < 0 || i < leaveAt).cancelled;

    QCOMPARE(cancelled, status.isEmpty());
    if (!cancelled)
        QCOMPARE(gesture.statusText(shift), status);
    const MouseGesture::Release release = gesture.release(shift);
    QCOMPARE(release.action, action);
    QCOMPARE(release.openMenu, openMenu);
    QVERIFY(!gesture.isActive());
}

void MouseGestureTest::trailStartsAtPressPoint()
{
    MouseGesture gesture;
    gesture.press(QPoint(100, 100), 0);
    QVERIFY(!gesture.move(QPoint(110, 100), 5, true).trail); // below the threshold: nothing yet
    const MouseGesture::Move first = gesture.move(QPoint(120, 100), 10, true);
    QVERIFY(first.strokeAdded);
    QCOMPARE(first.trail, QLine(QPoint(100, 100), QPoint(120, 100)));
    QCOMPARE(gesture.move(QPoint(125, 101), 15, true).trail, QLine(QPoint(120, 100), QPoint(125, 101)));
}

void MouseGestureTest::statusRefreshedOnEveryMovePastThreshold()
{
    MouseGesture gesture;
    gesture.press(QPoint(100, 100), 0);
    QVERIFY(!gesture.move(QPoint(110, 100), 5, true).showStatus);
    QVERIFY(gesture.move(QPoint(100, 120), 10, true).showStatus);
    // Further down adds no stroke, yet the status is shown again: Shift pressed meanwhile turns
    // "画像順送り" into "自動送り - 開始".
    const MouseGesture::Move again = gesture.move(QPoint(100, 140), 15, true);
    QVERIFY(!again.strokeAdded);
    QVERIFY(again.showStatus);
    QCOMPARE(gesture.statusText(true), QStringLiteral("下\t自動送り - 開始"));
}

QTEST_GUILESS_MAIN(MouseGestureTest)
#include "mousegesturetest.moc"
