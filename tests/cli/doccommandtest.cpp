#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTest>
#include <QtEndian>

#include "document/documentfile.h"
#include "support/testdir.h"

using namespace Duovue;

// duovue-cli doc: what a script sees of a document, and the exit code of a check.
class DocCommandTest : public QObject
{
    Q_OBJECT

private:
    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    static Run cli(const QStringList &args)
    {
        QProcess process;
        process.start(QStringLiteral(DUOVUE_CLI_PATH), QStringList{QStringLiteral("doc")} + args);
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    static QByteArray document(quint32 leftCount, const QByteArray &text)
    {
        DocumentContent content;
        QByteArray bytes = DocumentFile::serialize(content).value();
        qToLittleEndian<quint32>(100 + text.size(), bytes.data() + 8);
        qToLittleEndian<quint32>(leftCount, bytes.data() + 12);
        return bytes + text;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void checksDocuments_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("reason");

        const QByteArray one("a.jpg\x07/p/\x07"
                             "1\x07\n");
        QTest::newRow("clean") << document(1, one) << 0 << QByteArray();
        QTest::newRow("absurd count") << document(4000000000u, one) << 1
                                      << QByteArray("announces 4000000000 left entries; only 1 lines");
        QTest::newRow("a picture") << QByteArray("\xFF\xD8\xFF\xE0 JFIF") << 1 << QByteArray("\"DV\" mark is missing");
        QTest::newRow("unknown version") << QByteArray(document(1, one)).replace(2, 2, "\x07\x09") << 1
                                         << QByteArray("unknown document version 7.9");
        QTest::newRow("position beyond the list")
            << QByteArray(document(1, one)).replace(20, 1, "\x09") << 0 << QByteArray();
    }

    void checksDocuments()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, reason);
        Test::TestDir dir;
        const Run run = cli({QStringLiteral("check"), dir.writeFile(QStringLiteral("d.duov"), bytes)});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(reason), run.err.constData());
    }

    // DEL and the C1 controls (U+009B starts a terminal command sequence) once reached the output raw.
    void dumpEscapesControlCharacters()
    {
        const QString name = QStringLiteral("a\u007f\u009b\u009d\x1b.jpg");
        Test::TestDir dir;
        const QByteArray text = name.toUtf8() + "\x07/p/\x07" + "1\x07\n";
        const Run run = cli({QStringLiteral("dump"), dir.writeFile(QStringLiteral("c.duov"), document(1, text))});
        QCOMPARE(run.exitCode, 0);
        for (const char *raw : {"\x7f", "\xc2\x9b", "\xc2\x9d", "\x1b"})
            QVERIFY2(!run.out.contains(raw), run.out.constData());
        const QJsonObject dump = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(dump.value(QStringLiteral("left")).toArray().at(0).toArray().at(0).toString(), name);
    }

    void dumpsShiftJisDocuments()
    {
        QStringEncoder sjis("Shift_JIS");
        const QByteArray text = QByteArray(sjis.encode(QStringLiteral("猫.jpg"))) + '\x07'
            + QByteArray(sjis.encode(QStringLiteral("/写真/")))
            + "\x07"
              "1\x07\n";
        Test::TestDir dir;
        const Run run = cli({QStringLiteral("dump"), dir.writeFile(QStringLiteral("old.duov"), document(1, text))});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject dump = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(dump.value(QStringLiteral("encoding")).toString(), QStringLiteral("Shift_JIS"));
        QCOMPARE(dump.value(QStringLiteral("header")).toObject().value(QStringLiteral("leftCount")).toInt(), 1);
        QCOMPARE(
            dump.value(QStringLiteral("left")).toArray().at(0).toArray().at(0).toString(), QStringLiteral("猫.jpg"));
    }
};

QTEST_GUILESS_MAIN(DocCommandTest)
#include "doccommandtest.moc"
