#include <QTest>

#include "lists/regroup.h"

using namespace Duovue;

class RegroupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regroups_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QList<int>>("lonely");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("empty") << QStringList() << 1 << QList<int>{} << QStringList();
        QTest::newRow("one row") << QStringList{QStringLiteral("2")} << 1 << QList<int>{0} << QStringList();
        QTest::newRow("lonely in the middle")
            << QStringList{QStringLiteral("2"),
                   QStringLiteral("2"),
                   QStringLiteral("3"),
                   QStringLiteral("-4"),
                   QStringLiteral("4")}
            << 1 << QList<int>{2}
            << QStringList{QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("-3"), QStringLiteral("3")};
        // No more lonely rows are taken than rows were removed: the second stays, alone.
        QTest::newRow("first and last alone, one removed")
            << QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("5")} << 1
            << QList<int>{0} << QStringList{QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("4")};
        // Numbering restarts at 2 only when the first group left is group 2.
        QTest::newRow("first group not 2")
            << QStringList{QStringLiteral("5"), QStringLiteral("-5"), QStringLiteral("7"), QStringLiteral("7")} << 0
            << QList<int>{}
            << QStringList{QStringLiteral("3"), QStringLiteral("-3"), QStringLiteral("4"), QStringLiteral("4")};
    }

    void regroups()
    {
        QFETCH(QStringList, labels);
        QFETCH(int, removed);
        QFETCH(QList<int>, lonely);
        QFETCH(QStringList, after);
        const RegroupPlan plan = Regroup(labels, removed);
        QCOMPARE(plan.lonelyRows, lonely);
        QCOMPARE(plan.labels, after);
    }
};

QTEST_GUILESS_MAIN(RegroupTest)
#include "regrouptest.moc"
