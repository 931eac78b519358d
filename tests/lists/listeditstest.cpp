#include <QTest>

#include "lists/listedits.h"
#include "support/listtexts.h"

using namespace Duovue;
using Duovue::Test::strings;

class ListEditsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regroupDropsLoneRowsAndRenumbers_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QList<int>>("dropped");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("no rows") << QStringList() << 1 << QList<int>() << QStringList();
        QTest::newRow("one row goes whatever was removed") << strings({"-4"}) << 0 << QList<int>{0} << QStringList();
        QTest::newRow("lone rows found from the top, no more than were removed")
            << strings({"2", "3", "4", "4", "5"}) << 1 << QList<int>{0} << strings({"3", "4", "4", "5"});
        QTest::newRow("a lone first and last row")
            << strings({"2", "3", "3", "4"}) << 2 << QList<int>{0, 3} << strings({"3", "3"});
        QTest::newRow("numbers close up after the first group")
            << strings({"3", "3", "5", "-5", "8", "8"}) << 0 << QList<int>()
            << strings({"3", "3", "4", "-4", "5", "5"});
        QTest::newRow("a first group 2 keeps 2")
            << strings({"-2", "2", "6", "6"}) << 1 << QList<int>() << strings({"-2", "2", "3", "3"});
    }
    void regroupDropsLoneRowsAndRenumbers()
    {
        QFETCH(QStringList, labels);
        QFETCH(int, removed);
        QFETCH(QList<int>, dropped);
        QFETCH(QStringList, after);
        const ListEdits::Regrouped r = ListEdits::regroup(labels, removed);
        QCOMPARE(r.dropped, dropped);
        QCOMPARE(r.labels, after);
    }

    void positionFollowsItsEntry_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<int>("remaining");
        QTest::addColumn<bool>("toTop");
        QTest::addColumn<int>("after");
        QTest::newRow("rows after it") << 2 << QList<int>{3, 4} << 3 << true << 2;
        QTest::newRow("rows before it") << 4 << QList<int>{0, 2} << 5 << true << 2;
        QTest::newRow("its row, to the top") << 3 << QList<int>{1, 3} << 4 << true << 0;
        QTest::newRow("its row, the next one takes its place") << 3 << QList<int>{1, 3} << 4 << false << 2;
        QTest::newRow("its row was the last") << 5 << QList<int>{4, 5} << 4 << false << 3;
        QTest::newRow("nothing left") << 1 << QList<int>{0, 1} << 0 << true << 0;
    }
    void positionFollowsItsEntry()
    {
        QFETCH(int, position);
        QFETCH(QList<int>, removed);
        QFETCH(int, remaining);
        QFETCH(bool, toTop);
        QFETCH(int, after);
        QCOMPARE(ListEdits::positionAfterRemoval(position, removed, remaining, toTop), after);
    }

    void cleanFileNameDropsForbiddenCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cleaned");
        QTest::addColumn<bool>("hadForbidden");
        QTest::newRow("slash and question mark") << QStringLiteral("a/b?c.jpg") << QStringLiteral("abc.jpg") << true;
        QTest::newRow("all nine") << QStringLiteral("/x?*\"<>|\\:y") << QStringLiteral("xy") << true;
        QTest::newRow("only forbidden ones") << QStringLiteral("::") << QString() << true;
        QTest::newRow("others kept in order")
            << QStringLiteral("写真 (1)+#.jpg") << QStringLiteral("写真 (1)+#.jpg") << false;
    }
    void cleanFileNameDropsForbiddenCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, cleaned);
        QFETCH(bool, hadForbidden);
        bool had = !hadForbidden;
        QCOMPARE(ListEdits::cleanFileName(text, &had), cleaned);
        QCOMPARE(had, hadForbidden);
    }
};

QTEST_GUILESS_MAIN(ListEditsTest)
#include "listeditstest.moc"
