#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThreadPool>

#include "app/cduovueapp.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "imaging/cinfodlg.h"
#include "imaging/cpreviewdlg.h"
#include "mainframe/cmainframe.h"
#include "resources/commandtable.h"
#include "support/fakeshell.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"
#include "viewer/cimgview.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;
using Duovue::Test::entryFor;

class CImgViewTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture {
        Test::TestDir dir;
        CDuovueDoc document;
        Test::FakeShell shell;
        CImgView pane{document, shell, 0};

        Fixture()
        {
            pane.resize(300, 200);
            pane.show();
        }
        void add(const QString &name, const QByteArray &bytes) { append(entryFor(dir.writeFile(name, bytes))); }
        void addMissing(const QString &name) { append(entryFor(dir.filePath(name))); }
        void append(const FileList::Entry &entry)
        {
            FileList list;
            list.append(entry);
            document.appendEntries(0, list);
        }
    };

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup();

    void loadsPictureWithToolTipText();
    void missingFileShowsPlaceholder();
    void backgroundLoadsCollapseToNewest();
    void dropsResultWhenListChangedMeanwhile();
    void refillDuringLoadStillShowsNewRow();
    void listFocusWaitsWhilePopupIsOpen();
    void leftClickOpensPopupOnce();
    void popupClosesAndClearsFlag_data();
    void popupClosesAndClearsFlag();
    void smallPictureCannotBePanned();
    void largePicturePansToItsCorner();
    void narrowPictureIsRefused();
    void clickWithoutPictureDoesNothing();
    void infoDialogShortensTitle();
    void mainWindowHasPreviewPanes();
};

void CImgViewTest::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<CPreviewDlg *>(w))
            delete w;
}

void CImgViewTest::loadsPictureWithToolTipText()
{
    Fixture f;
    f.add(QStringLiteral("a.jpg"), encodedJpeg(QSize(120, 60), 72));
    QSignalSpy loaded(&f.pane, &CImgView::pictureLoaded);

    QVERIFY(f.pane.loadPicture(0));
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(f.pane.bitmap().size(), QSize(120, 60));
    QCOMPARE(f.document.pane(0).loadMarker, 0);
    QVERIFY(f.document.pane(0).loadSucceeded);
    QCOMPARE(f.pane.toolTipText().count(u'\n'), 2);
    QVERIFY(!f.pane.toolTipText().contains(u'\r'));
    QCOMPARE(
        f.pane.toolTipText(), QString(f.pane.informationText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    // Out of range: refused, nothing changes.
    QVERIFY(!f.pane.loadPicture(5));
    QCOMPARE(f.pane.bitmap().size(), QSize(120, 60));
    QCOMPARE(loaded.count(), 1);
}

void CImgViewTest::missingFileShowsPlaceholder()
{
    Fixture f;
    f.add(QStringLiteral("a.gif"), gif(QSize(8, 8)));
    f.addMissing(QStringLiteral("gone.jpg"));
    QSignalSpy changed(&f.document, &CDuovueDoc::rowsChanged);

    QVERIFY(f.pane.loadPicture(0));
    QVERIFY(!f.pane.loadPicture(1));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0), (QVariantList{0, 1, 1}));
    const QImage shown = f.pane.bitmap();
    QCOMPARE(shown.size(), QSize(223, 30));
    QCOMPARE(shown.format(), QImage::Format_RGB32);
    QCOMPARE(shown.pixel(0, 0), qRgb(255, 255, 255));
    bool hasRed = false;
    for (int y = 0; y < shown.height() && !hasRed; ++y)
        for (int x = 0; x < shown.width() && !hasRed; ++x)
            hasRed = qRed(shown.pixel(x, y)) > 200 && qGreen(shown.pixel(x, y)) < 80;
    QVERIFY(hasRed);
    QVERIFY(f.pane.toolTipText().isEmpty());
    QCOMPARE(f.document.fileList(0).column(0, 1), QStringLiteral("ファイルがありません"));
}

