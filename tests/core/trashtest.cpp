#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTest>

#include "core/nativepath.h"
#include "core/trash.h"
#include "support/testdir.h"

using namespace Duovue;

namespace
{

QByteArray contentOf(const QString &path)
{
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    QByteArray data(4096, Qt::Uninitialized);
    const ssize_t n = fd >= 0 ? ::read(fd, data.data(), size_t(data.size())) : -1;
    if (fd >= 0)
        ::close(fd);
    return n < 0 ? QByteArray("<missing>") : data.left(n);
}

bool present(const QString &path)
{
    struct stat st {
    };
    return ::lstat(NativePath::encode(path).constData(), &st) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat st {
    };
    return ::lstat(NativePath::encode(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

// The real trash under a home of its own, as a fresh account has it: no ~/.local at all, and the
// program started in a working folder elsewhere.
class TrashTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<Test::TestDir>();
        m_work = std::make_unique<Test::TestDir>();
        m_oldHome = qgetenv("HOME");
        m_oldData = qgetenv("XDG_DATA_HOME");
        m_oldWork = QDir::currentPath();
        qputenv("HOME", NativePath::encode(m_home->path()));
        qputenv("XDG_DATA_HOME", ""); // empty counts as unset
        QVERIFY(QDir::setCurrent(m_work->path()));
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldWork);
        qputenv("HOME", m_oldHome);
        if (m_oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldData);
        m_home.reset();
        m_work.reset();
    }

    void trashesIntoTheHomeTrash_data();
    void trashesIntoTheHomeTrash();
    void clashingNamesGetTheirOwnEntries();
    void recognisesTrashFolders_data();
    void recognisesTrashFolders();

private:
    std::unique_ptr<Test::TestDir> m_home;
    std::unique_ptr<Test::TestDir> m_work;
    QByteArray m_oldHome;
    QByteArray m_oldData;
    QString m_oldWork;
};

void TrashTest::trashesIntoTheHomeTrash_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("link");
    QTest::addColumn<QByteArray>("recorded"); // the Path key's value after the files' folder
    QTest::newRow("plain") << QByteArray("a b.jpg") << false << QByteArray("/a%20b.jpg");
    QTest::newRow("Shift-JIS name") << QByteArray("\x83\x65\x83\x58\x83\x67.jpg") << false
                                    << QByteArray("/%83e%83X%83g.jpg");
    QTest::newRow("symbolic link itself") << QByteArray("link.jpg") << true << QByteArray("/link.jpg");
}

void TrashTest::trashesIntoTheHomeTrash()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, link);
    QFETCH(QByteArray, recorded);
    Test::TestDir files;
    const QString target = files.writeFile(QStringLiteral("target.jpg"), "picture");
    const QString path =
        link ? files.makeSymlink(target, QString::fromUtf8(name)) : files.writeNativeFile(name, "picture");

    const Result<TrashEntry> entry = Trash::moveToTrash(path);

    QVERIFY2(entry.ok(), entry.ok() ? "" : qPrintable(entry.error().message));
    const QString trash = m_home->path() + QStringLiteral("/.local/share/Trash");
    QCOMPARE(entry.value().originalPath, path);
    QCOMPARE(entry.value().filesPath, trash + QStringLiteral("/files/") + NativePath::decode(name));
    QCOMPARE(entry.value().infoPath,
        trash + QStringLiteral("/info/") + NativePath::decode(name) + QStringLiteral(".trashinfo"));
    QVERIFY(Trash::isTrashEntry(entry.value()));
    QVERIFY(!present(path));
    QVERIFY(present(entry.value().filesPath));
    QCOMPARE(contentOf(target), QByteArray("picture")); // a link's file stays where it was
    for (const QString &made :
        QStringList{m_home->path() + QStringLiteral("/.local"), trash, trash + QStringLiteral("/files")})
        QCOMPARE(modeOf(made), mode_t(0700));
    const QList<QByteArray> info = contentOf(entry.value().infoPath).split('\n');
    QCOMPARE(info.value(0), QByteArray("[Trash Info]"));
    QCOMPARE(info.value(1), "Path=" + NativePath::encode(files.path()).toPercentEncoding("/") + recorded);
    QVERIFY(info.value(2).startsWith(
        QByteArray("DeletionDate=" + QDate::currentDate().toString(Qt::ISODate).toLatin1() + 'T')));
    // Nothing lands in the working folder (as it did with Qt's trash on such an account).
    QCOMPARE(QDir(m_work->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    QVERIFY(Trash::restore(entry.value()).ok());
    QVERIFY(present(path));
    QVERIFY(!present(entry.value().infoPath));
}

void TrashTest::clashingNamesGetTheirOwnEntries()
{
    Test::TestDir files;
    const Result<TrashEntry> first = Trash::moveToTrash(files.writeFile(QStringLiteral("a.jpg"), "1"));
    const Result<TrashEntry> second = Trash::moveToTrash(files.writeFile(QStringLiteral("a.jpg"), "2"));
    QVERIFY(first.ok() && second.ok());
    QVERIFY(first.value().filesPath.endsWith(QStringLiteral("/files/a.jpg")));
    QVERIFY(second.value().filesPath.endsWith(QStringLiteral("/files/a 2.jpg")));
    QCOMPARE(contentOf(first.value().filesPath), QByteArray("1"));
    QCOMPARE(contentOf(second.value().filesPath), QByteArray("2"));
    // Restoring over a file that took the old place meanwhile is refused.
    files.writeFile(QStringLiteral("a.jpg"), "3");
    QVERIFY(!Trash::restore(first.value()).ok());
    QCOMPARE(contentOf(files.filePath(QStringLiteral("a.jpg"))), QByteArray("3"));
}

void TrashTest::recognisesTrashFolders_data()
{
    const QString uid = QString::number(::getuid());
    QTest::addColumn<QString>("trash");
    QTest::addColumn<bool>("isTrash");
    QTest::newRow("home trash") << QString() << true;
    QTest::newRow("own trash of a mount") << QStringLiteral("/media/usb/.Trash-") + uid << true;
    QTest::newRow("shared trash of a mount") << QStringLiteral("/media/usb/.Trash/") + uid << true;
    QTest::newRow("another user's") << QStringLiteral("/media/usb/.Trash-") + uid + QStringLiteral("9") << false;
    QTest::newRow("working folder") << QStringLiteral("/home/u/work") << false;
    QTest::newRow("relative") << QStringLiteral(".Trash-") + uid << false;
}

void TrashTest::recognisesTrashFolders()
{
    QFETCH(QString, trash);
    QFETCH(bool, isTrash);
    if (trash.isEmpty())
        trash = Trash::homeTrash();
    const TrashEntry entry{QStringLiteral("/p/a.jpg"),
        trash + QStringLiteral("/files/a.jpg"),
        trash + QStringLiteral("/info/a.jpg.trashinfo")};
    QCOMPARE(Trash::isTrashEntry(entry), isTrash);
    TrashEntry mismatched = entry;
    mismatched.infoPath = trash + QStringLiteral("/info/b.jpg.trashinfo");
    QVERIFY(!Trash::isTrashEntry(mismatched));
}

QTEST_GUILESS_MAIN(TrashTest)
#include "trashtest.moc"
