#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTest>

#include "core/appsettings.h"
#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "resources/commandtable.h"
#include "support/fakeshell.h"
#include "support/imagingfactory.h"
#include "support/listtexts.h"
#include "support/testdir.h"
#include "viewer/cbrightdlg.h"
#include "viewer/ccomparisonmodes.h"
#include "viewer/ccomparisonoptionsdlg.h"
#include "viewer/cpanemenu.h"
#include "viewer/cpreframe.h"
#include "viewer/cviewerpane.h"

using namespace Duovue;
using namespace Duovue::Test::ImagingFactory;
using Duovue::Test::entryFor;

namespace
{

/// The fill colour of entry @p i of side @p side: every picture of the tests differs.
QColor colourOf(int side, int i)
{
    return QColor(10 + 40 * i, 200 - 60 * side, 30 + 20 * i);
}

struct Fixture {
    Test::TestDir dir;
    CDuovueDoc document;
    SessionState session;
    Test::FakeShell shell;
    SettingsStore settings{dir.filePath(QStringLiteral("Duovue.ini"))};
    QStringList emptied;
    QList<int> toolsRun;
    std::unique_ptr<CPreFrame> frame;

    /// @p left and @p right entries, BMPs of their own colour (30 x 20 unless @p sizes says
    /// otherwise, left and right), the mark on entry 0.
    Fixture(int left, int right, std::array<QSize, 2> sizes = {QSize(30, 20), QSize(30, 20)})
    {
        (void)settings.setValue(AppSettings::ViewerPlacement(), 1);
        for (int side = 0; side < 2; ++side) {
            FileList list;
            for (int i = 0; i < (side == 0 ? left : right); ++i) {
                const QString name = QStringLiteral("s%1/p%2.bmp").arg(side).arg(i);
                list.append(entryFor(dir.writeFile(name, windowsBmp(sizes[side], 0, 0, colourOf(side, i)))));
            }
            document.appendEntries(side, list);
        }
        QObject::connect(&document, &CDuovueDoc::sideEmptied, [this](int side) {
            emptied << QString::number(side);
        });
        CPreFrame::Hooks hooks;
        hooks.runTool = [this](int id) {
            toolsRun << id;
        };
        hooks.toolEnabled = [](int) {
            return true;
        };
        frame = std::make_unique<CPreFrame>(CommandContext{document, session, settings, shell, shell, nullptr}, hooks);
    }
    const FileList &list(int side) const { return document.fileList(side); }
    /// Puts the comparison mark on @p row, as a list command does.
    void markRow(int side, int row) { document.setPosition(side, row); }
    CViewerPane *pane(int side) const { return frame->pane(side); }
    QRgb shownPixel(int side) const { return pane(side)->bitmap().pixel(0, 0) | 0xff000000u; }
    QStringList infoTexts() const
    {
        QStringList out;
        for (const auto &c : shell.callsOf(QStringLiteral("information")))
            out << c.text;
        return out;
    }
};

/// A right-button gesture through @p points (pane coordinates), released at the last one.
void drawGesture(QWidget *pane, const QList<QPoint> &points)
{
    auto send = [pane](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, pane->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(pane, &e);
    };
    send(QEvent::MouseButtonPress, points.first(), Qt::RightButton, Qt::RightButton);
    for (const QPoint &p : points.mid(1))
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, points.last(), Qt::RightButton, Qt::NoButton);
}

/// Presses @p key while @p held is down, then lets everything go.
void chord(QWidget *frame, Qt::Key held, Qt::Key key)
{
    QTest::keyPress(frame, held);
    QTest::keyClick(frame, key);
    QTest::keyRelease(frame, held);
}

} // namespace

class CPreFrameTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void opensOnMarksAndClosesToPreviews_data();
    void opensOnMarksAndClosesToPreviews();
    void opensResultModeWithinTheLists();
    void chordsStepAndStopAtEnds_data();
    void chordsStepAndStopAtEnds();
    void trashKeepsEntryWhenTrashFails();
    void trashOfLastEntryClosesViewer();
    void trashOfMissingEntryDropsRow();
    void trashInResultModeKeepsListsPaired();
    void moveRemovesEntryUnlessOntoItself_data();
    void moveRemovesEntryUnlessOntoItself();
    void gesturesRotateAndClose();
    void colourModesStartFromFileColours();
    void zoomIgnoredWhenFitted();
    void brightnessCancelRestoresExactly();
    void followsListCommandRemovals();
    void toolAcceleratorsRunTheTools();
    void differenceModeMarksWhatDiffers();
    void flickerAlternatesUntilAnotherKey();
    void splitShowsBothSidesOfTheDivider();
    void linkedZoomFollowsInRelativeCoordinates();
};

