#include <algorithm>
#include <atomic>
#include <climits>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "core/nativepath.h"
#include "lists/folderscan.h"
#include "lists/textformats.h"
#include "support/listtexts.h"
#include "support/testdir.h"

using namespace Duovue;
using Duovue::Test::columnTexts;
using Duovue::Test::strings;

namespace
{

QStringList names(const FileList &list)
{
    QStringList out;
    for (qsizetype i = 0; i < list.size(); ++i)
        out << list.fullPath(i);
    return out;
}

// Paths relative to @p root, for comparing against expectations written as relative paths.
QStringList relative(const FileList &list, const QString &root)
{
    QStringList out;
    for (const QString &p : names(list))
        out << (p.startsWith(root + QLatin1Char('/')) ? p.mid(root.size() + 1) : p);
    return out;
}

} // namespace

class FolderScanTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void addsOnlyPictureFiles()
    {
        Test::TestDir dir;
        for (const char *n : {"e.txt", "c.Gif", "a.JPG", "d.png", "bmp", "b.jpeg", ".hidden.gif"})
            dir.writeFile(QString::fromUtf8(n));
        dir.makeDir(QStringLiteral("x.jpg"));
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        QVERIFY(scan.scan(dir.path()));
        // Name order ignoring case; the folder named x.jpg is never an entry.
        QCOMPARE(relative(list, dir.path()), strings({".hidden.gif", "a.JPG", "b.jpeg", "bmp", "c.Gif"}));
        for (qsizetype i = 0; i < list.size(); ++i) {
            QCOMPARE(list.column(1, i), dir.path() + QLatin1Char('/'));
            QCOMPARE(list.primary(i), QStringLiteral("0"));
            QVERIFY(list.column(5, i).isEmpty());
            QVERIFY(list.column(6, i).isEmpty());
        }
    }

    void entersSubfoldersWhereTheyAreMet()
    {
        Test::TestDir dir;
        for (const char *n :
            {"B.jpg", "a.jpg", "c/z.gif", "C.bmp", "b/y.jpg", "b/x.jpg", "b/deep/w.jpg", "x.jpg/in.jpg", "d.jpg"})
            dir.writeFile(QString::fromUtf8(n));
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        QVERIFY(scan.scan(dir.path()));
        QCOMPARE(relative(list, dir.path()), strings({"a.jpg", "B.jpg", "C.bmp", "d.jpg"}));

        list.clear();
        scan.setIncludeSubfolders(true);
        QVERIFY(scan.scan(dir.path() + QStringLiteral("///")));
        // Folder "b" sorts before "B.jpg" (a prefix of it, ignoring case) and is entered there.
        QCOMPARE(relative(list, dir.path()),
            strings(
                {"a.jpg", "b/deep/w.jpg", "b/x.jpg", "b/y.jpg", "B.jpg", "c/z.gif", "C.bmp", "d.jpg", "x.jpg/in.jpg"}));
        QCOMPARE(list.column(1, 1), dir.path() + QStringLiteral("/b/deep/"));
        QCOMPARE(list.column(0, 1), QStringLiteral("w.jpg"));
    }

    void appendsAfterExistingEntries()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("n.jpg"));
        FileList list;
        FileList::Entry old;
        old.columns[0] = QStringLiteral("old.jpg");
        old.primary = QStringLiteral("1");
        list.append(old);
        std::atomic<bool> abort{false};
        FolderScan(list, abort).scan(dir.path());
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.column(0, 0), QStringLiteral("old.jpg"));
        QCOMPARE(list.primary(0), QStringLiteral("1"));
        QCOMPARE(list.column(0, 1), QStringLiteral("n.jpg"));
    }

    void rootFolderText_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("text");
        QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("root stripped") << QString() << QStringLiteral("/");
        QTest::newRow("doubled root") << QStringLiteral("//") << QStringLiteral("/");
        QTest::newRow("folder") << QStringLiteral("/a/b") << QStringLiteral("/a/b/");
        QTest::newRow("trailing slashes") << QStringLiteral("/a/b//") << QStringLiteral("/a/b/");
    }
    void rootFolderText()
    {
        QFETCH(QString, folder);
        QFETCH(QString, text);
        QCOMPARE(FolderScan::folderText(folder), text);
    }

    void scansTheRootFolder()
    {
        FileList list;
        std::atomic<bool> abort{false};
        QVERIFY(FolderScan(list, abort).scan(QString()));
        for (qsizetype i = 0; i < list.size(); ++i)
            QCOMPARE(list.column(1, i), QStringLiteral("/"));
    }

    void fillsTimesAndSize()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("p.jpg"), QByteArray(1234, 'x'));
        const QDateTime modified = QDateTime::fromSecsSinceEpoch(1500000000, Qt::UTC);
        dir.setModified(QStringLiteral("p.jpg"), modified);
        // A sparse file larger than 4 GiB: the size needs 64 bits.
        const QString big = dir.writeFile(QStringLiteral("q.jpg"));
        QVERIFY(::truncate(QFile::encodeName(big).constData(), 5368709120LL) == 0);
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan(list, abort).scan(dir.path());
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.column(3, 0), FormatFileTime(1500000000));
        QCOMPARE(list.column(4, 0), QStringLiteral("1,234"));
        QCOMPARE(list.column(4, 1), QStringLiteral("5,368,709,120"));
        // Creation time: birth time or status change, both of which are recent here.
        QVERIFY(list.column(2, 0) > FormatFileTime(QDateTime::currentSecsSinceEpoch() - 3600));
    }

    void linkLoopsEndAndLinkedFilesCount()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a/1.jpg"));
        dir.writeFile(QStringLiteral("real/2.jpg"));
        dir.makeSymlink(QStringLiteral(".."), QStringLiteral("a/up"));
        dir.makeSymlink(QStringLiteral("."), QStringLiteral("a/self"));
        dir.makeSymlink(dir.filePath(QStringLiteral("real")), QStringLiteral("b-link"));
        dir.makeSymlink(QStringLiteral("real/2.jpg"), QStringLiteral("c-linked.jpg"));
        dir.makeSymlink(QStringLiteral("missing.jpg"), QStringLiteral("d-dangling.jpg"));
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        scan.setIncludeSubfolders(true);
        QVERIFY(scan.scan(dir.path()));
        // The linked folder is entered once, under the name met first; the dangling link is skipped.
        QCOMPARE(relative(list, dir.path()), strings({"a/1.jpg", "b-link/2.jpg", "c-linked.jpg"}));
    }

    void keepsNamesThatAreNotUtf8AndSkipsSpecialFiles()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("good.jpg"));
        // Shift-JIS for "テスト", and a folder whose name is an overlong "/".
        const QString bad = dir.writeNativeFile("\x83\x65\x83\x58\x83\x67.jpg", "picture");
        const QByteArray badFolder = NativePath::encode(dir.path()) + "/dir\xc0\xaf";
        QVERIFY(::mkdir(badFolder.constData(), 0755) == 0);
        const QString inside = dir.writeNativeFile("dir\xc0\xaf/inside.jpg");
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.jpg"))).constData(), 0644) == 0);
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        scan.setIncludeSubfolders(true);
        QVERIFY(scan.scan(dir.path()));
        QStringList shown;
        for (const QString &path : relative(list, dir.path()))
            shown << NativePath::display(path);
        QCOMPARE(shown, strings({"dir\\xc0\\xaf/inside.jpg", "good.jpg", "\\x83e\\x83X\\x83g.jpg"}));
        // Each listed path leads back to the very bytes of its file.
        QCOMPARE(list.fullPath(0), inside);
        QCOMPARE(list.fullPath(2), bad);
        QCOMPARE(list.column(4, 2), QStringLiteral("7"));
        FileList dropped;
        FolderScan drop(dropped, abort);
        QVERIFY(drop.appendFile(bad));
        QCOMPARE(dropped.fullPath(0), bad);
    }

    void unreadableFolderAddsNothing()
    {
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        QVERIFY(!scan.scan(QStringLiteral("/nonexistent-folder-of-duovue")));
        Test::TestDir dir;
        QVERIFY(!scan.scan(dir.writeFile(QStringLiteral("file.jpg")))); // a file is not a folder
        QVERIFY(list.isEmpty());

        dir.writeFile(QStringLiteral("open/1.jpg"));
        dir.writeFile(QStringLiteral("shut/2.jpg"));
        const QByteArray shut = QFile::encodeName(dir.filePath(QStringLiteral("shut")));
        QVERIFY(::chmod(shut.constData(), 0) == 0);
        scan.setIncludeSubfolders(true);
        QStringList found;
        QStringList unreadable;
        if (::geteuid() != 0) {
            QVERIFY(scan.scan(dir.path()));
            found = relative(list, dir.path());
            unreadable = scan.unreadableFolders();
        } else {
            // Permissions do not stop root: scan in a child process that has given up root.
            QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
            int pipeFds[2];
            QVERIFY(::pipe(pipeFds) == 0);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(pipeFds[0]);
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(77);
                scan.scan(dir.path());
                const QByteArray text = (relative(list, dir.path()).join(QLatin1Char('|')) + QLatin1Char('\n')
                    + scan.unreadableFolders().join(QLatin1Char('|')))
                                            .toUtf8();
                const bool written = ::write(pipeFds[1], text.constData(), size_t(text.size())) == text.size();
                ::_exit(written ? 0 : 1);
            }
            ::close(pipeFds[1]);
            QByteArray text;
            char buffer[256];
            for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
                text.append(buffer, n);
            ::close(pipeFds[0]);
            int status = 0;
            ::waitpid(child, &status, 0);
            if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
                QSKIP("cannot give up root here");
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            const QStringList parts = QString::fromUtf8(text).split(QLatin1Char('\n'));
            found = parts.value(0).split(QLatin1Char('|'));
            unreadable = parts.value(1).split(QLatin1Char('|'));
        }
        ::chmod(shut.constData(), 0755);
        QCOMPARE(found, strings({"file.jpg", "open/1.jpg"}));
        // Reported, so that a caller can tell a complete list from one with holes.
        QCOMPARE(unreadable, QStringList{dir.filePath(QStringLiteral("shut"))});
    }

    void abortLeavesAPrefixOfTheWholeScan_data()
    {
        QTest::addColumn<int>("abortAtCall");
        // The callback runs every 16 names read or listed: the first call falls while the top folder
        // is read, the later ones while subfolders are read or listed.
        for (int call : {1, 2, 3, 5, 8, 13, 17, 21, 25})
            QTest::addRow("call %d", call) << call;
    }
    void abortLeavesAPrefixOfTheWholeScan()
    {
        QFETCH(int, abortAtCall);
        Test::TestDir dir;
        for (int f = 0; f < 6; ++f) {
            for (int i = 0; i < 30; ++i)
                dir.writeFile(QStringLiteral("s%1/f%2.jpg").arg(f).arg(i, 2, 10, QLatin1Char('0')));
        }
        dir.writeFile(QStringLiteral("s2/inner/i.jpg"));
        dir.writeFile(QStringLiteral("a.jpg"));
        // Files after the subfolders: an abort inside a subfolder must not let them in.
        for (int i = 0; i < 12; ++i)
            dir.writeFile(QStringLiteral("z%1.gif").arg(i, 2, 10, QLatin1Char('0')));
        std::atomic<bool> abort{false};
        FileList whole;
        FolderScan all(whole, abort);
        all.setIncludeSubfolders(true);
        QVERIFY(all.scan(dir.path()));
        const QStringList expected = names(whole);

        FileList list;
        FolderScan scan(list, abort);
        scan.setIncludeSubfolders(true);
        int calls = 0;
        scan.setProgressCallback(
            [&] {
                if (++calls == abortAtCall)
                    abort = true;
            },
            std::chrono::milliseconds(0));
        QVERIFY(scan.scan(dir.path()));
        QVERIFY(scan.aborted());
        QVERIFY(abort); // left set for every level of the caller to see
        const QStringList kept = names(list);
        QVERIFY(kept.size() < expected.size());
        QCOMPARE(kept, expected.mid(0, kept.size()));
    }

    void walksTreesDeeperThanTheLongestPath()
    {
        // Deeper than PATH_MAX allows by full path, and more levels than the descriptors the scan
        // may hold.
        constexpr int depth = 150;
        constexpr char folder[] = "a-folder-name-long-enough-to-pass-path-max";
        Test::TestDir dir;
        const int root = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(root >= 0);
        QString expectedFolder = dir.path() + QLatin1Char('/');
        QStringList expected;
        int fd = ::dup(root);
        for (int level = 1; level <= depth; ++level) {
            QVERIFY(::mkdirat(fd, folder, 0755) == 0);
            const int next = ::openat(fd, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            QVERIFY(fd >= 0);
            expectedFolder += QLatin1String(folder) + QLatin1Char('/');
            if (level == 1 || level == 60 || level == 120 || level == depth) {
                QVERIFY(::close(::openat(fd, "x.jpg", O_CREAT | O_WRONLY | O_CLOEXEC, 0644)) == 0);
                expected.prepend(expectedFolder + QStringLiteral("x.jpg")); // the folder sorts first
            }
        }
        ::close(fd);
        QVERIFY(QFile::encodeName(expected.first()).size() > PATH_MAX);

        rlimit limit;
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &limit) == 0);
        rlimit scarce = limit;
        scarce.rlim_cur = std::min<rlim_t>(limit.rlim_cur, 64);
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &scarce) == 0);
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        scan.setIncludeSubfolders(true);
        const bool scanned = scan.scan(dir.path());
        ::setrlimit(RLIMIT_NOFILE, &limit);
        QVERIFY(scanned);
        QCOMPARE(names(list), expected);
        QCOMPARE(scan.unreadableFolders(), QStringList());

        // QTemporaryDir removes by full path, which fails this deep: climb back up through "..".
        fd = ::dup(root);
        for (int next; (next = ::openat(fd, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC)) >= 0;) {
            ::unlinkat(fd, "x.jpg", 0);
            ::close(fd);
            fd = next;
        }
        ::unlinkat(fd, "x.jpg", 0);
        for (int level = depth; level > 0; --level) {
            const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = up;
            QVERIFY(fd >= 0 && ::unlinkat(fd, folder, AT_REMOVEDIR) == 0);
        }
        ::close(fd);
        ::close(root);
    }

    void abortSetBeforeTheScanAddsNothing()
    {
        Test::TestDir dir;
        dir.writeFile(QStringLiteral("a.jpg"));
        FileList list;
        std::atomic<bool> abort{true};
        FolderScan(list, abort).scan(dir.path());
        QVERIFY(list.isEmpty());
    }

    void appendsDroppedFiles()
    {
        Test::TestDir dir;
        const QString jpg = dir.writeFile(QStringLiteral("sub/x.JPEG"), QByteArray(5, 'x'));
        const QString txt = dir.writeFile(QStringLiteral("sub/y.txt"));
        FileList list;
        std::atomic<bool> abort{false};
        FolderScan scan(list, abort);
        QVERIFY(scan.appendFile(jpg));
        QVERIFY(!scan.appendFile(txt));
        QVERIFY(!scan.appendFile(dir.filePath(QStringLiteral("sub/missing.jpg"))));
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.column(0, 0), QStringLiteral("x.JPEG"));
        QCOMPARE(list.column(1, 0), dir.path() + QStringLiteral("/sub/"));
        QCOMPARE(list.column(4, 0), QStringLiteral("5"));
        QCOMPARE(list.primary(0), QStringLiteral("0"));
    }
};

QTEST_GUILESS_MAIN(FolderScanTest)
#include "folderscantest.moc"
