#include <QTest>

#include "lists/resultchecks.h"
#include "search/checkrules.h"

using namespace Duovue;
using namespace Qt::StringLiterals;

namespace
{

// One row per item "label|size|modified|width".
FileList makeList(const QStringList &rows)
{
    FileList list;
    for (const QString &r : rows) {
        const QStringList f = r.split(QLatin1Char('|'));
        FileList::Entry e;
        e.primary = f.value(0);
        e.columns[0] = QStringLiteral("f.jpg");
        e.columns[1] = QStringLiteral("/p/");
        e.columns[4] = f.value(1);
        e.columns[3] = f.value(2);
        e.columns[5] = f.value(3);
        list.append(e);
    }
    return list;
}

QStringList labels(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.primary(i);
    return out;
}

} // namespace

class CheckRulesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        const QString t1 = QStringLiteral("2024/01/01、10:00:00");
        const QString t2 = QStringLiteral("2024/06/01、10:00:00");

        QTest::newRow("largest keeps first of equal largest")
            << 1 << QStringList{u"2|100"_s, u"2|300"_s, u"2|300"_s} << QStringList{u"-2"_s, u"2"_s, u"-2"_s};
        QTest::newRow("smallest") << 2 << QStringList{u"2|100"_s, u"2|300"_s, u"2|300"_s}
                                  << QStringList{u"2"_s, u"-2"_s, u"-2"_s};
        QTest::newRow("smallest keeps last of equal smallest")
            << 2 << QStringList{u"2|300"_s, u"2|100"_s, u"2|100"_s} << QStringList{u"-2"_s, u"-2"_s, u"2"_s};
        QTest::newRow("sizes compare as numbers")
            << 1 << QStringList{u"2|999"_s, u"2|1,234"_s} << QStringList{u"-2"_s, u"2"_s};
        QTest::newRow("sizes beyond 2 GB")
            << 1 << QStringList{u"2|2,147,483,648"_s, u"2|5"_s} << QStringList{u"2"_s, u"-2"_s};
        QTest::newRow("newest") << 3 << QStringList{u"2|1|"_s + t1, u"2|1|"_s + t2} << QStringList{u"-2"_s, u"2"_s};
        QTest::newRow("oldest") << 4 << QStringList{u"2|1|"_s + t2, u"2|1|"_s + t1, u"2|1|"_s + t2}
                                << QStringList{u"-2"_s, u"2"_s, u"-2"_s};
        QTest::newRow("equal times keep first (newest)")
            << 3 << QStringList{u"2|1|"_s + t1, u"2|1|"_s + t1} << QStringList{u"2"_s, u"-2"_s};
        QTest::newRow("equal times keep first (oldest)")
            << 4 << QStringList{u"2|1|"_s + t1, u"2|1|"_s + t1} << QStringList{u"2"_s, u"-2"_s};
        QTest::newRow("widest") << 5 << QStringList{u"2|1||640"_s, u"2|1||1,024"_s, u"2|1||800"_s}
                                << QStringList{u"-2"_s, u"2"_s, u"-2"_s};
        QTest::newRow("narrowest") << 6 << QStringList{u"2|1||640"_s, u"2|1||1,024"_s, u"2|1||640"_s}
                                   << QStringList{u"-2"_s, u"-2"_s, u"2"_s};
        // After a hash search the widths are empty: rule 5 keeps the first row, rule 6 the last.
        QTest::newRow("empty widths, widest")
            << 5 << QStringList{u"2|1"_s, u"2|1"_s, u"2|1"_s} << QStringList{u"2"_s, u"-2"_s, u"-2"_s};
        QTest::newRow("empty widths, narrowest")
            << 6 << QStringList{u"2|1"_s, u"2|1"_s, u"2|1"_s} << QStringList{u"-2"_s, u"-2"_s, u"2"_s};
        QTest::newRow("rule 0 changes nothing") << 0 << QStringList{u"2|1"_s, u"2|5"_s} << QStringList{u"2"_s, u"2"_s};
        QTest::newRow("several groups")
            << 1 << QStringList{u"2|5"_s, u"2|9"_s, u"3|7"_s, u"3|1"_s, u"3|7"_s, u"4|2"_s, u"4|3"_s}
            << QStringList{u"-2"_s, u"2"_s, u"3"_s, u"-3"_s, u"-3"_s, u"-4"_s, u"4"_s};
        QTest::newRow("lone row is left alone")
            << 1 << QStringList{u"2|5"_s, u"3|1"_s, u"3|2"_s} << QStringList{u"2"_s, u"-3"_s, u"3"_s};
        QTest::newRow("first group not numbered 2")
            << 1 << QStringList{u"5|1"_s, u"5|2"_s} << QStringList{u"-5"_s, u"5"_s};
        // A rule starts over: a check left from before would leave a whole group checked.
        QTest::newRow("checked labels group and start over")
            << 2 << QStringList{u"-2|1"_s, u"2|2"_s} << QStringList{u"2"_s, u"-2"_s};
        QTest::newRow("every check goes first") << 1 << QStringList{u"-2|1"_s, u"-2|2"_s, u"--3|4"_s, u"3|5"_s}
                                                << QStringList{u"-2"_s, u"2"_s, u"-3"_s, u"3"_s};
    }

    void rules()
    {
        QFETCH(int, rule);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        FileList left = makeList(rows);
        FileList right = makeList(rows);
        CheckRules::apply(rule, left, right);
        QCOMPARE(labels(left), expected);
        QCOMPARE(labels(right), expected);
    }

    void exactlyOneKeptPerGroup()
    {
        FileList left =
            makeList({u"2|1"_s, u"2|2"_s, u"2|3"_s, u"3|4"_s, u"3|4"_s, u"4|9"_s, u"4|8"_s, u"4|7"_s, u"4|6"_s});
        FileList right = left;
        const int checked = CheckRules::apply(CheckRules::KeepSmallest, left, right);
        QCOMPARE(checked, 2 + 1 + 3);
        int unchecked = 0;
        for (qsizetype i = 0; i < left.size(); ++i)
            unchecked += ResultChecks::isChecked(left.primary(i)) ? 0 : 1;
        QCOMPARE(unchecked, 3);
    }

    void ruleNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rule");
        QTest::newRow("largest") << u"largest"_s << 1;
        QTest::newRow("Narrowest") << u"Narrowest"_s << 6;
        QTest::newRow("number") << u"4"_s << 4;
        QTest::newRow("out of range") << u"7"_s << -1;
        QTest::newRow("unknown") << u"biggest"_s << -1;
    }

    void ruleNames()
    {
        QFETCH(QString, name);
        QFETCH(int, rule);
        QCOMPARE(CheckRules::ruleFromName(name), rule);
    }
};

QTEST_GUILESS_MAIN(CheckRulesTest)
#include "checkrulestest.moc"
