#include <algorithm>
#include <initializer_list>
#include <limits>
#include <random>

#include <QTest>

#include "lists/cmysortstringarray.h"
#include "support/listtexts.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

// An entry whose eight strings all carry @p tag, so a test can see that they stay together.
CMySortStringArray::Entry taggedEntry(const QString &tag)
{
    CMySortStringArray::Entry e;
    for (int c = 0; c < CMySortStringArray::ColumnCount; ++c)
        e.columns[c] = tag + QLatin1Char(':') + QString::number(c);
    e.primary = tag + QStringLiteral(":p");
    return e;
}

QString tagOf(const CMySortStringArray &list, qsizetype i)
{
    const QString tag = list.primary(i).section(QLatin1Char(':'), 0, 0);
    for (int c = 0; c < CMySortStringArray::ColumnCount; ++c) {
        if (list.column(c, i) != tag + QLatin1Char(':') + QString::number(c))
            return QStringLiteral("<torn entry %1>").arg(i);
    }
    return tag;
}

QStringList tags(const CMySortStringArray &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << tagOf(list, i);
    return out;
}

// A list with one entry per text, column @p col holding the text and the other strings a tag.
CMySortStringArray listWithColumn(int col, const QStringList &texts)
{
    CMySortStringArray list;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        CMySortStringArray::Entry e = taggedEntry(QString::number(i));
        e.columns[col] = texts[i];
        list.append(e);
    }
    return list;
}

} // namespace

class CMySortStringArrayTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryOperationsKeepEntriesWhole()
    {
        CMySortStringArray list;
        for (const char *t : {"a", "b", "c", "d"})
            list.append(taggedEntry(QLatin1String(t)));
        list.insert(1, taggedEntry(QStringLiteral("x")));
        QCOMPARE(tags(list), strings({"a", "x", "b", "c", "d"}));
        list.insert(5, taggedEntry(QStringLiteral("end")));
        list.removeAt(0);
        QCOMPARE(tags(list), strings({"x", "b", "c", "d", "end"}));
        list.set(2, taggedEntry(QStringLiteral("y")));
        QCOMPARE(tags(list), strings({"x", "b", "y", "d", "end"}));
        list.swapEntries(0, 4);
        QCOMPARE(tags(list), strings({"end", "b", "y", "d", "x"}));
        list.truncate(9);
        QCOMPARE(list.size(), 5);
        list.truncate(2);
        QCOMPARE(tags(list), strings({"end", "b"}));
        QCOMPARE(list.fullPath(1), QStringLiteral("b:1b:0"));
        list.clear();
        QVERIFY(list.isEmpty());
        for (int c = 0; c < CMySortStringArray::ColumnCount; ++c)
            list.append(taggedEntry(QString::number(c)));
        QCOMPARE(list.size(), 7);
    }

    void sortsSizeColumnByNumber()
    {
        // The column-click sort starts with the flag clear, which puts the largest first.
        CMySortStringArray list =
            listWithColumn(4, {QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("1,000")});
        list.sortAll(NumericColumnCompare, 4, false);
        QCOMPARE(columnTexts(list, 4), strings({"1,000", "10", "9"}));
        list.sortAll(NumericColumnCompare, 4, true);
        QCOMPARE(columnTexts(list, 4), strings({"9", "10", "1,000"}));
        QCOMPARE(columnTexts(list, 0), strings({"0:0", "1:0", "2:0"}));
    }

    void sortsNamesInByteOrder()
    {
        const QStringList names{QStringLiteral("b.jpg"),
            QStringLiteral("B.jpg"),
            QStringLiteral("a.jpg"),
            QStringLiteral("A.jpg"),
            QStringLiteral("_.jpg"),
            QStringLiteral("写真.jpg"),
            QStringLiteral("ｂ.jpg"),
            QStringLiteral("\U0001F600.jpg"),
            QStringLiteral("1.jpg")};
        CMySortStringArray list = listWithColumn(0, names);
        list.sortAll(TextColumnCompare, 0, false);
        // Upper-case ASCII before lower-case; beyond ASCII the order of the UTF-8 bytes, which puts
        // the emoji (4 bytes, F0...) after the full-width letter (EF...).
        const QStringList ascending{QStringLiteral("1.jpg"),
            QStringLiteral("A.jpg"),
            QStringLiteral("B.jpg"),
            QStringLiteral("_.jpg"),
            QStringLiteral("a.jpg"),
            QStringLiteral("b.jpg"),
            QStringLiteral("写真.jpg"),
            QStringLiteral("ｂ.jpg"),
            QStringLiteral("\U0001F600.jpg")};
        QCOMPARE(columnTexts(list, 0), ascending);
        QStringList bytes = names;
        std::sort(bytes.begin(), bytes.end(), [](const QString &a, const QString &b) {
            return a.toUtf8() < b.toUtf8();
        });
        QCOMPARE(bytes, ascending);
        list.sortAll(TextColumnCompare, 0, true);
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(columnTexts(list, 0), descending);
    }

    void sortKeepsEntriesTogether()
    {
        std::mt19937 random(7);
        QStringList sizes;
        for (int i = 0; i < 2000; ++i)
            sizes << QString::number(random() % 300);
        CMySortStringArray list = listWithColumn(4, sizes);
        list.sortAll(NumericColumnCompare, 4, true);
        for (qsizetype i = 0; i < list.size(); ++i) {
            const int original = list.primary(i).section(QLatin1Char(':'), 0, 0).toInt();
            QCOMPARE(list.column(4, i), sizes[original]);
            QCOMPARE(list.column(0, i), QStringLiteral("%1:0").arg(original));
            if (i > 0)
                QVERIFY(parseNumberText(list.column(4, i - 1)) <= parseNumberText(list.column(4, i)));
        }
    }

    void sortHandlesAwkwardInputs_data()
    {
        QTest::addColumn<QStringList>("texts");
        QStringList equal, ascending, descending, sawtooth;
        for (int i = 0; i < 20000; ++i) {
            equal << QStringLiteral("5");
            ascending << QString::number(i);
            descending << QString::number(20000 - i);
            sawtooth << QString::number(i % 7);
        }
        QTest::newRow("all equal") << equal;
        QTest::newRow("ascending") << ascending;
        QTest::newRow("descending") << descending;
        QTest::newRow("sawtooth") << sawtooth;
        QTest::newRow("one") << QStringList{QStringLiteral("1")};
        QTest::newRow("two reversed") << QStringList{QStringLiteral("2"), QStringLiteral("1")};
    }
    void sortHandlesAwkwardInputs()
    {
        QFETCH(QStringList, texts);
        CMySortStringArray list = listWithColumn(4, texts);
        list.sortAll(NumericColumnCompare, 4, true);
        for (qsizetype i = 1; i < list.size(); ++i)
            QVERIFY(parseNumberText(list.column(4, i - 1)) <= parseNumberText(list.column(4, i)));
        QCOMPARE(list.size(), texts.size());
    }

    void sortsPartOfTheList()
    {
        CMySortStringArray list = listWithColumn(0, strings({"d", "c", "b", "a", "e"}));
        list.sort(TextColumnCompare, 1, 3, 0, false);
        QCOMPARE(columnTexts(list, 0), strings({"d", "a", "b", "c", "e"}));
    }

    void readsNumberTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("plain") << QStringLiteral("42") << qint64(42);
        QTest::newRow("groups") << QStringLiteral("1,234,567") << qint64(1234567);
        QTest::newRow("empty") << QString() << qint64(0);
        QTest::newRow("no digits") << QStringLiteral("abc") << qint64(0);
        QTest::newRow("trailing text") << QStringLiteral("12px") << qint64(12);
        QTest::newRow("negative group label") << QStringLiteral("-3") << qint64(-3);
        QTest::newRow("blanks and sign") << QStringLiteral("  +7") << qint64(7);
        QTest::newRow("comma before sign") << QStringLiteral(" ,-5") << qint64(-5);
        QTest::newRow("largest") << QStringLiteral("9,223,372,036,854,775,807") << std::numeric_limits<qint64>::max();
        QTest::newRow("saturates") << QStringLiteral("18,446,744,073,709,551,615")
                                   << std::numeric_limits<qint64>::max();
    }
    void readsNumberTexts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(parseNumberText(text), value);
    }

    void numericCompareOrdersLargestFirst()
    {
        QVERIFY(NumericColumnCompare(u"1,000", u"999", false) < 0);
        QVERIFY(NumericColumnCompare(u"1,000", u"999", true) > 0);
        QCOMPARE(NumericColumnCompare(u"1,000", u"1000", false), 0);
        QVERIFY(NumericColumnCompare(u"", u"1", false) > 0);
    }
};

QTEST_GUILESS_MAIN(CMySortStringArrayTest)
#include "cmysortstringarraytest.moc"
