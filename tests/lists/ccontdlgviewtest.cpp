#include <QCheckBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "app/cduovueapp.h"
#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/filelistmodel.h"
#include "lists/ccontdlgview.h"
#include "lists/cduovueview.h"
#include "lists/cprogdlg.h"
#include "lists/guifillprogress.h"
#include "mainframe/cmainframe.h"
#include "resources/progressframes.h"
#include "support/fakeshell.h"
#include "support/testdir.h"
#include "viewer/cimgview.h"

using namespace Duovue;

namespace
{

struct Fixture {
    Test::TestDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
    Test::FakeShell shell;
    CDuovueApp app{store, shell, shell};

    CMainFrame *frame() const { return app.mainFrame(); }
    CContDlgView *form(int side) const { return static_cast<CContDlgView *>(frame()->controlForm(side)); }
    CDuovueView *list(int side) const { return static_cast<CDuovueView *>(frame()->listView(side)); }
};

} // namespace

class CContDlgViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void folderButtonFillsTheSide()
    {
        Fixture f;
        f.dir.writeFile(QStringLiteral("pics/a.jpg"));
        f.dir.writeFile(QStringLiteral("pics/b.gif"));
        f.dir.writeFile(QStringLiteral("pics/sub/c.bmp"));
        f.dir.writeFile(QStringLiteral("pics/notes.txt"));
        QVERIFY(f.app.initInstance());
        f.app.session().lastFolder[1] = QStringLiteral("/start");
        CContDlgView *form = f.form(1);
        QCOMPARE(form->totalText(), QStringLiteral("総アイテム数:     0"));
        QCOMPARE(form->selectedText(), QStringLiteral("選択アイテム数:     0"));

        f.shell.folderAnswers << f.dir.filePath(QStringLiteral("pics/"));
        QTest::mouseClick(form->folderButton(), Qt::LeftButton);
        const auto chosen = f.shell.callsOf(QStringLiteral("chooseFolder"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0].caption, QStringLiteral("画像のあるフォルダを選択してください。"));
        QCOMPARE(chosen[0].text, QStringLiteral("/start"));
        QCOMPARE(f.app.session().lastFolder[1], f.dir.filePath(QStringLiteral("pics/")));
        QCOMPARE(f.app.document().fileList(1).size(), 2);
        QCOMPARE(f.list(1)->fileModel()->rowCount(), 2);
        QCOMPARE(f.list(1)->model()->index(0, 1).data().toString(), f.dir.filePath(QStringLiteral("pics/")));
        QCOMPARE(form->totalText(), QStringLiteral("総アイテム数:     2"));
        QVERIFY(f.app.document().fileList(0).isEmpty());

        // With subfolders and "追加": appended, the mark stays on the first file.
        form->findChild<QCheckBox *>(QStringLiteral("SubfolderBox"))->setChecked(true);
        form->findChild<QRadioButton *>(QStringLiteral("AddRadio"))->setChecked(true);
        f.shell.folderAnswers << f.dir.filePath(QStringLiteral("pics"));
        QTest::mouseClick(form->folderButton(), Qt::LeftButton);
        QCOMPARE(f.app.document().fileList(1).size(), 5);
        QCOMPARE(f.app.document().fileList(1).primary(0), QStringLiteral("1"));
        QCOMPARE(f.app.document().fileList(1).column(0, 4), QStringLiteral("c.bmp"));
        QCOMPARE(form->totalText(), QStringLiteral("総アイテム数:     5"));

        // Cancelled: nothing changes.
        QTest::mouseClick(form->folderButton(), Qt::LeftButton);
        QCOMPARE(f.app.document().fileList(1).size(), 5);

        f.list(1)->selectAll();
        QCOMPARE(form->selectedText(), QStringLiteral("選択アイテム数:     5"));
    }

    void focusedRowShowsInThePictureAndNewFillClearsIt()
    {
        Fixture f;
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        f.dir.makeDir(QStringLiteral("pics"));
        QVERIFY(picture.save(f.dir.filePath(QStringLiteral("pics/a.jpg")), "JPEG"));
        QVERIFY(picture.save(f.dir.filePath(QStringLiteral("pics/b.bmp")), "BMP"));
        QVERIFY(f.app.initInstance());
        f.shell.folderAnswers << f.dir.filePath(QStringLiteral("pics"));
        QTest::mouseClick(f.form(0)->folderButton(), Qt::LeftButton);
        auto *pane = qobject_cast<CImgView *>(f.frame()->picturePane(0));
        QVERIFY(pane);
        f.list(0)->setCurrentIndex(f.list(0)->model()->index(1, 0));
        QTRY_VERIFY(pane->hasPicture());
        QCOMPARE(pane->imageInfo().path, f.dir.filePath(QStringLiteral("pics/b.bmp")));

        // A new fill of the side starts with an empty pane.
        f.shell.folderAnswers << f.dir.filePath(QStringLiteral("pics"));
        QTest::mouseClick(f.form(0)->folderButton(), Qt::LeftButton);
        QVERIFY(!pane->hasPicture());
        QCOMPARE(f.app.document().fileList(0).size(), 2);
    }

    // The main window runs a list's menu command on its selection; a side the command empties
    // starts over with "新規".
    void listCommandThatEmptiesTheSideResetsIt()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        FileList list;
        list.append(FileList::Entry{{QStringLiteral("a.jpg"), f.dir.filePath(QStringLiteral("pics/"))}, {}});
        f.app.document().loadLists({list, FileList()}, {0, 0}, false);
        f.form(0)->findChild<QRadioButton *>(QStringLiteral("AddRadio"))->setChecked(true);
        f.list(0)->selectRow(0);
        f.shell.answers << true;
        f.list(0)->menuAction(false, IdListRemove)->trigger();
        QCOMPARE(f.shell.callsOf(QStringLiteral("question")).first().text,
            QStringLiteral("選択アイテムをリストから削除しますか？"));
        QVERIFY(f.app.document().fileList(0).isEmpty());
        QVERIFY(f.form(0)->findChild<QRadioButton *>(QStringLiteral("NewRadio"))->isChecked());
        QCOMPARE(f.form(0)->totalText(), QStringLiteral("総アイテム数:     0"));
        QCOMPARE(f.form(0)->selectedText(), QStringLiteral("選択アイテム数:     0"));
    }

    void subfolderBoxIsRemembered()
    {
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::IncludeSubfolders(1), 1).ok());
        QVERIFY(f.app.initInstance());
        QVERIFY(!f.form(0)->options().includeSubfolders);
        QVERIFY(f.form(1)->options().includeSubfolders);
        QCOMPARE(f.form(1)->options().mode, FillOptions::Mode::New);
        f.form(0)->setIncludeSubfolders(true);
        f.form(1)->setIncludeSubfolders(false);
        f.app.exitInstance();
        QCOMPARE(f.store.value(AppSettings::IncludeSubfolders(0)), 1);
        QCOMPARE(f.store.value(AppSettings::IncludeSubfolders(1)), 0);
    }

    void droppedFoldersGoToTheListsSide()
    {
        Fixture f;
        f.dir.writeFile(QStringLiteral("one/x.jpg"));
        f.dir.writeFile(QStringLiteral("two/y.jpg"));
        QVERIFY(f.app.initInstance());
        f.frame()->addDroppedPaths(1, {f.dir.filePath(QStringLiteral("one")), f.dir.filePath(QStringLiteral("two"))});
        QCOMPARE(f.list(1)->fileModel()->rowCount(), 2);
        QCOMPARE(f.form(1)->totalText(), QStringLiteral("総アイテム数:     2"));
        QCOMPARE(f.app.document().fileList(1).column(0, 1), QStringLiteral("y.jpg"));
        QCOMPARE(f.list(0)->fileModel()->rowCount(), 0);
    }

    void frameTakesOnlyALowerCaseDocumentDrop_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("document") << QStringList{QStringLiteral("/d/a.duov")} << true;
        QTest::newRow("upper case") << QStringList{QStringLiteral("/d/a.DUOV")} << false;
        QTest::newRow("folder") << QStringList{QStringLiteral("/d/pics")} << false;
        QTest::newRow("two documents") << QStringList{QStringLiteral("/d/a.duov"), QStringLiteral("/d/b.duov")}
                                       << false;
    }
    void frameTakesOnlyALowerCaseDocumentDrop()
    {
        QFETCH(QStringList, paths);
        QFETCH(bool, accepted);
        Fixture f;
        QVERIFY(f.app.initInstance());
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &p : paths)
            urls << QUrl::fromLocalFile(p);
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.frame(), &enter);
        QCOMPARE(enter.isAccepted(), accepted);
    }

    void progressDialogHoldsBackOtherInputAndAborts()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        QVERIFY(QTest::qWaitForWindowExposed(f.frame()));
        GuiFillProgress &host = f.frame()->fillProgress();
        host.begin();
        CProgDlg *dialog = host.progressDialog();
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("処理中"));
        QCOMPARE(dialog->abortButton()->text(), QStringLiteral("中　止 (&A)"));
        QVERIFY(!dialog->isModal());

        // A click on the folder button, delivered through its window as the window system would,
        // is held back while the work runs.
        QPushButton *button = f.form(0)->folderButton();
        const QPoint inFrame = button->mapTo(f.frame(), button->rect().center());
        QTest::mouseClick(f.frame()->windowHandle(), Qt::LeftButton, Qt::NoModifier, inFrame);
        QVERIFY(f.shell.callsOf(QStringLiteral("chooseFolder")).isEmpty());

        const QPoint onAbort = dialog->abortButton()->mapTo(dialog, dialog->abortButton()->rect().center());
        QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, Qt::NoModifier, onAbort);
        QVERIFY(f.app.session().abortRequested);
        QTest::keyClick(dialog, Qt::Key_Escape); // Esc asks to stop too, and leaves the dialog up
        QVERIFY(dialog->isVisible());

        f.app.session().abortRequested = false;
        host.end();
        QVERIFY(!host.progressDialog());
        QTest::mouseClick(f.frame()->windowHandle(), Qt::LeftButton, Qt::NoModifier, inFrame);
        QCOMPARE(f.shell.callsOf(QStringLiteral("chooseFolder")).size(), 1);
    }

    void animationRunsItsTenFrames()
    {
        const QList<QPixmap> frames = ProgressFrames::frames();
        QCOMPARE(frames.size(), 10);
        for (const QPixmap &p : frames)
            QCOMPARE(p.size(), QSize(168, 54));
        QVERIFY(frames[0].toImage() != frames[1].toImage());
        std::atomic<bool> abortRequested{false};
        CProgDlg dialog(abortRequested, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_COMPARE(dialog.currentFrame(), 3);
        QTRY_COMPARE(dialog.currentFrame(), 0); // an endless loop from the first to the last frame
    }
};

QTEST_MAIN(CContDlgViewTest)
#include "ccontdlgviewtest.moc"
