#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "core/recentfiles.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/documentfilecommand.h"
#include "support/fakeshell.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::entryFor;
using Duovue::Test::strings;
using Answer = UserPrompts::Answer;

namespace
{

// A document, its services and a folder of picture files, as the main window would have them.
struct Fixture {
    Test::TestDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
    SessionState session;
    CDuovueDoc document;
    Test::FakeShell shell;
    RecentFiles recent;
    QStringList notices;
    bool tickAtFirstNotice = false;
    DocumentFileCommands commands{
        CommandContext{document, session, store, shell, shell}, recent, [this](const QString &t) {
            notices << t;
            return tickAtFirstNotice;
        }};

    FileList files(const QStringList &names, const QStringList &labels = {})
    {
        FileList list;
        for (int i = 0; i < names.size(); ++i) {
            FileList::Entry e = entryFor(dir.writeFile(QStringLiteral("pics/") + names[i], "x"));
            if (!labels.isEmpty()) {
                e.primary = labels[i];
                e.columns[5] = QStringLiteral("640");
                e.columns[6] = QStringLiteral("480");
            }
            list.append(e);
        }
        return list;
    }

    QString saveAs(const QString &name)
    {
        const QString path = dir.filePath(name);
        shell.fileAnswers.enqueue(path);
        return commands.saveAs() ? path : QString();
    }
};

} // namespace

class DocumentFileCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void reopensWhatWasSaved_data()
    {
        QTest::addColumn<bool>("resultMode");
        QTest::newRow("normal mode") << false;
        QTest::newRow("result mode") << true;
    }

    void reopensWhatWasSaved()
    {
        QFETCH(bool, resultMode);
        Fixture f;
        const QStringList labels = resultMode ? strings({"2", "-2", "3", "3"}) : QStringList();
        const FileList left = f.files(strings({"a.jpg", "b.jpg", "c.gif", "d.bmp"}), labels);
        const FileList right = resultMode ? left : f.files(strings({"x.jpg", "y.jpg"}));
        f.document.loadLists({left, right}, {2, 1}, resultMode);
        const QString path = f.saveAs(QStringLiteral("pair"));
        QCOMPARE(path, f.dir.filePath(QStringLiteral("pair")));
        const QString saved = path + QStringLiteral(".duov");
        QVERIFY(QFile::exists(saved));
        QVERIFY(!f.document.isModified());

        QVERIFY(f.commands.newDocument());
        QVERIFY(f.commands.openFile(saved));
        QCOMPARE(f.document.path(), saved);
        QCOMPARE(f.document.windowTitle(),
            resultMode ? QStringLiteral("pair.duov - Duovue ※比較モード") : QStringLiteral("pair.duov - Duovue"));
        QCOMPARE(f.document.resultMode(), resultMode);
        QCOMPARE(f.document.dimensionColumnsShown(), resultMode);
        QCOMPARE(columnTexts(f.document.fileList(0), 0), columnTexts(left, 0));
        QCOMPARE(columnTexts(f.document.fileList(1), 0), columnTexts(right, 0));
        // Result mode keeps the labels and makes no marks; normal mode marks the stored positions.
        QCOMPARE(columnTexts(f.document.fileList(0), -1), resultMode ? labels : strings({"0", "0", "1", "0"}));
        QCOMPARE(f.document.position(0), resultMode ? 0 : 2);
        QCOMPARE(f.document.position(1), resultMode ? 0 : 1);
        // The existence check filled the sizes and found every file.
        QCOMPARE(columnTexts(f.document.fileList(0), 4), QStringList(4, QStringLiteral("1")));
        const auto results = f.shell.callsOf(QStringLiteral("information"));
        QCOMPARE(results.size(), 1);
        QCOMPARE(results[0].caption, QStringLiteral("確認結果"));
        QCOMPARE(
            results[0].text, QStringLiteral("左のリストはすべて有りました。\r\n\r\n右のリストはすべて有りました。"));
        QVERIFY(!f.document.isModified());
        QCOMPARE(f.recent.paths(), QStringList{saved});
    }

    void openRemovesMissingFiles_data()
    {
        QTest::addColumn<bool>("resultMode");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QStringList>("leftNames");
        QTest::addColumn<QStringList>("leftLabels");
        QTest::addColumn<int>("notices");
        QTest::addColumn<QString>("summary");

        QTest::newRow("two missing, position follows its file")
            << false << false << strings({"a.jpg", "c.jpg", "e.jpg"}) << strings({"0", "0", "1"}) << 2
            << QStringLiteral("左のリストは 2 個存在しませんでした。\r\n\r\n右のリストは空です。");
        QTest::newRow("ticked at the first notice")
            << false << true << strings({"a.jpg", "c.jpg", "e.jpg"}) << strings({"0", "0", "1"}) << 1
            << QStringLiteral("左のリストは 2 個存在しませんでした。\r\n\r\n右のリストは空です。");
        // Groups 2 (a, b) and 3 (c, d, e): b and d are gone, so a is alone and goes too.
        QTest::newRow("result mode regroups")
            << true << false << strings({"c.jpg", "e.jpg"}) << strings({"3", "3"}) << 4
            << QStringLiteral("左のリストは 2 個存在しませんでした。\r\n\r\n右のリストは 2 個存在しませんでした。");
    }

    void openRemovesMissingFiles()
    {
        QFETCH(bool, resultMode);
        QFETCH(bool, tick);
        QFETCH(QStringList, leftNames);
        QFETCH(QStringList, leftLabels);
        QFETCH(int, notices);
        QFETCH(QString, summary);
        Fixture f;
        f.tickAtFirstNotice = tick;
        const QStringList labels = resultMode ? strings({"2", "2", "3", "-3", "3"}) : QStringList();
        const FileList left = f.files(strings({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}), labels);
        f.document.loadLists({left, resultMode ? left : FileList()}, {4, 0}, resultMode);
        const QString path = f.saveAs(QStringLiteral("gone.duov"));
        QVERIFY(QFile::remove(f.dir.filePath(QStringLiteral("pics/b.jpg"))));
        QVERIFY(QFile::remove(f.dir.filePath(QStringLiteral("pics/d.jpg"))));
        QVERIFY(f.commands.newDocument());

        QVERIFY(f.commands.openFile(path));
        QCOMPARE(f.notices.size(), notices);
        QCOMPARE(f.notices.first(),
            QStringLiteral("左のリスト内\r\nファイルが存在しません。\r\nリストから削除します。\r\n\r\n")
                + f.dir.filePath(QStringLiteral("pics/b.jpg")));
        QCOMPARE(columnTexts(f.document.fileList(0), 0), leftNames);
        QCOMPARE(columnTexts(f.document.fileList(0), -1), leftLabels);
        if (resultMode)
            QCOMPARE(columnTexts(f.document.fileList(1), -1), leftLabels);
        QCOMPARE(f.shell.callsOf(QStringLiteral("information")).constLast().text, summary);
        // What the check removed differs from the file: that is worth saving.
        QVERIFY(f.document.isModified());
    }

    void refusedFileKeepsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::newRow("a picture opened by mistake") << QByteArray("\xFF\xD8\xFF\xE0 JFIF picture data");
        QTest::newRow("a file that is gone") << QByteArray();
    }

    void refusedFileKeepsTheDocument()
    {
        QFETCH(QByteArray, content);
        Fixture f;
        f.document.loadLists({f.files(strings({"a.jpg"})), FileList()}, {0, 0}, false);
        const QString kept = f.saveAs(QStringLiteral("kept.duov"));
        const QString bad = f.dir.filePath(QStringLiteral("bad.duov"));
        if (!content.isEmpty())
            f.dir.writeFile(QStringLiteral("bad.duov"), content);
        f.recent.add(bad);

        QVERIFY(!f.commands.openFile(bad));
        const auto errors = f.shell.callsOf(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].text.startsWith(QStringLiteral("ドキュメントを開くことに失敗しました。\r\n\r\n") + bad));
        QCOMPARE(f.document.path(), kept);
        QCOMPARE(columnTexts(f.document.fileList(0), 0), QStringList{QStringLiteral("a.jpg")});
        // The next save still goes to the document that was open, not to the refused file.
        QVERIFY(f.commands.save());
        QCOMPARE(QFile(bad).size(), qint64(content.size()));
        QCOMPARE(f.recent.paths().contains(bad), !content.isEmpty());
    }

    void damagedDocumentOpensShort()
    {
        Fixture f;
        f.document.loadLists({f.files(strings({"a.jpg"})), FileList()}, {0, 0}, false);
        const QString path = f.saveAs(QStringLiteral("short.duov"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(12));
        QVERIFY(file.write(QByteArray("\x05\0\0\0", 4)) == 4); // five left entries announced, one present
        file.close();

        QVERIFY(f.commands.openFile(path));
        QCOMPARE(f.document.fileList(0).size(), 1);
        const auto warnings = f.shell.callsOf(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].text.contains(QStringLiteral("左のリスト: 5 件中 1 件")));
    }

    void asksBeforeDroppingAChangedDocument_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves, then drops") << Answer::Yes << true << true;
        QTest::newRow("no drops unsaved") << Answer::No << true << false;
        QTest::newRow("cancel keeps it") << Answer::Cancel << false << false;
    }

    void asksBeforeDroppingAChangedDocument()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, dropped);
        QFETCH(bool, saved);
        Fixture f;
        f.document.loadLists({f.files(strings({"a.jpg", "b.jpg"})), FileList()}, {0, 0}, false);
        const QString path = f.saveAs(QStringLiteral("doc.duov"));
        const qint64 before = QFile(path).size();
        // A change made and undone needs no question.
        f.document.setPosition(0, 1);
        f.document.setPosition(0, 0);
        QVERIFY(f.commands.maySaveModified());
        QVERIFY(f.shell.callsOf(QStringLiteral("questionWithCancel")).isEmpty());

        f.document.removeRows(0, {1});
        f.shell.threeWayAnswers.enqueue(answer);
        QCOMPARE(f.commands.newDocument(), dropped);
        const auto asked = f.shell.callsOf(QStringLiteral("questionWithCancel"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("doc.duov への変更を保存しますか?"));
        QCOMPARE(f.document.fileList(0).isEmpty(), dropped);
        QCOMPARE(QFile(path).size() < before, saved);
    }

    void failedSaveKeepsThePath()
    {
        Fixture f;
        f.document.loadLists({f.files(strings({"a.jpg"})), FileList()}, {0, 0}, false);
        f.dir.writeFile(QStringLiteral("blocker"), "a file where a folder should be");
        QVERIFY(f.saveAs(QStringLiteral("blocker/doc.duov")).isEmpty());
        const auto errors = f.shell.callsOf(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].text.startsWith(QStringLiteral("ドキュメントの保存に失敗しました。")));
        QVERIFY(f.document.path().isEmpty());
        QVERIFY(f.document.isModified());
        QVERIFY(f.recent.paths().isEmpty());
    }
};

QTEST_GUILESS_MAIN(DocumentFileCommandTest)
#include "documentfilecommandtest.moc"