void CPreFrameTest::opensOnMarksAndClosesToPreviews_data()
{
    QTest::addColumn<int>("placement");
    QTest::newRow("placed") << 1;
    QTest::newRow("maximised") << 0;
}

void CPreFrameTest::opensOnMarksAndClosesToPreviews()
{
    QFETCH(int, placement);
    Fixture f(3, 2);
    (void)f.settings.setValue(AppSettings::ViewerPlacement(), placement);
    f.markRow(0, 2);
    // Sorting moves the mark with its entry (p2 to the top) but leaves the stored position.
    QVERIFY(f.document.sortRows(0, 0, true));

    QVERIFY(f.frame->open());
    QVERIFY(f.frame->isVisible());
    QCOMPARE(f.document.activePair(), 2);
    QCOMPARE(f.document.position(0), 0);
    QCOMPARE(f.shownPixel(0), colourOf(0, 2).rgb());
    QCOMPARE(f.shownPixel(1), colourOf(1, 0).rgb());
    QCOMPARE(f.frame->statusPane(1)->text(), f.list(1).fullPath(0));
    // A screen reader meets the left picture first, each named with its side and file.
    QAccessibleInterface *panes = QAccessible::queryAccessibleInterface(f.frame->splitter());
    QCOMPARE(panes->child(0)->text(QAccessible::Name), QStringLiteral("左の画像"));
    QCOMPARE(panes->child(1)->text(QAccessible::Description), f.list(1).fullPath(0));
    QCOMPARE(f.frame->isMaximized(), placement == 0);
    // The test screen is only 800 x 600, so the stored position is fitted onto it.
    if (placement)
        QCOMPARE(f.frame->frameGeometry().size(), QSize(800, 600));

    f.frame->close();
    QVERIFY(!f.frame->isVisible());
    QCOMPARE(f.document.activePair(), 0);
    QVERIFY(!f.pane(0)->hasPicture());
    QVERIFY(f.pane(0)->accessibleDescription().isEmpty());
    QVERIFY(!f.pane(1)->isAutoAdvancing());
}

void CPreFrameTest::opensResultModeWithinTheLists()
{
    Fixture f(3, 2);
    // Result rows carry group labels, no mark; the document's stored positions lie outside.
    std::array<FileList, 2> lists{f.list(0), f.list(1)};
    for (FileList &list : lists) {
        for (int row = 0; row < list.size(); ++row)
            list.setPrimary(row, QStringLiteral("2"));
    }
    f.document.loadLists(lists, {7, -3}, true);

    QVERIFY(f.frame->open());
    QCOMPARE(f.document.position(0), 2);
    QCOMPARE(f.document.position(1), 0);
    QCOMPARE(f.shownPixel(0), colourOf(0, 2).rgb());
    QCOMPARE(f.shownPixel(1), colourOf(1, 0).rgb());
}

void CPreFrameTest::chordsStepAndStopAtEnds_data()
{
    QTest::addColumn<int>("held");
    QTest::addColumn<int>("key");
    QTest::addColumn<QList<int>>("startAt");
    QTest::addColumn<QList<int>>("positions");
    QTest::addColumn<QStringList>("boxes");

    // Three entries on the left, two on the right.
    QTest::newRow("right + down") << int(Qt::Key_Right) << int(Qt::Key_Down) << QList<int>{0, 0} << QList<int>{0, 1}
                                  << QStringList();
    QTest::newRow("right + up on the first entry")
        << int(Qt::Key_Right) << int(Qt::Key_Up) << QList<int>{0, 0} << QList<int>{0, 0}
        << QStringList{QStringLiteral("右はリストの先頭です")};
    QTest::newRow("space + down, left at its end")
        << int(Qt::Key_Space) << int(Qt::Key_Down) << QList<int>{2, 0} << QList<int>{2, 1}
        << QStringList{QStringLiteral("左はリストの最後です")};
    QTest::newRow("left + T") << int(Qt::Key_Left) << int(Qt::Key_T) << QList<int>{2, 1} << QList<int>{0, 1}
                              << QStringList();
}

