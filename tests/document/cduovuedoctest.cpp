#include <QAbstractItemModelTester>
#include <QStandardPaths>
#include <QTest>

#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
#include "support/documentlog.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::namedEntries;
using Duovue::Test::strings;

namespace
{

enum class Op {
    Append,
    RemoveRuns,
    Move,
    Sort,
    SetEntry,
    MarkMissing,
    SetPosition,
    ClearSide,
    NewDocument,
    LoadNormal,
    LoadResults,
    SearchResults,
    ToggleChecks
};

// Left a, b, c, d with the mark on b; right x, y with the mark on x.
void fillDocument(CDuovueDoc &document)
{
    const QStringList left{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    document.loadLists({namedEntries(left), namedEntries({QStringLiteral("x"), QStringLiteral("y")})}, {1, 0}, false);
}

void run(CDuovueDoc &document, Op op)
{
    switch (op) {
    case Op::Append:
        document.appendEntries(1, namedEntries({QStringLiteral("z")}));
        break;
    case Op::RemoveRuns:
        document.removeRows(0, {3, 0, 1, 9, 1});
        break;
    case Op::Move:
        document.moveRows(0, {0}, 3);
        break;
    case Op::Sort:
        document.sortRows(0, 0, true);
        break;
    case Op::SetEntry:
        document.setEntry(0, 2, namedEntries({QStringLiteral("renamed")}).entry(0));
        break;
    case Op::MarkMissing:
        document.markMissing(0, 3);
        break;
    case Op::SetPosition:
        document.setPosition(0, 3);
        break;
    case Op::ClearSide:
        document.clearSide(0);
        break;
    case Op::NewDocument:
        document.newDocument();
        break;
    case Op::LoadNormal:
        document.loadLists({namedEntries({QStringLiteral("n"), QStringLiteral("o")}), FileList()}, {7, 4}, false);
        break;
    case Op::LoadResults:
        document.loadLists({namedEntries({QStringLiteral("r")}, QStringLiteral("-2")), FileList()}, {7, 4}, true);
        break;
    case Op::SearchResults:
        document.applySearchResults({namedEntries({QStringLiteral("s")}, QStringLiteral("2")).entry(0)});
        break;
    case Op::ToggleChecks:
        document.toggleChecks({2, 0});
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Op)

class CDuovueDocTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every operation says what it changed, so that the models, labels and panes never need a
    // refresh, and marks the document modified; the model testers check the "about to" half of
    // each announcement.
    void announcesEveryChange_data()
    {
        QTest::addColumn<Op>("op");
        QTest::addColumn<QStringList>("announced");
        QTest::addColumn<QStringList>("left"); // names, then primary strings
        QTest::newRow("append marks from entry 0") << Op::Append << strings({"insert1:2-2", "modified=1", "rows1:0-0"})
                                                   << strings({"a", "b", "c", "d", "0", "1", "0", "0"});
        QTest::newRow("remove in runs from the end")
            << Op::RemoveRuns << strings({"remove0:3-3", "modified=1", "remove0:0-1"}) << strings({"c", "0"});
        QTest::newRow("move a dragged row")
            << Op::Move << strings({"rows0:0-3", "modified=1"}) << strings({"b", "c", "a", "d", "1", "0", "0", "0"});
        QTest::newRow("sort takes the mark along")
            << Op::Sort << strings({"rows0:0-3", "modified=1"}) << strings({"d", "c", "b", "a", "0", "0", "1", "0"});
        QTest::newRow("set a row's texts") << Op::SetEntry << strings({"rows0:2-2", "modified=1"})
                                           << strings({"a", "b", "renamed", "d", "0", "1", "0", "0"});
        QTest::newRow("missing file") << Op::MarkMissing << strings({"rows0:3-3", "modified=1"})
                                      << strings({"a", "b", "c", "ファイルがありません", "0", "1", "0", "0"});
        QTest::newRow("position moves the mark")
            << Op::SetPosition << strings({"position0=3", "modified=1", "rows0:1-1", "rows0:3-3"})
            << strings({"a", "b", "c", "d", "0", "0", "0", "1"});
        QTest::newRow("clear one side") << Op::ClearSide << strings({"reset0", "modified=1", "position0=0", "pane0"})
                                        << QStringList();
        QTest::newRow("new document")
            << Op::NewDocument
            << strings({"reset0", "modified=1", "pane0", "position0=0", "reset1", "pane1", "modified=0"})
            << QStringList();
        // A position beyond the end marks the last entry; an empty side keeps the stored number.
        QTest::newRow("load a document") << Op::LoadNormal
                                         << strings({"pane0", "reset0", "modified=1", "pane1", "reset1", "position1=4"})
                                         << strings({"n", "o", "0", "1"});
        QTest::newRow("load results: labels kept, no marks") << Op::LoadResults
                                                             << strings({"result=1",
                                                                    "modified=1",
                                                                    "title=無題 - Duovue ※比較モード",
                                                                    "pane0",
                                                                    "reset0",
                                                                    "position0=7",
                                                                    "pane1",
                                                                    "reset1",
                                                                    "position1=4",
                                                                    "columns=1"})
                                                             << strings({"r", "-2"});
        QTest::newRow("search results in both lists")
            << Op::SearchResults
            << strings({"insert0:4-4", "modified=1", "insert1:2-2", "result=1", "title=無題 - Duovue ※比較モード"})
            << strings({"a", "b", "c", "d", "s", "0", "1", "0", "0", "2"});
        QTest::newRow("toggled checks, both lists")
            << Op::ToggleChecks << strings({"rows0:0-2", "modified=1", "rows1:0-0"})
            << strings({"a", "b", "c", "d", "-0", "1", "-0", "0"});
    }
    void announcesEveryChange()
    {
        QFETCH(Op, op);
        QFETCH(QStringList, announced);
        QFETCH(QStringList, left);
        CDuovueDoc document;
        fillDocument(document);
        document.setModified(false);
        FileListModel leftModel(document, 0);
        FileListModel rightModel(document, 1);
        QAbstractItemModelTester leftTester(&leftModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester rightTester(&rightModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Test::DocumentLog log(document);

        run(document, op);
        QCOMPARE(log.entries, announced);
        QCOMPARE(columnTexts(document.fileList(0), 0) + columnTexts(document.fileList(0), -1), left);
        QCOMPARE(leftModel.rowCount(), document.fileList(0).size());
        QCOMPARE(rightModel.rowCount(), document.fileList(1).size());
    }

    // The pair tools run only on two good pictures of the active pair; a failed load of entry 0
    // leaves the marker at 0 like a success, and a cleared pane holds nothing.
    void pairNeedsTwoGoodPictures_data()
    {
        QTest::addColumn<int>("activePair");
        QTest::addColumn<QList<int>>("loads"); // per pane 0..3: the entry loaded, -1 none
        QTest::addColumn<bool>("clearLeft");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("previews") << 0 << QList<int>{1, 0, -1, -1} << false << true;
        QTest::newRow("left failed at entry 0") << 0 << QList<int>{0, 0, -1, -1} << false << false;
        QTest::newRow("right not loaded") << 0 << QList<int>{1, -1, -1, -1} << false << false;
        QTest::newRow("left cleared") << 0 << QList<int>{1, 0, -1, -1} << true << false;
        QTest::newRow("viewer pair, previews loaded") << 2 << QList<int>{1, 0, -1, -1} << false << false;
        QTest::newRow("viewer pair") << 2 << QList<int>{-1, -1, 1, 0} << true << true;
    }
    void pairNeedsTwoGoodPictures()
    {
        QFETCH(int, activePair);
        QFETCH(QList<int>, loads);
        QFETCH(bool, clearLeft);
        QFETCH(bool, loaded);
        Test::TestDir dir;
        const QString bad = dir.writeFile(QStringLiteral("bad.jpg"), "not a picture");
        const QString good = dir.writeFile(QStringLiteral("good.gif"), Test::ImagingFactory::gif(QSize(4, 4)));
        FileList left;
        left.append(Test::entryFor(bad));
        left.append(Test::entryFor(good));
        FileList right;
        right.append(Test::entryFor(good));
        CDuovueDoc document;
        document.loadLists({left, right}, {0, 0}, false);
        for (int pane = 0; pane < CDuovueDoc::PaneCount; ++pane) {
            if (loads[pane] >= 0)
                QVERIFY(document.loadPicture(pane, loads[pane]).ok());
        }
        if (clearLeft)
            document.clearSide(0);
        document.setActivePair(activePair);
        QCOMPARE(document.isPairLoaded(), loaded);
        QCOMPARE(document.pairPane(1).info.path, document.pane(activePair + 1).info.path);
    }

    // A removal by a list command: the position stays with its file (or goes to the top when its
    // row went), an emptied side is reset, and result rows leave both lists and are regrouped. The
    // viewer's removal of its shown entry keeps the position at its index instead.
    void listRemovalKeepsPositionsAndGroups_data()
    {
        QTest::addColumn<bool>("resultMode");
        QTest::addColumn<QStringList>("labels"); // one row a, b, c, ... per label
        QTest::addColumn<int>("position");
        QTest::addColumn<QList<int>>("removed"); // none: the viewer removes the position's entry
        QTest::addColumn<QStringList>("rows"); // names, then labels, of both lists in result mode
        QTest::addColumn<int>("finalPosition");
        QTest::addColumn<QStringList>("resets"); // the panes cleared and the sides emptied
        QTest::newRow("marked row: mark to the top") << false << strings({"0", "1", "0", "0"}) << 1 << QList<int>{1}
                                                     << strings({"a", "c", "d", "1", "0", "0"}) << 0 << QStringList();
        QTest::newRow("rows before the mark: the mark stays on its file")
            << false << strings({"0", "0", "1", "0"}) << 2 << QList<int>{0, 3} << strings({"b", "c", "0", "1"}) << 1
            << QStringList();
        QTest::newRow("last row: the side starts over")
            << false << strings({"1"}) << 0 << QList<int>{0} << QStringList() << 0 << strings({"pane0", "emptied0"});
        QTest::newRow("both rows of group 2")
            << true << strings({"2", "2", "3", "3", "3", "4", "4"}) << 0 << QList<int>{0, 1}
            << strings({"c", "d", "e", "f", "g", "3", "3", "3", "4", "4"}) << 0 << QStringList();
        QTest::newRow("one of group 4 takes its partner along")
            << true << strings({"3", "3", "3", "4", "4"}) << 4 << QList<int>{4}
            << strings({"a", "b", "c", "3", "3", "3"}) << 2 << QStringList();
        QTest::newRow("one of group 2 before group 3") << true << strings({"2", "2", "3", "3"}) << 3 << QList<int>{0}
                                                       << strings({"c", "d", "3", "3"}) << 1 << QStringList();
        QTest::newRow("checks survive the renumbering")
            << true << strings({"-2", "2", "-5", "5", "-7", "7"}) << 0 << QList<int>{2, 3}
            << strings({"a", "b", "e", "f", "-2", "2", "-3", "3"}) << 0 << QStringList();
        // A lone row left over from before is dropped only as far as rows were just removed.
        QTest::newRow("no more lone rows than were removed")
            << true << strings({"2", "3", "4", "4", "5", "6", "6"}) << 0 << QList<int>{4}
            << strings({"b", "c", "d", "f", "g", "3", "4", "4", "5", "5"}) << 0 << QStringList();
        QTest::newRow("a lone file is no group") << true << strings({"-2", "2"}) << 1 << QList<int>{0} << QStringList()
                                                 << 0 << strings({"pane0", "emptied0", "pane1", "emptied1"});
        QTest::newRow("viewer: the next entry takes the place")
            << false << strings({"0", "1", "0", "0"}) << 1 << QList<int>() << strings({"a", "c", "d", "0", "1", "0"})
            << 1 << QStringList();
        QTest::newRow("viewer: the last entry, the new last one")
            << false << strings({"0", "0", "0", "1"}) << 3 << QList<int>() << strings({"a", "b", "c", "0", "0", "1"})
            << 2 << QStringList();
        QTest::newRow("viewer: the only entry")
            << false << strings({"1"}) << 0 << QList<int>() << QStringList() << 0 << strings({"pane0", "emptied0"});
    }
    void listRemovalKeepsPositionsAndGroups()
    {
        QFETCH(bool, resultMode);
        QFETCH(QStringList, labels);
        QFETCH(int, position);
        QFETCH(QList<int>, removed);
        QFETCH(QStringList, rows);
        QFETCH(int, finalPosition);
        QFETCH(QStringList, resets);
        FileList list;
        for (int i = 0; i < labels.size(); ++i)
            list.append(namedEntries({QString(QLatin1Char(char('a' + i)))}, labels.at(i)).entry(0));
        CDuovueDoc document;
        document.loadLists({list, list}, {position, position}, resultMode);
        Test::DocumentLog log(document);

        if (removed.isEmpty())
            document.removePositionEntry(0);
        else
            document.removeListRows(0, removed);
        QCOMPARE(columnTexts(document.fileList(0), 0) + columnTexts(document.fileList(0), -1), rows);
        QCOMPARE(document.position(0), finalPosition);
        QCOMPARE(log.of({"pane", "emptied"}), resets);
        if (resultMode) {
            QCOMPARE(columnTexts(document.fileList(1), 0) + columnTexts(document.fileList(1), -1), rows);
            QCOMPARE(document.position(1), finalPosition);
        } else {
            QCOMPARE(document.fileList(1).size(), labels.size()); // the other list is not touched
        }
    }

    // Many scattered rows (an inverted selection) go as one new list; the mark stays on its file.
    void scatteredRemovalIsOneReset()
    {
        QStringList names;
        QList<int> even;
        for (int i = 0; i < 200; ++i)
            names << QString::number(i);
        for (int i = 0; i < 200; i += 2)
            even << i;
        CDuovueDoc document;
        document.loadLists({namedEntries(names), FileList()}, {3, 0}, false);
        Test::DocumentLog log(document);
        document.removeListRows(0, even);
        QCOMPARE(log.of({"reset", "remove"}), strings({"reset0"}));
        QCOMPARE(document.fileList(0).size(), 100);
        QCOMPARE(document.position(0), 1);
        QCOMPARE(document.fileList(0).primary(1), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(CDuovueDocTest)
#include "cduovuedoctest.moc"
