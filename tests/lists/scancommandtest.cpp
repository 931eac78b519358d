#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "support/testdir.h"

using namespace Duovue;

// Runs the real duovue-cli binary, whose path the build passes in.
class ScanCommandTest : public QObject
{
    Q_OBJECT

private:
    struct Run {
        int code = -1;
        QStringList lines;
        QString errors;
    };

    static Run scan(const QStringList &args, bool asNobody = false)
    {
        QProcess p;
        // Permissions do not stop root, so an unreadable folder needs a run that has given it up.
        if (asNobody && ::geteuid() == 0) {
            p.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(77);
            });
        }
        p.start(QStringLiteral(DUOVUE_CLI_PATH), QStringList{QStringLiteral("scan")} + args);
        Run r;
        if (!p.waitForFinished(60000))
            return r;
        r.code = p.exitCode();
        r.lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        r.errors = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void listsTheRowsOfANewFill()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("one/b.jpg"), QByteArray(1500, 'x'));
        dir.writeFile(QStringLiteral("one/a.gif"));
        dir.writeFile(QStringLiteral("one/sub/c.bmp"));
        dir.writeFile(QStringLiteral("one/skip.png"));
        dir.writeFile(QStringLiteral("two/tab\there.jpg"));
        const Run flat = scan({dir.filePath(QStringLiteral("one"))});
        QCOMPARE(flat.code, 0);
        QCOMPARE(flat.lines.size(), 3);
        const QStringList first = flat.lines[0].split(QLatin1Char('\t'));
        QCOMPARE(first.size(), 6);
        QCOMPARE(first[0], QStringLiteral("a.gif"));
        QCOMPARE(first[1], dir.path() + QStringLiteral("/one/"));
        QCOMPARE(first[5], QStringLiteral("1"));
        const QStringList second = flat.lines[1].split(QLatin1Char('\t'));
        QCOMPARE(second[4], QStringLiteral("1,500"));
        QCOMPARE(second[5], QStringLiteral("0"));
        QCOMPARE(flat.lines.last(), QStringLiteral("総アイテム数:     2"));

        const Run deep = scan({QStringLiteral("--subfolders"),
            dir.filePath(QStringLiteral("one/")),
            dir.filePath(QStringLiteral("two"))});
        QCOMPARE(deep.code, 0);
        QCOMPARE(deep.lines.size(), 5);
        QVERIFY(deep.lines[2].startsWith(QStringLiteral("c.bmp\t") + dir.path() + QStringLiteral("/one/sub/\t")));
        QVERIFY(deep.lines[3].startsWith(QStringLiteral("tab\\there.jpg\t")));
        QCOMPARE(deep.lines.last(), QStringLiteral("総アイテム数:     4"));
    }

    void reportsProblems()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.jpg"));
        const Run missing = scan({dir.filePath(QStringLiteral("missing")), dir.path()});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.errors.contains(QStringLiteral("missing")));
        QCOMPARE(missing.lines.last(), QStringLiteral("総アイテム数:     1"));
        QCOMPARE(scan({}).code, 2);

        // A subfolder that cannot be read leaves a hole in the list: said, and not a success.
        dir.writeFile(QStringLiteral("shut/b.jpg"));
        const QByteArray shut = QFile::encodeName(dir.filePath(QStringLiteral("shut")));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(shut.constData(), 0) == 0);
        const Run hole = scan({QStringLiteral("--subfolders"), dir.path()}, true);
        ::chmod(shut.constData(), 0755);
        if (hole.code == 77)
            QSKIP("cannot give up root here");
        QCOMPARE(hole.code, 1);
        QVERIFY(hole.errors.contains(dir.filePath(QStringLiteral("shut"))));
        QCOMPARE(hole.lines.last(), QStringLiteral("総アイテム数:     1"));
        QCOMPARE(scan({QStringLiteral("--bogus"), dir.path()}).code, 2);
    }
};

QTEST_GUILESS_MAIN(ScanCommandTest)
#include "scancommandtest.moc"
