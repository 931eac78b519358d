#include <QStandardPaths>
#include <QTest>

#include "core/appstate.h"
#include "document/listfill.h"
#include "lists/browseforfolder.h"
#include "lists/positionmark.h"
#include "support/fakeshell.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

// Records what the fill asks of the window, and plays the new-document command's part.
class RecordingHost final : public ListFillHost
{
public:
    explicit RecordingHost(AppState &state)
        : m_state(state)
    {
    }

    void newDocument() override
    {
        log << QStringLiteral("new");
        for (FileList &l : m_state.fileList)
            l.clear();
        m_state.resultMode = false;
        m_state.viewerPosition = {0, 0};
    }
    void resetSide(int side) override { log << QStringLiteral("reset%1").arg(side); }
    void listChanged(int side) override
    {
        log << QStringLiteral("changed%1:%2").arg(side).arg(m_state.fileList[side].size());
    }
    void beginProgress() override { log << QStringLiteral("begin"); }
    void endProgress() override
    {
        log << QStringLiteral("end");
        abortAtEnd = m_state.abortRequested;
    }
    void pumpEvents() override
    {
        ++pumps;
        if (abortOnPump)
            m_state.abortRequested = true;
    }
    void openDocument(const QString &path) override { log << QStringLiteral("open:") + path; }

    QStringList log;
    int pumps = 0;
    bool abortOnPump = false;
    bool abortAtEnd = true;

private:
    AppState &m_state;
};

QStringList marks(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.primary(i);
    return out;
}

QStringList names(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.column(0, i);
    return out;
}

FillOptions options(FillOptions::Mode mode, bool subfolders = false)
{
    FillOptions o;
    o.mode = mode;
    o.includeSubfolders = subfolders;
    return o;
}

} // namespace

class ListFillTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void newFillReplacesAndMarksFirstEntry()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/b.jpg"));
        dir.writeFile(QStringLiteral("one/a.gif"));
        dir.writeFile(QStringLiteral("two/c.bmp"));
        AppState state;
        RecordingHost host(state);
        FillFromFolder(state, host, 1, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("one")));
        QCOMPARE(names(state.fileList[1]), strings({"a.gif", "b.jpg"}));
        QCOMPARE(marks(state.fileList[1]), strings({"1", "0"}));
        QVERIFY(state.fileList[0].isEmpty());

        state.viewerPosition[1] = 1;
        MoveMark(state, 0, 1);
        host.log.clear();
        FillFromFolder(state, host, 1, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("two/")));
        QCOMPARE(names(state.fileList[1]), strings({"c.bmp"}));
        QCOMPARE(marks(state.fileList[1]), strings({"1"}));
        QCOMPARE(state.viewerPosition[1], 0);
        QCOMPARE(host.log, strings({"changed1:0", "reset1", "begin", "end", "changed1:1"}));
        QVERIFY(!host.abortAtEnd);
    }

    void addModeKeepsTheMark()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/a.jpg"));
        dir.writeFile(QStringLiteral("one/b.jpg"));
        dir.writeFile(QStringLiteral("two/c.jpg"));
        AppState state;
        RecordingHost host(state);
        FillFromFolder(state, host, 0, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("one")));
        state.viewerPosition[0] = 1;
        MoveMark(state, 0, 0);
        host.log.clear();
        FillFromFolder(state, host, 0, options(FillOptions::Mode::Add), dir.filePath(QStringLiteral("two")));
        QCOMPARE(names(state.fileList[0]), strings({"a.jpg", "b.jpg", "c.jpg"}));
        QCOMPARE(marks(state.fileList[0]), strings({"0", "1", "0"}));
        QCOMPARE(state.viewerPosition[0], 1);
        QVERIFY(!host.log.contains(QStringLiteral("reset0")));
    }

    void emptyNewFillLeavesNoMark()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("only.txt"));
        AppState state;
        RecordingHost host(state);
        state.fileList[0].append(FileList::Entry{{QStringLiteral("old.jpg")}, QStringLiteral("1")});
        state.viewerPosition[0] = 0;
        FillFromFolder(state, host, 0, options(FillOptions::Mode::New), dir.path());
        QVERIFY(state.fileList[0].isEmpty());
        QCOMPARE(host.log.last(), QStringLiteral("changed0:0"));
    }

    void resultModeStartsANewDocument()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.jpg"));
        AppState state;
        RecordingHost host(state);
        state.resultMode = true;
        for (FileList &l : state.fileList)
            l.append(FileList::Entry{{QStringLiteral("r.jpg")}, QStringLiteral("2")});
        FillFromFolder(state, host, 0, options(FillOptions::Mode::Add), dir.path());
        QCOMPARE(host.log.first(), QStringLiteral("new"));
        QVERIFY(!state.resultMode);
        QCOMPARE(names(state.fileList[0]), strings({"a.jpg"}));
        QCOMPARE(marks(state.fileList[0]), strings({"1"}));
        QVERIFY(state.fileList[1].isEmpty());
    }

    void abortKeepsEntriesAndClearsTheFlag()
    {
        Test::TestDir dir;
        for (int i = 0; i < 100; ++i)
            dir.writeFile(QStringLiteral("f/%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        AppState state;
        RecordingHost host(state);
        host.abortOnPump = true;
        const FillOutcome outcome = FillFromFolder(state, host, 0, options(FillOptions::Mode::New, true), dir.path());
        // The fill pumps at most every 20 ms, so a fast scan may finish before the first pump.
        if (host.pumps > 0)
            QVERIFY(outcome.aborted);
        QVERIFY(!state.abortRequested);
        QVERIFY(!host.abortAtEnd);
        QCOMPARE(host.log.last(), QStringLiteral("changed0:%1").arg(state.fileList[0].size()));
    }

    void dropAppendsFoldersAndFilesInOrder()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/z.jpg"));
        dir.writeFile(QStringLiteral("two/y.jpg"));
        dir.writeFile(QStringLiteral("two/sub/w.jpg"));
        const QString file = dir.writeFile(QStringLiteral("loose/x.gif"));
        const QString other = dir.writeFile(QStringLiteral("loose/notes.txt"));
        AppState state;
        RecordingHost host(state);
        state.fileList[1].append(
            FileList::Entry{{QStringLiteral("kept.jpg"), QStringLiteral("/k/")}, QStringLiteral("1")});
        const FillOutcome outcome = AddDroppedPaths(state,
            host,
            1,
            options(FillOptions::Mode::Add),
            {dir.filePath(QStringLiteral("two")),
                file,
                other,
                dir.filePath(QStringLiteral("missing")),
                dir.filePath(QStringLiteral("one/"))});
        QCOMPARE(names(state.fileList[1]), strings({"kept.jpg", "y.jpg", "x.gif", "z.jpg"}));
        QCOMPARE(marks(state.fileList[1]), strings({"1", "0", "0", "0"}));
        QCOMPARE(state.fileList[1].column(1, 2), dir.path() + QStringLiteral("/loose/"));
        QCOMPARE(outcome.unreadable, 0); // a missing path is neither folder nor picture: ignored
        QVERIFY(!outcome.openedDocument);
        QVERIFY(state.fileList[0].isEmpty());
    }

    void newDropReplacesTheList()
    {
        Test::TestDir dir;
        const QString file = dir.writeFile(QStringLiteral("p.bmp"));
        AppState state;
        RecordingHost host(state);
        state.fileList[0].append(FileList::Entry{{QStringLiteral("gone.jpg")}, QStringLiteral("0")});
        state.fileList[0].append(FileList::Entry{{QStringLiteral("gone2.jpg")}, QStringLiteral("1")});
        state.viewerPosition[0] = 1;
        AddDroppedPaths(state, host, 0, options(FillOptions::Mode::New), {file});
        QCOMPARE(names(state.fileList[0]), strings({"p.bmp"}));
        QCOMPARE(marks(state.fileList[0]), strings({"1"}));
        QCOMPARE(state.viewerPosition[0], 0);
        QVERIFY(host.log.contains(QStringLiteral("reset0")));
    }

    void singleDocumentDropOpensIt_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("opens");
        QTest::newRow("lower case") << QStringList{QStringLiteral("/d/list.duov")} << true;
        QTest::newRow("upper case") << QStringList{QStringLiteral("/d/LIST.DUOV")} << true;
        QTest::newRow("two documents") << QStringList{QStringLiteral("/d/a.duov"), QStringLiteral("/d/b.duov")}
                                       << false;
        QTest::newRow("other extension") << QStringList{QStringLiteral("/d/a.duov.bak")} << false;
        QTest::newRow("no extension") << QStringList{QStringLiteral("/d/duov")} << false;
    }
    void singleDocumentDropOpensIt()
    {
        QFETCH(QStringList, paths);
        QFETCH(bool, opens);
        AppState state;
        RecordingHost host(state);
        state.fileList[0].append(FileList::Entry{{QStringLiteral("kept.jpg")}, QStringLiteral("1")});
        const FillOutcome outcome = AddDroppedPaths(state, host, 0, options(FillOptions::Mode::New), paths);
        QCOMPARE(outcome.openedDocument, opens);
        if (opens) {
            QCOMPARE(host.log, QStringList{QStringLiteral("open:") + paths.first()});
            QCOMPARE(names(state.fileList[0]), strings({"kept.jpg"})); // untouched until the document loads
        } else {
            QVERIFY(state.fileList[0].isEmpty());
        }
    }

    void browsesWithTheKindsTitle_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("newFolderButton");
        QTest::newRow("image folder") << 0 << QStringLiteral("画像のあるフォルダを選択してください。") << false;
        QTest::newRow("copy") << 1 << QStringLiteral("コピー先を選択してください") << true;
        QTest::newRow("move") << 2 << QStringLiteral("移動先を選択してください") << true;
    }
    void browsesWithTheKindsTitle()
    {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(bool, newFolderButton);
        AppState state;
        state.lastFolder = {QStringLiteral("/left"), QStringLiteral("/right")};
        Test::FakeShell shell;
        shell.folderAnswers << QStringLiteral("/chosen");
        QCOMPARE(BrowseForFolder(shell, state, BrowseKind(kind), 1), QStringLiteral("/chosen"));
        QCOMPARE(state.lastFolder[1], QStringLiteral("/chosen"));
        QCOMPARE(state.lastFolder[0], QStringLiteral("/left"));
        const auto calls = shell.callsOf(QStringLiteral("chooseFolder"));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].caption, title);
        QCOMPARE(calls[0].text, QStringLiteral("/right"));
        QCOMPARE(calls[0].paths.value(0) == QStringLiteral("new"), newFolderButton);

        // Cancelled: nothing changes.
        QVERIFY(BrowseForFolder(shell, state, BrowseKind(kind), 1).isEmpty());
        QCOMPARE(state.lastFolder[1], QStringLiteral("/chosen"));
    }
};

QTEST_GUILESS_MAIN(ListFillTest)
#include "listfilltest.moc"