void CPreFrameTest::chordsStepAndStopAtEnds()
{
    QFETCH(int, held);
    QFETCH(int, key);
    QFETCH(QList<int>, startAt);
    QFETCH(QList<int>, positions);
    Fixture f(3, 2);
    for (int side = 0; side < 2; ++side)
        f.markRow(side, startAt[side]);
    QVERIFY(f.frame->open());
    for (int side = 0; side < 2; ++side) {
        f.pane(side)->setAutoAdvanceInterval(3600 * 1000); // running, but never due in the test
        f.pane(side)->startAutoAdvance();
    }

    chord(f.frame.get(), Qt::Key(held), Qt::Key(key));

    for (int side = 0; side < 2; ++side) {
        QCOMPARE(f.document.position(side), positions[side]);
        QCOMPARE(f.list(side).primary(positions[side]), QStringLiteral("1"));
        QCOMPARE(f.shownPixel(side), colourOf(side, positions[side]).rgb());
    }
    QTEST(f.infoTexts(), "boxes");
    // Reaching an end stops that side's timer; the space bar stops both.
    const QStringList boxes = f.infoTexts();
    for (int side = 0; side < 2; ++side) {
        const bool atEnd = !boxes.filter(side == 0 ? QStringLiteral("左") : QStringLiteral("右")).isEmpty();
        QCOMPARE(f.pane(side)->isAutoAdvancing(), !atEnd && held != Qt::Key_Space);
    }
}

void CPreFrameTest::trashKeepsEntryWhenTrashFails()
{
    Fixture f(2, 2);
    QVERIFY(f.frame->open());
    const QString path = f.list(1).fullPath(0);
    f.shell.trashFailures = {path};
    f.shell.answers.enqueue(true);

    chord(f.frame.get(), Qt::Key_Right, Qt::Key_Delete);

    QCOMPARE(f.shell.callsOf(QStringLiteral("question")).constFirst().text,
        QStringLiteral("右の画像をゴミ箱へ移動しますか？"));
    QCOMPARE(f.shell.callsOf(QStringLiteral("trash")).constFirst().paths, QStringList{path});
    const auto errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.constFirst().text.contains(path));
    QCOMPARE(f.list(1).size(), 2);
    QCOMPARE(f.pane(1)->imageInfo().path, path);
}

void CPreFrameTest::trashOfLastEntryClosesViewer()
{
    Fixture f(1, 2);
    QVERIFY(f.frame->open());
    f.shell.trashReallyDeletes = true;
    f.shell.answers.enqueue(true);
    // The box runs the event loop; the viewer must still be there to own it.
    bool shownDuringBox = false;
    f.shell.onPrompt = [&](const Test::FakeShell::Call &call) {
        QCoreApplication::processEvents();
        if (call.kind == QLatin1String("error"))
            shownDuringBox = f.frame->isVisible();
    };

    f.pane(0)->runCommand(IdTrash);

    QVERIFY(shownDuringBox);
    QCOMPARE(f.list(0).size(), 0);
    const auto errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.constFirst().text, QStringLiteral("リストが空になりました。\r\n\r\n見比べウインドウを閉じます。"));
    QCOMPARE(errors.constFirst().caption, QStringLiteral("確認"));
    QVERIFY(!f.frame->isVisible());
    QCOMPARE(f.document.activePair(), 0);
    QCOMPARE(f.emptied, QStringList{QStringLiteral("0")});
}

