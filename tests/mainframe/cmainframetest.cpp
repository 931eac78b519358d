#include <functional>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/caboutdlg.h"
#include "app/cduovueapp.h"
#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "mainframe/cmainframe.h"
#include "resources/commandtable.h"
#include "settings/csetmain.h"
#include "settings/csetmiku.h"
#include "settings/csettingdlg.h"
#include "support/fakeshell.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"
#include "viewer/cpanemenu.h"
#include "viewer/cpreframe.h"
#include "viewer/cviewerpane.h"

using namespace Duovue;

namespace
{

QStringList actionTexts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class CMainFrameTest : public QObject
{
    Q_OBJECT

private:
    struct Fixture {
        Test::TestDir dir;
        SettingsStore store{dir.filePath(QStringLiteral("Duovue.ini"))};
        Test::FakeShell shell;
        CDuovueApp app{store, shell, shell};
    };

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void startsUntitledWithJapaneseMenus()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Duovue"));
        QVERIFY(frame->isMaximized() || frame->windowState().testFlag(Qt::WindowMaximized));

        const QList<QAction *> menus = frame->menuBar()->actions();
        QCOMPARE(actionTexts(menus),
            (QStringList{QStringLiteral("ファイル(&F)"),
                QStringLiteral("表示(&V)"),
                QStringLiteral("ツール(&T)"),
                QStringLiteral("ヘルプ(&H)")}));
        QCOMPARE(actionTexts(menus.at(0)->menu()->actions()),
            (QStringList{QStringLiteral("新規作成\tCtrl+N(&N)"),
                QStringLiteral("開く...\tCtrl+O(&O)"),
                QStringLiteral("上書き保存\tCtrl+S(&S)"),
                QStringLiteral("名前を付けて保存(&A)..."),
                QStringLiteral("-"),
                QStringLiteral("最近使ったファイル"),
                QStringLiteral("-"),
                QStringLiteral("アプリケーションの終了(&X)")}));
        QCOMPARE(actionTexts(menus.at(2)->menu()->actions()),
            (QStringList{QStringLiteral("画像の合成\tCtrl+G(&G)"),
                QStringLiteral("画像の見比べ\tCtrl+A(&A)"),
                QStringLiteral("-"),
                QStringLiteral("バイナリ比較\tCtrl+B(&B)"),
                QStringLiteral("違い解析\tCtrl+Y(&Y)"),
                QStringLiteral("JPEG比較\tCtrl+J(&J)"),
                QStringLiteral("-"),
                QStringLiteral("ファイルの有無チェック(&F)"),
                QStringLiteral("類似画像検索(&C)"),
                QStringLiteral("-"),
                QStringLiteral("環境設定(&S)")}));
        QCOMPARE(actionTexts(menus.at(3)->menu()->actions()),
            (QStringList{QStringLiteral("ヘルプ(&H)"),
                QStringLiteral("-"),
                QStringLiteral("アップデートチェック(&U)"),
                QStringLiteral("-"),
                QStringLiteral("バージョン情報(&A)...")}));
        QCOMPARE(frame->action(IdUpdateCheck)->toolTip(), QStringLiteral("アップデートチェック"));
        QCOMPARE(frame->action(IdUpdateCheck)->statusTip(), QStringLiteral("アップデートの有無をチェックします"));
    }

