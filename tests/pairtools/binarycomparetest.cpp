#include <atomic>
#include <sys/stat.h>

#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "pairtools/binarycompare.h"
#include "pairtools/progresspump.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

// "start-end:count" for every run, joined by spaces.
QString runsText(const QList<DifferenceRun> &runs)
{
    QStringList parts;
    for (const DifferenceRun &r : runs)
        parts << QStringLiteral("%1-%2:%3").arg(r.start).arg(r.end).arg(r.count);
    return parts.join(u' ');
}

// Bytes 0..n-1 of a repeating pattern, with the given positions flipped.
QByteArray pattern(qsizetype n, std::initializer_list<qsizetype> flipped = {})
{
    QByteArray b(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    for (qsizetype f : flipped)
        b[f] = static_cast<char>(~b[f]);
    return b;
}

QByteArray flipRange(QByteArray b, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i <= to; ++i)
        b[i] = static_cast<char>(~b[i]);
    return b;
}

// The display column where the characters of a hex line start, counting the ideographic space as
// two columns, as a fixed-pitch CJK font draws it.
int characterColumn(const QString &line)
{
    const qsizetype ideographic = line.indexOf(QChar(0x3000));
    qsizetype i = ideographic + 1;
    while (i < line.size() && line.at(i) == u' ')
        ++i;
    return static_cast<int>(ideographic + 2 + (i - ideographic - 1));
}

} // namespace

class BinaryCompareTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void findsRuns_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("message"); // a part of NoRunsMessage; empty when there are runs

        const QByteArray base = pattern(64);
        const QByteArray longer = QByteArray(base + QByteArray("xyz"));
        QTest::newRow("same") << base << base << QString() << QStringLiteral("同じ画像です。");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QString() << QStringLiteral("同じ画像です。");
        QTest::newRow("offset 5") << base << pattern(64, {5}) << QStringLiteral("5-5:1") << QString();
        QTest::newRow("last byte") << base << pattern(64, {63}) << QStringLiteral("63-63:1") << QString();
        QTest::newRow("run at the end") << base << flipRange(base, 60, 63) << QStringLiteral("60-63:4") << QString();
        QTest::newRow("eleven runs, ten listed")
            << pattern(40) << pattern(40, {1, 4, 7, 10, 13, 16, 19, 22, 25, 28, 31})
            << QStringLiteral("1-1:1 4-4:1 7-7:1 10-10:1 13-13:1 16-16:1 19-19:1 22-22:1 25-25:1 28-28:1") << QString();
        // Files that differ in length only were once reported as the same image.
        QTest::newRow("longer right, equal common part")
            << base << longer << QString() << QStringLiteral("左の画像: 64 byte\r\n右の画像: 67 byte");
        QTest::newRow("longer left, run up to the common end")
            << longer << flipRange(base, 62, 63) << QStringLiteral("62-63:2") << QString();
    }

    void findsRuns()
    {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, right);
        QFETCH(QString, runs);
        QFETCH(QString, message);
        const BinaryComparison c = CompareBytes(left, right);
        QCOMPARE(runsText(c.runs), runs);
        QCOMPARE(c.runLimitReached, c.runs.size() == BinaryComparer::MaxRuns);
        const QString text = NoRunsMessage(c);
        QCOMPARE(text.isEmpty(), message.isEmpty());
        QVERIFY2(text.contains(message), qPrintable(text));
        QCOMPARE(text.contains(QStringLiteral("同じ画像です")), left == right);
    }

    void hexLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString space = QString(QChar(0x3000));
        QTest::newRow("16 bytes, one line") << QByteArray("ABCDEFGHIJKLMNOP")
                                            << QString(QStringLiteral("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50")
                                                   + space + QStringLiteral("ABCDEFGHIJKLMNOP\r\r\n"));
        QTest::newRow("17 bytes, two lines")
            << QByteArray("ABCDEFGHIJKLMNOPQ")
            << QString(QStringLiteral("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50") + space
                   + QStringLiteral("ABCDEFGHIJKLMNOP\r\r\n51") + space + QString(45, u' ')
                   + QStringLiteral("Q\r\r\n"));
        QTest::newRow("character column")
            << QByteArray("\x00\x20\x21\x41\x7E\x7F\x80\x9B\x9F\xA0\xFF", 11)
            << QString(QStringLiteral("00 20 21 41 7E 7F 80 9B 9F A0 FF") + space + QString(15, u' ')
                   + QStringLiteral("..!A~....") + QChar(0xA0) + QChar(0xFF) + QStringLiteral("\r\r\n"));
    }

    void hexLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        // Positions 3 and up of the left side differ, so the run is exactly these bytes.
        const QByteArray left = QByteArray(QByteArray("xyz") + bytes + QByteArray("end"));
        QByteArray right = left;
        for (qsizetype i = 3; i < 3 + bytes.size(); ++i)
            right[i] = static_cast<char>(~right[i]);
        const BinaryComparison c = CompareBytes(left, right);
        QCOMPARE(c.runs.size(), 1);
        QCOMPARE(c.runs[0].leftText, text);
        for (const QString &line : c.runs[0].leftText.split(QStringLiteral("\r\r\n"), Qt::SkipEmptyParts))
            QCOMPARE(characterColumn(line), 49);
    }

    void longRunKeepsItsCountButNotAllItsText()
    {
        const qsizetype n = BinaryComparer::MaxTextBytes + 1000;
        const QByteArray left(n, 'a');
        const BinaryComparison c = CompareBytes(left, QByteArray(n, 'b'));
        QCOMPARE(runsText(c.runs), QStringLiteral("0-%1:%2").arg(n - 1).arg(n));
        const QStringList lines = c.runs[0].leftText.split(QStringLiteral("\r\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), BinaryComparer::MaxTextBytes / 16 + 1);
        QVERIFY(lines.last().contains(QStringLiteral("1,000")));
    }

    // Reading in blocks must find exactly what a whole-file compare finds, wherever the block
    // boundaries fall inside runs.
    void filesInBlocksMatchWholeCompare_data()
    {
        QTest::addColumn<int>("blockSize");
        for (int size : {1, 7, 4096})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }

    void filesInBlocksMatchWholeCompare()
    {
        QFETCH(int, blockSize);
        const QByteArray left = QByteArray(pattern(5000) + QByteArray("tail"));
        QByteArray right = flipRange(flipRange(pattern(5000, {0, 17, 4999}), 30, 70), 4090, 4110);
        Test::TestDir dir;
        const QString l = dir.writeFile(QStringLiteral("l.jpg"), left);
        const QString r = dir.writeFile(QStringLiteral("r.jpg"), right);
        std::atomic<bool> abort{false};
        ProgressPump pump;
        const Result<BinaryComparison> c = CompareFiles(l, r, abort, pump, size_t(blockSize));
        QVERIFY(c.ok());
        const BinaryComparison whole = CompareBytes(left, right);
        QCOMPARE(runsText(c.value().runs), runsText(whole.runs));
        QCOMPARE(c.value().runs.last().rightText, whole.runs.last().rightText);
        QCOMPARE(c.value().leftSize, quint64(5004));
    }

    // An abort before any run closed was once reported as "no differences".
    void abortReportsAbortNotSameness_data()
    {
        QTest::addColumn<int>("abortAtPoll");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<int>("outcome");
        // Blocks of 4 bytes; runs at 1-1 and at 6-13. The pump runs before each block is read.
        QTest::newRow("before the first block") << 1 << QString() << int(BinaryComparison::Outcome::Aborted);
        QTest::newRow("inside the second run")
            << 3 << QStringLiteral("1-1:1") << int(BinaryComparison::Outcome::Differences);
    }

    void abortReportsAbortNotSameness()
    {
        QFETCH(int, abortAtPoll);
        QFETCH(QString, runs);
        QFETCH(int, outcome);
        Test::TestDir dir;
        const QString l = dir.writeFile(QStringLiteral("l"), pattern(20));
        const QString r = dir.writeFile(QStringLiteral("r"), flipRange(pattern(20, {1}), 6, 13));
        std::atomic<bool> abort{false};
        int polls = 0;
        ProgressPump pump(
            [&] {
                if (++polls == abortAtPoll)
                    abort = true;
            },
            std::chrono::milliseconds(0));
        const Result<BinaryComparison> c = CompareFiles(l, r, abort, pump, 4);
        QVERIFY(c.ok());
        QVERIFY(c.value().aborted);
        QCOMPARE(runsText(c.value().runs), runs);
        QCOMPARE(int(c.value().outcome()), outcome);
        if (c.value().runs.isEmpty())
            QVERIFY(NoRunsMessage(c.value()).contains(QStringLiteral("中止")));
    }

    void refusesWhatCannotBeRead()
    {
        Test::TestDir dir;
        const QString file = dir.writeFile(QStringLiteral("a.jpg"), "x");
        const QString fifo = dir.filePath(QStringLiteral("fifo.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        std::atomic<bool> abort{false};
        ProgressPump pump;
        const Result<BinaryComparison> missing =
            CompareFiles(file, dir.filePath(QStringLiteral("gone.jpg")), abort, pump);
        QVERIFY(!missing.ok());
        QCOMPARE(missing.error().code, Error::Code::NotFound);
        // A FIFO without a writer must neither block nor be read.
        QVERIFY(!CompareFiles(fifo, file, abort, pump).ok());
    }

    // Two equal files of 20 bytes, read in blocks of 4; after the first block one of them changes
    // its length. A comparison that took the lengths at open for granted called them the same.
    void fileChangedDuringTheComparisonIsTrouble_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("length");
        QTest::newRow("left cut to 10") << 0 << 10;
        QTest::newRow("right cut to 4") << 1 << 4;
        QTest::newRow("right grown to 30") << 1 << 30;
    }

    void fileChangedDuringTheComparisonIsTrouble()
    {
        QFETCH(int, side);
        QFETCH(int, length);
        Test::TestDir dir;
        const QString paths[2] = {
            dir.writeFile(QStringLiteral("l"), pattern(20)), dir.writeFile(QStringLiteral("r"), pattern(20))};
        std::atomic<bool> abort{false};
        int polls = 0;
        ProgressPump pump(
            [&] {
                if (++polls == 2)
                    QVERIFY(QFile::resize(paths[side], length));
            },
            std::chrono::milliseconds(0));
        const Result<BinaryComparison> c = CompareFiles(paths[0], paths[1], abort, pump, 4);
        QVERIFY(!c.ok());
        QVERIFY2(c.error().message.startsWith(paths[side]), qPrintable(c.error().message));
    }

    // Offsets past 4 GiB: 32-bit offsets would wrap here.
    void offsetsBeyondFourGigabytes()
    {
        const size_t block = size_t(16) << 20;
        const QByteArray zeros(qsizetype(block), '\0');
        QByteArray other = zeros;
        BinaryComparer comparer;
        const auto *l = reinterpret_cast<const unsigned char *>(zeros.constData());
        for (int i = 0; i < 256; ++i)
            QVERIFY(comparer.feed(l, reinterpret_cast<const unsigned char *>(other.constData()), block));
        other[5] = 'x';
        QVERIFY(comparer.feed(l, reinterpret_cast<const unsigned char *>(other.constData()), block));
        comparer.finish();
        const quint64 at = (quint64(1) << 32) + 5;
        QCOMPARE(runsText(comparer.runs()), QStringLiteral("%1-%1:1").arg(at));
        QCOMPARE(OffsetText(comparer.runs()[0].start), QStringLiteral("100000005"));
    }
};

QTEST_GUILESS_MAIN(BinaryCompareTest)
#include "binarycomparetest.moc"
