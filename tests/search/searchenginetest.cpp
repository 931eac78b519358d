#include <algorithm>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "search/crc32.h"
#include "search/identicalfiles.h"
#include "search/keycache.h"
#include "search/searchdriver.h"
#include "search/searchengine.h"
#include "search/searchwalk.h"
#include "support/imagingfactory.h"
#include "support/searchfactory.h"
#include "support/testdir.h"

using namespace Duovue;
using namespace Qt::StringLiterals;
namespace SF = Duovue::Test::SearchFactory;

namespace
{

QByteArray randomBytes(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray out(n, '\0');
    for (char &c : out)
        c = static_cast<char>(rng());
    return out;
}

SearchOutcome runSearch(SearchParams params)
{
    SearchEngine engine(std::move(params));
    engine.start();
    return engine.takeOutcome();
}

// A chain of nested folders of 200-byte names, made and removed relative to one another: its
// paths are longer than the system takes in one call (and than QDir can remove).
class DeepFolder
{
public:
    DeepFolder(const QString &root, int depth)
        : m_name(200, 'd')
    {
        m_fds.push_back(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        for (int i = 0; i < depth; ++i) {
            ::mkdirat(m_fds.back(), m_name.constData(), 0700);
            m_fds.push_back(::openat(m_fds.back(), m_name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
    }
    ~DeepFolder()
    {
        for (const QByteArray &file : m_files)
            ::unlinkat(m_fds.back(), file.constData(), 0);
        for (std::size_t i = m_fds.size() - 1; i > 0; --i) {
            ::close(m_fds[i]);
            ::unlinkat(m_fds[i - 1], m_name.constData(), AT_REMOVEDIR);
        }
        ::close(m_fds.front());
    }
    DeepFolder(const DeepFolder &) = delete;
    DeepFolder &operator=(const DeepFolder &) = delete;

    void write(const char *name, const QByteArray &data)
    {
        const int fd = ::openat(m_fds.back(), name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, data.constData(), std::size_t(data.size())), ssize_t(data.size()));
        ::close(fd);
        m_files << QByteArray(name);
    }

private:
    QByteArray m_name;
    std::vector<int> m_fds;
    QList<QByteArray> m_files;
};

SearchParams paramsFor(const QString &folder, SearchMethod method, bool subfolders = true)
{
    SearchParams p;
    p.folder = folder;
    p.method = method;
    p.subfolders = subfolders;
    p.reductionSize = 15;
    return p;
}

QStringList rowsOf(const SearchOutcome &outcome)
{
    return SF::rowsOf(outcome.grouping.rows);
}

QStringList sortedNamesOf(const SearchOutcome &outcome)
{
    QStringList out;
    for (const FileList::Entry &e : outcome.grouping.rows)
        out << e.columns[0];
    out.sort();
    return out;
}

} // namespace

class SearchEngineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<SearchProgress>(); }

    void walkOrderAndCandidates()
    {
        Test::TestDir dir;
        for (const char *name : {"b.Jpeg", "a.JPG", "c.bmp", "d.gif", "e.png", "f.jpe", "g.tif", "jpg", "sub/x.jpg"})
            dir.writeFile(QString::fromLatin1(name), "x");
        dir.makeDir(QStringLiteral("dir.jpg"));
        QStringList seen;
        std::atomic<bool> stop{false};
        SearchWalk::walk(dir.path() + QStringLiteral("//"), true, stop, [&](GatheredFile &&f) {
            seen << f.folder.mid(dir.path().size()) + f.name;
        });
        // Name order ignoring case; a subfolder is walked where it is met, and a folder with a
        // picture name is also offered.
        QCOMPARE(seen,
            (QStringList{
                u"/a.JPG"_s, u"/b.Jpeg"_s, u"/c.bmp"_s, u"/d.gif"_s, u"/dir.jpg"_s, u"/jpg"_s, u"/sub/x.jpg"_s}));
        seen.clear();
        SearchWalk::walk(dir.path(), false, stop, [&](GatheredFile &&f) {
            seen << f.name;
        });
        QVERIFY(!seen.contains(QStringLiteral("x.jpg")));
    }

