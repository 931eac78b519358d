#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>
#include <QtEndian>

#include "core/nativepath.h"
#include "document/documentfile.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

struct HeaderValues {
    quint32 leftOffset = 100;
    quint32 rightOffset = 100;
    quint32 leftCount = 0;
    quint32 rightCount = 0;
    qint32 leftPosition = 0;
    qint32 rightPosition = 0;
    quint8 resultMode = 0;
};

QByteArray header(const HeaderValues &v)
{
    QByteArray h(100, '\0');
    h[0] = 'D';
    h[1] = 'V';
    h[2] = 1;
    h[3] = 1;
    const quint32 fields[] = {
        v.leftOffset, v.rightOffset, v.leftCount, v.rightCount, quint32(v.leftPosition), quint32(v.rightPosition)};
    for (int i = 0; i < 6; ++i)
        qToLittleEndian<quint32>(fields[i], h.data() + 4 + 4 * i);
    h[28] = char(v.resultMode);
    return h;
}

// One stored line of normal mode.
QByteArray line(const QByteArray &name, const QByteArray &folder, const QByteArray &mark = "0")
{
    return name + '\x07' + folder + '\x07' + mark + '\x07' + '\x0A';
}

FileList listOf(const QList<QStringList> &rows)
{
    FileList list;
    for (const QStringList &r : rows) {
        CMySortStringArray::Entry e;
        e.columns[0] = r.value(0);
        e.columns[1] = r.value(1);
        e.primary = r.value(2);
        e.columns[5] = r.value(3);
        e.columns[6] = r.value(4);
        list.append(e);
    }
    return list;
}

