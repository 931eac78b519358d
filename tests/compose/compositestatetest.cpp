#include <QStandardPaths>
#include <QTest>

#include "compose/compositestate.h"
#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "support/testdir.h"

using namespace Duovue;

Q_DECLARE_METATYPE(Duovue::Arrow)
Q_DECLARE_METATYPE(Duovue::RightAspect)
Q_DECLARE_METATYPE(Duovue::CompositeMethod)

class CompositeStateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void compositeSizeFitsWithinMaximum_data();
    void compositeSizeFitsWithinMaximum();
    void optionsComeIntoRange_data();
    void optionsComeIntoRange();
    void slidingStopsWhenPictureLeavesWindow_data();
    void slidingStopsWhenPictureLeavesWindow();
    void keySlideFollowsHeldArrows_data();
    void keySlideFollowsHeldArrows();
    void keyResizeStopsAtLimits_data();
    void keyResizeStopsAtLimits();
    void fastMouseShrinkStopsAtLimit();
    void aspectSwitchKeepsSizeAdjustment();
    void choosingWhatIsInForceChangesNothing();
    void captionNamesModes_data();
    void captionNamesModes();
};

namespace
{

CompositeOptions options(RightAspect aspect = RightAspect::Free)
{
    CompositeOptions o;
    o.aspect = aspect;
    return o;
}

} // namespace

void CompositeStateTest::compositeSizeFitsWithinMaximum_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("4:3 halves") << QSize(1600, 1200) << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("small stays") << QSize(400, 300) << QSize(800, 600) << QSize(400, 300);
    QTest::newRow("exactly the limit") << QSize(800, 600) << QSize(800, 600) << QSize(800, 600);
    QTest::newRow("wide: width limits") << QSize(3000, 1000) << QSize(800, 600) << QSize(800, 266);
    QTest::newRow("tall: height limits") << QSize(1000, 3000) << QSize(800, 600) << QSize(200, 600);
    QTest::newRow("only the height is over") << QSize(700, 700) << QSize(800, 600) << QSize(600, 600);
    QTest::newRow("panorama within a huge limit") << QSize(60000, 40000) << QSize(50000, 50000) << QSize(50000, 33333);
    QTest::newRow("never below one pixel") << QSize(5000, 2) << QSize(800, 600) << QSize(800, 1);
}

void CompositeStateTest::compositeSizeFitsWithinMaximum()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, maximum);
    QFETCH(QSize, expected);
    QCOMPARE(CompositeSize(picture, maximum), expected);
}

void CompositeStateTest::optionsComeIntoRange_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("maxWidth");
    QTest::addColumn<CompositeMethod>("expectedMethod");
    QTest::addColumn<int>("expectedRatio");
    QTest::addColumn<int>("expectedQuality");
    QTest::addColumn<int>("expectedWidth");
    QTest::newRow("valid") << 2 << 3 << 70 << 1024 << CompositeMethod::Dots << 3 << 70 << 1024;
    QTest::newRow("too low") << -1 << 0 << 5 << 0 << CompositeMethod::Rows << 1 << 20 << 800;
    QTest::newRow("too high") << 3 << 9 << 101 << 99999 << CompositeMethod::Rows << 5 << 100 << 99999;
}

void CompositeStateTest::optionsComeIntoRange()
{
    QFETCH(int, method);
    QFETCH(int, ratio);
    QFETCH(int, quality);
    QFETCH(int, maxWidth);
    Test::TestDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
    QVERIFY(store.setValue(AppSettings::ComposeMethod(), method).ok());
    QVERIFY(store.setValue(AppSettings::ComposeStep(), ratio).ok());
    QVERIFY(store.setValue(AppSettings::JpegQuality(), quality).ok());
    QVERIFY(store.setValue(AppSettings::ComposeMaxWidth(), maxWidth).ok());

    const CompositeOptions o = CompositeOptions::read(store);
    QTEST(o.method, "expectedMethod");
    QTEST(o.ratio, "expectedRatio");
    QTEST(o.quality, "expectedQuality");
    QTEST(o.maximum.width(), "expectedWidth");
    QCOMPARE(o.maximum.height(), 600);
}