void CPreFrameTest::trashInResultModeKeepsListsPaired()
{
    Fixture f(5, 5);
    // Result rows: the same files at the same index in both lists, groups 2, 2, 3, 3, 3.
    std::array<FileList, 2> lists{f.list(0), f.list(0)};
    const QStringList labels{
        QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("3")};
    for (FileList &list : lists) {
        for (int row = 0; row < list.size(); ++row)
            list.setPrimary(row, labels.at(row));
    }
    f.document.loadLists(lists, {0, 3}, true);
    QVERIFY(f.frame->open());
    f.shell.trashReallyDeletes = true;
    f.shell.answers.enqueue(true);

    f.pane(0)->runCommand(IdTrash);

    // Group 2 lost a member, so its partner leaves too; group 3 keeps its label in both lists.
    for (int side = 0; side < 2; ++side) {
        QCOMPARE(f.list(side).size(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(f.list(side).primary(row), QStringLiteral("3"));
            QCOMPARE(f.list(side).fullPath(row), lists[0].fullPath(row + 2));
        }
    }
    QTRY_COMPARE(f.pane(0)->imageInfo().path, f.list(0).fullPath(f.document.position(0)));
    QVERIFY(f.frame->isVisible());
}

void CPreFrameTest::trashOfMissingEntryDropsRow()
{
    Fixture f(2, 1);
    QVERIFY(QFile::remove(f.list(0).fullPath(0)));
    QVERIFY(f.frame->open());
    QCOMPARE(f.list(0).column(0, 0), QStringLiteral("ファイルがありません"));
    f.shell.answers.enqueue(true);

    chord(f.frame.get(), Qt::Key_Left, Qt::Key_Delete);

    // The row named no file any more: it goes without a trash call or an error.
    QVERIFY(f.shell.callsOf(QStringLiteral("trash")).isEmpty());
    QVERIFY(f.shell.callsOf(QStringLiteral("error")).isEmpty());
    QCOMPARE(f.list(0).size(), 1);
    QCOMPARE(f.shownPixel(0), colourOf(0, 1).rgb());
}

void CPreFrameTest::moveRemovesEntryUnlessOntoItself_data()
{
    QTest::addColumn<QString>("target"); // folder chosen, relative to the test folder
    QTest::addColumn<QString>("error");

    QTest::newRow("another folder") << "moved" << QString();
    QTest::newRow("own folder through a link") << "link" << QStringLiteral("移動元と移動先が同じです。");
}

void CPreFrameTest::moveRemovesEntryUnlessOntoItself()
{
    QFETCH(QString, target);
    QFETCH(QString, error);
    Fixture f(3, 1);
    f.dir.makeDir(QStringLiteral("moved"));
    f.dir.makeSymlink(f.dir.filePath(QStringLiteral("s0")), QStringLiteral("link"));
    f.markRow(0, 1);
    QVERIFY(f.frame->open());
    const QString source = f.list(0).fullPath(1);
    f.shell.folderAnswers.enqueue(f.dir.filePath(target));

    f.pane(0)->runCommand(IdMoveToFolder);

    const auto errors = f.shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), error.isEmpty() ? 0 : 1);
    QVERIFY(QFileInfo::exists(source) == !error.isEmpty());
    if (!error.isEmpty()) {
        QCOMPARE(errors.constFirst().text, error);
        QCOMPARE(f.list(0).size(), 3);
        return;
    }
    // The entry after the moved one moves up and shows, with the mark.
    QCOMPARE(f.list(0).size(), 2);
    QCOMPARE(f.document.position(0), 1);
    QCOMPARE(f.list(0).primary(1), QStringLiteral("1"));
    QCOMPARE(f.shownPixel(0), colourOf(0, 2).rgb());
}

void CPreFrameTest::gesturesRotateAndClose()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    CViewerPane *pane = f.pane(1);
    QCOMPARE(pane->bitmap().size(), QSize(30, 20));

    drawGesture(pane, {{100, 100}, {110, 100}, {130, 100}, {130, 110}, {130, 130}});
    QCOMPARE(pane->bitmap().size(), QSize(20, 30));
    QVERIFY(!pane->menu()->isVisible());
    QCOMPARE(f.frame->statusPane(1)->text(), pane->imageInfo().path);

    drawGesture(pane, {{100, 100}, {100, 70}, {130, 70}, {130, 100}});
    QVERIFY(!f.frame->isVisible());
}

void CPreFrameTest::colourModesStartFromFileColours()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    CViewerPane *pane = f.pane(0);
    const QColor file = colourOf(0, 0);

    pane->runCommand(IdMonochrome);
    const int grey = int(0.59 * file.green() + 0.30 * file.red() + 0.11 * file.blue());
    QCOMPARE(f.shownPixel(0), qRgb(grey, grey, grey));

    // Inverting a grey picture inverts the file's colours, not the grey.
    pane->runCommand(IdInverted);
    QCOMPARE(f.shownPixel(0), qRgb(255 - file.red(), 255 - file.green(), 255 - file.blue()));
    QVERIFY(pane->menu()->action(IdInverted)->isChecked());
    QVERIFY(!f.pane(1)->menu()->action(IdInverted)->isChecked());

    pane->runCommand(IdColour);
    QCOMPARE(f.shownPixel(0), file.rgb());
}

