#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/cduovueapp.h"
#include "core/appsettings.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "mainframe/cmainframe.h"
#include "resources/commandtable.h"
#include "search/ccheckdlg.h"
#include "search/ccmpdlg.h"
#include "support/commandfixture.h"
#include "support/fakeshell.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
namespace SF = Duovue::Test::SearchFactory;

namespace
{

using Fixture = Test::CommandFixture;

// Two copies of one picture, one other picture.
QString makePictures(Test::TestDir &dir)
{
    const QByteArray jpeg = SF::jpeg(SF::pattern(160, 120, 1));
    dir.writeFile(QStringLiteral("pics/a.jpg"), jpeg);
    dir.writeFile(QStringLiteral("pics/sub/b.jpg"), jpeg);
    dir.writeFile(QStringLiteral("pics/c.jpg"), SF::jpeg(SF::pattern(160, 120, 2)));
    return dir.filePath(QStringLiteral("pics"));
}

QMimeData *urlsMime(const QStringList &paths)
{
    auto *mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    return mime;
}

// Answers the next modal dialog of type T with @p act once it shows.
template <typename T> void whenShown(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

} // namespace

class CCmpDlgTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readsAndWritesItsSettings()
    {
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::SearchMethod(), 0));
        QVERIFY(f.store.setValue(AppSettings::SearchPrecision(), 12));
        QVERIFY(f.store.setValue(AppSettings::SearchFolder(), QStringLiteral("/some/where")));
        {
            CCmpDlg dialog(f.context);
            QVERIFY(dialog.hashRadio()->isChecked());
            QVERIFY(!dialog.precisionSlider()->isEnabled()); // hash: no precision
            QCOMPARE(dialog.precisionSlider()->value(), 12);
            QCOMPARE(dialog.folderEdit()->text(), QStringLiteral("/some/where"));
            QVERIFY(!dialog.subfoldersBox()->isChecked());
            QVERIFY(!dialog.abortButton()->isEnabled());
            QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("現在の処理状態"));
            QCOMPARE(dialog.countLabel()->text(), QStringLiteral("処理数"));
            QVERIFY(dialog.bitmapRadio()->toolTip().startsWith(
                QStringLiteral("重複ファイルをビットマップを使って検索します。\n")));

            dialog.bitmapRadio()->click();
            QVERIFY(dialog.precisionSlider()->isEnabled());
            dialog.precisionSlider()->setValue(18);
            dialog.subfoldersBox()->setChecked(true);
            dialog.folderEdit()->setText(QStringLiteral("/else/where"));
        }
        QCOMPARE(f.store.value(AppSettings::SearchMethod()), 1);
        QCOMPARE(f.store.value(AppSettings::SearchPrecision()), 18);
        QCOMPARE(f.store.value(AppSettings::SearchSubfolders()), 1);
        QCOMPARE(f.store.value(AppSettings::SearchFolder()), QStringLiteral("/else/where"));
    }

    // The method is stored as 0, 1 or 2; a new settings file, and a value this version does not
    // know, open as the similar method. The precision applies to the bitmap and similar methods,
    // the grey option to the similar method only.
    void methodAndGreyOptionAreRemembered_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::addColumn<bool>("precision");
        QTest::addColumn<bool>("grey");
        QTest::newRow("hash") << 0 << 0 << false << false;
        QTest::newRow("bitmap") << 1 << 1 << true << false;
        QTest::newRow("similar") << 2 << 2 << true << true;
        QTest::newRow("unknown") << 7 << 2 << true << true;
        QTest::newRow("not stored") << -1 << 2 << true << true;
    }

    void methodAndGreyOptionAreRemembered()
    {
        QFETCH(int, stored);
        QFETCH(int, shown);
        QFETCH(bool, precision);
        QFETCH(bool, grey);
        Fixture f;
        if (stored >= 0)
            QVERIFY(f.store.setValue(AppSettings::SearchMethod(), stored));
        QVERIFY(f.store.setValue(AppSettings::SearchGreyCopies(), 1));
        {
            CCmpDlg dialog(f.context);
            const QRadioButton *radios[] = {dialog.hashRadio(), dialog.bitmapRadio(), dialog.similarRadio()};
            QVERIFY(radios[shown]->isChecked());
            QCOMPARE(dialog.precisionSlider()->isEnabled(), precision);
            QCOMPARE(dialog.greyCopiesBox()->isEnabled(), grey);
            QVERIFY(dialog.greyCopiesBox()->isChecked());
            dialog.greyCopiesBox()->setChecked(false);
        }
        QCOMPARE(f.store.value(AppSettings::SearchMethod()), shown);
        QCOMPARE(f.store.value(AppSettings::SearchGreyCopies()), 0);
    }

    void selectFolderUsesTheLeftRememberedFolder()
    {
        Fixture f;
        f.session.lastFolder[0] = QStringLiteral("/start");
        f.shell.folderAnswers.enqueue(QStringLiteral("/chosen"));
        CCmpDlg dialog(f.context);
        dialog.selectButton()->click();
        const auto calls = f.shell.callsOf(QStringLiteral("chooseFolder"));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].caption, QStringLiteral("画像のあるフォルダを選択してください。"));
        QCOMPARE(calls[0].text, QStringLiteral("/start"));
        QCOMPARE(dialog.folderEdit()->text(), QStringLiteral("/chosen"));
        QCOMPARE(f.session.lastFolder[0], QStringLiteral("/chosen"));
        dialog.selectButton()->click(); // cancelled: nothing changes
        QCOMPARE(dialog.folderEdit()->text(), QStringLiteral("/chosen"));
    }

    void emptyFolderNameIsAnError()
    {
        Fixture f;
        CCmpDlg dialog(f.context);
        dialog.folderEdit()->clear();
        dialog.startButton()->click();
        const auto errors = f.shell.callsOf(QStringLiteral("error"));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0].text, QStringLiteral("フォルダ名が空白です。"));
        QCOMPARE(errors[0].caption, QStringLiteral("エラー"));
        QVERIFY(!dialog.isRunning());
        QVERIFY(dialog.startButton()->isEnabled());
    }

    void folderDropTakesOneFolderOnly()
    {
        Test::TestDir dir;
        const QString folder = dir.makeDir(QStringLiteral("a"));
        const QString other = dir.makeDir(QStringLiteral("b"));
        const QString file = dir.writeFile(QStringLiteral("c.jpg"), "x");
        std::unique_ptr<QMimeData> one(urlsMime({folder}));
        std::unique_ptr<QMimeData> two(urlsMime({folder, other}));
        std::unique_ptr<QMimeData> aFile(urlsMime({file}));
        QCOMPARE(CFolderDropEdit::droppedFolder(one.get()), folder);
        QVERIFY(CFolderDropEdit::droppedFolder(two.get()).isEmpty());
        QVERIFY(CFolderDropEdit::droppedFolder(aFile.get()).isEmpty());

        CFolderDropEdit edit;
        edit.setText(QStringLiteral("old"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, one.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(1, 1), Qt::CopyAction, one.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
        QCOMPARE(edit.text(), folder);
        QDropEvent ignored(QPointF(1, 1), Qt::CopyAction, two.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &ignored);
        QCOMPARE(edit.text(), folder);
    }

    void searchWritesResultsAndCloses_data()
    {
        QTest::addColumn<bool>("similar");
        QTest::newRow("bitmap") << false;
        QTest::newRow("similar") << true;
    }

    void searchWritesResultsAndCloses()
    {
        QFETCH(bool, similar);
        Fixture f;
        const QString folder = makePictures(f.dir);
        const QString broken = f.dir.writeFile(QStringLiteral("pics/broken.jpg"), "not a picture");
        CCmpDlg dialog(f.context);
        dialog.folderEdit()->setText(folder + QStringLiteral("//"));
        dialog.subfoldersBox()->setChecked(true);
        (similar ? dialog.similarRadio() : dialog.bitmapRadio())->click();
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.startButton()->click();
        QVERIFY(!dialog.startButton()->isEnabled());
        QVERIFY(!dialog.closeButton()->isEnabled());
        QVERIFY(!dialog.precisionSlider()->isEnabled());
        QVERIFY(!dialog.greyCopiesBox()->isEnabled());
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.first().at(0).toInt(), int(QDialog::Rejected));
        const auto info = f.shell.callsOf(QStringLiteral("information"));
        QCOMPARE(info.size(), 1);
        QCOMPARE(info[0].text,
            QStringLiteral("1 組、2 個の重複ファイルが見つかりました。\n読めなかったファイル: 1\n") + broken);
        QCOMPARE(info[0].caption, QStringLiteral("結果"));
        QVERIFY(f.document.resultMode());
        QCOMPARE(f.document.fileList(0).size(), 2);
        QCOMPARE(f.document.fileList(1).primary(1), QStringLiteral("2"));
        QCOMPARE(f.document.fileList(0).column(5, 0), QStringLiteral("160"));
        QVERIFY(f.document.dimensionColumnsShown());
    }

    void searchWithoutDuplicatesSaysSo()
    {
        Fixture f;
        f.dir.writeFile(QStringLiteral("one/x.jpg"), SF::jpeg(SF::pattern(50, 50, 3)));
        CCmpDlg dialog(f.context);
        dialog.folderEdit()->setText(f.dir.filePath(QStringLiteral("one")));
        dialog.hashRadio()->click();
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.startButton()->click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(f.shell.callsOf(QStringLiteral("information")).value(0).text,
            QStringLiteral("重複ファイルはありませんでした。"));
        QVERIFY(!f.document.resultMode());
        QCOMPARE(dialog.applied().items, 0);
    }

    void escapeDoesNotEndARunningSearch()
    {
        Fixture f;
        const QByteArray big = SF::jpeg(SF::pattern(2000, 1500, 5));
        for (int i = 0; i < 12; ++i)
            f.dir.writeFile(QStringLiteral("many/p%1.jpg").arg(i), big);
        CCmpDlg dialog(f.context);
        dialog.folderEdit()->setText(f.dir.filePath(QStringLiteral("many")));
        dialog.bitmapRadio()->click();
        dialog.show();
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.startButton()->click();
        dialog.reject();
        QVERIFY(dialog.isVisible() || finished.count() == 1);
        dialog.abortButton()->click();
        if (dialog.isRunning())
            QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("中止しました。"));
        QVERIFY(finished.count() == 1 || finished.wait(20000));
        // Whatever was keyed before the abort is still compared and reported.
        QCOMPARE(f.shell.callsOf(QStringLiteral("information")).size(), 1);
    }

    void checkDialogRules()
    {
        {
            CCheckDlg dialog(3);
            QVERIFY(dialog.ruleRadio(3)->isChecked());
            QCOMPARE(dialog.ruleRadio(6)->text(), QStringLiteral("幅が小さいもの(&D)"));
            QCOMPARE(dialog.decideButton()->toolTip(), QStringLiteral("現在の設定でチェックしていきます。"));
            dialog.ruleRadio(5)->setChecked(true);
            dialog.reject(); // closed another way: the stored rule stands
            QCOMPARE(dialog.chosenRule(), 3);
        }
        CCheckDlg dialog(0);
        dialog.ruleRadio(2)->setChecked(true);
        dialog.decideButton()->click();
        QCOMPARE(dialog.chosenRule(), 2);
    }

    // The whole command from the main window: the question, the search, the auto-check.
    void commandRunsSearchAndAutoCheck()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        Test::FakeShell shell;
        CDuovueApp app(store, shell, shell);
        QVERIFY(app.initInstance());
        CMainFrame *frame = app.mainFrame();
        QVERIFY(store.setValue(AppSettings::SearchFolder(), makePictures(dir)));
        QVERIFY(store.setValue(AppSettings::SearchSubfolders(), 1));
        QVERIFY(store.setValue(AppSettings::SearchMethod(), 0));
        QVERIFY(store.setValue(AppSettings::AutoCheckRule(), 2));

        // Lists holding entries: No ends the command with nothing changed.
        FileList one;
        one.append(FileList::Entry{{QStringLiteral("a.jpg"), QStringLiteral("/p/")}, QStringLiteral("0")});
        app.document().appendEntries(0, one);
        QAction *command = frame->action(IdSimilarSearch);
        QVERIFY(command->isEnabled());
        command->trigger();
        QCOMPARE(shell.callsOf(QStringLiteral("question")).size(), 1);
        QCOMPARE(shell.callsOf(QStringLiteral("question"))[0].text,
            QStringLiteral("現在のリストはすべてクリアされます。\r\n続けますか？"));
        QCOMPARE(app.document().fileList(0).size(), 1);

        shell.answers.enqueue(true);
        whenShown<CCmpDlg>([](CCmpDlg *d) {
            d->startButton()->click();
        });
        whenShown<CCheckDlg>([](CCheckDlg *d) {
            d->ruleRadio(1)->setChecked(true);
            d->decideButton()->click();
        });
        command->trigger();
        QCOMPARE(shell.callsOf(QStringLiteral("information")).size(), 1);
        QVERIFY(app.document().resultMode());
        QVERIFY(frame->windowTitle().endsWith(QStringLiteral(" ※比較モード")));
        QCOMPARE(app.document().fileList(0).size(), 2);
        // Rule 1 on two equal sizes keeps the first row.
        QCOMPARE(app.document().fileList(0).primary(0), QStringLiteral("2"));
        QCOMPARE(app.document().fileList(1).primary(1), QStringLiteral("-2"));
        QCOMPARE(store.value(AppSettings::AutoCheckRule()), 1);

        // A second search keeps one mark; the lists are not empty now, so it asks again.
        shell.answers.enqueue(true);
        whenShown<CCmpDlg>([](CCmpDlg *d) {
            d->startButton()->click();
        });
        whenShown<CCheckDlg>([](CCheckDlg *d) {
            d->reject();
        });
        command->trigger();
        QCOMPARE(frame->windowTitle().count(QStringLiteral("※比較モード")), 1);
        QCOMPARE(app.document().fileList(0).primary(1), QStringLiteral("-2")); // stored rule 1 again
        app.exitInstance();
    }
};

QTEST_MAIN(CCmpDlgTest)
#include "ccmpdlgtest.moc"
