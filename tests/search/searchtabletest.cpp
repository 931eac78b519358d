#include <QTest>

#include "document/cduovuedoc.h"
#include "search/searchresults.h"
#include "search/searchtable.h"

using namespace Duovue;
using namespace Qt::StringLiterals;

namespace
{

// Rows named by their walk order; key and identity as given ("" identity = same content).
SearchTable makeTable(const QStringList &keys, const QStringList &identities = {})
{
    SearchTable table;
    for (int i = 0; i < keys.size(); ++i) {
        SearchRow row;
        row.name = QStringLiteral("f%1.jpg").arg(i);
        row.folder = QStringLiteral("/p/");
        row.key = keys[i];
        row.identity = identities.isEmpty() ? QByteArray("same") : identities[i].toLatin1();
        row.size = quint64(i);
        row.order = i;
        table.push_back(row);
    }
    return table;
}

QStringList labelsAndNames(const GroupingResult &r)
{
    QStringList out;
    for (const FileList::Entry &e : r.rows)
        out << e.primary + QLatin1Char(':') + e.columns[0];
    return out;
}

} // namespace

class SearchTableTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void groupsRuns_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("identities");
        QTest::addColumn<int>("groups");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("run of five is one group")
            << QStringList{u"AA"_s, u"AA"_s, u"AA"_s, u"AA"_s, u"AA"_s} << QStringList() << 1
            << QStringList{u"2:f0.jpg"_s, u"2:f1.jpg"_s, u"2:f2.jpg"_s, u"2:f3.jpg"_s, u"2:f4.jpg"_s};
        // Groups come out in descending key order, labelled 2, 3, 4; members in walk order.
        QTest::newRow("three groups")
            << QStringList{u"11"_s, u"FF"_s, u"80"_s, u"11"_s, u"FF"_s, u"80"_s, u"80"_s, u"55"_s} << QStringList() << 3
            << QStringList{u"2:f1.jpg"_s,
                   u"2:f4.jpg"_s,
                   u"3:f2.jpg"_s,
                   u"3:f5.jpg"_s,
                   u"3:f6.jpg"_s,
                   u"4:f0.jpg"_s,
                   u"4:f3.jpg"_s};
        QTest::newRow("no equal keys") << QStringList{u"01"_s, u"02"_s, u"03"_s} << QStringList() << 0 << QStringList();
        QTest::newRow("one file") << QStringList{u"01"_s} << QStringList() << 0 << QStringList();
        QTest::newRow("empty keys never group")
            << QStringList{u""_s, u""_s, u""_s, u"7"_s} << QStringList() << 0 << QStringList();
        // Equal keys whose content differs (a CRC-32 collision) are no duplicates.
        QTest::newRow("collision pair") << QStringList{u"C0"_s, u"C0"_s} << QStringList{u"a"_s, u"b"_s} << 0
                                        << QStringList();
        QTest::newRow("collision between two real groups")
            << QStringList{u"C0"_s, u"C0"_s, u"C0"_s, u"C0"_s, u"C0"_s}
            << QStringList{u"a"_s, u"b"_s, u"a"_s, u"b"_s, u"c"_s} << 2
            << QStringList{u"2:f0.jpg"_s, u"2:f2.jpg"_s, u"3:f1.jpg"_s, u"3:f3.jpg"_s};
    }

    void groupsRuns()
    {
        QFETCH(QStringList, keys);
        QFETCH(QStringList, identities);
        QFETCH(int, groups);
        QFETCH(QStringList, rows);
        SearchTable table = makeTable(keys, identities);
        const GroupingResult result = SearchGrouping::group(table);
        QCOMPARE(result.groups, groups);
        QCOMPARE(labelsAndNames(result), rows);
        QVERIFY(!result.aborted);
    }

    void abortKeepsWholeGroups()
    {
        SearchTable table = makeTable({u"FF"_s, u"FF"_s, u"FF"_s, u"EE"_s, u"EE"_s, u"DD"_s, u"DD"_s});
        std::atomic<bool> abort{true};
        const GroupingResult result = SearchGrouping::group(table, &abort);
        QVERIFY(result.aborted);
        QCOMPARE(result.groups, 1);
        QCOMPARE(result.rows.size(), std::size_t(3));
    }

    // Sizes are numbers in the table and become the list's texts only in the result rows.
    void resultRowsCarryColumns()
    {
        SearchTable table = makeTable({u"AB"_s, u"AB"_s});
        table[0].created = QStringLiteral("c");
        table[0].modified = QStringLiteral("m");
        table[0].size = 5000000000ULL; // beyond 32 bits
        table[0].width = 1024;
        table[0].height = 768;
        const GroupingResult result = SearchGrouping::group(table);
        QCOMPARE(result.rows.size(), std::size_t(2));
        const FileList::Entry &e = result.rows[0];
        QCOMPARE(e.columns[1], QStringLiteral("/p/"));
        QCOMPARE(e.columns[2], QStringLiteral("c"));
        QCOMPARE(e.columns[3], QStringLiteral("m"));
        QCOMPARE(e.columns[4], QStringLiteral("5,000,000,000"));
        QCOMPARE(e.columns[5], QStringLiteral("1,024"));
        QCOMPARE(e.columns[6], QStringLiteral("768"));
        // No picture size (the hash method): empty, not "0".
        QCOMPARE(result.rows[1].columns[4], QStringLiteral("1"));
        QCOMPARE(result.rows[1].columns[5], QString());
        QCOMPARE(result.rows[1].columns[6], QString());
    }

    void applyWritesBothListsAndColumns_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("duplicates");
        QTest::addColumn<int>("columns");
        QTest::newRow("bitmap with groups") << 1 << true << int(SearchResults::SizeColumns::Show);
        QTest::newRow("bitmap without") << 1 << false << int(SearchResults::SizeColumns::Keep);
        QTest::newRow("hash with groups") << 0 << true << int(SearchResults::SizeColumns::Hide);
        QTest::newRow("hash without") << 0 << false << int(SearchResults::SizeColumns::Hide);
    }

    void applyWritesBothListsAndColumns()
    {
        QFETCH(int, method);
        QFETCH(bool, duplicates);
        QFETCH(int, columns);
        CDuovueDoc document;
        SearchTable table = makeTable(duplicates ? QStringList{u"1"_s, u"2"_s, u"2"_s} : QStringList{u"1"_s, u"2"_s});
        const GroupingResult grouping = SearchGrouping::group(table);
        const SearchResults::Applied applied = document.applySearchResults(grouping, SearchMethod(method));
        QCOMPARE(int(applied.columns), columns);
        QCOMPARE(document.dimensionColumnsShown(), columns == int(SearchResults::SizeColumns::Show));
        QCOMPARE(document.resultMode(), duplicates);
        QCOMPARE(document.fileList(0).size(), duplicates ? 2 : 0);
        QCOMPARE(document.fileList(1).size(), document.fileList(0).size());
        if (duplicates) {
            QCOMPARE(document.fileList(1).primary(1), QStringLiteral("2"));
            QCOMPARE(SearchResults::message(applied), QStringLiteral("1 組、2 個の重複ファイルが見つかりました。"));
        } else {
            QCOMPARE(SearchResults::message(applied), QStringLiteral("重複ファイルはありませんでした。"));
        }
    }

    // The message after a search never reads like a finished one when it was aborted, and names
    // (or, on the command line, counts) the files it could not read.
    void messageSaysHowTheSearchEnded_data()
    {
        QTest::addColumn<int>("abortedIn");
        QTest::addColumn<int>("unread");
        QTest::addColumn<int>("named");
        QTest::addColumn<QString>("expected");
        const QString found = u"1 組、2 個の重複ファイルが見つかりました。"_s;
        QTest::newRow("ran to its end") << int(SearchPhase::Idle) << 0 << 10 << found;
        QTest::newRow("aborted in the walk") << int(SearchPhase::Files) << 0 << 10
                                             << found
                + u"\nファイルを集めている途中で検索を中止しました。フォルダのファイルの一部だけを比べました。"
                  u"読み込んだファイル: 40 / 346"_s;
        QTest::newRow("aborted while reading")
            << int(SearchPhase::Keys) << 0 << 10
            << found + u"\n画像を読み込んでいる途中で検索を中止しました。読み込んだファイル: 40 / 346"_s;
        QTest::newRow("aborted while comparing")
            << int(SearchPhase::Compare) << 0 << 10
            << found + u"\nファイルを比較している途中で検索を中止しました。比較したファイル: 7 / 40"_s;
        QTest::newRow("unread files named")
            << int(SearchPhase::Idle) << 2 << 10 << found + u"\n読めなかったファイル: 2\n/p/u0.jpg\n/p/u1.jpg"_s;
        QTest::newRow("many unread files") << int(SearchPhase::Idle) << 12 << 10
                                           << found
                + u"\n読めなかったファイル: 12\n/p/u0.jpg\n/p/u1.jpg\n/p/u2.jpg\n"
                  u"/p/u3.jpg\n/p/u4.jpg\n/p/u5.jpg\n/p/u6.jpg\n/p/u7.jpg\n"
                  u"/p/u8.jpg\n/p/u9.jpg\nほか 2 個"_s;
        QTest::newRow("counted only") << int(SearchPhase::Idle) << 3 << 0 << found + u"\n読めなかったファイル: 3"_s;
    }

    void messageSaysHowTheSearchEnded()
    {
        QFETCH(int, abortedIn);
        QFETCH(int, unread);
        QFETCH(int, named);
        SearchOutcome outcome;
        outcome.abortedIn = SearchPhase(abortedIn);
        outcome.filesGathered = 346;
        outcome.filesRead = 40;
        outcome.compared = 7;
        outcome.compareTotal = 40;
        for (int i = 0; i < unread; ++i)
            outcome.unreadable.push_back({u"/p/u%1.jpg"_s.arg(i), u"truncated"_s});
        SearchResults::Applied applied;
        applied.groups = 1;
        applied.items = 2;
        QTEST(SearchResults::message(applied, outcome, named), "expected");
    }

    // While the pictures are read, the count runs against every file gathered.
    void progressTexts_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("count");
        QTest::newRow("walk") << int(SearchPhase::Files) << u"ファイルを処理中です。"_s << u"346"_s;
        QTest::newRow("reading") << int(SearchPhase::Keys) << u"画像を読み込み中です。"_s << u"40/346"_s;
        QTest::newRow("comparing") << int(SearchPhase::Compare) << u"ファイルを比較中です。"_s << u"7/40"_s;
    }

    void progressTexts()
    {
        QFETCH(int, phase);
        const SearchProgress progress{SearchPhase(phase), 346, 40, 7, 40};
        QTEST(SearchResults::statusText(progress), "status");
        QTEST(SearchResults::countText(progress), "count");
    }
};

QTEST_GUILESS_MAIN(SearchTableTest)
#include "searchtabletest.moc"
