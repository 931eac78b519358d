#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>

#include "core/sessionstate.h"
#include "core/settingsstore.h"
#include "document/cduovuedoc.h"
#include "document/commandcontext.h"
#include "document/listfill.h"
#include "lists/listcommand.h"
#include "search/searchengine.h"
#include "search/searchresults.h"
#include "support/fakeshell.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
namespace SF = Duovue::Test::SearchFactory;

namespace
{

class QuietProgress final : public FillProgress
{
public:
    void begin() override { }
    void end() override { }
    void pump() override { }
};

// A 10 x 10 two-level thumbnail of its own for each group.
QByteArray thumbnail(int group)
{
    QByteArray t(100, char(0x40));
    quint32 state = 2654435761u * quint32(group + 1);
    for (char &c : t) {
        state = state * 1664525u + 1013904223u;
        if (state >> 31)
            c = char(0xC0);
    }
    return t;
}

// Three groups of the same picture at several sizes and times, with ties in size, width and time,
// so that every rule keeps a different file somewhere.
void makeFolder(Test::TestDir &dir)
{
    const QDateTime base(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());
    const int scales[3][4] = {{2, 4, 3, 4}, {3, 3, 2, 0}, {4, 2, 2, 3}};
    const int minutes[3][4] = {{5, 1, 9, 1}, {2, 2, 2, 0}, {1, 7, 3, 7}};
    for (int g = 0; g < 3; ++g) {
        for (int f = 0; f < 4 && scales[g][f] > 0; ++f) {
            const QString name = QStringLiteral("g%1/p%2.bmp").arg(g).arg(f);
            dir.writeFile(name, SF::bmp(SF::fromThumbnail(thumbnail(g), 10, scales[g][f])));
            dir.setModified(name, base.addSecs(60 * minutes[g][f]));
        }
    }
    dir.writeFile(QStringLiteral("g0/single.bmp"), SF::bmp(SF::fromThumbnail(thumbnail(7), 10, 2)));
    // Three names of one picture (a symbolic link sorted first, a hard link) and one real copy.
    const QByteArray linked = SF::bmp(SF::fromThumbnail(thumbnail(5), 10, 3));
    const QString a = dir.writeFile(QStringLiteral("links/a.bmp"), linked);
    dir.makeSymlink(QStringLiteral("a.bmp"), QStringLiteral("links/0link.bmp"));
    QCOMPARE(::link(QFile::encodeName(a).constData(),
                 QFile::encodeName(dir.filePath(QStringLiteral("links/hard.bmp"))).constData()),
        0);
    dir.writeFile(QStringLiteral("links/z.bmp"), linked);
    dir.setModified(QStringLiteral("links/a.bmp"), base.addSecs(60));
    dir.setModified(QStringLiteral("links/z.bmp"), base.addSecs(120));
}

// The file a path names, links followed.
std::pair<quint64, quint64> fileOf(const QString &path)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, 0};
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// The checked files of `duovue-cli dupes --check RULE`.
QStringList cliChecked(const QString &folder, const QStringList &options, int rule)
{
    QProcess p;
    p.start(QStringLiteral(DUOVUE_CLI_PATH),
        QStringList{QStringLiteral("dupes")} + options
            + QStringList{QStringLiteral("--subfolders"), QStringLiteral("--check"), QString::number(rule), folder});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {QStringLiteral("cli failed: ") + QString::fromUtf8(p.readAllStandardError())};
    QStringList checked;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() > 2 && fields[0].startsWith(QLatin1Char('-')))
            checked << fields[2] + fields[1];
    }
    return checked;
}

} // namespace

class AutoCheckParityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The command line and the list's "自動チェック(&P)" submenu check the same files: the submenu
    // starts from no checks, whatever the user checked before.
    void listAndCommandLineCheckTheSameFiles_data()
    {
        QTest::addColumn<bool>("hash");
        QTest::addColumn<int>("rule");
        for (int rule = 1; rule <= 6; ++rule) {
            QTest::addRow("bitmap, rule %d", rule) << false << rule;
            QTest::addRow("hash, rule %d", rule) << true << rule;
        }
    }
    void listAndCommandLineCheckTheSameFiles()
    {
        QFETCH(bool, hash);
        QFETCH(int, rule);
        Test::TestDir dir;
        makeFolder(dir);
        if (hash) {
            // Identical bytes with different times.
            const QByteArray bytes = SF::bmp(SF::fromThumbnail(thumbnail(9), 10, 2));
            for (int i = 0; i < 3; ++i) {
                const QString name = QStringLiteral("h/c%1.bmp").arg(i);
                dir.writeFile(name, bytes);
                dir.setModified(name, QDateTime(QDate(2023, 1, 1 + (i * 2) % 3), QTime(0, 0), QTimeZone::utc()));
            }
        }
        const QStringList options = hash ? QStringList{QStringLiteral("--method"), QStringLiteral("hash")}
                                         : QStringList{QStringLiteral("--method"),
                                             QStringLiteral("bitmap"),
                                             QStringLiteral("--precision"),
                                             QStringLiteral("10")};
        const QStringList expected = cliChecked(dir.path(), options, rule);

        SearchParams params;
        params.folder = dir.path();
        params.subfolders = true;
        params.method = hash ? SearchMethod::Hash : SearchMethod::Bitmap;
        params.reductionSize = 10;
        SearchEngine engine(params);
        engine.start();
        QVERIFY(engine.waitForFinished(60000));
        const SearchOutcome outcome = engine.takeOutcome();
        QVERIFY(outcome.grouping.groups >= 3);

        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        Test::FakeShell shell;
        CDuovueDoc document;
        SessionState session;
        QuietProgress progress;
        const CommandContext context{document, session, store, shell, shell};
        document.applySearchResults(outcome.grouping, params.method);
        runListCommand(context, progress, ListTarget{1, {}, 0}, IdListCheckAll);
        runListCommand(context, progress, ListTarget{1, {}, 0}, IdListAutoCheckFirst + rule - 1);

        QStringList checked;
        std::set<std::pair<quint64, quint64>> kept;
        const FileList &list = document.fileList(0);
        for (qsizetype i = 0; i < list.size(); ++i) {
            QCOMPARE(document.fileList(1).primary(i), list.primary(i));
            if (list.primary(i).startsWith(QLatin1Char('-')))
                checked << list.fullPath(i);
            else
                kept.insert(fileOf(list.fullPath(i)));
        }
        QCOMPARE(checked, expected);
        QCOMPARE(checked.size(), int(list.size()) - outcome.grouping.groups); // one kept per group
        // Trashing what is checked must never take the data of a kept row with it.
        for (const QString &path : checked)
            QVERIFY2(!kept.count(fileOf(path)), qPrintable(path));
        QVERIFY(checked.contains(dir.filePath(QStringLiteral("links/a.bmp")))
            != checked.contains(dir.filePath(QStringLiteral("links/z.bmp"))));
    }
};

QTEST_MAIN(AutoCheckParityTest)
#include "autocheckparitytest.moc"
