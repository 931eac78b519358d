#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include "document/cduovuedoc.h"
#include "pairtools/cnothingdlg.h"
#include "pairtools/pairtoolscommand.h"
#include "support/commandfixture.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/searchfactory.h"

using namespace Duovue;
namespace SF = Duovue::Test::SearchFactory;

namespace
{

struct Fixture : Test::CommandFixture {
    /// Lists a file with the given content as entry 0 of each side and loads it into that side's
    /// preview pane; a null @p right lists a file that does not exist.
    void loadPair(const QByteArray &left, const QByteArray &right, const char *rightName = "r.jpg")
    {
        const QByteArray contents[2] = {left, right};
        const char *names[2] = {"l.jpg", rightName};
        for (int side = 0; side < 2; ++side) {
            const QString name = QString::fromLatin1(names[side]);
            FileList list;
            list.append(
                Test::entryFor(contents[side].isNull() ? dir.filePath(name) : dir.writeFile(name, contents[side])));
            document.appendEntries(side, list);
            (void)document.loadPicture(side, 0);
        }
    }
};

void closeModal(QWidget *modal)
{
    modal->close();
}

} // namespace

class PairToolsCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A pair whose right file was missing at entry 0 has load marker 0 and the missing-file
    // placeholder as its picture; the tools once took that for a loaded pair.
    void comparisonsIgnoreAPairThatFailedToLoad_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("binary") << 0;
        QTest::newRow("analysis") << 1;
        QTest::newRow("jpeg") << 2;
    }

    void comparisonsIgnoreAPairThatFailedToLoad()
    {
        QFETCH(int, command);
        Fixture f;
        f.loadPair(SF::jpeg(SF::pattern(64, 48, 1)), QByteArray());
        QCOMPARE(f.document.pane(1).loadMarker, 0);
        QVERIFY(f.document.pane(1).hasPicture());
        QVERIFY(!f.document.isPairLoaded());
        void (*const commands[])(const CommandContext &) = {runBinaryCompare, runDifferenceAnalysis, runJpegCompare};
        QCOMPARE(Test::answerModals(
                     [&] {
                         commands[command](f.context);
                     },
                     closeModal),
            0);
        QVERIFY(f.shell.calls.isEmpty());
    }

    void binaryCompareOfTheSameFileSaysSo()
    {
        Fixture f;
        const QByteArray jpeg = SF::jpeg(SF::pattern(64, 48, 1));
        f.loadPair(jpeg, jpeg);
        runBinaryCompare(f.context);
        const QList<Test::FakeShell::Call> info = f.shell.callsOf(QStringLiteral("information"));
        QCOMPARE(info.size(), 1);
        QCOMPARE(info[0].text, QStringLiteral("相違点はありませんでした。\r\n\r\n同じ画像です。"));
        QCOMPARE(info[0].caption, QStringLiteral("確認"));
        QVERIFY(!f.session.abortRequested);
    }

    void jpegCompareNamesTheSideThatIsNotJpeg()
    {
        Fixture f;
        f.loadPair(SF::jpeg(SF::pattern(64, 48, 1)), Test::ImagingFactory::gif(QSize(8, 8)), "r.gif");
        QVERIFY(f.document.isPairLoaded());
        runJpegCompare(f.context);
        const QList<Test::FakeShell::Call> errors = f.shell.callsOf(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].text,
            QStringLiteral("右の画像はJPEGではありません。\r\n\r\n") + f.dir.filePath(QStringLiteral("r.gif")));
        QCOMPARE(errors[0].caption, QStringLiteral("エラー"));
    }

    // The position stays on its file; when its own file is gone it goes to row 0, on that side only.
    void existenceCheckRemovesDeletedFiles_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QList<int>>("deleted");
        QTest::addColumn<int>("positionAfter");
        QTest::newRow("rows above the position") << 4 << QList<int>{1, 2} << 2;
        QTest::newRow("the position's own row") << 3 << QList<int>{1, 3} << 0;
    }

    void existenceCheckRemovesDeletedFiles()
    {
        QFETCH(int, position);
        QFETCH(QList<int>, deleted);
        QFETCH(int, positionAfter);
        Fixture f;
        for (int side = 0; side < 2; ++side) {
            FileList list;
            for (int i = 0; i < 5; ++i)
                list.append(Test::entryFor(f.dir.writeFile(QStringLiteral("%1/%2.jpg").arg(side).arg(i), "x")));
            f.document.appendEntries(side, list);
            f.document.setPosition(side, position);
        }
        for (int row : deleted)
            QVERIFY(QFile::remove(f.dir.filePath(QStringLiteral("0/%1.jpg").arg(row))));

        QStringList notices;
        const int opened = Test::answerModals(
            [&] {
                runExistenceCheck(f.context);
            },
            [&](QWidget *modal) {
                if (auto *notice = qobject_cast<CNothingDlg *>(modal)) {
                    notices << notice->textLabel()->text();
                    notice->okButton()->click();
                } else {
                    modal->close();
                }
            });
        QCOMPARE(opened, 2);
        QVERIFY(notices[1].endsWith(f.dir.filePath(QStringLiteral("0/%1.jpg").arg(deleted[1]))));
        QCOMPARE(f.document.fileList(0).size(), 3);
        QCOMPARE(f.document.position(0), positionAfter);
        QCOMPARE(f.document.fileList(0).primary(positionAfter), QStringLiteral("1"));
        QCOMPARE(f.document.position(1), position);
        const QList<Test::FakeShell::Call> info = f.shell.callsOf(QStringLiteral("information"));
        QCOMPARE(info.size(), 1);
        QCOMPARE(info[0].text,
            QStringLiteral("左のリストは 2 個存在しませんでした。\r\n\r\n右のリストはすべて有りました。"));
        QCOMPARE(info[0].caption, QStringLiteral("確認結果"));
    }

    // In result mode a group left with one member goes too, from both lists, and the groups are
    // numbered again.
    void existenceCheckRegroupsResultRows()
    {
        Fixture f;
        std::vector<FileList::Entry> rows;
        const char *groups[] = {"2", "2", "-3", "3", "3"};
        for (int i = 0; i < 5; ++i) {
            FileList::Entry e = Test::entryFor(f.dir.writeFile(QStringLiteral("%1.jpg").arg(i), "x"));
            e.primary = QString::fromLatin1(groups[i]);
            rows.push_back(e);
        }
        f.document.applySearchResults(rows);
        QVERIFY(QFile::remove(f.dir.filePath(QStringLiteral("1.jpg"))));
        const auto ok = [](QWidget *modal) {
            if (auto *notice = qobject_cast<CNothingDlg *>(modal))
                notice->okButton()->click();
            else
                modal->close();
        };
        QCOMPARE(Test::answerModals(
                     [&] {
                         runExistenceCheck(f.context);
                     },
                     ok),
            2);
        for (int side = 0; side < 2; ++side) {
            QCOMPARE(Test::columnTexts(f.document.fileList(side), 0),
                QStringList({QStringLiteral("2.jpg"), QStringLiteral("3.jpg"), QStringLiteral("4.jpg")}));
            QCOMPARE(Test::columnTexts(f.document.fileList(side), -1),
                QStringList({QStringLiteral("-3"), QStringLiteral("3"), QStringLiteral("3")}));
        }
        QCOMPARE(f.shell.callsOf(QStringLiteral("information")).value(0).text,
            QStringLiteral("左のリストは 1 個存在しませんでした。\r\n\r\n右のリストは 1 個存在しませんでした。"));
    }

    void existenceCheckOfEmptyListsSaysNothing()
    {
        Fixture f;
        runExistenceCheck(f.context);
        QVERIFY(f.shell.calls.isEmpty());
    }
};

QTEST_MAIN(PairToolsCommandTest)
#include "pairtoolscommandtest.moc"
