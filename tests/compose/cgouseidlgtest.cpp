#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include "compose/cgouseidlg.h"
#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "resources/commandtable.h"
#include "resources/viewerpictures.h"
#include "support/fakeshell.h"
#include "support/testdir.h"

using namespace Duovue;

class CGouseiDlgTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void opensFromSettings();
    void arrowKeysSlideAndResize_data();
    void arrowKeysSlideAndResize();
    void mouseDragSlidesAndShiftDragResizes();
    void menuChoicesChangeModes();
    void savesWhatCommandLineSaves();
    void failedSaveIsReported();
    void pairToolEntriesAskOwner();
    void narrowLeftPictureIsRefused();
};

namespace
{

QImage picture(QSize size, int tag)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 3 + tag) & 255, (y * 5) & 255, (x * y + tag) & 255));
    return image;
}

// The window shows the viewer panes' own hand cursors.
bool showsCursor(const QWidget &w, const QCursor &expected)
{
    return w.cursor().shape() == Qt::BitmapCursor && w.cursor().pixmap().toImage() == expected.pixmap().toImage();
}

struct Fixture {
    Test::TestDir dir;
    SettingsStore settings{dir.filePath(QStringLiteral("Duovue.ini"))};
    Test::FakeShell shell;

    // Settings as the compositing page would leave them: dots, 3 pixels, original aspect, 400 x 300.
    Fixture()
    {
        QVERIFY(settings.setValue(AppSettings::ComposeMethod(), 2).ok());
        QVERIFY(settings.setValue(AppSettings::ComposeStep(), 3).ok());
        QVERIFY(settings.setValue(AppSettings::ComposeAspect(), 1).ok());
        QVERIFY(settings.setValue(AppSettings::ComposeMaxWidth(), 400).ok());
        QVERIFY(settings.setValue(AppSettings::ComposeMaxHeight(), 300).ok());
    }
    std::unique_ptr<CGouseiDlg> open(QSize left = QSize(800, 600), QSize right = QSize(640, 480))
    {
        ImageInfo leftInfo;
        leftInfo.path = dir.filePath(QStringLiteral("left.bmp"));
        ImageInfo rightInfo;
        rightInfo.path = dir.filePath(QStringLiteral("right.bmp"));
        auto dialog =
            std::make_unique<CGouseiDlg>(picture(left, 0), leftInfo, picture(right, 90), rightInfo, settings, shell);
        dialog->show();
        return dialog;
    }
};

void send(QWidget *w, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false)
{
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QCoreApplication::sendEvent(w, &event);
}

void mouse(QWidget *w, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, modifiers);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

void CGouseiDlgTest::opensFromSettings()
{
    Fixture f;
    auto dialog = f.open();
    QCOMPARE(dialog->size(), QSize(400, 300));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("合成　(ドット - オリジナル - 3 pixel)"));
    QVERIFY(dialog->action(IdMethodDots)->isChecked());
    QVERIFY(dialog->action(IdAspectOriginal)->isChecked());
    QVERIFY(dialog->action(IdRatio1 + 2)->isChecked());
    QVERIFY(!dialog->action(IdMethodDots)->icon().isNull());
    QCOMPARE(dialog->composite().size(), QSize(400, 300));
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(dialog.get());
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("合成画像"));
    QVERIFY(a->text(QAccessible::Description).contains(QStringLiteral("right.bmp")));
}

void CGouseiDlgTest::arrowKeysSlideAndResize_data()
{
    // Steps: "p" press, "r" release, "a" auto-repeated release and press, "s" press with Shift,
    // "f" the window loses the focus; then the key (L, U, R, D).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QPoint>("slide");
    QTest::addColumn<QSize>("adjust");
    QTest::newRow("right slides") << QStringList{QStringLiteral("pR"), QStringLiteral("rR")} << QPoint(1, 0)
                                  << QSize(0, 0);
    QTest::newRow("shift right resizes both sides")
        << QStringList{QStringLiteral("sR"), QStringLiteral("rR")} << QPoint(0, 0) << QSize(1, 1);
    QTest::newRow("left with down held") << QStringList{QStringLiteral("pD"), QStringLiteral("pL")} << QPoint(-1, 2)
                                         << QSize(0, 0);
    QTest::newRow("auto-repeat keeps the key held")
        << QStringList{QStringLiteral("pD"), QStringLiteral("aD"), QStringLiteral("pL")} << QPoint(-1, 3)
        << QSize(0, 0);
    QTest::newRow("released key is not held")
        << QStringList{QStringLiteral("pD"), QStringLiteral("rD"), QStringLiteral("pL")} << QPoint(-1, 1)
        << QSize(0, 0);
    QTest::newRow("focus loss releases every key")
        << QStringList{QStringLiteral("pD"), QStringLiteral("f"), QStringLiteral("pL")} << QPoint(-1, 1) << QSize(0, 0);
}