void CImgViewTest::backgroundLoadsCollapseToNewest()
{
    Fixture f;
    for (int i = 0; i < 6; ++i)
        f.add(QStringLiteral("p%1.bmp").arg(i), windowsBmp(QSize(10 + i, 10), 2835, 2835));
    QSignalSpy loaded(&f.pane, &CImgView::pictureLoaded);

    for (int i = 0; i < 6; ++i) {
        f.pane.requestPicture(i);
        // The pane is empty, and not a good picture for the pair tools, until the load is done.
        QVERIFY(!f.pane.hasPicture());
        QVERIFY(!f.document.pane(0).loadSucceeded);
    }
    QVERIFY(f.pane.isLoading());
    QTRY_VERIFY(!f.pane.isLoading());
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded.at(0).at(1).toInt(), 5);
    QCOMPARE(f.pane.bitmap().width(), 15);
    QCOMPARE(f.pane.imageInfo().listIndex, 5);
    QVERIFY(f.document.pane(0).loadSucceeded);

    // A file read on its thread is still loading until the pane holds the picture.
    f.pane.requestPicture(2);
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(f.pane.isLoading());
    QTRY_VERIFY(!f.pane.isLoading());
    QCOMPARE(loaded.count(), 2);
}

void CImgViewTest::dropsResultWhenListChangedMeanwhile()
{
    Fixture f;
    f.add(QStringLiteral("a.bmp"), windowsBmp(QSize(10, 10), 0, 0));
    f.add(QStringLiteral("b.bmp"), windowsBmp(QSize(20, 10), 0, 0));
    QSignalSpy loaded(&f.pane, &CImgView::pictureLoaded);

    f.pane.requestPicture(1);
    // The list is cut before the result can come back: entry 1 is no longer the file that is read.
    f.document.removeRows(0, {1});
    QTRY_VERIFY(!f.pane.isLoading());
    QCOMPARE(loaded.count(), 0);
    QVERIFY(!f.pane.hasPicture());

    // A synchronous load drops a background load still running.
    f.add(QStringLiteral("c.bmp"), windowsBmp(QSize(30, 10), 0, 0));
    f.pane.requestPicture(1);
    QVERIFY(f.pane.loadPicture(0));
    QTRY_VERIFY(!f.pane.isLoading());
    QCOMPARE(f.pane.bitmap().width(), 10);
    QCOMPARE(loaded.count(), 1);
}

void CImgViewTest::refillDuringLoadStillShowsNewRow()
{
    Fixture f;
    f.add(QStringLiteral("a.bmp"), windowsBmp(QSize(10, 10), 0, 0));
    f.add(QStringLiteral("b.bmp"), windowsBmp(QSize(20, 10), 0, 0));
    // The pool's one thread is held, so the first load is still running when the list is refilled
    // and the new row gets the focus.
    QThreadPool *pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    QSemaphore hold;
    const auto restore = qScopeGuard([&] {
        hold.release();
        pool->waitForDone();
        pool->setMaxThreadCount(threads);
    });
    pool->start([&hold] {
        hold.acquire();
    });
    f.pane.requestPicture(1);

    FileList refill;
    refill.append(entryFor(f.dir.writeFile(QStringLiteral("c.bmp"), windowsBmp(QSize(30, 10), 0, 0))));
    refill.append(entryFor(f.dir.writeFile(QStringLiteral("d.bmp"), windowsBmp(QSize(40, 10), 0, 0))));
    f.document.clearSide(0); // a "新規" fill
    f.document.appendEntries(0, refill);
    f.pane.requestPicture(1);
    hold.release();
    QTRY_COMPARE(f.pane.bitmap().width(), 40);
    QCOMPARE(f.pane.imageInfo().path, f.dir.filePath(QStringLiteral("d.bmp")));
}

