#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "core/appstate.h"
#include "document/filelistmodel.h"
#include "lists/columnsort.h"
#include "lists/resultchecks.h"
#include "support/listtexts.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

FileList::Entry entry(const QString &name, const QString &size, const QString &primary)
{
    FileList::Entry e;
    e.columns[0] = name;
    e.columns[1] = QStringLiteral("/pics/");
    e.columns[2] = QStringLiteral("2020/01/01、00:00:00");
    e.columns[3] = QStringLiteral("2021/01/01、00:00:00");
    e.columns[4] = size;
    e.primary = primary;
    return e;
}

} // namespace

class FileListModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheListThroughItsOwnCount()
    {
        AppState state;
        FileListModel model(state, 1);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 7);

        FileList &list = state.fileList[1];
        list.append(entry(QStringLiteral("a.jpg"), QStringLiteral("1,000"), QStringLiteral("1")));
        list.append(entry(QStringLiteral("b.jpg"), QStringLiteral("9"), QStringLiteral("0")));
        QCOMPARE(model.rowCount(), 0); // appended rows show only once the count is set
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        model.syncRowCount();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("b.jpg"));
        QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("1,000"));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("/pics/"));
        QCOMPARE(model.index(0, 5).data().toString(), QString());
        QCOMPARE(model.index(0, 4).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));
        QCOMPARE(model.index(0, 3).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("ファイル名"));
        QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), QStringLiteral("ファイルサイズ"));
        QCOMPARE(model.headerData(6, Qt::Horizontal).toString(), QStringLiteral("高さ"));

        // The model reads the list itself: a changed string shows without a copy being refreshed.
        list.setColumn(0, 1, QStringLiteral("renamed.jpg"));
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("renamed.jpg"));

        // Rows the list lost before the count was set again read as empty, without a crash.
        list.removeAt(1);
        QCOMPARE(model.index(1, 0).data(), QVariant());
        model.syncRowCount();
        QCOMPARE(model.rowCount(), 1);
    }

    void rowImagesAndTint_data()
    {
        QTest::addColumn<bool>("resultMode");
        QTest::addColumn<QString>("primary");
        QTest::addColumn<int>("image");
        QTest::addColumn<bool>("tinted");
        QTest::newRow("position") << false << QStringLiteral("1") << 1 << false;
        QTest::newRow("other row") << false << QStringLiteral("0") << 0 << false;
        QTest::newRow("group 2") << true << QStringLiteral("2") << 2 << false;
        QTest::newRow("group 3") << true << QStringLiteral("3") << 2 << true;
        QTest::newRow("checked 3") << true << QStringLiteral("-3") << 3 << true;
        QTest::newRow("checked 4") << true << QStringLiteral("-4") << 3 << false;
        QTest::newRow("group 11") << true << QStringLiteral("11") << 2 << true;
    }
    void rowImagesAndTint()
    {
        QFETCH(bool, resultMode);
        QFETCH(QString, primary);
        QFETCH(int, image);
        QFETCH(bool, tinted);
        AppState state;
        state.resultMode = resultMode;
        state.fileList[0].append(entry(QStringLiteral("a.jpg"), QStringLiteral("1"), primary));
        FileListModel model(state, 0);
        model.setRowImages({QVariant(QStringLiteral("blank")),
            QVariant(QStringLiteral("arrow")),
            QVariant(QStringLiteral("box")),
            QVariant(QStringLiteral("ticked"))});
        model.syncRowCount();
        QCOMPARE(model.index(0, 0).data(FileListModel::RowImageRole).toInt(), image);
        const QStringList pictures = strings({"blank", "arrow", "box", "ticked"});
        QCOMPARE(model.index(0, 0).data(Qt::DecorationRole).toString(), pictures[image]);
        QCOMPARE(model.index(0, 2).data(Qt::DecorationRole), QVariant());
        const QVariant background = model.index(0, 3).data(Qt::BackgroundRole);
        QCOMPARE(background.isValid(), tinted);
        if (tinted)
            QCOMPARE(background.value<QColor>(), QColor(250, 230, 255));
    }

    void columnClickSortsAndFlips()
    {
        AppState state;
        FileList &list = state.fileList[0];
        list.append(entry(QStringLiteral("b.jpg"), QStringLiteral("9"), QStringLiteral("0")));
        list.append(entry(QStringLiteral("a.jpg"), QStringLiteral("10"), QStringLiteral("1")));
        list.append(entry(QStringLiteral("C.jpg"), QStringLiteral("1,000"), QStringLiteral("0")));
        state.viewerPosition[0] = 1;
        SortDirections descending{};
        QVERIFY(ColumnClickSort(state, 0, descending, 4));
        QCOMPARE(columnTexts(list, 4), strings({"1,000", "10", "9"}));
        QVERIFY(descending[4]);
        QVERIFY(ColumnClickSort(state, 0, descending, 4));
        QCOMPARE(columnTexts(list, 4), strings({"9", "10", "1,000"}));
        QVERIFY(!descending[4]);
        // The mark moves with its file; the stored position does not change.
        QCOMPARE(list.primary(1), QStringLiteral("1"));
        QCOMPARE(list.column(0, 1), QStringLiteral("a.jpg"));
        QCOMPARE(state.viewerPosition[0], 1);

        QVERIFY(ColumnClickSort(state, 0, descending, 0));
        QCOMPARE(columnTexts(list, 0), strings({"C.jpg", "a.jpg", "b.jpg"}));
        QVERIFY(!descending[4]); // a click on another column leaves the other flags alone
        QVERIFY(descending[0]);

        state.resultMode = true;
        QVERIFY(!ColumnClickSort(state, 0, descending, 0));
        QCOMPARE(columnTexts(list, 0), strings({"C.jpg", "a.jpg", "b.jpg"}));
        QVERIFY(descending[0]);
        state.resultMode = false;
        QVERIFY(!ColumnClickSort(state, 1, descending, 0)); // empty list
        QVERIFY(descending[0]);
    }

    void togglesChecksInBothLists()
    {
        QCOMPARE(ResultChecks::toggled(QStringLiteral("3")), QStringLiteral("-3"));
        QCOMPARE(ResultChecks::toggled(QStringLiteral("-3")), QStringLiteral("3"));
        QCOMPARE(ResultChecks::toggled(QStringLiteral("--3")), QStringLiteral("3"));
        AppState state;
        state.resultMode = true;
        for (FileList &l : state.fileList) {
            l.append(entry(QStringLiteral("a.jpg"), QStringLiteral("1"), QStringLiteral("3")));
            l.append(entry(QStringLiteral("b.jpg"), QStringLiteral("1"), QStringLiteral("3")));
        }
        ResultChecks::toggleRow(state, 1);
        QCOMPARE(state.fileList[0].primary(1), QStringLiteral("-3"));
        QCOMPARE(state.fileList[1].primary(1), QStringLiteral("-3"));
        QCOMPARE(state.fileList[0].primary(0), QStringLiteral("3"));
        ResultChecks::toggleRow(state, 1);
        QCOMPARE(state.fileList[1].primary(1), QStringLiteral("3"));
        ResultChecks::toggleRow(state, 5); // no such row: nothing happens
    }
};

QTEST_GUILESS_MAIN(FileListModelTest)
#include "filelistmodeltest.moc"