    void walkSurvivesLinkLoops()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a/p.jpg"), "x");
        dir.makeSymlink(QStringLiteral(".."), QStringLiteral("a/up"));
        int count = 0;
        std::atomic<bool> stop{false};
        SearchWalk::walk(dir.path(), true, stop, [&](GatheredFile &&) {
            ++count;
        });
        QCOMPARE(count, 1);
    }

    void hashGroupsIdenticalFiles()
    {
        Test::TestDir dir;
        const QByteArray a = randomBytes(5000, 1);
        const QByteArray b = randomBytes(5000, 2); // same size, other content
        dir.writeFile(QStringLiteral("a1.jpg"), a);
        dir.writeFile(QStringLiteral("sub/a2.jpg"), a);
        dir.writeFile(QStringLiteral("b.jpg"), b);
        dir.writeFile(QStringLiteral("c.gif"), randomBytes(7000, 3));
        dir.writeFile(QStringLiteral("c.txt"), randomBytes(7000, 3)); // not a candidate
        const SearchOutcome outcome = runSearch(paramsFor(dir.path(), SearchMethod::Hash));
        QCOMPARE(outcome.filesGathered, 4);
        QCOMPARE(outcome.grouping.groups, 1);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:a1.jpg"_s, u"2:a2.jpg"_s}));
        QCOMPARE(outcome.grouping.rows[1].columns[1], dir.path() + QStringLiteral("/sub/"));
        QCOMPARE(outcome.grouping.rows[0].columns[4], QStringLiteral("5,000"));
        QVERIFY(outcome.grouping.rows[0].columns[5].isEmpty());
    }