void CImgViewTest::listFocusWaitsWhilePopupIsOpen()
{
    Fixture f;
    f.add(QStringLiteral("a.bmp"), windowsBmp(QSize(40, 10), 0, 0));
    f.add(QStringLiteral("b.bmp"), windowsBmp(QSize(50, 10), 0, 0));
    QVERIFY(f.pane.loadPicture(0));
    f.pane.openPreviewPopup();
    QVERIFY(f.pane.isPopupOpen());
    f.pane.showListEntry(1);
    QVERIFY(!f.pane.isLoading());
    f.pane.previewPopup()->close();
    f.pane.showListEntry(1);
    QTRY_COMPARE(f.pane.bitmap().width(), 50);
}

void CImgViewTest::leftClickOpensPopupOnce()
{
    Fixture f;
    f.add(QStringLiteral("a.jpg"), encodedJpeg(QSize(64, 32)));
    QVERIFY(f.pane.loadPicture(0));

    QTest::mouseClick(&f.pane, Qt::LeftButton);
    CPreviewDlg *popup = f.pane.previewPopup();
    QVERIFY(popup);
    QVERIFY(f.pane.isPopupOpen());
    QCOMPARE(popup->windowTitle(), f.dir.filePath(QStringLiteral("a.jpg")));
    QVERIFY(QTest::qWaitForWindowExposed(popup));

    QTest::mouseClick(&f.pane, Qt::LeftButton);
    QCOMPARE(f.pane.previewPopup(), popup);
    QVERIFY(f.shell.calls.isEmpty());
}

void CImgViewTest::popupClosesAndClearsFlag_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Escape") << 0;
    QTest::newRow("double click") << 1;
    QTest::newRow("close box") << 2;
}

void CImgViewTest::popupClosesAndClearsFlag()
{
    QFETCH(int, how);
    Fixture f;
    f.add(QStringLiteral("a.jpg"), encodedJpeg(QSize(64, 32)));
    QVERIFY(f.pane.loadPicture(0));
    f.pane.openPreviewPopup();
    QPointer<CPreviewDlg> popup = f.pane.previewPopup();
    QVERIFY(popup);
    QVERIFY(QTest::qWaitForWindowExposed(popup));

    if (how == 0)
        QTest::keyClick(popup, Qt::Key_Escape);
    else if (how == 1)
        QTest::mouseDClick(popup, Qt::LeftButton);
    else
        popup->close();
    QVERIFY(!f.pane.isPopupOpen());
    QTRY_VERIFY(popup.isNull());

    f.pane.openPreviewPopup();
    QVERIFY(f.pane.previewPopup());
    QVERIFY(f.pane.isPopupOpen());
}

void CImgViewTest::smallPictureCannotBePanned()
{
    Fixture f;
    f.add(QStringLiteral("small.bmp"), windowsBmp(QSize(100, 50), 0, 0));
    QVERIFY(f.pane.loadPicture(0));
    f.pane.openPreviewPopup();
    CPreviewDlg *popup = f.pane.previewPopup();
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    QVERIFY(popup->width() <= 100);
    QVERIFY(popup->height() <= 50);
    QCOMPARE(popup->cursor().shape(), Qt::OpenHandCursor);

    QTest::mousePress(popup, Qt::LeftButton, {}, QPoint(50, 25));
    QCOMPARE(popup->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(popup, QPoint(10, 5));
    QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(10, 5));
    QCOMPARE(popup->scrollOffset(), QPoint(0, 0));
    QCOMPARE(popup->cursor().shape(), Qt::OpenHandCursor);
}

void CImgViewTest::largePicturePansToItsCorner()
{
    Fixture f;
    f.add(QStringLiteral("large.bmp"), windowsBmp(QSize(4000, 3000), 0, 0));
    QVERIFY(f.pane.loadPicture(0));
    f.pane.openPreviewPopup();
    CPreviewDlg *popup = f.pane.previewPopup();
    QVERIFY(QTest::qWaitForWindowExposed(popup));
    const QRect work = popup->screen()->availableGeometry();
    QCOMPARE(popup->frameGeometry().right() + 1, work.width() / 2); // the left pane's popup ends mid-screen
    QVERIFY(popup->frameGeometry().width() <= work.width() / 2);

    // Drag far up and left in steps: the picture stops with its corner at the window's corner.
    QPoint at(popup->width() - 5, popup->height() - 5);
    QTest::mousePress(popup, Qt::LeftButton, {}, at);
    for (int i = 0; i < 10; ++i) {
        at -= QPoint(600, 600);
        QTest::mouseMove(popup, at);
    }
    QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
    QCOMPARE(popup->scrollOffset(), QPoint(popup->width() - 4000, popup->height() - 3000));
}