void CompositeStateTest::slidingStopsWhenPictureLeavesWindow_data()
{
    // An 800 x 600 composite with a right picture drawn at 400 x 600 (its own aspect), so that
    // the limits on the left and the right differ.
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("off to the right") << QPoint(0, 0) << QPoint(5000, 0) << QPoint(800, 0);
    QTest::newRow("off to the left") << QPoint(0, 0) << QPoint(-5000, 0) << QPoint(-400, 0);
    QTest::newRow("off the bottom") << QPoint(0, 0) << QPoint(0, 5000) << QPoint(0, 600);
    QTest::newRow("off the top") << QPoint(0, 0) << QPoint(0, -5000) << QPoint(0, -600);
    QTest::newRow("right edge is still reachable") << QPoint(0, 0) << QPoint(800, 0) << QPoint(800, 0);
    QTest::newRow("one past the left edge") << QPoint(-400, 0) << QPoint(-1, 3) << QPoint(-400, 3);
    QTest::newRow("diagonal, both limits") << QPoint(0, 0) << QPoint(-900, 700) << QPoint(-400, 600);
}

void CompositeStateTest::slidingStopsWhenPictureLeavesWindow()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, delta);
    CompositeState state(QSize(1600, 1200), QSize(200, 300), options(RightAspect::Original));
    QCOMPARE(state.rightSize(), QSize(400, 600));
    state.slideBy(start);
    state.slideBy(delta);
    QTEST(state.slideOffset(), "expected");
}

void CompositeStateTest::keySlideFollowsHeldArrows_data()
{
    QTest::addColumn<Arrow>("arrow");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("down");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("left alone") << Arrow::Left << false << false << false << false << QPoint(-1, 0);
    QTest::newRow("left with down held") << Arrow::Left << false << false << false << true << QPoint(-1, 1);
    QTest::newRow("right with up held") << Arrow::Right << false << true << false << false << QPoint(1, -1);
    QTest::newRow("right: up wins over down") << Arrow::Right << false << true << false << true << QPoint(1, -1);
    QTest::newRow("down with left held") << Arrow::Down << true << false << false << false << QPoint(-1, 1);
    QTest::newRow("up with right held") << Arrow::Up << false << false << true << false << QPoint(1, -1);
    QTest::newRow("same axis held is no diagonal") << Arrow::Up << false << false << false << true << QPoint(0, -1);
}

void CompositeStateTest::keySlideFollowsHeldArrows()
{
    QFETCH(Arrow, arrow);
    QFETCH(bool, left);
    QFETCH(bool, up);
    QFETCH(bool, right);
    QFETCH(bool, down);
    CompositeState state(QSize(800, 600), QSize(800, 600), options());
    state.slideBy(QPoint(10, 10));
    state.slideByKey(arrow, HeldArrows{left, up, right, down});
    QTEST(state.slideOffset() - QPoint(10, 10), "expected");
}

void CompositeStateTest::keyResizeStopsAtLimits_data()
{
    // Composite 400 x 300 from a 400 x 300 left picture; the right picture is 400 x 200.
    QTest::addColumn<RightAspect>("aspect");
    QTest::addColumn<Arrow>("arrow");
    QTest::addColumn<QSize>("expectedAdjust");
    QTest::addColumn<QSize>("expectedRight");
    QTest::newRow("free: shrink width to 50") << RightAspect::Free << Arrow::Left << QSize(-350, 0) << QSize(50, 300);
    QTest::newRow("free: shrink height to 50") << RightAspect::Free << Arrow::Up << QSize(0, -250) << QSize(400, 50);
    QTest::newRow("free: grow width to twice") << RightAspect::Free << Arrow::Right << QSize(400, 0) << QSize(800, 300);
    QTest::newRow("free: grow height to twice") << RightAspect::Free << Arrow::Down << QSize(0, 300) << QSize(400, 600);
    // With the original aspect both adjustments move; the width decides the drawn size.
    QTest::newRow("original: shrink") << RightAspect::Original << Arrow::Left << QSize(-350, -299) << QSize(50, 25);
    QTest::newRow("original: grow stops at the height")
        << RightAspect::Original << Arrow::Down << QSize(300, 300) << QSize(700, 350);
    QTest::newRow("original: grow") << RightAspect::Original << Arrow::Right << QSize(400, 300) << QSize(800, 400);
}