void CPreFrameTest::zoomIgnoredWhenFitted()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    CViewerPane *pane = f.pane(0);
    pane->runCommand(IdFitToWindow);
    pane->menu()->action(IdZoom100 + 2)->trigger();
    QCOMPARE(pane->zoomFactor(), 1);
    QVERIFY(pane->menu()->action(IdZoom100)->isChecked());

    pane->runCommand(IdActualSize);
    pane->menu()->action(IdZoom100 + 2)->trigger();
    QCOMPARE(pane->zoomFactor(), 3);
    QVERIFY(pane->menu()->action(IdZoom100 + 2)->isChecked());
}

void CPreFrameTest::brightnessCancelRestoresExactly()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    CViewerPane *pane = f.pane(0);
    pane->runCommand(IdRotateRight);
    const QImage before = pane->bitmap();
    const QColor file = colourOf(0, 0);

    pane->runCommand(IdBrightness);
    CBrightDlg *dialog = pane->brightnessDialog();
    QVERIFY(dialog);
    dialog->slider(0)->setValue(50);
    QCOMPARE(dialog->number(0)->value(), 50);
    QCOMPARE(f.shownPixel(0), qRgb(std::min(255, file.red() + 50), file.green(), file.blue()));
    dialog->linkBox()->setChecked(true);
    QCOMPARE(dialog->number(2)->value(), 50);

    dialog->reject();
    QCOMPARE(pane->bitmap().size(), before.size());
    QCOMPARE(QByteArray::fromRawData(
                 reinterpret_cast<const char *>(pane->bitmap().constBits()), pane->bitmap().sizeInBytes()),
        QByteArray::fromRawData(reinterpret_cast<const char *>(before.constBits()), before.sizeInBytes()));
}

// The list commands change the lists while the viewer shows: it moves to the side's new position
// and closes, with the emptied side's pane back at zoom 1, when a side has nothing left.
void CPreFrameTest::followsListCommandRemovals()
{
    Fixture f(3, 2);
    QVERIFY(f.frame->open());
    f.pane(1)->runCommand(IdActualSize);
    f.pane(1)->menu()->action(IdZoom100 + 2)->trigger();
    QCOMPARE(f.pane(1)->zoomFactor(), 3);

    f.document.removeListRows(0, {0}); // the shown, marked entry
    QTRY_COMPARE(f.shownPixel(0), colourOf(0, 1).rgb());
    QCOMPARE(f.document.position(0), 0);
    f.document.removeListRows(0, {1}); // another entry: the shown one stays
    QCOMPARE(f.shownPixel(0), colourOf(0, 1).rgb());

    f.document.removeListRows(1, {0, 1});
    QCOMPARE(f.pane(1)->zoomFactor(), 1);
    QTRY_VERIFY(!f.frame->isVisible());
    QCOMPARE(f.document.activePair(), 0);
}

void CPreFrameTest::toolAcceleratorsRunTheTools()
{
    Fixture f(2, 2);
    QVERIFY(f.frame->open());
    QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
    for (Qt::Key key : {Qt::Key_G, Qt::Key_B, Qt::Key_Y, Qt::Key_J})
        QTest::keyClick(f.pane(0), key, Qt::ControlModifier);
    QCOMPARE(f.toolsRun, (QList<int>{IdCompose, IdBinaryCompare, IdDifferenceAnalysis, IdJpegCompare}));
}

void CPreFrameTest::differenceModeMarksWhatDiffers()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    QTest::keyClick(f.frame.get(), Qt::Key_D);
    // Every pixel differs (the sides have their own colours): one region of 600 red pixels.
    QCOMPARE(f.pane(1)->shownPicture().pixel(29, 19), qRgb(255, 0, 0));
    QCOMPARE(f.frame->statusPane(1)->text(), QStringLiteral("差分 600 画素 (100.00%)　領域 1　許容値 0"));
    QCOMPARE(f.shownPixel(1), colourOf(1, 0).rgb()); // the pane's own picture is untouched

    // The tolerance from the dialog redraws at once and is kept.
    f.pane(1)->runCommand(IdComparisonOptions);
    CComparisonOptionsDlg *options = f.frame->modes()->optionsDialog();
    QVERIFY(options);
    options->toleranceSlider()->setValue(255);
    QCOMPARE(options->toleranceNumber()->value(), 255);
    QCOMPARE(qRed(f.pane(1)->shownPicture().pixel(29, 19)), qGreen(f.pane(1)->shownPicture().pixel(29, 19)));
    QCOMPARE(f.frame->statusPane(1)->text(), QStringLiteral("差分 0 画素 (0.00%)　領域 0　許容値 255"));
    QCOMPARE(f.settings.value(AppSettings::DifferenceTolerance()), 255);

    f.pane(0)->menu()->action(IdDifferenceMode)->trigger();
    QVERIFY(!f.pane(1)->hasShownOverride());
    QCOMPARE(f.frame->statusPane(1)->text(), f.list(1).fullPath(0));
}

