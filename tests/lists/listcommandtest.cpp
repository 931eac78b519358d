#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "document/filelistmodel.h"
#include "document/listfill.h"
#include "lists/listcommand.h"
#include "support/commandfixture.h"
#include "support/fakeshell.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

// Counts what the command asks of the progress dialog; its "abort button" is pressed at the pump
// with the given number (1-based), as a user would press it while the dialog shows.
class ScriptedProgress final : public FillProgress
{
public:
    explicit ScriptedProgress(std::atomic<bool> &abort)
        : m_abort(abort)
    {
    }
    void begin() override { ++begun; }
    void end() override { ++ended; }
    void pump() override
    {
        if (++pumps == abortAtPump)
            m_abort = true;
    }

    int begun = 0;
    int ended = 0;
    int pumps = 0;
    int abortAtPump = -1;

private:
    std::atomic<bool> &m_abort;
};

struct Fixture : Test::CommandFixture {
    ScriptedProgress progress{session.abortRequested};

    /// Files pics/<name> with their names as content, in the left list (labels given in result
    /// mode) and the same rows in the right list.
    void load(const QStringList &names, const QStringList &labels = {})
    {
        FileList list;
        for (int i = 0; i < names.size(); ++i) {
            FileList::Entry e = Test::entryFor(dir.writeFile(QStringLiteral("pics/") + names[i], names[i].toUtf8()));
            e.primary = labels.isEmpty() ? QStringLiteral("0") : labels[i];
            list.append(e);
        }
        document.loadLists({list, list}, {0, 0}, !labels.isEmpty());
    }
    QString pic(const QString &name) const { return dir.filePath(QStringLiteral("pics/") + name); }
    QStringList names(int side = 0) const { return columnTexts(document.fileList(side), 0); }
    QStringList labels(int side = 0) const { return columnTexts(document.fileList(side), -1); }
    void run(int id, QList<int> selected = {}, int focused = -1, int side = 0)
    {
        runListCommand(context, progress, ListTarget{side, selected, focused}, id);
    }
    QStringList errors() const
    {
        QStringList out;
        for (const Test::FakeShell::Call &c : shell.callsOf(QStringLiteral("error")))
            out << c.text;
        return out;
    }
};

enum class Move { OntoItself, ThroughALink, TargetKept, TargetReplaced, Aborted };
enum class Rename { Forbidden, OnlyForbidden, NameTaken, FileGone };

} // namespace

Q_DECLARE_METATYPE(Move)
Q_DECLARE_METATYPE(Rename)

class ListCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A file the trash refused stays listed, in both lists in result mode, and is named in one
    // message; the others go. Rows are removed only when their files went.
    void recycleKeepsRowsWhoseFilesStayed_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("rows"); // names, then labels
        QTest::newRow("selected") << QStringList() << int(IdListRecycle) << strings({"b.jpg", "1"});
        QTest::newRow("checked, regrouped") << strings({"-2", "-2", "2", "3", "-3", "3"}) << int(IdListRecycleChecked)
                                            << strings({"b.jpg", "c.jpg", "d.jpg", "f.jpg", "-2", "2", "3", "3"});
    }
    void recycleKeepsRowsWhoseFilesStayed()
    {
        QFETCH(QStringList, labels);
        QFETCH(int, command);
        QFETCH(QStringList, rows);
        Fixture f;
        f.load(
            strings({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}).mid(0, labels.isEmpty() ? 3 : 6), labels);
        f.shell.trashReallyDeletes = true;
        f.shell.trashFailures = {f.pic(QStringLiteral("b.jpg"))};
        f.shell.answers.enqueue(true);
        f.run(command, labels.isEmpty() ? QList<int>{0, 1, 2} : QList<int>{});

        QCOMPARE(f.shell.callsOf(QStringLiteral("question")).first().text,
            labels.isEmpty() ? QStringLiteral("選択ファイルをゴミ箱へ移動しますか？")
                             : QStringLiteral("チェックファイルをゴミ箱へ移動しますか？"));
        QCOMPARE(f.names() + f.labels(), rows);
        if (!labels.isEmpty())
            QCOMPARE(f.names(1) + f.labels(1), rows);
        QVERIFY(QFile::exists(f.pic(QStringLiteral("b.jpg"))));
        QVERIFY(!QFile::exists(f.pic(QStringLiteral("a.jpg"))));
        const QStringList errors = f.errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(f.pic(QStringLiteral("b.jpg"))));
        QVERIFY(!errors.first().contains(f.pic(QStringLiteral("a.jpg"))));
    }

    // Many files go to the trash in pieces under the progress dialog; its abort button keeps the
    // rest, listed, without a failure message.
    void recycleOfManyFilesCanBeAborted()
    {
        Fixture f;
        QStringList names;
        for (int i = 0; i < 250; ++i)
            names << QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        f.load(names);
        QList<int> all;
        for (int i = 0; i < 250; ++i)
            all << i;
        f.shell.trashReallyDeletes = true;
        f.shell.answers.enqueue(true);
        f.progress.abortAtPump = 2; // pressed while the first hundred files went
        f.run(IdListRecycle, all);
        QCOMPARE(f.names().size(), 150);
        QCOMPARE(f.names().first(), QStringLiteral("p000.jpg"));
        QVERIFY(!QFile::exists(f.pic(QStringLiteral("p249.jpg"))));
        QVERIFY(QFile::exists(f.pic(QStringLiteral("p149.jpg"))));
        QVERIFY(f.errors().isEmpty());
        QCOMPARE(f.progress.begun, 1);
        QCOMPARE(f.progress.ended, 1);
        QVERIFY(!f.session.abortRequested);
    }

    // Check all then toggle leaves no check in either list; "チェックアイテムをリストから削除" takes
    // the checked rows out of both lists, regrouped, and leaves the files alone.
    void checkCommandsWorkOnBothLists()
    {
        Fixture f;
        f.load(strings({"a.jpg", "b.jpg", "c.jpg", "d.jpg"}), strings({"2", "-2", "3", "3"}));
        f.run(IdListCheckAll);
        QCOMPARE(f.labels(1), strings({"-2", "-2", "-3", "-3"}));
        f.run(IdListToggleChecks, {}, -1, 1);
        QCOMPARE(f.labels(0) + f.labels(1), strings({"2", "2", "3", "3", "2", "2", "3", "3"}));
        f.run(IdListCheckAll);
        f.run(IdListUncheckAll);
        QCOMPARE(f.labels(1), strings({"2", "2", "3", "3"}));

        f.document.toggleChecks({1, 3});
        f.shell.answers.enqueue(true);
        f.run(IdListRemoveChecked, {}, -1, 1);
        QCOMPARE(f.shell.callsOf(QStringLiteral("question")).first().text,
            QStringLiteral("チェックアイテムをリストから削除しますか？"));
        QVERIFY(f.document.fileList(0).isEmpty() && f.document.fileList(1).isEmpty()); // lone rows go too
        QVERIFY(QFile::exists(f.pic(QStringLiteral("b.jpg"))));
    }

    // Same file (also through a link to its folder), a target that exists, and the abort button:
    // each row follows what happened to its file.
    void moveFollowsTheDisk_data()
    {
        QTest::addColumn<Move>("kind");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("moved");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("onto itself") << Move::OntoItself << strings({"a.jpg"}) << QStringList()
                                     << strings({"移動元と移動先が同じです。"});
        QTest::newRow("onto itself through a link")
            << Move::ThroughALink << strings({"a.jpg"}) << QStringList() << strings({"移動元と移動先が同じです。"});
        QTest::newRow("existing target kept")
            << Move::TargetKept << strings({"a.jpg"}) << QStringList() << QStringList();
        QTest::newRow("existing target replaced")
            << Move::TargetReplaced << QStringList() << strings({"a.jpg"}) << QStringList();
        QTest::newRow("aborted after the first file")
            << Move::Aborted << strings({"a.jpg", "b.jpg"}) << strings({"c.jpg"}) << QStringList();
    }
    void moveFollowsTheDisk()
    {
        QFETCH(Move, kind);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, moved);
        QFETCH(QStringList, errors);
        Fixture f;
        const bool three = kind == Move::Aborted;
        f.load(three ? strings({"a.jpg", "b.jpg", "c.jpg"}) : strings({"a.jpg"}));
        QString target = f.dir.makeDir(QStringLiteral("out"));
        switch (kind) {
        case Move::OntoItself:
            target = f.dir.filePath(QStringLiteral("pics/"));
            break;
        case Move::ThroughALink:
            target = f.dir.makeSymlink(f.dir.filePath(QStringLiteral("pics")), QStringLiteral("link"));
            break;
        case Move::TargetKept:
        case Move::TargetReplaced:
            f.dir.writeFile(QStringLiteral("out/a.jpg"), "old");
            f.shell.answers.enqueue(kind == Move::TargetReplaced);
            break;
        case Move::Aborted:
            f.progress.abortAtPump = 2; // the second file's start
            break;
        }
        f.shell.folderAnswers.enqueue(target);
        f.run(IdListMove, three ? QList<int>{0, 1, 2} : QList<int>{0});

        QCOMPARE(f.shell.callsOf(QStringLiteral("chooseFolder")).first().caption,
            QStringLiteral("移動先を選択してください"));
        QCOMPARE(f.session.lastFolder[0], target);
        QCOMPARE(f.names(), rows);
        QCOMPARE(f.names(1).size(), three ? 3 : 1); // normal mode: the other list keeps its rows
        for (const QString &name : moved) {
            QVERIFY(!QFile::exists(f.pic(name)));
            QCOMPARE(QFile(target + QLatin1Char('/') + name).size(), name.size());
        }
        for (const QString &name : rows)
            QVERIFY(QFile::exists(f.pic(name)));
        QCOMPARE(f.errors(), errors);
        // Several files show the progress dialog; the abort flag is down again afterwards.
        QCOMPARE(f.progress.begun, three ? 1 : 0);
        QCOMPARE(f.progress.ended, f.progress.begun);
        QVERIFY(!f.session.abortRequested);
    }

    // In result mode nothing is selected: a move takes the focused row, out of both lists, and the
    // group it leaves is regrouped.
    void resultModeMoveTakesTheFocusedRowFromBothLists()
    {
        Fixture f;
        f.load(strings({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}), strings({"2", "2", "3", "3", "3"}));
        f.shell.folderAnswers.enqueue(f.dir.makeDir(QStringLiteral("out")));
        f.run(IdListMove, {}, 1);
        QCOMPARE(f.names(0), strings({"c.jpg", "d.jpg", "e.jpg"}));
        QCOMPARE(f.names(1), strings({"c.jpg", "d.jpg", "e.jpg"}));
        QCOMPARE(f.labels(1), strings({"3", "3", "3"}));
        QVERIFY(QFile::exists(f.pic(QStringLiteral("a.jpg")))); // the partner only left the lists
    }

    void copyLeavesTheLists()
    {
        Fixture f;
        f.load(strings({"a.jpg", "b.jpg"}));
        const QString target = f.dir.makeDir(QStringLiteral("copies"));
        f.shell.folderAnswers.enqueue(target);
        f.run(IdListCopy, {0, 1});
        QCOMPARE(f.shell.callsOf(QStringLiteral("chooseFolder")).first().caption,
            QStringLiteral("コピー先を選択してください"));
        QCOMPARE(f.names(), strings({"a.jpg", "b.jpg"}));
        QVERIFY(QFile::exists(f.pic(QStringLiteral("a.jpg"))));
        QCOMPARE(QFile(target + QStringLiteral("/b.jpg")).size(), 5);
        QCOMPARE(f.progress.begun, 1);
    }

    // The row shows the new name only when the file got it.
    void renameKeepsTheOldNameUnlessTheFileMoved_data()
    {
        QTest::addColumn<Rename>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("errors"); // leading texts
        const QString forbidden =
            QStringLiteral("ファイル名に \"/ ? * \" < > | \\ : \" は使えません。\r\n取り除いて変更します。");
        QTest::newRow("forbidden characters removed")
            << Rename::Forbidden << QStringLiteral("a/b?c.jpg") << QStringLiteral("abc.jpg") << QStringList{forbidden};
        QTest::newRow("nothing left") << Rename::OnlyForbidden << QStringLiteral("?:") << QStringLiteral("old.jpg")
                                      << QStringList{forbidden};
        QTest::newRow("name taken") << Rename::NameTaken << QStringLiteral("other.jpg") << QStringLiteral("old.jpg")
                                    << strings({"同名ファイルが存在します\n"});
        QTest::newRow("refused for another reason")
            << Rename::FileGone << QStringLiteral("new.jpg") << QStringLiteral("old.jpg")
            << strings({"ファイル名を変更できませんでした。"});
    }
    void renameKeepsTheOldNameUnlessTheFileMoved()
    {
        QFETCH(Rename, kind);
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(QStringList, errors);
        Fixture f;
        f.load(strings({"old.jpg"}), strings({"-2"})); // result mode: both lists follow
        if (kind == Rename::NameTaken)
            f.dir.writeFile(QStringLiteral("pics/other.jpg"), "other");
        if (kind == Rename::FileGone)
            QVERIFY(QFile::remove(f.pic(QStringLiteral("old.jpg"))));

        QCOMPARE(runListRename(f.context, 0, 0, text), name != QStringLiteral("old.jpg"));
        QCOMPARE(f.names(0), QStringList{name});
        QCOMPARE(f.names(1), QStringList{name});
        QCOMPARE(QFile::exists(f.pic(name)), kind != Rename::FileGone);
        const QStringList shown = f.errors();
        QCOMPARE(shown.size(), errors.size());
        for (int i = 0; i < errors.size(); ++i)
            QVERIFY2(shown[i].startsWith(errors[i]), qPrintable(shown[i]));
        if (kind == Rename::NameTaken) {
            QVERIFY(shown.first().endsWith(f.pic(QStringLiteral("other.jpg"))));
            QCOMPARE(QFile(f.pic(QStringLiteral("other.jpg"))).size(), 5); // not replaced
        }
    }

    // A name from an old archive (Shift-JIS bytes) shows its bytes escaped, and its file is renamed
    // and trashed by its real bytes; the shown text handed back unchanged renames nothing.
    void namesThatAreNotUtf8ShowAndWork()
    {
        Fixture f;
        FileList list;
        list.append(Test::entryFor(f.dir.writeNativeFile("\x83\x65.jpg", "a")));
        list.append(Test::entryFor(f.dir.writeNativeFile("\x83\x58.jpg", "b")));
        f.document.loadLists({list, FileList()}, {0, 0}, false);
        const FileListModel model(f.document, 0);
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("\\x83e.jpg"));
        QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toString(), QStringLiteral("\\x83e.jpg"));

        QVERIFY(!runListRename(f.context, 0, 0, QStringLiteral("\\x83e.jpg")));
        QVERIFY(f.errors().isEmpty());
        QVERIFY(runListRename(f.context, 0, 0, QStringLiteral("new.jpg")));
        QCOMPARE(QFile(f.dir.filePath(QStringLiteral("new.jpg"))).size(), 1);

        f.shell.trashReallyDeletes = true;
        f.shell.answers.enqueue(true);
        f.run(IdListRecycle, {1});
        QCOMPARE(f.names(), QStringList{QStringLiteral("new.jpg")});
        QVERIFY(f.errors().isEmpty());
    }

    // Row 0 can become the position after its picture loaded well; only the row whose picture
    // failed in the side's pane is refused.
    void positionHereRefusesOnlyAFailedPicture_data()
    {
        QTest::addColumn<bool>("badFirst");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("row 0 after a good load") << false << QList<int>{0} << 0 << true;
        QTest::newRow("row 0 after its load failed") << true << QList<int>{0} << 2 << true;
        QTest::newRow("another row after a failure") << true << QList<int>{1} << 1 << true;
        QTest::newRow("two rows selected") << false << QList<int>{0, 1} << 2 << true;
        // The marker starts at 1, yet nothing has failed before the first load.
        QTest::newRow("row 1 before any load") << false << QList<int>{1} << 1 << false;
    }
    void positionHereRefusesOnlyAFailedPicture()
    {
        QFETCH(bool, badFirst);
        QFETCH(QList<int>, selected);
        QFETCH(int, position);
        QFETCH(bool, loaded);
        Fixture f;
        const FileList::Entry good =
            Test::entryFor(f.dir.writeFile(QStringLiteral("good.gif"), Test::ImagingFactory::gif(QSize(4, 4))));
        const FileList::Entry bad = Test::entryFor(f.dir.writeFile(QStringLiteral("bad.jpg"), "not a picture"));
        FileList list;
        list.append(badFirst ? bad : good);
        list.append(badFirst ? good : bad);
        list.append(good);
        f.document.loadLists({list, FileList()}, {2, 0}, false);
        if (loaded) {
            QVERIFY(f.document.loadPicture(0, 0).ok());
            QCOMPARE(f.document.pane(0).loadMarker, 0); // the same marker after either load
        }

        f.run(IdListPositionHere, selected);
        QCOMPARE(f.document.position(0), position);
        QCOMPARE(f.document.fileList(0).primary(position), QStringLiteral("1"));
    }

    void openAndEditUseTheAssociatedApplication()
    {
        Fixture f;
        f.load(strings({"a.jpg", "b.jpg"}));
        f.run(IdListEdit, {0, 1});
        QCOMPARE(f.shell.callsOf(QStringLiteral("launch-edit")).first().text, f.pic(QStringLiteral("a.jpg")));
        f.shell.launchHasAssociation = false;
        f.run(IdListOpen, {1});
        QCOMPARE(f.shell.callsOf(QStringLiteral("launch-open")).first().text, f.pic(QStringLiteral("b.jpg")));
        QCOMPARE(f.errors(), strings({"関連付けられたアプリケーションがありません"}));
        f.run(IdListOpen, {}); // nothing selected: nothing
        QCOMPARE(f.shell.callsOf(QStringLiteral("launch-open")).size(), 1);
    }

    // Yes recycles and No removes, each after its own question; nothing selected asks nothing.
    void deleteKeyAsksWhichRemoval()
    {
        Fixture f;
        f.load(strings({"a.jpg", "b.jpg"}));
        runListDeleteKey(f.context, f.progress, ListTarget{1, {}, 0});
        QVERIFY(f.shell.calls.isEmpty());

        f.shell.answers << false << true;
        runListDeleteKey(f.context, f.progress, ListTarget{1, {1}, 1});
        const auto questions = f.shell.callsOf(QStringLiteral("question"));
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions[0].text,
            QStringLiteral("右の選択アイテムを\r\nゴミ箱へ移動する場合は「はい」を\r\n"
                           "リストから削除する場合は「いいえ」を選択してください"));
        QCOMPARE(questions[0].caption, QStringLiteral("アイテムの削除"));
        QCOMPARE(questions[1].text, QStringLiteral("選択アイテムをリストから削除しますか？"));
        QCOMPARE(f.names(1), strings({"a.jpg"}));
        QVERIFY(QFile::exists(f.pic(QStringLiteral("b.jpg"))));
    }
};

QTEST_MAIN(ListCommandTest)
#include "listcommandtest.moc"