void CompositeStateTest::keyResizeStopsAtLimits()
{
    QFETCH(RightAspect, aspect);
    QFETCH(Arrow, arrow);
    CompositeState state(QSize(400, 300), QSize(400, 200), options(aspect));
    for (int i = 0; i < 1000; ++i)
        state.resizeByKey(arrow);
    QTEST(state.sizeAdjust(), "expectedAdjust");
    QTEST(state.rightSize(), "expectedRight");
    QVERIFY(!state.resizeByKey(arrow));
}

void CompositeStateTest::fastMouseShrinkStopsAtLimit()
{
    // One large move (a fast drag) used to take the requested size far below zero at once.
    CompositeState state(QSize(800, 600), QSize(800, 600), options());
    QVERIFY(state.resizeByMouse(QPoint(-3000, -3000)));
    QCOMPARE(state.rightSize(), QSize(50, 50));
    // At the limit a move only grows the picture by one pixel; past it, growing stops one short
    // of the composite size.
    QVERIFY(state.resizeByMouse(QPoint(-3, 4)));
    QCOMPARE(state.rightSize(), QSize(51, 51));
    QVERIFY(state.resizeByMouse(QPoint(5000, 5000)));
    QCOMPARE(state.sizeAdjust(), QSize(799, 599));
    QCOMPARE(state.rightSize(), QSize(1599, 1199));
}

void CompositeStateTest::aspectSwitchKeepsSizeAdjustment()
{
    CompositeState state(QSize(800, 600), QSize(400, 300), options());
    for (int i = 0; i < 40; ++i)
        state.resizeByKey(Arrow::Right);
    state.slideBy(QPoint(30, -20));
    QCOMPARE(state.rightSize(), QSize(840, 600));

    QVERIFY(state.setAspect(RightAspect::Original));
    QCOMPARE(state.slideOffset(), QPoint(0, 0));
    QCOMPARE(state.sizeAdjust(), QSize(40, 0));
    QCOMPARE(state.rightSize(), QSize(840, 630));

    state.slideBy(QPoint(5, 5));
    QVERIFY(state.setAspect(RightAspect::Free));
    QCOMPARE(state.slideOffset(), QPoint(0, 0));
    QCOMPARE(state.rightSize(), QSize(840, 600));
}

void CompositeStateTest::choosingWhatIsInForceChangesNothing()
{
    CompositeState state(QSize(800, 600), QSize(800, 600), options());
    state.slideBy(QPoint(7, 7));
    QVERIFY(!state.setMethod(CompositeMethod::Rows));
    QVERIFY(!state.setRatio(1));
    QVERIFY(!state.setAspect(RightAspect::Free));
    QCOMPARE(state.slideOffset(), QPoint(7, 7));
    QVERIFY(state.setMethod(CompositeMethod::Dots));
    QVERIFY(state.setRatio(4));
    QCOMPARE(state.slideOffset(), QPoint(7, 7));
}

void CompositeStateTest::captionNamesModes_data()
{
    QTest::addColumn<CompositeMethod>("method");
    QTest::addColumn<RightAspect>("aspect");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<QString>("caption");
    QTest::newRow("rows free 1") << CompositeMethod::Rows << RightAspect::Free << 1
                                 << QStringLiteral("合成　(横向き - フリー - 1 pixel)");
    QTest::newRow("columns original 3") << CompositeMethod::Columns << RightAspect::Original << 3
                                        << QStringLiteral("合成　(縦向き - オリジナル - 3 pixel)");
    QTest::newRow("dots free 5") << CompositeMethod::Dots << RightAspect::Free << 5
                                 << QStringLiteral("合成　(ドット - フリー - 5 pixel)");
}

void CompositeStateTest::captionNamesModes()
{
    QFETCH(CompositeMethod, method);
    QFETCH(RightAspect, aspect);
    QFETCH(int, ratio);
    CompositeOptions o;
    o.method = method;
    o.aspect = aspect;
    o.ratio = ratio;
    QTEST(CompositeState(QSize(100, 100), QSize(100, 100), o).caption(), "caption");
}

QTEST_GUILESS_MAIN(CompositeStateTest)
#include "compositestatetest.moc"