// The stored columns of a list, one text per entry, to compare lists in one step.
QStringList storedColumns(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i) {
        out << QStringList{list.column(0, i), list.column(1, i), list.primary(i), list.column(5, i), list.column(6, i)}
                   .join(u'|');
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(DocumentContent)

class DocumentFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void writesExactBytes_data()
    {
        QTest::addColumn<DocumentContent>("content");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("empty document") << DocumentContent{} << header({});

        DocumentContent one;
        one.lists[0] = listOf({{QStringLiteral("a.jpg"), QStringLiteral("/p/"), QStringLiteral("1")}});
        QTest::newRow("one left entry") << one
                                        << header({100, 113, 1, 0, 0, 0, 0})
                + QByteArray("a.jpg\x07/p/\x07"
                             "1\x07\x0A");

        // The positions come from the marks, not from what the caller last remembered.
        DocumentContent marks;
        marks.positions = {0, 0};
        marks.lists[0] = listOf({{QStringLiteral("a"), QStringLiteral("/"), QStringLiteral("0")},
            {QStringLiteral("b"), QStringLiteral("/"), QStringLiteral("1")}});
        marks.lists[1] = listOf({{QStringLiteral("c"), QStringLiteral("/"), QStringLiteral("1")}});
        QTest::newRow("positions from the marks")
            << marks << header({100, 114, 2, 1, 1, 0, 0}) + line("a", "/") + line("b", "/", "1") + line("c", "/", "1");

        DocumentContent result;
        result.resultMode = true;
        result.lists[0] = listOf({{QStringLiteral("x.gif"),
            QStringLiteral("/q/"),
            QStringLiteral("-2"),
            QStringLiteral("640"),
            QStringLiteral("480")}});
        result.lists[1] = result.lists[0];
        const QByteArray resultLine("x.gif\x07/q/\x07"
                                    "640\x07"
                                    "480\x07-2\x07\x0A");
        QTest::newRow("result mode stores sizes and labels")
            << result << header({100, quint32(100 + resultLine.size()), 1, 1, 0, 0, 1}) + resultLine + resultLine;
    }

    void writesExactBytes()
    {
        QFETCH(DocumentContent, content);
        QFETCH(QByteArray, expected);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(DocumentFile::write(buffer, content).ok());
        QCOMPARE(buffer.data().toHex(' '), expected.toHex(' '));
    }

    void roundTrips_data()
    {
        QTest::addColumn<DocumentContent>("content");
        QTest::addColumn<QList<int>>("positions");

        DocumentContent normal;
        normal.lists[0] =
            listOf({{QStringLiteral("写真 1.jpg"), QStringLiteral("/home/ユーザー/"), QStringLiteral("0")},
                {QStringLiteral("b.bmp"), QStringLiteral("/"), QStringLiteral("0")},
                {QStringLiteral("c.gif"), QStringLiteral("/x/"), QStringLiteral("1")}});
        normal.lists[1] = listOf({{QStringLiteral("d.jpeg"), QStringLiteral("/y/"), QStringLiteral("1")}});
        QTest::newRow("normal mode keeps the marks") << normal << QList<int>{2, 0};

        DocumentContent result;
        result.resultMode = true;
        result.lists[0] = listOf({{QStringLiteral("a.jpg"),
                                      QStringLiteral("/r/"),
                                      QStringLiteral("2"),
                                      QStringLiteral("1,024"),
                                      QStringLiteral("768")},
            {QStringLiteral("b.jpg"),
                QStringLiteral("/r/s/"),
                QStringLiteral("-2"),
                QStringLiteral("1,024"),
                QStringLiteral("768")},
            {QStringLiteral("c.jpg"), QStringLiteral("/r/"), QStringLiteral("3"), QString(), QString()}});
        result.lists[1] = result.lists[0];
        QTest::newRow("result mode keeps labels, no marks") << result << QList<int>{0, 0};
    }

    void roundTrips()
    {
        QFETCH(DocumentContent, content);
        QFETCH(QList<int>, positions);
        const Result<QByteArray> bytes = DocumentFile::serialize(content);
        QVERIFY(bytes.ok());
        const Result<DocumentReadout> read = DocumentFile::parse(bytes.value());
        QVERIFY(read.ok());
        QCOMPARE(read.value().faults, QStringList());
        QCOMPARE(read.value().encoding, DocumentEncoding::Utf8);
        QCOMPARE(read.value().content.resultMode, content.resultMode);
        QCOMPARE(read.value().content.positions[0], positions[0]);
        QCOMPARE(read.value().content.positions[1], positions[1]);
        for (int side = 0; side < 2; ++side)
            QCOMPARE(storedColumns(read.value().content.lists[side]), storedColumns(content.lists[side]));
    }

    void readsShiftJisDocuments()
    {
        QStringEncoder sjis("Shift_JIS");
        QVERIFY(sjis.isValid());
        const QByteArray name = sjis.encode(QStringLiteral("見比べ.jpg"));
        const QByteArray folder = sjis.encode(QStringLiteral("/写真/"));
        const QByteArray text = line(name, folder, "1");
        // A Shift-JIS text is no valid UTF-8 (0x8C 0xA9 ... breaks it).
        const Result<DocumentReadout> read =
            DocumentFile::parse(header({100, quint32(100 + text.size()), 1, 0, 0, 0, 0}) + text);
        QVERIFY(read.ok());
        QCOMPARE(read.value().encoding, DocumentEncoding::ShiftJis);
        QCOMPARE(read.value().content.lists[0].fullPath(0), QStringLiteral("/写真/見比べ.jpg"));
        QCOMPARE(read.value().content.lists[0].primary(0), QStringLiteral("1"));
    }

    void survivesHostileDocuments_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("leftEntries");
        QTest::addColumn<int>("rightEntries");
        QTest::addColumn<int>("leftPosition");
        QTest::addColumn<bool>("faulty");

        const QByteArray two = line("a", "/") + line("b", "/");
        QTest::newRow("empty file") << QByteArray() << true << 0 << 0 << 0 << false;
        QTest::newRow("a JPEG, no magic")
            << QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(200, 'x') << true << 0 << 0 << 0 << false;
        QTest::newRow("magic in lower case") << QByteArray("dv") + header({}).mid(2) << true << 0 << 0 << 0 << false;
        QTest::newRow("header cut short") << header({}).left(60) << true << 0 << 0 << 0 << false;
        QTest::newRow("absurd left count")
            << header({100, 100 + quint32(two.size()), 0xFFFFFFFFu, 0, 0, 0, 0}) + two << false << 2 << 0 << 0 << true;
        QTest::newRow("absurd counts, no text")
            << header({100, 100, 0x7FFFFFFFu, 0x7FFFFFFFu, 5, 5, 1}) << false << 0 << 0 << 0 << true;
        QTest::newRow("left offset beyond the end")
            << header({0xFFFFFF00u, 0xFFFFFFFFu, 2, 2, 0, 0, 0}) + two << false << 0 << 0 << 0 << true;
        QTest::newRow("right offset beyond the end")
            << header({100, 0xFFFFFFFFu, 2, 3, 0, 0, 0}) + two << false << 2 << 0 << 0 << true;
        QTest::newRow("right offset before the left")
            << header({100, 20, 2, 2, 1, 0, 0}) + two << false << 0 << 2 << 0 << true;
        QTest::newRow("left offset inside the header") << header({0, 0, 1, 0, 0, 0, 0}) << false << 0 << 0 << 0 << true;
        QTest::newRow("no line ends") << header({100, 100 + 20, 3, 0, 0, 0, 0})
                + QByteArray("a\x07/\x07"
                             "1\x07"
                             "b\x07/\x07"
                             "0\x07x") << false
                                      << 0 << 0 << 0 << true;
        QTest::newRow("zero byte ends the text") << header({100, 100 + quint32(two.size()), 2, 0, 1, 0, 0})
                + line("a", "/") + QByteArray(1, '\0') + line("b", "/")
                                                 << false << 1 << 0 << 0 << true;
        // A position pulled into its list loses nothing: no damage to report.
        QTest::newRow("position beyond the list")
            << header({100, 100 + quint32(two.size()), 2, 0, 40, 0, 0}) + two << false << 2 << 0 << 1 << false;
        QTest::newRow("negative position")
            << header({100, 100 + quint32(two.size()), 2, 0, -3, 0, 0}) + two << false << 2 << 0 << 0 << false;
        QTest::newRow("more lines than counted")
            << header({100, 100 + quint32(two.size()), 1, 0, 0, 0, 0}) + two << false << 1 << 0 << 0 << false;
        QTest::newRow("unknown version bytes still open")
            << QByteArray("DV\x07\x09") + header({100, 100 + quint32(two.size()), 2, 0, 1, 0, 0}).mid(4) + two << false
            << 2 << 0 << 1 << false;
    }

    void survivesHostileDocuments()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        QFETCH(int, leftEntries);
        QFETCH(int, rightEntries);
        QFETCH(int, leftPosition);
        QFETCH(bool, faulty);

        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const Result<DocumentReadout> read = DocumentFile::read(buffer);
        QCOMPARE(!read.ok(), refused);
        if (refused) {
            QCOMPARE(read.error().code, Error::Code::InvalidData);
            return;
        }
        const DocumentContent &c = read.value().content;
        QCOMPARE(c.lists[0].size(), leftEntries);
        QCOMPARE(c.lists[1].size(), rightEntries);
        QCOMPARE(c.positions[0], leftPosition);
        QCOMPARE(!read.value().faults.isEmpty(), faulty);
        // Outside result mode a non-empty side carries exactly one mark, at its position.
        for (int side = 0; side < 2; ++side) {
            if (c.resultMode || c.lists[side].isEmpty())
                continue;
            QCOMPARE(c.lists[side].primary(c.positions[side]), QStringLiteral("1"));
        }
    }

    // Opening a FIFO without a writer once waited for ever; /dev/zero was read until memory ran out.
    void refusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("device") << QStringLiteral("/dev/zero");
    }

    void refusesWhatIsNoRegularFile()
    {
        QFETCH(QString, path);
        Test::TestDir dir;
        if (path == QLatin1String("fifo")) {
            path = dir.filePath(QStringLiteral("q.duov"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }
        const Result<DocumentReadout> read = DocumentFile::load(path);
        QVERIFY(!read.ok());
        QCOMPARE(read.error().message, QStringLiteral("not a regular file"));
    }

    // A file of nothing but line ends once made an entry of each: 2 GB for 10 MiB.
    void readsNoMoreThanMaxEntries()
    {
        const QByteArray lines(DocumentFile::MaxEntries + 7, '\n');
        const QByteArray bytes = header({100, 100 + quint32(lines.size()), 0xFFFFFFFFu, 0, 5, 0, 0}) + lines;
        const Result<DocumentParser> parser = DocumentParser::start(bytes);
        QVERIFY(parser.ok());
        QCOMPARE(parser.value().entryCount(0), DocumentFile::MaxEntries);
        QVERIFY(parser.value().readout().faults.join(u' ').contains(QStringLiteral("more than 1000000 entries")));
    }

    void refusesNamesThatWouldSplitLines_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("line feed") << QStringLiteral("a\nb.jpg");
        QTest::newRow("bell") << QStringLiteral("a\x07.jpg");
        // A Shift-JIS name: its bytes would make the whole text read as Shift-JIS.
        QTest::newRow("bytes that are not UTF-8") << NativePath::decode("\x83\x65.jpg");
    }

    void refusesNamesThatWouldSplitLines()
    {
        QFETCH(QString, name);
        DocumentContent content;
        content.lists[1] = listOf({{name, QStringLiteral("/"), QStringLiteral("1")}});
        const Result<QByteArray> bytes = DocumentFile::serialize(content);
        QVERIFY(!bytes.ok());
        QVERIFY(bytes.error().message.startsWith(QStringLiteral("右のリストの 1 番目")));
    }

    void failedSaveKeepsTheOldDocument()
    {
        Test::TestDir dir;
        const QString path = dir.filePath(QStringLiteral("pair.duov"));
        DocumentContent before;
        before.lists[0] = listOf({{QStringLiteral("old.jpg"), QStringLiteral("/"), QStringLiteral("1")}});
        QVERIFY(DocumentFile::save(path, before).ok());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray old = file.readAll();
        file.close();

        DocumentContent after;
        for (int i = 0; i < 50; ++i)
            after.lists[1].append({{QStringLiteral("new%1.jpg").arg(i), QStringLiteral("/")}, QStringLiteral("0")});
        // A file-size limit below the new document's size makes the write fail for real, root included.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit tiny = saved;
        tiny.rlim_cur = 256;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const Result<void> r = DocumentFile::save(path, after);
        setrlimit(RLIMIT_FSIZE, &saved);

        QVERIFY(!r.ok());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("pair.duov")});
    }
};

QTEST_GUILESS_MAIN(DocumentFileTest)
#include "documentfiletest.moc"
