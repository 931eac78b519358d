#include <QTest>

#include "viewer/keychords.h"

using namespace Duovue;
using Action = ChordCommand::Action;

Q_DECLARE_METATYPE(Duovue::ChordCommand::Action)

class KeyChordsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chords_data();
    void chords();
    void heldKeysIgnoreRepeatAndFocusLoss();
};

void KeyChordsTest::chords_data()
{
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<int>("key");
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("right");

    const int l = Qt::Key_Left;
    const int r = Qt::Key_Right;
    const int sp = Qt::Key_Space;
    QTest::newRow("left + up") << QList<int>{l} << int(Qt::Key_Up) << Action::Previous << true << false;
    QTest::newRow("right + down") << QList<int>{r} << int(Qt::Key_Down) << Action::Next << false << true;
    QTest::newRow("both arrows: left wins") << QList<int>{r, l} << int(Qt::Key_Down) << Action::Next << true << false;
    QTest::newRow("arrow wins over space") << QList<int>{sp, r} << int(Qt::Key_Up) << Action::Previous << false << true;
    QTest::newRow("space + down") << QList<int>{sp} << int(Qt::Key_Down) << Action::Next << true << true;
    QTest::newRow("down alone") << QList<int>{} << int(Qt::Key_Down) << Action::None << false << false;
    QTest::newRow("right + delete") << QList<int>{r} << int(Qt::Key_Delete) << Action::Trash << false << true;
    QTest::newRow("space + delete") << QList<int>{sp} << int(Qt::Key_Delete) << Action::None << false << false;
    QTest::newRow("left + Q") << QList<int>{l} << int(Qt::Key_Q) << Action::StopAutoAdvance << true << false;
    QTest::newRow("space + Q") << QList<int>{sp} << int(Qt::Key_Q) << Action::None << false << false;
    QTest::newRow("space + S") << QList<int>{sp} << int(Qt::Key_S) << Action::StartAutoAdvance << true << true;
    QTest::newRow("right + T") << QList<int>{r} << int(Qt::Key_T) << Action::BackToTop << false << true;
    QTest::newRow("space alone") << QList<int>{sp} << sp << Action::StopAutoAdvance << true << true;
    QTest::newRow("space while an arrow is held") << QList<int>{l, sp} << sp << Action::StopAutoAdvance << true << true;
    QTest::newRow("other key") << QList<int>{l} << int(Qt::Key_A) << Action::None << false << false;
    QTest::newRow("D alone") << QList<int>{} << int(Qt::Key_D) << Action::ToggleDifference << false << false;
    QTest::newRow("F alone") << QList<int>{} << int(Qt::Key_F) << Action::ToggleFlicker << false << false;
    QTest::newRow("V alone") << QList<int>{} << int(Qt::Key_V) << Action::ToggleSplit << false << false;
    QTest::newRow("comma alone") << QList<int>{} << int(Qt::Key_Comma) << Action::DividerLeft << false << false;
    QTest::newRow("period alone") << QList<int>{} << int(Qt::Key_Period) << Action::DividerRight << false << false;
    QTest::newRow("right + D: no side for a mode") << QList<int>{r} << int(Qt::Key_D) << Action::None << false << false;
    QTest::newRow("space + F") << QList<int>{sp} << int(Qt::Key_F) << Action::None << false << false;
}

void KeyChordsTest::chords()
{
    QFETCH(QList<int>, held);
    QFETCH(int, key);
    QFETCH(Action, action);
    QFETCH(bool, left);
    QFETCH(bool, right);
    HeldKeys keys;
    for (int k : held)
        keys.press(k, false);
    keys.press(key, false);
    QCOMPARE(chordFor(key, keys), (ChordCommand{action, left, right}));
}

void KeyChordsTest::heldKeysIgnoreRepeatAndFocusLoss()
{
    HeldKeys keys;
    keys.press(Qt::Key_Right, false);
    // Holding the key makes the window system repeat it as release and press pairs.
    keys.release(Qt::Key_Right, true);
    keys.press(Qt::Key_Right, true);
    QCOMPARE(chordFor(Qt::Key_Down, keys).right, true);
    keys.release(Qt::Key_Right, false);
    QCOMPARE(chordFor(Qt::Key_Down, keys).action, Action::None);

    // A key released while another window had the focus never reports its release.
    keys.press(Qt::Key_Left, false);
    keys.releaseAll();
    QCOMPARE(chordFor(Qt::Key_Down, keys).action, Action::None);
}

QTEST_GUILESS_MAIN(KeyChordsTest)
#include "keychordstest.moc"