void CImgViewTest::narrowPictureIsRefused()
{
    Fixture f;
    f.add(QStringLiteral("narrow.gif"), gif(QSize(29, 400)));
    QVERIFY(f.pane.loadPicture(0));
    QTest::mouseClick(&f.pane, Qt::LeftButton);
    QVERIFY(!f.pane.previewPopup());
    QVERIFY(!f.pane.isPopupOpen());
    const QList<Test::FakeShell::Call> errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).text, QStringLiteral("画像が小さ過ぎます。"));
    QCOMPARE(errors.at(0).caption, QStringLiteral("エラー"));
}

void CImgViewTest::clickWithoutPictureDoesNothing()
{
    Fixture f;
    f.add(QStringLiteral("bad.jpg"), QByteArray("nothing"));
    QVERIFY(!f.pane.loadPicture(0));
    QTest::mouseClick(&f.pane, Qt::LeftButton);
    QVERIFY(!f.pane.previewPopup());
    QVERIFY(f.shell.calls.isEmpty());
}

void CImgViewTest::infoDialogShortensTitle()
{
    const QString title = QStringLiteral("/home/user/pictures/") + QString(200, u'x') + QStringLiteral("/last.jpg");
    CInfoDlg dialog(title, QStringLiteral("line one\r\nline two"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("画像情報"));
    QCOMPARE(dialog.body(), QStringLiteral("line one\nline two"));
    QVERIFY(dialog.shownTitle() != title);
    QVERIFY(dialog.shownTitle().contains(QChar(0x2026)));
    QVERIFY(dialog.shownTitle().endsWith(QStringLiteral("last.jpg")));
    QVERIFY(dialog.testAttribute(Qt::WA_AlwaysShowToolTips));
    auto *titleLabel = dialog.findChild<QLabel *>(QStringLiteral("title"));
    QVERIFY(titleLabel->toolTip().contains(title));

    dialog.resize(4000, dialog.height());
    QTRY_COMPARE(dialog.shownTitle(), title);
}

void CImgViewTest::mainWindowHasPreviewPanes()
{
    Test::TestDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
    Test::FakeShell shell;
    CDuovueApp app(store, shell, shell);
    QVERIFY(app.initInstance());
    CMainFrame *frame = app.mainFrame();
    for (int side = 0; side < 2; ++side) {
        auto *pane = qobject_cast<CImgView *>(frame->picturePane(side));
        QVERIFY(pane);
        QCOMPARE(pane->paneIndex(), side);
        QCOMPARE(pane->displayMode(), CImgView::DisplayMode::PreviewFit);
        QCOMPARE(pane->accessibleName(), side == 0 ? QStringLiteral("左の画像") : QStringLiteral("右の画像"));
    }

    auto *left = qobject_cast<CImgView *>(frame->picturePane(0));
    FileList list;
    list.append(entryFor(dir.writeFile(QStringLiteral("a.gif"), gif(QSize(40, 40)))));
    app.document().appendEntries(0, list);
    QVERIFY(left->loadPicture(0));
    // The painted pane names its file to a screen reader.
    QCOMPARE(left->accessibleDescription(), dir.filePath(QStringLiteral("a.gif")));
    shell.threeWayAnswers.enqueue(UserPrompts::Answer::No); // drop the changed document
    frame->action(IdFileNew)->trigger();
    QVERIFY(!left->hasPicture());
    QVERIFY(left->accessibleDescription().isEmpty());
    QVERIFY(left->informationText().isEmpty());
    QCOMPARE(left->imageInfo(), ImageInfo());
}

QTEST_MAIN(CImgViewTest)
#include "cimgviewtest.moc"