void CGouseiDlgTest::arrowKeysSlideAndResize()
{
    QFETCH(QStringList, steps);
    Fixture f;
    auto dialog = f.open();
    const QHash<QChar, int> keys{{u'L', Qt::Key_Left}, {u'U', Qt::Key_Up}, {u'R', Qt::Key_Right}, {u'D', Qt::Key_Down}};
    for (const QString &step : steps) {
        if (step == QLatin1String("f")) {
            QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
            QCoreApplication::sendEvent(dialog.get(), &out);
            continue;
        }
        const int key = keys.value(step.at(1));
        switch (step.at(0).unicode()) {
        case u'p':
            send(dialog.get(), QEvent::KeyPress, key);
            break;
        case u's':
            send(dialog.get(), QEvent::KeyPress, key, Qt::ShiftModifier);
            break;
        case u'r':
            send(dialog.get(), QEvent::KeyRelease, key);
            break;
        case u'a':
            send(dialog.get(), QEvent::KeyRelease, key, {}, true);
            send(dialog.get(), QEvent::KeyPress, key, {}, true);
            break;
        }
    }
    QTEST(dialog->state().slideOffset(), "slide");
    QTEST(dialog->state().sizeAdjust(), "adjust");
}

void CGouseiDlgTest::mouseDragSlidesAndShiftDragResizes()
{
    Fixture f;
    auto dialog = f.open();
    QVERIFY(showsCursor(*dialog, ViewerPictures::openHandCursor()));
    mouse(dialog.get(), QEvent::MouseButtonPress, QPoint(100, 100));
    QVERIFY(showsCursor(*dialog, ViewerPictures::closedHandCursor()));
    mouse(dialog.get(), QEvent::MouseMove, QPoint(130, 90));
    QCOMPARE(dialog->state().slideOffset(), QPoint(30, -10));
    mouse(dialog.get(), QEvent::MouseMove, QPoint(120, 110), Qt::ShiftModifier);
    QCOMPARE(dialog->state().slideOffset(), QPoint(30, -10));
    QCOMPARE(dialog->state().sizeAdjust(), QSize(-10, 20));
    mouse(dialog.get(), QEvent::MouseButtonRelease, QPoint(120, 110));
    QVERIFY(showsCursor(*dialog, ViewerPictures::openHandCursor()));
    mouse(dialog.get(), QEvent::MouseMove, QPoint(300, 300));
    QCOMPARE(dialog->state().slideOffset(), QPoint(30, -10));
}

void CGouseiDlgTest::menuChoicesChangeModes()
{
    Fixture f;
    auto dialog = f.open();
    send(dialog.get(), QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    send(dialog.get(), QEvent::KeyPress, Qt::Key_Right);

    dialog->action(IdRatio1)->trigger();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("合成　(ドット - オリジナル - 1 pixel)"));
    dialog->action(IdMethodRows)->trigger();
    QVERIFY(dialog->action(IdMethodRows)->isChecked());
    QCOMPARE(dialog->state().slideOffset(), QPoint(1, 0));

    dialog->action(IdAspectFree)->trigger();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("合成　(横向き - フリー - 1 pixel)"));
    QCOMPARE(dialog->state().slideOffset(), QPoint(0, 0));
    QCOMPARE(dialog->state().sizeAdjust(), QSize(1, 1));

    send(dialog.get(), QEvent::KeyPress, Qt::Key_Down);
    dialog->action(IdResetSlide)->trigger();
    QCOMPARE(dialog->state().slideOffset(), QPoint(0, 0));
    QCOMPARE(dialog->state().sizeAdjust(), QSize(1, 1));
    dialog->action(IdResetSize)->trigger();
    QCOMPARE(dialog->state().sizeAdjust(), QSize(0, 0));
    QCOMPARE(dialog->state().rightSize(), QSize(400, 300));
}

