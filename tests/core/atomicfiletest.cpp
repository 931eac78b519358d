#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "core/atomicfile.h"
#include "core/fileoperations.h"
#include "core/nativepath.h"
#include "core/temporaryfile.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

mode_t typeOf(const QString &path)
{
    struct stat st {
    };
    return ::lstat(NativePath::encode(path).constData(), &st) == 0 ? st.st_mode : 0;
}

} // namespace

class AtomicFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesOnlyRegularFiles_data();
    void replacesOnlyRegularFiles();
    void fileSizeLimitLeavesOldFile();
    void leftoverTemporariesGo_data();
    void leftoverTemporariesGo();
};

void AtomicFileTest::replacesOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("kind"); // what is at the target before
    QTest::addColumn<QString>("reason"); // empty: written
    QTest::newRow("new file") << "none" << QString();
    QTest::newRow("read-only file keeps its mode") << "readonly" << QString();
    QTest::newRow("link to a file writes through") << "link" << QString();
    QTest::newRow("missing folder is not made") << "nofolder" << qt_error_string(ENOENT);
    QTest::newRow("pipe") << "fifo" << QStringLiteral("not a regular file (devices and pipes are never replaced)");
    QTest::newRow("device") << "device" << QStringLiteral("not a regular file (devices and pipes are never replaced)");
    QTest::newRow("folder") << "folder" << qt_error_string(EISDIR);
    QTest::newRow("link loop") << "loop" << qt_error_string(ELOOP);
}

void AtomicFileTest::replacesOnlyRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Test::TestDir dir;
    QString target = dir.filePath(QStringLiteral("out.jpg"));
    const QByteArray native = NativePath::encode(target);
    QString written = target; // where the data should land
    if (kind == QLatin1String("readonly")) {
        dir.writeFile(QStringLiteral("out.jpg"), "old");
        QVERIFY(::chmod(native.constData(), 0444) == 0);
    } else if (kind == QLatin1String("link")) {
        written = dir.writeFile(QStringLiteral("real.jpg"), "old");
        dir.makeSymlink(QStringLiteral("real.jpg"), QStringLiteral("out.jpg"));
    } else if (kind == QLatin1String("nofolder")) {
        target = dir.filePath(QStringLiteral("missing/deeper/out.jpg"));
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(native.constData(), 0644) == 0);
    } else if (kind == QLatin1String("device")) {
        if (::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs privileges");
    } else if (kind == QLatin1String("folder")) {
        dir.makeDir(QStringLiteral("out.jpg"));
    } else if (kind == QLatin1String("loop")) {
        dir.makeSymlink(QStringLiteral("out.jpg"), QStringLiteral("out.jpg"));
    }
    const mode_t before = typeOf(target);

    const Result<void> r = writeFileAtomically(target, "new");

    QCOMPARE(r.ok() ? QString() : r.error().message, reason);
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot)
                 .filter(QStringLiteral(".duovue")),
        QStringList());
    if (!reason.isEmpty()) {
        QCOMPARE(typeOf(target), before); // nothing replaced, nothing made
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
        return;
    }
    QCOMPARE(contentOf(written), QByteArray("new"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QCOMPARE(typeOf(written) & 07777, kind == QLatin1String("readonly") ? mode_t(0444) : mode_t(0666 & ~mask));
    if (kind == QLatin1String("link"))
        QVERIFY(S_ISLNK(typeOf(target)));
}

void AtomicFileTest::fileSizeLimitLeavesOldFile()
{
    Test::TestDir dir;
    const QString target = dir.writeFile(QStringLiteral("out.jpg"), "old");
    struct rlimit old {
    };
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    // Without the signal ignored the kernel's SIGXFSZ ends this test here.
    const Result<void> r = writeFileAtomically(target, QByteArray(8192, 'x'));
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &old) == 0);

    QVERIFY(!r.ok());
    QCOMPARE(r.error().message, qt_error_string(EFBIG));
    QCOMPARE(contentOf(target), QByteArray("old"));
}

void AtomicFileTest::leftoverTemporariesGo_data()
{
    QTest::addColumn<bool>("byCopy");
    QTest::newRow("an atomic write") << false;
    QTest::newRow("a copy") << true;
}

void AtomicFileTest::leftoverTemporariesGo()
{
    QFETCH(bool, byCopy);
    Test::TestDir dir;
    const QString folder = dir.makeDir(QStringLiteral("dst"));
    for (const char *name : {".duovue-copy-Ab12Cd", ".duovue-write-xY9z8w", ".duovue-copy-toolong1", "keep.jpg"})
        dir.writeFile(QStringLiteral("dst/") + QString::fromLatin1(name), "x");
    dir.makeSymlink(QStringLiteral("keep.jpg"), QStringLiteral("dst/.duovue-copy-Link01"));
    // A temporary file of a run still at work is locked by it.
    const QString busy = dir.writeFile(QStringLiteral("dst/.duovue-copy-Busy01"), "x");
    const int held = ::open(NativePath::encode(busy).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
    TemporaryFile::forgetFolder(NativePath::encode(folder));

    if (byCopy)
        QCOMPARE(FileOperations::copy(dir.writeFile(QStringLiteral("a.jpg"), "a"), folder + QStringLiteral("/a.jpg"))
                     .outcome,
            FileOperations::Outcome::Done);
    else
        QVERIFY(writeFileAtomically(folder + QStringLiteral("/a.jpg"), "a").ok());
    ::close(held);

    QStringList left = QDir(folder).entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot);
    left.sort();
    QCOMPARE(left,
        QStringList({QStringLiteral(".duovue-copy-Busy01"),
            QStringLiteral(".duovue-copy-Link01"),
            QStringLiteral(".duovue-copy-toolong1"),
            QStringLiteral("a.jpg"),
            QStringLiteral("keep.jpg")}));
}

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "atomicfiletest.moc"
