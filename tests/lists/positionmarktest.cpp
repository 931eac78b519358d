#include <QTest>

#include "core/appstate.h"
#include "lists/positionmark.h"

using namespace Duovue;

namespace
{

void fill(FileList &list, int count, int marked)
{
    list.clear();
    for (int i = 0; i < count; ++i)
        list.append(FileList::Entry{{QStringLiteral("%1.jpg").arg(i)}, QString::number(i == marked ? 1 : 0)});
}

QString marks(const FileList &list)
{
    QString out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out += list.primary(i);
    return out;
}

} // namespace

class PositionMarkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesTheMark_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("old");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<int>("finalPosition");
        QTest::newRow("forward") << 4 << 0 << 2 << QStringLiteral("0010") << 2;
        QTest::newRow("back") << 4 << 3 << 1 << QStringLiteral("0100") << 1;
        QTest::newRow("same place") << 3 << 1 << 1 << QStringLiteral("010") << 1;
        QTest::newRow("beyond the end") << 4 << 1 << 9 << QStringLiteral("0001") << 3;
        QTest::newRow("negative position") << 3 << 2 << -4 << QStringLiteral("100") << 0;
        QTest::newRow("old index out of range") << 3 << 7 << 1 << QStringLiteral("010") << 1;
    }
    void movesTheMark()
    {
        QFETCH(int, count);
        QFETCH(int, old);
        QFETCH(int, position);
        QFETCH(QString, marks);
        QFETCH(int, finalPosition);
        AppState state;
        fill(state.fileList[1], count, old);
        fill(state.fileList[0], 2, 0);
        state.viewerPosition[1] = position;
        MoveMark(state, old, 1);
        QCOMPARE(::marks(state.fileList[1]), marks);
        QCOMPARE(state.viewerPosition[1], finalPosition);
        QCOMPARE(::marks(state.fileList[0]), QStringLiteral("10")); // the other side is not touched
    }

    void inertInResultModeAndOnEmptyLists()
    {
        AppState state;
        state.resultMode = true;
        state.fileList[0].append(FileList::Entry{{QStringLiteral("a.jpg")}, QStringLiteral("2")});
        state.fileList[0].append(FileList::Entry{{QStringLiteral("b.jpg")}, QStringLiteral("-2")});
        state.viewerPosition[0] = 1;
        MoveMark(state, 0, 0);
        QCOMPARE(marks(state.fileList[0]), QStringLiteral("2-2"));

        state.resultMode = false;
        state.viewerPosition[1] = 3;
        MoveMark(state, 0, 1);
        QVERIFY(state.fileList[1].isEmpty());
        QCOMPARE(state.viewerPosition[1], 3);
    }
};

QTEST_GUILESS_MAIN(PositionMarkTest)
#include "positionmarktest.moc"
