#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
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
    void showsTheDocumentsListInPlace()
    {
        CDuovueDoc document;
        FileListModel model(document, 1);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 7);

        FileList list;
        list.append(entry(QStringLiteral("a.jpg"), QStringLiteral("1,000"), QStringLiteral("1")));
        list.append(entry(QStringLiteral("b.jpg"), QStringLiteral("9"), QStringLiteral("0")));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        document.appendEntries(0, list); // the other side: not this model's
        QCOMPARE(model.rowCount(), 0);
        document.appendEntries(1, list);
        QCOMPARE(inserted.count(), 1);
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

        // A changed text shows at once, announced for its row.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        document.markMissing(1, 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("ファイルがありません"));

        document.removeRows(1, {0});
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("9"));
        document.clearSide(1);
        QCOMPARE(model.rowCount(), 0);
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
        CDuovueDoc document;
        FileListModel model(document, 0);
        model.setRowImages({QVariant(QStringLiteral("blank")),
            QVariant(QStringLiteral("arrow")),
            QVariant(QStringLiteral("box")),
            QVariant(QStringLiteral("ticked"))});
        FileList list;
        list.append(entry(QStringLiteral("a.jpg"), QStringLiteral("1"), primary));
        document.loadLists({list, FileList()}, {0, 0}, resultMode);
        document.setGroupLabels({primary}); // the label as given, mark or not
        QCOMPARE(model.index(0, 0).data(FileListModel::RowImageRole).toInt(), image);
        const QStringList pictures = strings({"blank", "arrow", "box", "ticked"});
        QCOMPARE(model.index(0, 0).data(Qt::DecorationRole).toString(), pictures[image]);
        QCOMPARE(model.index(0, 2).data(Qt::DecorationRole), QVariant());
        const QVariant background = model.index(0, 3).data(Qt::BackgroundRole);
        QCOMPARE(background.isValid(), tinted);
        if (tinted)
            QCOMPARE(background.value<QColor>(), QColor(250, 230, 255));
    }

    void sortKeepsTheMarkWithItsFile()
    {
        CDuovueDoc document;
        FileList list;
        list.append(entry(QStringLiteral("b.jpg"), QStringLiteral("9"), QStringLiteral("0")));
        list.append(entry(QStringLiteral("a.jpg"), QStringLiteral("10"), QStringLiteral("0")));
        list.append(entry(QStringLiteral("C.jpg"), QStringLiteral("1,000"), QStringLiteral("0")));
        document.loadLists({list, FileList()}, {1, 0}, false);
        const FileList &sorted = document.fileList(0);
        QVERIFY(document.sortRows(0, 4, false));
        QCOMPARE(columnTexts(sorted, 4), strings({"1,000", "10", "9"}));
        QVERIFY(document.sortRows(0, 4, true));
        QCOMPARE(columnTexts(sorted, 4), strings({"9", "10", "1,000"}));
        // The mark moves with its file; the stored position does not change.
        QCOMPARE(sorted.primary(1), QStringLiteral("1"));
        QCOMPARE(sorted.column(0, 1), QStringLiteral("a.jpg"));
        QCOMPARE(document.position(0), 1);

        QVERIFY(document.sortRows(0, 0, false));
        QCOMPARE(columnTexts(sorted, 0), strings({"C.jpg", "a.jpg", "b.jpg"}));

        QVERIFY(!document.sortRows(1, 0, false)); // empty list
        document.loadLists({document.fileList(0), document.fileList(1)}, {0, 0}, true);
        QVERIFY(!document.sortRows(0, 0, true));
        QCOMPARE(columnTexts(sorted, 0), strings({"C.jpg", "a.jpg", "b.jpg"}));
    }

    void togglesChecksInBothLists()
    {
        QCOMPARE(ResultChecks::toggled(QStringLiteral("3")), QStringLiteral("-3"));
        QCOMPARE(ResultChecks::toggled(QStringLiteral("-3")), QStringLiteral("3"));
        QCOMPARE(ResultChecks::toggled(QStringLiteral("--3")), QStringLiteral("3"));
        CDuovueDoc document;
        document.applySearchResults({entry(QStringLiteral("a.jpg"), QStringLiteral("1"), QStringLiteral("3")),
            entry(QStringLiteral("b.jpg"), QStringLiteral("1"), QStringLiteral("3"))});
        FileListModel right(document, 1);
        QSignalSpy changed(&right, &QAbstractItemModel::dataChanged);
        document.toggleChecks({1});
        QCOMPARE(document.fileList(0).primary(1), QStringLiteral("-3"));
        QCOMPARE(document.fileList(1).primary(1), QStringLiteral("-3"));
        QCOMPARE(document.fileList(0).primary(0), QStringLiteral("3"));
        QCOMPARE(changed.count(), 1); // the other list's model repaints the row too
        QCOMPARE(right.index(1, 0).data(FileListModel::RowImageRole).toInt(), int(FileListModel::CheckedImage));
        document.toggleChecks({1});
        QCOMPARE(document.fileList(1).primary(1), QStringLiteral("3"));
        document.toggleChecks({5}); // no such row: nothing happens
    }
};

QTEST_GUILESS_MAIN(FileListModelTest)
#include "filelistmodeltest.moc"
