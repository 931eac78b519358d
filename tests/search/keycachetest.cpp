#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include "search/keycache.h"
#include "search/searchengine.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Qt::StringLiterals;
namespace SF = Duovue::Test::SearchFactory;

namespace
{

// Every result row with all its columns, so that a width taken from the cache counts too.
QStringList rowsOf(const SearchOutcome &outcome)
{
    QStringList out;
    for (const FileList::Entry &e : outcome.grouping.rows)
        out << e.primary + u'\t' + QStringList(e.columns.begin(), e.columns.end()).join(u'\t');
    return out;
}

SearchOutcome search(const QString &folder,
    const QString &cache,
    int n = 15,
    int settleMs = 0,
    SearchMethod method = SearchMethod::Bitmap)
{
    SearchParams p;
    p.folder = folder;
    p.subfolders = true;
    p.method = method;
    p.reductionSize = n;
    p.workers = 3;
    p.cachePath = cache;
    p.cacheSettleMs = settleMs;
    SearchEngine engine(p);
    engine.start();
    return engine.takeOutcome();
}

// Copies of one picture in three forms, near-copies, a picture that is no copy, files that do not
// decode and a folder named like a picture: what the bitmap method meets.
void makeTree(Test::TestDir &dir)
{
    const QByteArray a = SF::jpeg(SF::pattern(240, 180, 1), 90);
    dir.writeFile(u"a.jpg"_s, a);
    dir.writeFile(u"sub/a-copy.jpg"_s, a);
    dir.writeFile(u"sub/a.bmp"_s, SF::bmp(SF::decodeJpeg(a)));
    dir.writeFile(u"b.jpg"_s, SF::jpeg(SF::pattern(200, 200, 2), 90));
    dir.writeFile(u"b-70.jpg"_s, SF::jpeg(SF::pattern(200, 200, 2), 40));
    dir.writeFile(u"c.bmp"_s, SF::bmp(SF::pattern(200, 200, 3)));
    dir.writeFile(u"broken.jpg"_s, a.left(a.size() / 2));
    dir.writeFile(u"empty.gif"_s);
    dir.makeDir(u"folder.jpg"_s);
}

// Runs @p body on a connection of the test's own to the cache file.
void withDatabase(const QString &path, const std::function<void(QSqlDatabase &)> &body)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"test"_s);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        body(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(u"test"_s);
}

void exec(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

QStringList setAsideFiles(const QString &cache)
{
    const QFileInfo info(cache);
    return QDir(info.absolutePath()).entryList({info.fileName() + u".*-*"_s}, QDir::Files);
}

} // namespace

class KeyCacheTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A search served by the cache gives exactly the rows of one without it: the bitmap method at
    // its own precision and at any other, since every precision is kept, and the similar method.
    void cachedSearchesGiveTheSameRows_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("n");
        for (int n : {10, 15, 20})
            QTest::addRow("bitmap at %d", n) << int(SearchMethod::Bitmap) << n;
        QTest::newRow("similar") << int(SearchMethod::Similar) << 15;
    }

    void cachedSearchesGiveTheSameRows()
    {
        QFETCH(int, method);
        QFETCH(int, n);
        const auto m = SearchMethod(method);
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        const QString cache = cacheDir.filePath(u"new/folder/keys.db"_s);
        const SearchOutcome uncached = search(dir.path(), {}, n, 0, m);
        QVERIFY(!uncached.cache.used);
        QVERIFY(uncached.grouping.groups >= 1);

        const SearchOutcome cold = search(dir.path(), cache, 15, 0, m);
        QVERIFY(cold.cache.used);
        QCOMPARE(cold.cache.lookups, 8); // the folder named like a picture is never looked up
        QCOMPARE(cold.cache.hits, 0);
        QCOMPARE(cold.cache.stored, 8); // undecodable files too: they are never decoded again
        QVERIFY(cold.cache.notices.isEmpty());

        const SearchOutcome warm = search(dir.path(), cache, n, 0, m);
        QCOMPARE(warm.cache.hits, 8);
        QCOMPARE(warm.cache.stored, 0);
        QCOMPARE(rowsOf(warm), rowsOf(uncached));

        // The other method's entries join the same files and leave these in place.
        const auto other = m == SearchMethod::Bitmap ? SearchMethod::Similar : SearchMethod::Bitmap;
        QCOMPARE(search(dir.path(), cache, 15, 0, other).cache.hits, 0);
        QCOMPARE(search(dir.path(), cache, n, 0, m).cache.hits, 8);
        QCOMPARE(search(dir.path(), cache, 15, 0, other).cache.hits, 8);
    }

    // An entry serves only the file it was computed from, unchanged: any difference in what
    // identifies the file, in the algorithm's version or in the entry's bytes makes it decode
    // again, and what it decodes to is stored in its place.
    void changedFileIsDecodedAgain_data()
    {
        QTest::addColumn<QString>("change");
        for (const char *c : {"none",
                 "touched",
                 "rewritten, same size and time",
                 "replaced, same size and time",
                 "stored device differs",
                 "stored inode differs",
                 "stored size differs",
                 "stored mtime differs",
                 "stored ctime differs",
                 "other version",
                 "damaged entry",
                 "another path holds its hash"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }

    void changedFileIsDecodedAgain()
    {
        QFETCH(QString, change);
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        const QString cache = cacheDir.filePath(u"keys.db"_s);
        QCOMPARE(search(dir.path(), cache).cache.stored, 8);

        // c.bmp becomes a copy of b.jpg's picture: same size in bytes, so a stale key would keep
        // it out of b's group.
        const QString c = dir.filePath(u"c.bmp"_s);
        const QDateTime modified = QFileInfo(c).lastModified();
        const QByteArray copyOfB = SF::bmp(SF::decodeJpeg(SF::jpeg(SF::pattern(200, 200, 2), 90)));
        QCOMPARE(copyOfB.size(), QFileInfo(c).size());
        auto storedField = [&](const QString &assignment) {
            withDatabase(cache, [&](QSqlDatabase &db) {
                exec(db, u"UPDATE files SET %1 WHERE CAST(path AS TEXT) LIKE '%/c.bmp'"_s.arg(assignment));
            });
        };
        const QString keysOfC = u"file = (SELECT id FROM files WHERE CAST(path AS TEXT) LIKE '%/c.bmp')"_s;
        if (change == u"touched") {
            dir.setModified(u"c.bmp"_s, modified.addSecs(-3600));
        } else if (change == u"rewritten, same size and time") {
            dir.writeFile(u"c.bmp"_s, copyOfB);
            dir.setModified(u"c.bmp"_s, modified);
        } else if (change == u"replaced, same size and time") {
            dir.writeFile(u"new.tmp"_s, copyOfB);
            dir.setModified(u"new.tmp"_s, modified);
            QCOMPARE(
                ::rename(QFile::encodeName(dir.filePath(u"new.tmp"_s)).constData(), QFile::encodeName(c).constData()),
                0);
        } else if (change.startsWith(u"stored ")) {
            storedField(u"%1 = %1 + 1"_s.arg(change.section(u' ', 1, 1)));
        } else if (change == u"other version") {
            withDatabase(cache, [&](QSqlDatabase &db) {
                exec(db, u"UPDATE keys SET version = version + 1 WHERE "_s + keysOfC);
            });
        } else if (change == u"another path holds its hash") {
            // b.jpg's row takes c.bmp's path hash, as a colliding path would: both must decode.
            const QString c = u"CAST(path AS TEXT) LIKE '%/c.bmp'"_s;
            withDatabase(cache, [&](QSqlDatabase &db) {
                exec(db, u"DELETE FROM keys WHERE "_s + keysOfC);
                exec(db, u"UPDATE files SET pathKey = -pathKey WHERE "_s + c);
                exec(db,
                    u"UPDATE files SET pathKey = (SELECT -pathKey FROM files WHERE %1) "
                    "WHERE CAST(path AS TEXT) LIKE '%/b.jpg'"_s.arg(c));
                exec(db, u"DELETE FROM files WHERE "_s + c);
            });
        } else if (change == u"damaged entry") {
            withDatabase(cache, [&](QSqlDatabase &db) {
                QSqlQuery q(db);
                QVERIFY(q.exec(u"SELECT data FROM keys WHERE "_s + keysOfC) && q.next());
                QByteArray data = q.value(0).toByteArray();
                data[20] = static_cast<char>(data[20] ^ 0x01);
                q.finish();
                q.prepare(u"UPDATE keys SET data = ? WHERE "_s + keysOfC);
                q.addBindValue(data);
                QVERIFY(q.exec());
            });
        }

        const SearchOutcome again = search(dir.path(), cache);
        QCOMPARE(again.cache.hits, change == u"none" ? 8 : change.startsWith(u"another") ? 6 : 7);
        QCOMPARE(rowsOf(again), rowsOf(search(dir.path(), {})));
        if (change.startsWith(u"re"))
            QVERIFY(rowsOf(again).join(u'\n').contains(u"\tc.bmp\t"_s));
        QCOMPARE(search(dir.path(), cache).cache.hits, 8);
    }

    // A file changed moments before the search may yet change again under the same time stamp:
    // it is decoded but not kept.
    void freshFilesAreNotStored()
    {
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        const QString cache = cacheDir.filePath(u"keys.db"_s);
        QCOMPARE(search(dir.path(), cache, 15, 3600 * 1000).cache.stored, 0);
        QCOMPARE(search(dir.path(), cache).cache.hits, 0);
    }

    // A cache file that cannot serve never costs a search its result: a damaged cache of ours is
    // set aside and a new one started; anything else is left exactly as it is (no log or index
    // beside it either) and the search runs without a cache.
    void unusableCacheIsSetAside_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("setAsideAs"); // empty: the file stays where it is
        QTest::addColumn<bool>("usableLater");
        QTest::newRow("not a database") << u"garbage"_s << QString() << false;
        QTest::newRow("a picture in its place") << u"picture"_s << QString() << false;
        QTest::newRow("damaged pages") << u"pages"_s << u"damaged"_s << true;
        QTest::newRow("another program's database") << u"foreign"_s << QString() << false;
        QTest::newRow("read-only file") << u"read-only"_s << QString() << false;
        QTest::newRow("a link to an empty file") << u"link"_s << QString() << false;
        QTest::newRow("a device node") << u"device"_s << QString() << false;
        QTest::newRow("made by a newer Duovue") << u"newer"_s << QString() << false;
        QTest::newRow("locked by another program") << u"locked"_s << QString() << true;
        QTest::newRow("folder cannot be made") << u"no folder"_s << QString() << false;
        QTest::newRow("a folder in its place") << u"folder"_s << QString() << false;
    }

    void unusableCacheIsSetAside()
    {
        QFETCH(QString, problem);
        QFETCH(QString, setAsideAs);
        QFETCH(bool, usableLater);
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        QString cache = cacheDir.filePath(u"keys.db"_s);
        const QStringList expected = rowsOf(search(dir.path(), {}));
        if (!QStringList{u"garbage"_s, u"foreign"_s, u"picture"_s, u"link"_s, u"device"_s}.contains(problem))
            QCOMPARE(search(dir.path(), cache).cache.stored, 8);

        std::optional<QSqlDatabase> lock;
        if (problem == u"garbage") {
            std::mt19937 rng(7);
            QByteArray junk(8192, '\0');
            for (char &ch : junk)
                ch = static_cast<char>(rng());
            cacheDir.writeFile(u"keys.db"_s, junk);
        } else if (problem == u"pages") {
            QFile f(cache);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.size() > 8192);
            f.seek(4096);
            f.write(QByteArray(int(f.size()) - 4096, '\x5A'));
        } else if (problem == u"foreign") {
            withDatabase(cache, [](QSqlDatabase &db) {
                exec(db, u"CREATE TABLE notes(text TEXT)"_s);
            });
        } else if (problem == u"read-only") {
            QVERIFY(QFile::setPermissions(cache, QFile::ReadOwner));
        } else if (problem == u"newer") {
            withDatabase(cache, [](QSqlDatabase &db) {
                exec(db, u"PRAGMA user_version = 99"_s);
            });
        } else if (problem == u"locked") {
            lock = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"lock"_s);
            lock->setDatabaseName(cache);
            QVERIFY(lock->open());
            exec(*lock, u"PRAGMA locking_mode = EXCLUSIVE"_s);
            exec(*lock, u"INSERT OR REPLACE INTO meta(name, value) VALUES('lock', 1)"_s);
        } else if (problem == u"folder") {
            QVERIFY(QFile::remove(cache));
            cacheDir.writeFile(u"keys.db/notes.txt"_s, "mine");
        } else if (problem == u"no folder") {
            cacheDir.writeFile(u"file"_s, "x");
            cache = cacheDir.filePath(u"file/keys.db"_s);
        } else if (problem == u"picture") {
            QVERIFY(QFile::copy(dir.filePath(u"a.jpg"_s), cache));
        } else if (problem == u"link") {
            cacheDir.writeFile(u"empty"_s);
            cacheDir.makeSymlink(u"empty"_s, u"keys.db"_s);
        } else if (problem == u"device") {
            if (::mknod(QFile::encodeName(cache).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
                QSKIP("device nodes cannot be made here");
        }
        const auto contentOf = [](const QString &path) {
            QFile f(path);
            return QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("-");
        };
        const QByteArray before = contentOf(cache);

        const SearchOutcome first = search(dir.path(), cache);
        QCOMPARE(rowsOf(first), expected);
        QVERIFY(!first.cache.notices.isEmpty());
        if (lock) {
            lock->close();
            lock.reset();
            QSqlDatabase::removeDatabase(u"lock"_s);
        }
        const QStringList aside = setAsideFiles(cache);
        if (setAsideAs.isEmpty()) {
            QVERIFY(aside.isEmpty());
            QVERIFY(QFileInfo(cacheDir.filePath(u"keys.db"_s)).exists());
            if (problem != u"locked") {
                QCOMPARE(contentOf(cache), before);
                for (const char *side : {"-wal", "-shm", "-journal"})
                    QVERIFY2(!QFileInfo::exists(cache + QLatin1String(side)), side);
            }
            if (problem == u"link")
                QVERIFY(QFileInfo(cache).isSymLink() && QFileInfo(cache).size() == 0);
        } else {
            QCOMPARE(aside.size(), 1);
            QVERIFY(aside[0].startsWith(u"keys.db."_s + setAsideAs + u'-'));
        }
        // Damage found only by a query is set aside at the end; the search after starts anew.
        search(dir.path(), cache);
        const SearchOutcome later = search(dir.path(), cache);
        QCOMPARE(rowsOf(later), expected);
        QCOMPARE(later.cache.hits, usableLater ? 8 : 0);
    }

    // Entries of files not seen for 90 days go, at the end of the first search of a day.
    void oldEntriesAreDroppedOnceADay_data()
    {
        QTest::addColumn<int>("seenDaysAgo");
        QTest::addColumn<int>("prunedDaysAgo");
        QTest::addColumn<bool>("kept");
        QTest::newRow("seen 91 days ago") << 91 << 1 << false;
        QTest::newRow("seen 90 days ago") << 90 << 1 << true;
        QTest::newRow("already pruned today") << 91 << 0 << true;
    }

    void oldEntriesAreDroppedOnceADay()
    {
        QFETCH(int, seenDaysAgo);
        QFETCH(int, prunedDaysAgo);
        QFETCH(bool, kept);
        Test::TestDir dir;
        Test::TestDir other;
        Test::TestDir cacheDir;
        makeTree(dir);
        other.writeFile(u"x.bmp"_s, SF::bmp(SF::pattern(20, 20, 9)));
        const QString cache = cacheDir.filePath(u"keys.db"_s);
        search(dir.path(), cache);
        const int today = KeyCache::today();
        withDatabase(cache, [&](QSqlDatabase &db) {
            exec(db, u"UPDATE files SET seen = %1"_s.arg(today - seenDaysAgo));
            exec(db, u"UPDATE meta SET value = %1 WHERE name = 'pruned'"_s.arg(today - prunedDaysAgo));
        });
        search(other.path(), cache); // a search elsewhere sees none of them
        QCOMPARE(search(dir.path(), cache).cache.hits, kept ? 8 : 0);
    }

    // A search stopped at any moment (the abort button, a cancel at exit, a killed program) leaves
    // a cache that the next search uses without a different result.
    void interruptedSearchLeavesAUsableCache_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"killed", "abort", "cancel"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

    void interruptedSearchLeavesAUsableCache()
    {
        QFETCH(QString, how);
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        for (int i = 0; i < 24; ++i)
            dir.writeFile(u"more/p%1.jpg"_s.arg(i), SF::jpeg(SF::pattern(320, 240, 10 + i % 6), 85));
        const QString cache = cacheDir.filePath(u"keys.db"_s);
        // The program is started before this process has run a search: a sanitizer build refuses
        // to fork a process whose search threads may still be winding down.
        if (how == u"killed") {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"DUOVUE_CACHE"_s, cache);
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(DUOVUE_CLI_PATH), {u"dupes"_s, u"--subfolders"_s, dir.path()});
            QVERIFY(p.waitForStarted());
            // Killed once it writes to the cache (or, on a fast machine, after it ended).
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(cache + u"-wal"_s) || p.state() == QProcess::NotRunning, 60000);
            p.kill();
            p.waitForFinished();
        } else {
            SearchParams params;
            params.folder = dir.path();
            params.subfolders = true;
            params.method = SearchMethod::Bitmap;
            params.workers = 3;
            params.cachePath = cache;
            params.cacheSettleMs = 0;
            SearchEngine engine(params);
            engine.start();
            how == u"abort" ? engine.abort() : engine.cancel();
            engine.takeOutcome();
        }
        const SearchOutcome next = search(dir.path(), cache);
        QCOMPARE(rowsOf(next), rowsOf(search(dir.path(), {})));
        QVERIFY2(next.cache.notices.isEmpty(), qPrintable(next.cache.notices.join(u'\n')));
        QCOMPARE(search(dir.path(), cache).cache.hits, next.cache.lookups);
    }

    // Two programs search one tree with one cache at the same time, while it is empty and again
    // once it is full: both always print the rows of a search without it. Then the cache command
    // drops the entries of a file that is gone.
    void twoProgramsShareOneCache()
    {
        Test::TestDir dir;
        Test::TestDir cacheDir;
        makeTree(dir);
        for (int i = 0; i < 12; ++i)
            dir.writeFile(u"more/p%1.jpg"_s.arg(i), SF::jpeg(SF::pattern(160, 120, 10 + i % 6), 85));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DUOVUE_CACHE"_s, cacheDir.filePath(u"keys.db"_s));
        auto start = [&](const QStringList &args) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->start(QStringLiteral(DUOVUE_CLI_PATH), args);
            return p;
        };
        auto output = [](QProcess &p) -> QByteArray {
            if (!p.waitForFinished(120000) || p.exitCode() != 0)
                return QByteArray("failed: ") + p.readAllStandardError();
            return p.readAllStandardOutput();
        };
        const QStringList dupes{u"dupes"_s, u"--subfolders"_s, dir.path()};
        const QByteArray expected = output(*start(QStringList(dupes) << u"--no-cache"_s));
        QVERIFY(expected.contains("\t"));
        // The command line keeps only files that were not changed in the last two seconds.
        const qint64 written = QDateTime::currentMSecsSinceEpoch();
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentMSecsSinceEpoch() > written + 2500, 10000);

        for (int round = 0; round < 2; ++round) {
            auto one = start(dupes);
            auto two = start(dupes);
            QCOMPARE(output(*one), expected);
            QCOMPARE(output(*two), expected);
        }
        QByteArray stats = output(*start({u"cache"_s, u"stats"_s}));
        QVERIFY2(stats.contains("files: 20\n"), stats.constData());
        QVERIFY2(stats.contains("last search: 20 of 20 files"), stats.constData());

        QVERIFY(QFile::remove(dir.filePath(u"b.jpg"_s)));
        QVERIFY(output(*start({u"cache"_s, u"prune"_s})).contains("dropped files: 1\n"));
        stats = output(*start({u"cache"_s, u"stats"_s}));
        QVERIFY2(stats.contains("files: 19\n"), stats.constData());
    }
};

QTEST_GUILESS_MAIN(KeyCacheTest)
#include "keycachetest.moc"
