#include <QTest>

#include "lists/dragreorder.h"

using namespace Duovue;

namespace
{

CMySortStringArray numbered(int count)
{
    CMySortStringArray list;
    for (int i = 0; i < count; ++i) {
        CMySortStringArray::Entry e;
        for (int c = 0; c < CMySortStringArray::ColumnCount; ++c)
            e.columns[c] = QStringLiteral("r%1c%2").arg(i).arg(c);
        e.primary = i == 3 ? QStringLiteral("1") : QStringLiteral("0");
        list.append(e);
    }
    return list;
}

// The original row numbers in their current order; -1 for a torn entry.
QList<int> order(const CMySortStringArray &list)
{
    QList<int> out;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const int row = list.column(0, i).mid(1).section(QLatin1Char('c'), 0, 0).toInt();
        bool whole = true;
        for (int c = 0; c < CMySortStringArray::ColumnCount; ++c)
            whole = whole && list.column(c, i) == QStringLiteral("r%1c%2").arg(row).arg(c);
        whole = whole && list.primary(i) == (row == 3 ? QStringLiteral("1") : QStringLiteral("0"));
        out << (whole ? row : -1);
    }
    return out;
}

} // namespace

class DragReorderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropMovesRowsTogether_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("insertion");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<int>("first");
        QTest::newRow("2 and 5 onto 8") << 10 << QList<int>{2, 5} << 8 << QList<int>{0, 1, 3, 4, 6, 7, 2, 5, 8, 9} << 6;
        QTest::newRow("7 onto 1") << 10 << QList<int>{7} << 1 << QList<int>{0, 7, 1, 2, 3, 4, 5, 6, 8, 9} << 1;
        QTest::newRow("between the dragged rows")
            << 10 << QList<int>{2, 5} << 4 << QList<int>{0, 1, 3, 2, 5, 4, 6, 7, 8, 9} << 3;
        QTest::newRow("below the last row") << 6 << QList<int>{0, 3} << 6 << QList<int>{1, 2, 4, 5, 0, 3} << 4;
        QTest::newRow("past the end counts as the end") << 4 << QList<int>{1} << 99 << QList<int>{0, 2, 3, 1} << 3;
        QTest::newRow("to the top") << 5 << QList<int>{3, 4} << 0 << QList<int>{3, 4, 0, 1, 2} << 0;
        QTest::newRow("unsorted selection") << 5 << QList<int>{4, 1} << 0 << QList<int>{1, 4, 0, 2, 3} << 0;
        QTest::newRow("onto a dragged row") << 5 << QList<int>{1, 2} << -1 << QList<int>{0, 1, 2, 3, 4} << -1;
    }
    void dropMovesRowsTogether()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, rows);
        QFETCH(int, insertion);
        QFETCH(QList<int>, expected);
        QFETCH(int, first);
        CMySortStringArray list = numbered(count);
        QCOMPARE(DragReorder::drop(list, rows, insertion), first);
        QCOMPARE(order(list), expected);
    }

    void markFollowsTheRules()
    {
        DragReorder drag;
        QVERIFY(!drag.begin({}));
        QVERIFY(!drag.isActive());
        QVERIFY(drag.begin({5, 2}));
        QCOMPARE(drag.rows(), (QList<int>{2, 5}));
        QCOMPARE(drag.insertionIndex(), -1);

        // Nothing under the cursor while the mark is not on the last row: unchanged.
        QVERIFY(!drag.placeMark(-1, 10));
        QCOMPARE(drag.mark().row, -1);

        QVERIFY(drag.placeMark(8, 10));
        QCOMPARE(drag.insertionIndex(), 8);
        QVERIFY(!drag.mark().onDraggedRow);

        QVERIFY(drag.placeMark(5, 10));
        QVERIFY(drag.mark().onDraggedRow);
        QCOMPARE(drag.insertionIndex(), -1);

        QVERIFY(!drag.placeMark(11, 10)); // beyond the count
        QCOMPARE(drag.mark().row, 5);

        QVERIFY(drag.placeMark(9, 10));
        QVERIFY(drag.placeMark(-1, 10)); // from the last row into the empty space below it
        QCOMPARE(drag.mark().row, 9);
        QVERIFY(drag.mark().below);
        QCOMPARE(drag.insertionIndex(), 10);
        QVERIFY(!drag.placeMark(-1, 10));

        drag.end();
        QVERIFY(!drag.isActive());
        QCOMPARE(drag.insertionIndex(), -1);
    }

    void scrollZones_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("period");
        // Rows visible between 0 (the header's lower edge) and 300.
        QTest::newRow("inside") << 150 << int(DragReorder::Direction::None) << 0;
        QTest::newRow("on the top edge") << 0 << int(DragReorder::Direction::None) << 0;
        QTest::newRow("30 above") << -30 << int(DragReorder::Direction::Up) << 70;
        QTest::newRow("50 above") << -50 << int(DragReorder::Direction::Up) << 70;
        QTest::newRow("51 above") << -51 << int(DragReorder::Direction::Up) << 10;
        QTest::newRow("80 above") << -80 << int(DragReorder::Direction::Up) << 10;
        QTest::newRow("just below") << 301 << int(DragReorder::Direction::Down) << 70;
        QTest::newRow("far below") << 400 << int(DragReorder::Direction::Down) << 10;
    }
    void scrollZones()
    {
        QFETCH(int, y);
        QFETCH(int, direction);
        QFETCH(int, period);
        const DragReorder::Scroll s = DragReorder::scrollFor(y, 0, 300);
        QCOMPARE(int(s.direction), direction);
        QCOMPARE(s.periodMs, period);
    }

    void scrollTicksStopAtTheEnds()
    {
        DragReorder drag;
        drag.begin({0});
        int target = 99;
        drag.placeMark(2, 5);
        QVERIFY(drag.tick(DragReorder::Direction::Up, 5, &target));
        QCOMPARE(target, 1);
        drag.placeMark(1, 5);
        QVERIFY(drag.tick(DragReorder::Direction::Down, 5, &target));
        QCOMPARE(target, 2);
        // On a dragged row the mark moves on from that row rather than sticking to it.
        drag.begin({2});
        drag.placeMark(2, 5);
        QCOMPARE(drag.insertionIndex(), -1);
        QVERIFY(drag.tick(DragReorder::Direction::Up, 5, &target));
        QCOMPARE(target, 1);
        QVERIFY(drag.tick(DragReorder::Direction::Down, 5, &target));
        QCOMPARE(target, 3);
        drag.begin({0});
        drag.placeMark(0, 5);
        QVERIFY(!drag.tick(DragReorder::Direction::Up, 5, &target));
        drag.begin({4});
        drag.placeMark(0, 5);
        QVERIFY(!drag.tick(DragReorder::Direction::Up, 5, &target));
        drag.placeMark(5, 5);
        QCOMPARE(drag.insertionIndex(), 5);
        QVERIFY(!drag.tick(DragReorder::Direction::Down, 5, &target));
    }
};

QTEST_GUILESS_MAIN(DragReorderTest)
#include "dragreordertest.moc"