    void hashGroupsEmptyFiles()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("e1.jpg"));
        dir.writeFile(QStringLiteral("e2.bmp"));
        dir.writeFile(QStringLiteral("e3.gif"));
        dir.writeFile(QStringLiteral("x.jpg"), "x");
        SearchParams p = paramsFor(dir.path(), SearchMethod::Hash);
        const SearchOutcome outcome = runSearch(p);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:e1.jpg"_s, u"2:e2.bmp"_s, u"2:e3.gif"_s}));
        p.computeAllKeys = true;
        const SearchOutcome keyed = runSearch(p);
        QCOMPARE(keyed.table.size(), std::size_t(4));
        QCOMPARE(keyed.table[0].key, QStringLiteral("00000000"));
        QCOMPARE(rowsOf(keyed), rowsOf(outcome));
    }

    // Two different files of one size with the same CRC-32 must not form a group; two copies of
    // each form two groups that share a key.
    void hashSplitsCrcCollisions()
    {
        const QByteArray a = randomBytes(1000, 11);
        const QByteArray b = SF::withCrc(randomBytes(996, 12), Crc32::of(a));
        QCOMPARE(b.size(), a.size());
        QVERIFY(a != b);
        QCOMPARE(Crc32::of(a), Crc32::of(b));

        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.jpg"), a);
        dir.writeFile(QStringLiteral("b.jpg"), b);
        QCOMPARE(runSearch(paramsFor(dir.path(), SearchMethod::Hash)).grouping.groups, 0);
        SearchParams keyed = paramsFor(dir.path(), SearchMethod::Hash);
        keyed.computeAllKeys = true;
        QCOMPARE(runSearch(keyed).grouping.groups, 0);

        dir.writeFile(QStringLiteral("a-copy.jpg"), a);
        dir.writeFile(QStringLiteral("b-copy.jpg"), b);
        const SearchOutcome outcome = runSearch(paramsFor(dir.path(), SearchMethod::Hash));
        QCOMPARE(outcome.grouping.groups, 2);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:a-copy.jpg"_s, u"2:a.jpg"_s, u"3:b-copy.jpg"_s, u"3:b.jpg"_s}));
    }

    // Three files of one size: two copies and one that differs in a single byte, around the edge
    // of the first block that is compared before whole files. Only the copies may group; a link
    // to a copy is another name of it, not a copy. A folder named like a picture is a candidate
    // that is not gathered, and the folders after it must still be told apart.
    void hashGroupsOnlyIdenticalContent_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("differsAt");
        const int head = int(IdenticalFiles::HeadBytes);
        for (int size : {1, head - 1, head, head + 1, 3 * head + 5}) {
            for (int at : {0, head - 1, head, size - 1}) {
                if (at < size)
                    QTest::addRow("%d bytes, byte %d differs", size, at) << size << at;
            }
        }
    }

    void hashGroupsOnlyIdenticalContent()
    {
        QFETCH(int, size);
        QFETCH(int, differsAt);
        Test::TestDir dir;
        QByteArray data = randomBytes(size, unsigned(size));
        dir.writeFile(QStringLiteral("0.jpg/a.jpg"), data);
        dir.writeFile(QStringLiteral("sub/b.jpg"), data);
        dir.makeSymlink(QStringLiteral("../0.jpg/a.jpg"), QStringLiteral("sub/link.gif"));
        data[differsAt] = static_cast<char>(data[differsAt] ^ 0x40);
        dir.writeFile(QStringLiteral("sub/c.jpg"), data);
        const SearchOutcome outcome = runSearch(paramsFor(dir.path(), SearchMethod::Hash));
        QCOMPARE(outcome.filesGathered, 3);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:a.jpg"_s, u"2:b.jpg"_s}));
        QCOMPARE(outcome.grouping.rows[1].columns[1], dir.path() + QStringLiteral("/sub/"));
    }

    // Files that agree for longer than the first chunks and differ only at the very end.
    void hashComparesToTheLastByte()
    {
        Test::TestDir dir;
        QByteArray big = randomBytes(3 * 1024 * 1024 + 17, 21);
        dir.writeFile(QStringLiteral("1.jpg"), big);
        dir.writeFile(QStringLiteral("2.jpg"), big);
        big[big.size() - 1] = static_cast<char>(big[big.size() - 1] ^ 1);
        dir.writeFile(QStringLiteral("3.jpg"), big);
        const SearchOutcome outcome = runSearch(paramsFor(dir.path(), SearchMethod::Hash));
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:1.jpg"_s, u"2:2.jpg"_s}));
    }

    // Sets are confirmed from the files themselves, whatever their heads say: a file gone since
    // it was met, or one that differs only after its head, stays out; a file whose head differs
    // is never opened again.
    void identicalSetsCarryTheContentCrc()
    {
        Test::TestDir dir;
        const QByteArray data = randomBytes(200000, 5);
        QByteArray late = data;
        late[150000] = static_cast<char>(late[150000] ^ 1);
        QStringList paths;
        for (int i = 0; i < 3; ++i)
            paths << dir.writeFile(QString::number(i), data);
        paths << dir.writeFile(QStringLiteral("late"), late) << dir.filePath(QStringLiteral("gone"))
              << dir.writeFile(QStringLiteral("other head"), randomBytes(200000, 6));
        const std::uint32_t head = Crc32::of(data.constData(), IdenticalFiles::HeadBytes);
        std::vector<IdenticalFiles::Candidate> c(std::size_t(paths.size()), {quint64(data.size()), head, true});
        c.back().head = head ^ 1;
        std::vector<int> opened;
        const auto open = [&](int i) {
            opened.push_back(i);
            return ::open(QFile::encodeName(paths[i]).constData(), O_RDONLY | O_CLOEXEC);
        };
        const IdenticalFiles::Outcome out = IdenticalFiles::find(c, open);
        QCOMPARE(out.sets.size(), std::size_t(1));
        QCOMPARE(out.sets[0].members, (std::vector<int>{0, 1, 2}));
        QCOMPARE(out.sets[0].crc, Crc32::of(data));
        QVERIFY(std::find(opened.begin(), opened.end(), 5) == opened.end());
        const int fd = open(0);
        QCOMPARE(IdenticalFiles::fileCrc(fd).value_or(0), Crc32::of(data));
        ::close(fd);
    }

    void bitmapGroupsPictureCopies()
    {
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(300, 200, 1), 90);
        dir.writeFile(QStringLiteral("p.jpg"), jpeg);
        dir.writeFile(QStringLiteral("copy/p-copy.jpg"), jpeg);
        dir.writeFile(QStringLiteral("copy/p.bmp"), SF::bmp(SF::decodeJpeg(jpeg)));
        dir.writeFile(QStringLiteral("other.jpg"), SF::jpeg(SF::pattern(300, 200, 2)));
        dir.writeFile(QStringLiteral("broken.jpg"), jpeg.left(30));
        dir.writeFile(QStringLiteral("empty1.jpg"));
        dir.writeFile(QStringLiteral("empty2.jpg"));
        dir.makeDir(QStringLiteral("folder.gif"));
        for (int workers : {1, 3, 8}) {
            SearchParams p = paramsFor(dir.path(), SearchMethod::Bitmap);
            p.workers = workers;
            const SearchOutcome outcome = runSearch(p);
            // Undecodable files are gathered but never grouped.
            QCOMPARE(outcome.filesGathered, 8);
            QCOMPARE(outcome.grouping.groups, 1);
            QCOMPARE(sortedNamesOf(outcome), (QStringList{u"p-copy.jpg"_s, u"p.bmp"_s, u"p.jpg"_s}));
            QCOMPARE(outcome.grouping.rows[0].columns[5], QStringLiteral("300"));
            QCOMPARE(outcome.grouping.rows[0].columns[6], QStringLiteral("200"));
        }
    }

    // Different thumbnails whose CRC-32 collide share a key but are not the same picture.
    void bitmapSplitsThumbnailCollisions()
    {
        const auto [ta, tb] = SF::collidingThumbnails(10);
        QVERIFY(ta != tb);
        QCOMPARE(Crc32::of(ta), Crc32::of(tb));
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.bmp"), SF::bmp(SF::fromThumbnail(ta, 10, 3)));
        dir.writeFile(QStringLiteral("b.bmp"), SF::bmp(SF::fromThumbnail(tb, 10, 3)));
        SearchParams p = paramsFor(dir.path(), SearchMethod::Bitmap);
        p.reductionSize = 10;
        p.computeAllKeys = true;
        SearchOutcome outcome = runSearch(p);
        QCOMPARE(outcome.table.size(), std::size_t(2));
        QCOMPARE(outcome.table[0].key, outcome.table[1].key);
        QCOMPARE(outcome.grouping.groups, 0);

        dir.writeFile(QStringLiteral("a2.bmp"), SF::bmp(SF::fromThumbnail(ta, 10, 2)));
        dir.writeFile(QStringLiteral("b2.bmp"), SF::bmp(SF::fromThumbnail(tb, 10, 4)));
        outcome = runSearch(p);
        QCOMPARE(outcome.grouping.groups, 2);
        QCOMPARE(rowsOf(outcome), (QStringList{u"2:a.bmp"_s, u"2:a2.bmp"_s, u"3:b.bmp"_s, u"3:b2.bmp"_s}));
    }

    // Only pictures the panes can show are keyed: other formats under picture names, truncated
    // copies and hostile files stay ungrouped in the bitmap method, while the hash method still
    // groups byte copies, since it reads bytes, not pictures.
    void bitmapKeysOnlyDecodablePictures()
    {
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(160, 120, 4), 90);
        dir.writeFile(QStringLiteral("a.jpg"), jpeg);
        dir.writeFile(QStringLiteral("b.jpg"), jpeg);
        dir.writeFile(QStringLiteral("a-cut.jpg"), jpeg.left(jpeg.size() * 4 / 5));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        SF::pattern(160, 120, 4).save(&buffer, "PNG");
        for (const char *name : {"png.jpg", "png.bmp", "png.gif"})
            dir.writeFile(QString::fromLatin1(name), png);
        const QByteArray progressive = SF::jpeg(SF::pattern(64, 64, 5), 90, true);
        for (const char *name : {"huge1.jpg", "huge2.jpg"})
            dir.writeFile(QString::fromLatin1(name), Test::ImagingFactory::withDeclaredSize(progressive, 30000, 30000));
        for (const char *name : {"scans1.jpg", "scans2.jpg"})
            dir.writeFile(QString::fromLatin1(name), Test::ImagingFactory::withRepeatedScan(progressive, 600));

        SearchParams p = paramsFor(dir.path(), SearchMethod::Bitmap);
        p.workers = 3;
        SearchOutcome outcome = runSearch(p);
        QCOMPARE(outcome.filesGathered, 10);
        QCOMPARE(sortedNamesOf(outcome), (QStringList{u"a.jpg"_s, u"b.jpg"_s}));

        outcome = runSearch(paramsFor(dir.path(), SearchMethod::Hash));
        QCOMPARE(outcome.grouping.groups, 4);
        QVERIFY(sortedNamesOf(outcome).contains(u"png.gif"_s));
    }

    // A FIFO named like a picture must neither block a worker nor the walk.
    void specialFilesDoNotBlock()
    {
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(120, 90, 6));
        dir.writeFile(QStringLiteral("a.jpg"), jpeg);
        dir.writeFile(QStringLiteral("b.jpg"), jpeg);
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.jpg"))).constData(), 0600), 0);
        for (SearchMethod m : {SearchMethod::Hash, SearchMethod::Bitmap}) {
            SearchParams p = paramsFor(dir.path(), m);
            p.computeAllKeys = m == SearchMethod::Bitmap;
            const SearchOutcome outcome = runSearch(p);
            QCOMPARE(outcome.grouping.groups, 1);
            QCOMPARE(sortedNamesOf(outcome), (QStringList{u"a.jpg"_s, u"b.jpg"_s}));
        }
    }

    void missingFolderFindsNothing()
    {
        for (SearchMethod m : {SearchMethod::Hash, SearchMethod::Bitmap}) {
            const SearchOutcome outcome = runSearch(paramsFor(QStringLiteral("/nonexistent/duovue"), m));
            QCOMPARE(outcome.filesGathered, 0);
            QCOMPARE(outcome.grouping.groups, 0);
            QCOMPARE(outcome.unreadable.size(), std::size_t(1)); // the folder, named
        }
    }

    // The abort button in the file phase ends the gathering only: what was gathered is compared.
    void abortInFilePhaseStillGroups()
    {
        Test::TestDir dir;
        const QByteArray same = randomBytes(3000, 9);
        for (int i = 0; i < 40; ++i)
            dir.writeFile(QStringLiteral("f%1.jpg").arg(i, 2, 10, QLatin1Char('0')), same);
        SearchEngine engine(paramsFor(dir.path(), SearchMethod::Hash));
        engine.abort(); // before start: nothing is running, nothing happens
        engine.start();
        QTRY_VERIFY_WITH_TIMEOUT(engine.progress().files >= 2 || engine.isFinished(), 20000);
        engine.abort();
        const SearchOutcome outcome = engine.takeOutcome();
        QVERIFY(outcome.filesGathered >= 2);
        QCOMPARE(outcome.grouping.groups, 1);
        QCOMPARE(int(outcome.grouping.rows.size()), outcome.filesGathered);
    }

    // The reading starts once the walk has ended, so that its count runs against the whole. An
    // abort while it runs compares only the pictures read, and the outcome says how far it got.
    void bitmapAbortComparesWhatWasRead()
    {
        Test::TestDir dir;
        const QByteArray slow = SF::jpeg(SF::pattern(2400, 1800, 7), 90, true);
        for (int i = 0; i < 5; ++i)
            dir.writeFile(QStringLiteral("p%1.jpg").arg(i), slow);
        SearchParams p = paramsFor(dir.path(), SearchMethod::Bitmap);
        p.workers = 1;
        SearchEngine engine(p);
        engine.start();
        QTRY_VERIFY_WITH_TIMEOUT(engine.progress().phase != SearchPhase::Files, 20000);
        const SearchProgress shown = engine.progress();
        if (shown.phase == SearchPhase::Keys)
            QCOMPARE(shown.files, 5);
        engine.abort();
        const SearchOutcome outcome = engine.takeOutcome();
        QCOMPARE(outcome.filesGathered, 5);
        if (outcome.abortedIn == SearchPhase::Keys)
            QVERIFY(outcome.filesRead < 5);
        else
            QCOMPARE(outcome.filesRead, 5);
        QCOMPARE(int(outcome.grouping.rows.size()), outcome.filesRead >= 2 ? outcome.filesRead : 0);
        // The comparison's count ends at what was read, not at every file gathered.
        QCOMPARE(engine.progress().compareTotal, outcome.filesRead);
        if (outcome.filesRead >= 2)
            QCOMPARE(engine.progress().compared, outcome.filesRead);
    }

    // Candidates that cannot be read as pictures are named with a reason, from a decode and from
    // the key cache alike; a folder named like a picture is not a picture and is not named.
    void unreadablePicturesAreNamed()
    {
        Test::TestDir dir;
        Test::TestDir cacheDir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(120, 90, 3));
        dir.writeFile(QStringLiteral("a.jpg"), jpeg);
        dir.writeFile(QStringLiteral("b.jpg"), jpeg);
        dir.writeFile(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 2));
        dir.writeFile(QStringLiteral("Empty.jpg"));
        dir.writeFile(QStringLiteral("text.gif"), "not a picture");
        dir.makeDir(QStringLiteral("folder.jpg"));
        const QStringList expected{
            dir.filePath(u"cut.jpg"_s), dir.filePath(u"Empty.jpg"_s), dir.filePath(u"text.gif"_s)};
        for (SearchMethod m : {SearchMethod::Bitmap, SearchMethod::Similar}) {
            SearchParams p = paramsFor(dir.path(), m);
            p.cachePath = cacheDir.filePath(u"keys.db"_s);
            p.cacheSettleMs = 0;
            for (int round = 0; round < 2; ++round) {
                const SearchOutcome outcome = runSearch(p);
                QCOMPARE(outcome.grouping.groups, 1);
                QCOMPARE(outcome.cache.hits, round == 0 ? 0 : 5);
                QStringList named;
                for (const UnreadFile &f : outcome.unreadable) {
                    named << f.path;
                    QVERIFY(!f.reason.isEmpty());
                }
                QCOMPARE(named, expected);
            }
        }
    }

    // The scan lists files whose paths are longer than one system call takes; every method reads
    // them too, and the key cache keeps their keys.
    void searchReachesLongPaths_data()
    {
        QTest::addColumn<SearchMethod>("method");
        QTest::newRow("hash") << SearchMethod::Hash;
        QTest::newRow("bitmap") << SearchMethod::Bitmap;
        QTest::newRow("similar") << SearchMethod::Similar;
    }

    void searchReachesLongPaths()
    {
        QFETCH(SearchMethod, method);
        Test::TestDir dir;
        Test::TestDir cacheDir;
        DeepFolder deep(dir.path(), 24); // about 4,900 bytes
        const QByteArray jpeg = SF::jpeg(SF::pattern(120, 90, 4));
        deep.write("a.jpg", jpeg);
        deep.write("b.jpg", jpeg);
        SearchParams p = paramsFor(dir.path(), method);
        p.computeAllKeys = true;
        p.cachePath = cacheDir.filePath(u"keys.db"_s);
        p.cacheSettleMs = 0;
        for (int round = 0; round < 2; ++round) {
            const SearchOutcome outcome = runSearch(p);
            QCOMPARE(outcome.grouping.groups, 1);
            QVERIFY(outcome.grouping.rows[0].columns[1].size() > 4096);
            QCOMPARE(outcome.table.size(), std::size_t(2));
            QVERIFY(!outcome.table[0].key.isEmpty());
            QVERIFY(outcome.unreadable.empty());
            if (method != SearchMethod::Hash)
                QCOMPARE(outcome.cache.hits, round == 0 ? 0 : 2);
        }
        if (method != SearchMethod::Hash) {
            // A changed file's entries can never serve again: the prune finds it by its path.
            deep.write("b.jpg", jpeg + "changed");
            QStringList notices;
            const std::unique_ptr<KeyCache> cache = KeyCache::open(p.cachePath, notices, false);
            QVERIFY(cache);
            QCOMPARE(cache->prune(), 1);
        }
    }

    void driverReportsProgressAndResult()
    {
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(200, 150, 3));
        for (int i = 0; i < 6; ++i)
            dir.writeFile(QStringLiteral("p%1.jpg").arg(i), jpeg);
        SearchDriver driver;
        driver.setPollInterval(5);
        QSignalSpy progress(&driver, &SearchDriver::progressChanged);
        QSignalSpy finished(&driver, &SearchDriver::finished);
        QVERIFY(driver.start(paramsFor(dir.path(), SearchMethod::Bitmap)));
        QVERIFY(!driver.start(paramsFor(dir.path(), SearchMethod::Bitmap)));
        QVERIFY(finished.wait(20000));
        QVERIFY(!driver.isRunning());
        QVERIFY(!progress.isEmpty());
        const SearchOutcome outcome = driver.takeOutcome();
        QCOMPARE(outcome.grouping.groups, 1);
        QCOMPARE(outcome.grouping.rows.size(), std::size_t(6));
    }

    // Destroying the driver (the dialog closing) in the middle of either phase must stop and join
    // every thread without touching freed memory.
    void driverDestroyedMidRun_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("afterFiles");
        QTest::newRow("bitmap, at once") << 1 << 0;
        QTest::newRow("bitmap, while decoding") << 1 << 3;
        QTest::newRow("hash, at once") << 0 << 0;
        QTest::newRow("hash, while comparing") << 0 << 1;
    }

    void driverDestroyedMidRun()
    {
        QFETCH(int, method);
        QFETCH(int, afterFiles);
        Test::TestDir dir;
        const QByteArray jpeg = SF::jpeg(SF::pattern(1200, 900, 4));
        const QByteArray big = randomBytes(4 * 1024 * 1024, 8);
        for (int i = 0; i < 30; ++i)
            dir.writeFile(QStringLiteral("d%1/p%2.jpg").arg(i % 3).arg(i), method == 1 ? jpeg : big);
        auto driver = std::make_unique<SearchDriver>();
        driver->setPollInterval(1);
        QSignalSpy finished(driver.get(), &SearchDriver::finished);
        QVERIFY(driver->start(paramsFor(dir.path(), SearchMethod(method))));
        if (afterFiles > 0) {
            QSignalSpy progress(driver.get(), &SearchDriver::progressChanged);
            QTRY_VERIFY_WITH_TIMEOUT(finished.count() > 0
                    || (!progress.isEmpty() && progress.last().at(0).value<SearchProgress>().files >= afterFiles),
                20000);
        }
        driver.reset();
        QCOMPARE(finished.count() <= 1, true);
    }

    void driverAbortInComparePhase()
    {
        Test::TestDir dir;
        const QByteArray big = randomBytes(2 * 1024 * 1024, 8);
        for (int i = 0; i < 20; ++i)
            dir.writeFile(QStringLiteral("p%1.jpg").arg(i), big);
        SearchDriver driver;
        driver.setPollInterval(1);
        QSignalSpy finished(&driver, &SearchDriver::finished);
        QSignalSpy progress(&driver, &SearchDriver::progressChanged);
        QVERIFY(driver.start(paramsFor(dir.path(), SearchMethod::Hash)));
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() > 0
                || (!progress.isEmpty() && progress.last().at(0).value<SearchProgress>().phase == SearchPhase::Compare),
            20000);
        driver.abort();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        const SearchOutcome outcome = driver.takeOutcome();
        // Either the comparison was stopped (no group cut in half) or it had already ended.
        QVERIFY(outcome.grouping.rows.empty() || outcome.grouping.rows.size() == 20);
    }
};

QTEST_GUILESS_MAIN(SearchEngineTest)
#include "searchenginetest.moc"
