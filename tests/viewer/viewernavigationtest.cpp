#include <QTest>

#include "viewer/viewernavigation.h"

using namespace Duovue;

class ViewerNavigationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data();
    void steps();
    void pairStepsEachSideOnItsOwn();
};

void ViewerNavigationTest::steps_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("message");

    QTest::newRow("left next") << 0 << 2 << 1 << 5 << 3 << QString();
    QTest::newRow("right previous") << 1 << 2 << -1 << 5 << 1 << QString();
    QTest::newRow("left past the last") << 0 << 4 << 1 << 5 << 4 << QStringLiteral("左はリストの最後です");
    QTest::newRow("left before the first") << 0 << 0 << -1 << 5 << 0 << QStringLiteral("左はリストの先頭です");
    QTest::newRow("right past the last") << 1 << 0 << 1 << 1 << 0 << QStringLiteral("右はリストの最後です");
    QTest::newRow("right before the first") << 1 << 0 << -1 << 3 << 0 << QStringLiteral("右はリストの先頭です");
    QTest::newRow("position left beyond a shrunk list")
        << 1 << 7 << 1 << 3 << 7 << QStringLiteral("右はリストの最後です");
}

void ViewerNavigationTest::steps()
{
    QFETCH(int, side);
    QFETCH(int, position);
    QFETCH(int, direction);
    QFETCH(int, count);
    QFETCH(QString, message);
    const ViewerNavigation::Step s = ViewerNavigation::step(side, position, direction, count);
    QTEST(s.position, "shown");
    QCOMPARE(s.previous, position);
    QCOMPARE(s.atEnd, !message.isEmpty());
    QCOMPARE(s.endMessage, message);
}

void ViewerNavigationTest::pairStepsEachSideOnItsOwn()
{
    // Space + down with only the left side at its end: the left says so and stays, the right moves.
    const auto pair = ViewerNavigation::stepSides({2, 0}, {3, 4}, {true, true}, 1);
    QVERIFY(pair.steps[0].atEnd);
    QCOMPARE(pair.steps[0].position, 2);
    QCOMPARE(pair.steps[0].endMessage, QStringLiteral("左はリストの最後です"));
    QVERIFY(!pair.steps[1].atEnd);
    QCOMPARE(pair.steps[1].position, 1);

    const auto rightOnly = ViewerNavigation::stepSides({2, 0}, {3, 4}, {false, true}, 1);
    QVERIFY(!rightOnly.steps[0].atEnd);
    QCOMPARE(rightOnly.steps[0].position, 2);
}

QTEST_GUILESS_MAIN(ViewerNavigationTest)
#include "viewernavigationtest.moc"
