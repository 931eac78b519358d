#include <QAction>
#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "compose/cgouseidlg.h"
#include "compose/composecommand.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "resources/commandtable.h"
#include "support/commandfixture.h"
#include "support/fakeshell.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;

class ComposeCommandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void doesNothingWithoutLoadedPair_data();
    void doesNothingWithoutLoadedPair();
    void refusesNarrowLeftPicture();
    void opensOnActivePair();
};

namespace
{

struct Fixture : Test::CommandFixture {

    // Appends a picture of @p size to @p pane's side and loads it into the pane.
    void load(int pane, QSize size, const QString &name)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(qRgb(40 * pane, 90, 200));
        const QString path = dir.filePath(name);
        QVERIFY(image.save(path));
        FileList one;
        one.append(Test::entryFor(path));
        const int side = pane % 2;
        document.appendEntries(side, one);
        QVERIFY(document.loadPicture(pane, int(document.fileList(side).size()) - 1).ok());
    }
};

} // namespace

void ComposeCommandTest::doesNothingWithoutLoadedPair_data()
{
    QTest::addColumn<bool>("rightMissing"); // else the right pane was never loaded
    QTest::newRow("right pane empty") << false;
    QTest::newRow("right file missing") << true;
}

void ComposeCommandTest::doesNothingWithoutLoadedPair()
{
    QFETCH(bool, rightMissing);
    Fixture f;
    f.load(0, QSize(200, 100), QStringLiteral("l.bmp"));
    if (rightMissing) {
        FileList gone;
        gone.append(Test::entryFor(f.dir.filePath(QStringLiteral("gone.bmp"))));
        f.document.appendEntries(1, gone);
        QVERIFY(f.document.loadPicture(1, 0).ok());
        QVERIFY(f.document.pane(1).missingFile);
    }
    runCompose(f.context);
    QVERIFY(f.shell.calls.isEmpty());
}

void ComposeCommandTest::refusesNarrowLeftPicture()
{
    Fixture f;
    f.load(0, QSize(29, 300), QStringLiteral("l.bmp"));
    f.load(1, QSize(300, 300), QStringLiteral("r.bmp"));
    runCompose(f.context);
    const QList<Test::FakeShell::Call> errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].text, QStringLiteral("画像が小さ過ぎます"));
}

void ComposeCommandTest::opensOnActivePair()
{
    Fixture f;
    f.load(0, QSize(300, 200), QStringLiteral("main-l.bmp"));
    f.load(1, QSize(300, 200), QStringLiteral("main-r.bmp"));
    f.load(2, QSize(240, 180), QStringLiteral("viewer-l.bmp"));
    f.load(3, QSize(100, 100), QStringLiteral("viewer-r.bmp"));
    f.document.setActivePair(2);
    // Asked for from the viewer, a window of the main window's own.
    QWidget mainWindow;
    QWidget viewer(&mainWindow, Qt::Window);
    f.context.parent = &mainWindow;
    mainWindow.show();
    viewer.show();
    viewer.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&viewer));
    const QString saved = f.dir.makeDir(QStringLiteral("out")) + QStringLiteral("/c.bmp");
    f.shell.fileAnswers.enqueue(saved);

    QList<int> toolsRun;
    QSize windowSize;
    QWidget *owner = nullptr;
    // Runs once the modal window's event loop is up: look at it, use it, close it.
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<CGouseiDlg *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        windowSize = dialog->size();
        owner = dialog->parentWidget();
        dialog->action(IdJpegCompare)->trigger();
        dialog->action(IdCompositeSave)->trigger();
        dialog->reject();
    });
    runCompose(f.context, [&toolsRun](int id) {
        toolsRun.append(id);
    });

    QCOMPARE(windowSize, QSize(240, 180));
    QCOMPARE(owner, &viewer); // over the viewer, not over the main window that would hide it
    QCOMPARE(toolsRun, QList<int>{32817});
    QVERIFY(QFile::exists(saved));
    QCOMPARE(f.session.composeSaveFolder, f.dir.filePath(QStringLiteral("out")));
}

QTEST_MAIN(ComposeCommandTest)
#include "composecommandtest.moc"
