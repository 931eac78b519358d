#include <QTest>

#include "document/cduovuedoc.h"
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
        FileList list;
        fill(list, count, old);
        MoveMark(list, position, old);
        QCOMPARE(::marks(list), marks);
        QCOMPARE(position, finalPosition);
    }

    // The document's position moves the mark from wherever it stands, and only outside result mode.
    void documentPositionMovesTheOneMark()
    {
        CDuovueDoc document;
        FileList list;
        fill(list, 4, -1);
        document.loadLists({list, FileList()}, {1, 0}, false);
        QCOMPARE(marks(document.fileList(0)), QStringLiteral("0100"));
        document.sortRows(0, 0, true); // the mark goes with its entry, the position stays 1
        QCOMPARE(marks(document.fileList(0)), QStringLiteral("0010"));
        document.setPosition(0, 9);
        QCOMPARE(marks(document.fileList(0)), QStringLiteral("0001"));
        QCOMPARE(document.position(0), 3);

        document.setPosition(1, 3); // an empty side has no position to move
        QCOMPARE(document.position(1), 0);

        FileList labels;
        fill(labels, 2, -1);
        labels.setPrimary(0, QStringLiteral("2"));
        labels.setPrimary(1, QStringLiteral("-2"));
        document.loadLists({labels, FileList()}, {0, 0}, true);
        document.setPosition(0, 1);
        QCOMPARE(marks(document.fileList(0)), QStringLiteral("2-2"));
        QCOMPARE(document.position(0), 1);
    }
};

QTEST_GUILESS_MAIN(PositionMarkTest)
#include "positionmarktest.moc"
