#include <algorithm>

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "support/imagingfactory.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Qt::StringLiterals;

// Runs the real duovue-cli binary, whose path the build passes in.
class CliOutputTest : public QObject
{
    Q_OBJECT

private:
    struct Run {
        QByteArray out;
        QByteArray err;
    };

    static Run cli(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(DUOVUE_CLI_PATH), args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.readAllStandardOutput(), p.readAllStandardError()};
    }

    // Nothing a terminal acts on and no line break but the rows' own.
    static bool plain(const QByteArray &bytes)
    {
        const QString text = QString::fromUtf8(bytes);
        return std::none_of(text.begin(), text.end(), [](QChar c) {
            const char16_t u = c.unicode();
            return (u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7F && u < 0xA0);
        });
    }

    static QStringList lines(const QByteArray &bytes)
    {
        return QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every command prints names through one escape.
    void namesAreEscaped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tab") << u"a\tb.jpg"_s << u"a\\tb.jpg"_s;
        QTest::newRow("line feed") << u"a\nb.jpg"_s << u"a\\nb.jpg"_s;
        QTest::newRow("carriage return") << u"a\rb.jpg"_s << u"a\\rb.jpg"_s;
        QTest::newRow("backslash") << u"a\\b.jpg"_s << u"a\\\\b.jpg"_s;
        QTest::newRow("escape sequences") << u"\x1b]0;t\x07\x1b[2Ja.jpg"_s << u"\\x1b]0;t\\x07\\x1b[2Ja.jpg"_s;
        QTest::newRow("delete") << u"a\x7f.jpg"_s << u"a\\x7f.jpg"_s;
        QTest::newRow("C1 introducer") << u"a\u009b2J.jpg"_s << u"a\\xc2\\x9b2J.jpg"_s;
        QTest::newRow("plain") << u"写真 1.jpg"_s << u"写真 1.jpg"_s;
    }

    void namesAreEscaped()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        Test::TestDir dir;
        dir.writeFile(name, "not a picture");
        dir.writeFile(u"sub/"_s + name, "not a picture");

        const Run scan = cli({u"scan"_s, u"--subfolders"_s, dir.path()});
        QVERIFY(plain(scan.out));
        QStringList rows = lines(scan.out);
        QCOMPARE(rows.size(), 3); // two rows and the total
        QCOMPARE(rows[0].section(QLatin1Char('\t'), 0, 0), shown);

        const Run dupes = cli({u"dupes"_s, u"--method"_s, u"hash"_s, u"--subfolders"_s, dir.path()});
        QVERIFY(plain(dupes.out));
        rows = lines(dupes.out);
        QCOMPARE(rows.size(), 3); // two rows and the summary
        QCOMPARE(rows[0].split(QLatin1Char('\t')).size(), 8);
        QCOMPARE(rows[0].section(QLatin1Char('\t'), 1, 1), shown);

        // Files the similar method (the default) cannot read are named on the error stream and
        // counted in the summary.
        const Run similar = cli({u"dupes"_s, u"--subfolders"_s, dir.path()});
        QVERIFY(plain(similar.err));
        QVERIFY(lines(similar.err)
                    .contains(
                        u"duovue-cli dupes: "_s + dir.path() + u"/"_s + shown + u": not a JPEG, BMP or GIF picture"_s));
        QCOMPARE(
            lines(similar.out), (QStringList{u"重複ファイルはありませんでした。"_s, u"読めなかったファイル: 2"_s}));

        const Run keys = cli({u"dupes"_s, u"--method"_s, u"hash"_s, u"--keys"_s, dir.path()});
        QVERIFY(plain(keys.out));
        rows = lines(keys.out);
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows[0].endsWith(u"\t"_s + dir.path() + u"/"_s + shown));

        // Not a picture: the path is printed, and the reason on the error stream.
        const Run probe = cli({u"probe"_s, dir.filePath(name)});
        QVERIFY(plain(probe.out));
        QVERIFY(plain(probe.err));
        QVERIFY(!probe.err.isEmpty());
        QCOMPARE(lines(probe.out).value(0), dir.path() + u"/"_s + shown);

        const Run doc = cli({u"doc"_s, u"check"_s, dir.filePath(name)});
        QVERIFY(plain(doc.err));
        QVERIFY(QString::fromUtf8(doc.err).contains(shown));

        const Run usage = cli({u"scan"_s, u"-"_s + name});
        QVERIFY(plain(usage.err));
        QVERIFY(QString::fromUtf8(usage.err).contains(shown));
    }

    // Two different dark pictures: the bitmap method takes them for one, so it is not the default.
    void dupesDefaultsToTheSimilarMethod()
    {
        namespace SF = Duovue::Test::SearchFactory;
        Test::TestDir dir;
        dir.writeFile(u"red.jpg"_s, SF::jpeg(SF::solid(160, 120, QColor(40, 0, 0))));
        dir.writeFile(u"blue.jpg"_s, SF::jpeg(SF::solid(160, 120, QColor(0, 0, 40))));
        QCOMPARE(lines(cli({u"dupes"_s, dir.path()}).out).value(0), u"重複ファイルはありませんでした。"_s);
        QCOMPARE(lines(cli({u"dupes"_s, u"--method"_s, u"bitmap"_s, dir.path()}).out).size(), 3);
    }

    // Names from old archives (Shift-JIS bytes) are listed, grouped and opened by their bytes, and
    // printed with those bytes escaped.
    void namesThatAreNotUtf8AreKept()
    {
        Test::TestDir dir;
        const QByteArray bmp = Test::ImagingFactory::windowsBmp({30, 20}, 0, 0);
        dir.writeNativeFile("\x83\x65\x83\x58.bmp", bmp);
        dir.writeNativeFile("\x83\x65\x83\x58\x83\x67.bmp", bmp);

        const QStringList scan = lines(cli({u"scan"_s, dir.path()}).out);
        QCOMPARE(scan.size(), 3);
        QCOMPARE(scan[0].section(u'\t', 0, 0), u"\\x83e\\x83X.bmp"_s);
        QCOMPARE(scan[1].section(u'\t', 0, 0), u"\\x83e\\x83X\\x83g.bmp"_s);

        const QStringList dupes = lines(cli({u"dupes"_s, u"--method"_s, u"hash"_s, dir.path()}).out);
        QCOMPARE(dupes.size(), 3);
        QCOMPARE(dupes[1].section(u'\t', 1, 1), u"\\x83e\\x83X\\x83g.bmp"_s);

        // QProcess would pass the name as UTF-8; the shell hands over the bytes.
        QProcess probe;
        probe.start(u"/bin/sh"_s,
            {u"-c"_s,
                u"exec \"$0\" probe \"$1/$(printf '\\203e\\203X.bmp')\""_s,
                QStringLiteral(DUOVUE_CLI_PATH),
                dir.path()});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(lines(probe.readAllStandardOutput()).value(1), u"  type:        BMP(Windows)"_s);
    }
};

QTEST_GUILESS_MAIN(CliOutputTest)
#include "clioutputtest.moc"
