#include <QStandardPaths>
#include <QTest>

#include "support/clirun.h"
#include "support/testdir.h"

using namespace Duovue;

// Runs the real duovue-cli binary, whose path the build passes in.
class PairToolsCliTest : public QObject
{
    Q_OBJECT

private:
    struct Run {
        int code = -1;
        QStringList lines;
    };

    static Run cli(const QStringList &args)
    {
        const Test::CliRun run = Test::runCli(QStringLiteral(DUOVUE_CLI_PATH), args);
        return {run.exitCode, run.lines()};
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void bindiffAnswersLikeCmp_data()
    {
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("lines");
        const QString space = QString(QChar(0x3000));
        QTest::newRow("same") << QByteArray("HelloWorld") << QStringList() << 0 << QStringList();
        QTest::newRow("offset 5") << QByteArray("HelloXorld") << QStringList() << 1
                                  << QStringList{QStringLiteral("00000005  00000005  1")};
        QTest::newRow("longer") << QByteArray("HelloWorld!!") << QStringList() << 1
                                << QStringList{QStringLiteral("sizes differ: 10 and 12 bytes")};
        // A hostile byte must not reach the terminal as a control character.
        QTest::newRow("control byte") << QByteArray("Hello\x9borld") << QStringList{QStringLiteral("--hex")} << 1
                                      << QStringList{QStringLiteral("00000005  00000005  1"),
                                             QStringLiteral("  < 57") + space + QString(45, u' ') + u'W',
                                             QStringLiteral("  > 9B") + space + QString(45, u' ') + u'.'};
    }

    void bindiffAnswersLikeCmp()
    {
        QFETCH(QByteArray, right);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QStringList, lines);
        Test::TestDir dir;
        const QString l = dir.writeFile(QStringLiteral("l.jpg"), "HelloWorld");
        const QString r = dir.writeFile(QStringLiteral("r.jpg"), right);
        const Run run = cli(QStringList{QStringLiteral("bindiff")} + options + QStringList{l, r});
        QCOMPARE(run.code, code);
        QCOMPARE(run.lines, lines);
    }

    void bindiffTroubleIsTwo()
    {
        Test::TestDir dir;
        const QString l = dir.writeFile(QStringLiteral("l.jpg"), "x");
        QCOMPARE(cli({QStringLiteral("bindiff"), l, dir.filePath(QStringLiteral("gone"))}).code, 2);
        QCOMPARE(cli({QStringLiteral("bindiff"), l}).code, 2);
    }

    void markersListsEachFile()
    {
        Test::TestDir dir;
        const QString jpeg =
            dir.writeFile(QStringLiteral("a.jpg"), QByteArray("\xFF\xD8\xFF\xE1\xFF\xD8\xFF\xD9\xFF\xD9", 10));
        const QString text = dir.writeFile(QStringLiteral("b.txt"), "plain");
        const Run run = cli({QStringLiteral("markers"), jpeg, text});
        QCOMPARE(run.code, 1);
        const QString indent = QString(QChar(0x3000));
        QCOMPARE(run.lines,
            QStringList({jpeg,
                QStringLiteral("  00000000  FFD8  (SOI)画像開始"),
                QStringLiteral("  00000002  FFE1  (APPn)アプリケーションデータセグメント"),
                QStringLiteral("  00000004  FFD8  ") + indent + QStringLiteral("(SOI)画像開始"),
                QStringLiteral("  00000006  FFD9  ") + indent + QStringLiteral("(EOI)画像終了"),
                QStringLiteral("  00000008  FFD9  (EOI)画像終了"),
                text,
                QStringLiteral("  error: not a JPEG file")}));
    }
};

QTEST_GUILESS_MAIN(PairToolsCliTest)
#include "pairtoolsclitest.moc"