void CGouseiDlgTest::savesWhatCommandLineSaves()
{
    Fixture f;
    const QImage left = picture(QSize(800, 600), 0);
    const QImage right = picture(QSize(500, 500), 90);
    const QString leftPath = f.dir.filePath(QStringLiteral("left.bmp"));
    const QString rightPath = f.dir.filePath(QStringLiteral("right.bmp"));
    QVERIFY(left.save(leftPath) && right.save(rightPath));
    CGouseiDlg dialog(left, ImageInfo{}, right, ImageInfo{}, f.settings, f.shell);
    dialog.setSaveFolder(f.dir.path());
    const QString byWindow = f.dir.filePath(QStringLiteral("window.jpg"));
    f.shell.fileAnswers.enqueue(byWindow);
    dialog.action(IdCompositeSave)->trigger();
    const QList<Test::FakeShell::Call> asked = f.shell.callsOf(QStringLiteral("chooseSaveFile"));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].text, f.dir.path() + QStringLiteral("/合成"));
    QCOMPARE(asked[0].paths.value(1), QStringLiteral("jpg"));
    QVERIFY(f.shell.callsOf(QStringLiteral("error")).isEmpty());

    const QString byCli = f.dir.filePath(QStringLiteral("cli.jpg"));
    QProcess cli;
    cli.start(QStringLiteral(DUOVUE_CLI_PATH),
        {QStringLiteral("compose"),
            QStringLiteral("--method"),
            QStringLiteral("dots"),
            QStringLiteral("--ratio"),
            QStringLiteral("3"),
            QStringLiteral("--aspect"),
            QStringLiteral("original"),
            QStringLiteral("--max"),
            QStringLiteral("400x300"),
            leftPath,
            rightPath,
            byCli});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QFile a(byWindow);
    QFile b(byCli);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QVERIFY(a.readAll() == b.readAll());
}

void CGouseiDlgTest::failedSaveIsReported()
{
    Fixture f;
    auto dialog = f.open();
    f.dir.writeFile(QStringLiteral("x"));
    const QString path = f.dir.filePath(QStringLiteral("x/a.jpg"));
    f.shell.fileAnswers.enqueue(path);
    dialog->save();
    const QList<Test::FakeShell::Call> errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].caption, QStringLiteral("エラー"));
    QVERIFY(errors[0].text.contains(path));

    dialog->save(); // cancelled: nothing happens
    QCOMPARE(f.shell.callsOf(QStringLiteral("error")).size(), 1);

    // A remembered folder that is gone is not offered: the dialog would open in the working folder.
    dialog->setSaveFolder(f.dir.filePath(QStringLiteral("removed")));
    dialog->save();
    const QString start = f.shell.callsOf(QStringLiteral("chooseSaveFile")).constLast().text;
    QCOMPARE(QFileInfo(start).fileName(), QStringLiteral("合成"));
    QVERIFY(QFileInfo(QFileInfo(start).path()).isDir());
}

void CGouseiDlgTest::pairToolEntriesAskOwner()
{
    Fixture f;
    auto dialog = f.open();
    QSignalSpy spy(dialog.get(), &CGouseiDlg::pairToolRequested);
    for (const int id : {IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare})
        dialog->action(id)->trigger();
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toInt(), 32814);
    QCOMPARE(spy.at(1).at(0).toInt(), 32816);
    QCOMPARE(spy.at(2).at(0).toInt(), 32817);
}

void CGouseiDlgTest::narrowLeftPictureIsRefused()
{
    Fixture f;
    QString folder;
    CGouseiDlg::open(
        picture(QSize(29, 400), 0), {}, picture(QSize(400, 400), 1), {}, f.settings, f.shell, folder, nullptr);
    const QList<Test::FakeShell::Call> errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0].text, QStringLiteral("画像が小さ過ぎます"));
    QCOMPARE(errors[0].caption, QStringLiteral("エラー"));
}

QTEST_MAIN(CGouseiDlgTest)
#include "cgouseidlgtest.moc"