    void toolbarHasButtonsInOrderWithTooltips()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        auto *toolbar = f.app.mainFrame()->findChild<QToolBar *>(QStringLiteral("MainToolbar"));
        QVERIFY(toolbar);
        QVERIFY(toolbar->isVisible());
        QStringList tips;
        for (QAction *a : toolbar->actions())
            tips.append(a->isSeparator() ? QStringLiteral("-") : a->toolTip());
        QCOMPARE(tips,
            (QStringList{QStringLiteral("新規ファイル"),
                QStringLiteral("開く"),
                QStringLiteral("保存"),
                QStringLiteral("-"),
                QStringLiteral("画像の合成"),
                QStringLiteral("見比べ"),
                QStringLiteral("-"),
                QStringLiteral("バイナリ比較"),
                QStringLiteral("違い解析"),
                QStringLiteral("JPEG比較"),
                QStringLiteral("-"),
                QStringLiteral("類似画像検索"),
                QStringLiteral("-"),
                QStringLiteral("ヘルプ")}));
        QCOMPARE(toolbar->iconSize(), QSize(18, 18));
        // A screen reader reads each button by its tooltip, not by the menu caption.
        for (QAction *a : toolbar->actions()) {
            if (a->isSeparator())
                continue;
            QAccessibleInterface *button = QAccessible::queryAccessibleInterface(toolbar->widgetForAction(a));
            QVERIFY(button);
            QCOMPARE(button->text(QAccessible::Name), a->toolTip());
        }
        QCOMPARE(f.app.mainFrame()->listView(0)->accessibleName(), QStringLiteral("左のファイルリスト"));
        QCOMPARE(f.app.mainFrame()->listView(1)->accessibleName(), QStringLiteral("右のファイルリスト"));
        // A screen reader walks the window in reading order: the left half, its form before its
        // picture, and its list, before anything of the right half.
        QStringList named;
        const std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
            const QString name = node->text(QAccessible::Name);
            if (name.startsWith(QStringLiteral("左の")) || name.startsWith(QStringLiteral("右の")))
                named << name;
            for (int i = 0; i < node->childCount(); ++i) {
                if (node->role() != QAccessible::Table)
                    walk(node->child(i));
            }
        };
        walk(QAccessible::queryAccessibleInterface(f.app.mainFrame()->centralWidget()));
        QCOMPARE(named,
            (QStringList{QStringLiteral("左の画像"),
                QStringLiteral("左のファイルリスト"),
                QStringLiteral("右の画像"),
                QStringLiteral("右のファイルリスト")}));

        // The View menu item hides and shows it.
        QAction *toggle = f.app.mainFrame()->action(IdViewToolbar);
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(!toolbar->isVisible());
        toggle->trigger();
        QVERIFY(toolbar->isVisible());
    }

    void hiddenToolbarSettingIsHonoured()
    {
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::ShowToolbar(), 0).ok());
        QVERIFY(f.app.initInstance());
        auto *toolbar = f.app.mainFrame()->findChild<QToolBar *>(QStringLiteral("MainToolbar"));
        QVERIFY(!toolbar->isVisible());
        QVERIFY(!f.app.mainFrame()->action(IdViewToolbar)->isChecked());
    }

    void acceleratorsAreBound()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        const QList<QPair<int, QKeySequence>> expected{
            {IdViewerOpen, QKeySequence(Qt::CTRL | Qt::Key_A)},
            {IdBinaryCompare, QKeySequence(Qt::CTRL | Qt::Key_B)},
            {IdCompose, QKeySequence(Qt::CTRL | Qt::Key_G)},
            {IdJpegCompare, QKeySequence(Qt::CTRL | Qt::Key_J)},
            {IdFileNew, QKeySequence(Qt::CTRL | Qt::Key_N)},
            {IdFileOpen, QKeySequence(Qt::CTRL | Qt::Key_O)},
            {IdFileSave, QKeySequence(Qt::CTRL | Qt::Key_S)},
            {IdDifferenceAnalysis, QKeySequence(Qt::CTRL | Qt::Key_Y)},
        };
        for (const auto &[id, keys] : expected)
            QCOMPARE(frame->action(id)->shortcut(), keys);
    }

    void placementIsTheOuterRectangle_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QRect>("outer");
        QTest::newRow("as stored") << QRect(100, 50, 1024, 768) << QRect(100, 50, 1024, 768);
        QTest::newRow("absurd size, far off screen")
            << QRect(-50000, 50, 16777215, 16777215) << QRect(0, 0, 1920, 1080);
        QTest::newRow("below the minimum") << QRect(10, 20, 300, 200) << QRect(10, 20, 800, 600);
    }
    void placementIsTheOuterRectangle()
    {
        QFETCH(QRect, stored);
        QFETCH(QRect, outer);
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::MainPlacement(), 1).ok());
        QVERIFY(f.store.setValue(AppSettings::MainLeft(), stored.x()).ok());
        QVERIFY(f.store.setValue(AppSettings::MainTop(), stored.y()).ok());
        QVERIFY(f.store.setValue(AppSettings::MainWidth(), stored.width()).ok());
        QVERIFY(f.store.setValue(AppSettings::MainHeight(), stored.height()).ok());
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        QVERIFY(!frame->isMaximized());
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        const QMargins margins = frame->windowHandle()->frameMargins();
        QVERIFY(!margins.isNull()); // the test screen frames its windows
        QTRY_COMPARE(frame->frameGeometry(), outer);
        QCOMPARE(frame->minimumSize().grownBy(margins), QSize(800, 600));
    }

    void sizeRuleSplitsHalvesAndRightPane()
    {
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::MainPlacement(), 1).ok());
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        frame->centralWidget()->resize(1016, 700);
        frame->applySizeRule();
        auto *s0 = frame->findChild<QSplitter *>(QStringLiteral("Splitter0"));
        QVERIFY(s0);
        QCOMPARE(s0->sizes().at(0), 500);
        frame->applySizeRule();
        auto *s4 = frame->findChild<QSplitter *>(QStringLiteral("Splitter4"));
        auto *s2 = frame->findChild<QSplitter *>(QStringLiteral("Splitter2"));
        QCOMPARE(s4->sizes().at(0), s2->width() - 325);
        auto *s3 = frame->findChild<QSplitter *>(QStringLiteral("Splitter3"));
        QCOMPARE(s3->sizes().at(0), 310);
        // Row 0 (form and preview) keeps its 110 pixels.
        auto *s1 = frame->findChild<QSplitter *>(QStringLiteral("Splitter1"));
        QCOMPARE(s1->sizes().at(0), 110);
    }

    void resultModeMarkIsAddedOnce()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        CDuovueDoc &document = f.app.document();
        document.loadLists({}, {0, 0}, true);
        document.loadLists({}, {0, 0}, true);
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Duovue ※比較モード"));
        // A document whose name holds the mark already gets no second one.
        document.setPath(QStringLiteral("/d/※比較モード.duov"));
        QCOMPARE(frame->windowTitle(), QStringLiteral("※比較モード.duov - Duovue"));
        f.shell.threeWayAnswers.enqueue(UserPrompts::Answer::No); // drop the changed document
        frame->action(IdFileNew)->trigger();
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Duovue"));
        QVERIFY(!document.resultMode());
    }

    void newDocumentEmptiesBothLists()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CDuovueDoc &document = f.app.document();
        FileList list;
        for (int i = 0; i < 4; ++i)
            list.append(
                FileList::Entry{{QStringLiteral("a%1.jpg").arg(i), QStringLiteral("/p/")}, QStringLiteral("0")});
        document.loadLists({list, list}, {3, 3}, false);
        f.shell.threeWayAnswers.enqueue(UserPrompts::Answer::No); // drop the changed document
        f.app.mainFrame()->action(IdFileNew)->trigger();
        QVERIFY(document.fileList(0).isEmpty());
        QVERIFY(document.fileList(1).isEmpty());
        QCOMPARE(document.position(0), 0);
        QCOMPARE(document.position(1), 0);
    }

    void exitWritesBothFolderKeys()
    {
        Fixture f;
        QVERIFY(f.store.writeString(QStringLiteral("App"), QStringLiteral("Dir0"), QString()).ok());
        QVERIFY(f.app.initInstance());
        QCOMPARE(f.app.session().lastFolder[0], QString()); // an empty value is a value
        f.app.session().lastFolder[1] = QStringLiteral("/pictures/右");
        f.app.mainFrame()->action(IdAppExit)->trigger();
        f.app.exitInstance();
        QVERIFY(f.store.contains(QStringLiteral("App"), QStringLiteral("Dir0")));
        QCOMPARE(f.store.value(AppSettings::LastFolder(1)), QStringLiteral("/pictures/右"));
    }

    void helpOpensTheManual()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        f.app.mainFrame()->action(IdHelp)->trigger();
        const auto calls = f.shell.callsOf(QStringLiteral("launch-open"));
        QCOMPARE(calls.size(), 1);
        QVERIFY(calls.at(0).text.endsWith(QStringLiteral("/manual/index.html")));
        QVERIFY(QFile::exists(calls.at(0).text));
    }

    void aboutLinkOpensProductPage()
    {
        Fixture f;
        QVERIFY(f.store.setValue(AppSettings::UpdateBase(), QStringLiteral("https://host.test/")).ok());
        QVERIFY(f.app.initInstance());
        CAboutDlg dialog(f.app.productPageUrl(), f.shell);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報"));
        auto *version = dialog.findChild<QLabel *>(QStringLiteral("VersionText"));
        QCOMPARE(version->text(), QStringLiteral("Duovue Version 1.21"));
        auto *link = dialog.findChild<QLabel *>(QStringLiteral("ProductLink"));
        QTest::mouseClick(link, Qt::LeftButton);
        const auto calls = f.shell.callsOf(QStringLiteral("launch-open"));
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.at(0).text, QStringLiteral("https://host.test/duovue.html"));
    }

    void viewerOpensOnBothListsOnly()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CDuovueDoc &document = f.app.document();
        CMainFrame *frame = f.app.mainFrame();
        CPreFrame *viewer = frame->viewer();
        QVERIFY(viewer && !viewer->isVisible());

        FileList list;
        list.append(
            Test::entryFor(f.dir.writeFile(QStringLiteral("a.bmp"), Test::ImagingFactory::windowsBmp({8, 6}, 0, 0))));
        document.appendEntries(0, list);
        frame->action(IdViewerOpen)->trigger();
        QVERIFY(!viewer->isVisible()); // the right list is empty

        document.appendEntries(1, list);
        frame->action(IdViewerOpen)->trigger();
        QVERIFY(viewer->isVisible());
        QCOMPARE(document.activePair(), 2);
        QVERIFY(document.pane(3).loadSucceeded);
        // The pane's tool entries follow the main menu's.
        QVERIFY(viewer->pane(0)->menu()->action(IdBinaryCompare)->isEnabled());

        viewer->close();
        QVERIFY(!viewer->isVisible());
        QCOMPARE(document.activePair(), 0);
    }

    void settingsOkTakesEffectAtOnce()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        // The viewer showing does not keep the dialog from opening; its panes follow at once.
        FileList list;
        list.append(
            Test::entryFor(f.dir.writeFile(QStringLiteral("a.bmp"), Test::ImagingFactory::windowsBmp({8, 6}, 0, 0))));
        f.app.document().appendEntries(0, list);
        f.app.document().appendEntries(1, list);
        frame->action(IdViewerOpen)->trigger();
        QVERIFY(frame->viewer()->isVisible());
        QTimer::singleShot(0, frame, [] {
            auto *dialog = qobject_cast<CSettingDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->mainPage()->toolbarCheck()->setChecked(false);
            dialog->viewerPage()->sizeRadios()->button(1)->click();
            dialog->accept();
        });
        frame->action(IdSettings)->trigger();
        QVERIFY(!frame->findChild<QToolBar *>(QStringLiteral("MainToolbar"))->isVisible());
        QVERIFY(!frame->action(IdViewToolbar)->isChecked());
        for (int side = 0; side < 2; ++side) {
            QVERIFY(frame->viewer()->pane(side)->menu()->action(IdFitToWindow)->isChecked());
            QCOMPARE(frame->viewer()->pane(side)->displayMode(), CImgView::DisplayMode::FitToWindow);
        }
    }

    void unbuiltToolsAreDisabled()
    {
        Fixture f;
        QVERIFY(f.app.initInstance());
        CMainFrame *frame = f.app.mainFrame();
        QVERIFY(frame->action(IdFileNew)->isEnabled());
        QVERIFY(frame->action(IdHelp)->isEnabled());
        QVERIFY(frame->action(IdAppAbout)->isEnabled());
        for (int id : {IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare, IdExistenceCheck})
            QVERIFY(frame->action(id)->isEnabled());
        QVERIFY(frame->action(IdUpdateCheck)->isEnabled());
        QVERIFY(frame->action(IdSettings)->isEnabled());
    }
};

QTEST_MAIN(CMainFrameTest)
#include "cmainframetest.moc"
