#include <QStandardPaths>
#include <QTest>

#include "core/sessionstate.h"
#include "document/cduovuedoc.h"
#include "document/listfill.h"
#include "lists/browseforfolder.h"
#include "support/documentlog.h"
#include "support/fakeshell.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

// Records the progress dialog's part, and presses its abort button when asked.
class RecordingProgress final : public FillProgress
{
public:
    explicit RecordingProgress(QStringList &log)
        : m_log(log)
    {
    }

    void begin() override { m_log << QStringLiteral("begin"); }
    void end() override
    {
        m_log << QStringLiteral("end");
        abortAtEnd = abortRequested;
    }
    void pump() override
    {
        ++pumps;
        if (abortOnPump)
            abortRequested = true;
    }

    std::atomic<bool> abortRequested{false};
    int pumps = 0;
    bool abortOnPump = false;
    bool abortAtEnd = true;

private:
    QStringList &m_log;
};

// A document with its signal log, the progress dialog writing into the same log.
struct Fixture {
    CDuovueDoc document;
    Test::DocumentLog log{document};
    RecordingProgress progress{log.entries};

    FillOutcome fill(int side, const FillOptions &options, const QString &folder)
    {
        return FillFromFolder(document, progress.abortRequested, progress, side, options, folder);
    }
    FillOutcome drop(int side, const FillOptions &options, const QStringList &paths)
    {
        return AddDroppedPaths(document, progress.abortRequested, progress, side, options, paths);
    }
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
        Fixture f;
        f.fill(1, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("one")));
        QCOMPARE(names(f.document.fileList(1)), strings({"a.gif", "b.jpg"}));
        QCOMPARE(marks(f.document.fileList(1)), strings({"1", "0"}));
        QVERIFY(f.document.fileList(0).isEmpty());

        f.document.setPosition(1, 1);
        f.log.entries.clear();
        f.fill(1, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("two/")));
        QCOMPARE(names(f.document.fileList(1)), strings({"c.bmp"}));
        QCOMPARE(marks(f.document.fileList(1)), strings({"1"}));
        QCOMPARE(f.document.position(1), 0);
        // The list and the side's pane are emptied before the scan; the entries come in at its end.
        QCOMPARE(f.log.of({"reset", "pane", "begin", "insert", "end"}),
            strings({"reset1", "pane1", "begin", "insert1:0-0", "end"}));
        QVERIFY(!f.progress.abortAtEnd);
    }

    void addModeKeepsTheMark()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/a.jpg"));
        dir.writeFile(QStringLiteral("one/b.jpg"));
        dir.writeFile(QStringLiteral("two/c.jpg"));
        Fixture f;
        f.fill(0, options(FillOptions::Mode::New), dir.filePath(QStringLiteral("one")));
        f.document.setPosition(0, 1);
        f.log.entries.clear();
        f.fill(0, options(FillOptions::Mode::Add), dir.filePath(QStringLiteral("two")));
        QCOMPARE(names(f.document.fileList(0)), strings({"a.jpg", "b.jpg", "c.jpg"}));
        QCOMPARE(marks(f.document.fileList(0)), strings({"0", "1", "0"}));
        QCOMPARE(f.document.position(0), 1);
        QVERIFY(f.log.of({"reset", "pane"}).isEmpty());
    }

    void emptyNewFillLeavesNoMark()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("only.txt"));
        Fixture f;
        f.document.appendEntries(0, Test::namedEntries({QStringLiteral("old.jpg")}));
        f.log.entries.clear();
        f.fill(0, options(FillOptions::Mode::New), dir.path());
        QVERIFY(f.document.fileList(0).isEmpty());
        QCOMPARE(f.log.of({"reset", "insert"}), strings({"reset0"}));
    }

    void resultModeStartsANewDocument()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.jpg"));
        Fixture f;
        f.document.applySearchResults({Test::namedEntries({QStringLiteral("r.jpg")}, QStringLiteral("2")).entry(0)});
        f.log.entries.clear();
        f.fill(0, options(FillOptions::Mode::Add), dir.path());
        QCOMPARE(f.log.of({"reset", "result", "begin"}), strings({"reset0", "reset1", "result=0", "begin"}));
        QVERIFY(!f.document.resultMode());
        QCOMPARE(names(f.document.fileList(0)), strings({"a.jpg"}));
        QCOMPARE(marks(f.document.fileList(0)), strings({"1"}));
        QVERIFY(f.document.fileList(1).isEmpty());
    }

    void abortKeepsEntriesAndClearsTheFlag()
    {
        Test::TestDir dir;
        for (int i = 0; i < 100; ++i)
            dir.writeFile(QStringLiteral("f/%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        Fixture f;
        f.progress.abortOnPump = true;
        const FillOutcome outcome = f.fill(0, options(FillOptions::Mode::New, true), dir.path());
        // The fill pumps at most every 20 ms, so a fast scan may finish before the first pump.
        if (f.progress.pumps > 0)
            QVERIFY(outcome.aborted);
        QVERIFY(!f.progress.abortRequested);
        QVERIFY(!f.progress.abortAtEnd);
        // The entries found so far are in the list once the dialog closes.
        const QStringList tail = f.log.of({"insert", "end"});
        QCOMPARE(tail.last(), QStringLiteral("end"));
        if (!f.document.fileList(0).isEmpty())
            QCOMPARE(tail.first(), QStringLiteral("insert0:0-%1").arg(f.document.fileList(0).size() - 1));
    }

    void dropAppendsFoldersAndFilesInOrder()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/z.jpg"));
        dir.writeFile(QStringLiteral("two/y.jpg"));
        dir.writeFile(QStringLiteral("two/sub/w.jpg"));
        const QString file = dir.writeFile(QStringLiteral("loose/x.gif"));
        const QString other = dir.writeFile(QStringLiteral("loose/notes.txt"));
        Fixture f;
        FileList kept = Test::namedEntries({QStringLiteral("kept.jpg")}, QStringLiteral("1"));
        kept.setColumn(1, 0, QStringLiteral("/k/"));
        f.document.appendEntries(1, kept);
        const FillOutcome outcome = f.drop(1,
            options(FillOptions::Mode::Add),
            {dir.filePath(QStringLiteral("two")),
                file,
                other,
                dir.filePath(QStringLiteral("missing")),
                dir.filePath(QStringLiteral("one/"))});
        const FileList &list = f.document.fileList(1);
        QCOMPARE(names(list), strings({"kept.jpg", "y.jpg", "x.gif", "z.jpg"}));
        QCOMPARE(marks(list), strings({"1", "0", "0", "0"}));
        QCOMPARE(list.column(1, 2), dir.path() + QStringLiteral("/loose/"));
        QCOMPARE(outcome.unreadable, 0); // a missing path is neither folder nor picture: ignored
        QVERIFY(outcome.documentToOpen.isEmpty());
        QVERIFY(f.document.fileList(0).isEmpty());
    }

    void newDropReplacesTheList()
    {
        Test::TestDir dir;
        const QString file = dir.writeFile(QStringLiteral("p.bmp"));
        Fixture f;
        f.document.appendEntries(0, Test::namedEntries({QStringLiteral("gone.jpg"), QStringLiteral("gone2.jpg")}));
        f.document.setPosition(0, 1);
        f.log.entries.clear();
        f.drop(0, options(FillOptions::Mode::New), {file});
        QCOMPARE(names(f.document.fileList(0)), strings({"p.bmp"}));
        QCOMPARE(marks(f.document.fileList(0)), strings({"1"}));
        QCOMPARE(f.document.position(0), 0);
        QVERIFY(f.log.entries.contains(QStringLiteral("pane0")));
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
        Fixture f;
        f.document.appendEntries(0, Test::namedEntries({QStringLiteral("kept.jpg")}));
        f.log.entries.clear();
        const FillOutcome outcome = f.drop(0, options(FillOptions::Mode::New), paths);
        QCOMPARE(outcome.documentToOpen, opens ? paths.first() : QString());
        if (opens) {
            QVERIFY(f.log.entries.isEmpty()); // untouched until the document loads
            QCOMPARE(names(f.document.fileList(0)), strings({"kept.jpg"}));
        } else {
            QVERIFY(f.document.fileList(0).isEmpty());
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
        SessionState session;
        session.lastFolder = {QStringLiteral("/left"), QStringLiteral("/right")};
        Test::FakeShell shell;
        shell.folderAnswers << QStringLiteral("/chosen");
        QCOMPARE(BrowseForFolder(shell, session, BrowseKind(kind), 1), QStringLiteral("/chosen"));
        QCOMPARE(session.lastFolder[1], QStringLiteral("/chosen"));
        QCOMPARE(session.lastFolder[0], QStringLiteral("/left"));
        const auto calls = shell.callsOf(QStringLiteral("chooseFolder"));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].caption, title);
        QCOMPARE(calls[0].text, QStringLiteral("/right"));
        QCOMPARE(calls[0].paths.value(0) == QStringLiteral("new"), newFolderButton);

        // Cancelled: nothing changes.
        QVERIFY(BrowseForFolder(shell, session, BrowseKind(kind), 1).isEmpty());
        QCOMPARE(session.lastFolder[1], QStringLiteral("/chosen"));
    }
};

QTEST_GUILESS_MAIN(ListFillTest)
#include "listfilltest.moc"