void CPreFrameTest::flickerAlternatesUntilAnotherKey()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    f.frame->modes()->setFlickerInterval(50);
    auto leftShows = [&f](int side) {
        return (f.pane(0)->shownPicture().pixel(0, 0) | 0xff000000u) == colourOf(side, 0).rgb();
    };
    QTest::keyClick(f.frame.get(), Qt::Key_F);
    QVERIFY(f.frame->modes()->isFlickering());
    QVERIFY(leftShows(1));
    QTRY_VERIFY(leftShows(0));
    QTRY_VERIFY(leftShows(1));
    QVERIFY(f.frame->statusPane(0)->text().startsWith(QStringLiteral("点滅表示 (50 ミリ秒)")));
    QCOMPARE(f.settings.value(AppSettings::FlickerInterval()), 50);

    QTest::keyClick(f.frame.get(), Qt::Key_A);
    QVERIFY(!f.frame->modes()->isFlickering());
    QVERIFY(leftShows(0));
    QCOMPARE(f.frame->statusPane(0)->text(), f.list(0).fullPath(0));
}

void CPreFrameTest::splitShowsBothSidesOfTheDivider()
{
    Fixture f(1, 1);
    QVERIFY(f.frame->open());
    CViewerPane *pane = f.pane(0);
    pane->runCommand(IdFitToWindow);
    QTest::keyClick(f.frame.get(), Qt::Key_V);
    QVERIFY(pane->isSplit());
    QVERIFY(!f.pane(1)->isVisible());
    QTest::keyClick(f.frame.get(), Qt::Key_Period);
    QCOMPARE(pane->splitPosition(), 0.52);

    // Dragged to a quarter of the width: the left picture left of it, the right one after it.
    const int y = pane->height() / 2;
    QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(pane->dividerX(), y));
    QTest::mouseMove(pane, QPoint(pane->width() / 4, y));
    QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(pane->width() / 4, y));
    QCOMPARE(pane->dividerX(), pane->width() / 4);
    const QImage drawn = pane->grab().toImage();
    QCOMPARE(drawn.pixel(pane->width() / 4 - 10, y), colourOf(0, 0).rgb());
    QCOMPARE(drawn.pixel(pane->width() / 4 + 10, y), colourOf(1, 0).rgb());

    QTest::keyClick(f.frame.get(), Qt::Key_V);
    QVERIFY(!pane->isSplit());
    QVERIFY(f.pane(1)->isVisible());
}

void CPreFrameTest::linkedZoomFollowsInRelativeCoordinates()
{
    Fixture f(1, 1, {QSize(200, 150), QSize(400, 300)});
    QVERIFY(f.frame->open());
    // Side by side each pane keeps its own zoom until the option links them.
    f.pane(0)->menu()->action(IdZoom100 + 2)->trigger();
    QCOMPARE(f.pane(1)->zoomFactor(), 1);
    f.pane(0)->menu()->action(IdLinkedViews)->trigger();
    QCOMPARE(f.pane(1)->zoomFactor(), 3);
    QVERIFY(f.pane(1)->menu()->action(IdZoom100 + 2)->isChecked());
    QCOMPARE(f.settings.value(AppSettings::LinkedViews()), 1);

    f.pane(1)->menu()->action(IdZoom100 + 3)->trigger();
    QCOMPARE(f.pane(0)->zoomFactor(), 5);
    // A drag on the left moves the right picture, twice as large, to the same relative spot.
    QTest::mousePress(f.pane(0), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(f.pane(0), QPoint(50, 50));
    QTest::mouseRelease(f.pane(0), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(f.pane(0)->scrollOffset().x(), -50);
    QCOMPARE(f.pane(1)->scrollOffset(),
        ViewerGeometry::linkedOffset(f.pane(0)->view(), {f.pane(1)->size(), QSize(400, 300), 5, QPoint()}));
    QVERIFY(f.pane(1)->scrollOffset().x() < -100);
}

QTEST_MAIN(CPreFrameTest)
#include "cpreframetest.moc"
