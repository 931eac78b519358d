#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include "core/appsettings.h"
#include "core/settingsstore.h"
#include "support/testdir.h"

using namespace Duovue;

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private:
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void missingFileGivesDefaults()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("none/Duovue.ini")));
        QCOMPARE(store.value(AppSettings::MainPlacement()), 0);
        QCOMPARE(store.value(AppSettings::ShowToolbar()), 1);
        QCOMPARE(store.value(AppSettings::ColumnWidth(1, 4)), 120);
        QCOMPARE(store.value(AppSettings::MainWidth()), 800);
        QCOMPARE(store.value(AppSettings::JpegQuality()), 95);
        QCOMPARE(store.value(AppSettings::SearchPrecision()), 15);
        QCOMPARE(store.value(AppSettings::LastFolder(0)), QDir::homePath());
        QVERIFY(!QFile::exists(store.path())); // reading never creates the file
    }

    void readsLeadingNumber_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-17") << -17;
        QTest::newRow("plus sign") << QByteArray("+5") << 5;
        QTest::newRow("trailing text") << QByteArray("12px") << 12;
        QTest::newRow("not a number") << QByteArray("abc") << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("lone sign") << QByteArray("-") << 0;
        QTest::newRow("overflow saturates") << QByteArray("99999999999") << 2147483647;
    }

    void readsLeadingNumber()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), "[メイン]\n幅=" + value + "\n");
        SettingsStore store(path);
        QCOMPARE(store.readInt(QStringLiteral("メイン"), QStringLiteral("幅"), 800), expected);
    }

    void emptyValueIsNotTheDefault()
    {
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), "[App]\nDir0=\n");
        SettingsStore store(path);
        QCOMPARE(store.value(AppSettings::LastFolder(0)), QString());
        QCOMPARE(store.value(AppSettings::LastFolder(1)), QDir::homePath());
    }

    void japaneseNamesRoundTripInUtf8()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        QVERIFY(store.setValue(AppSettings::ViewerPlacement(), 3).ok());
        QVERIFY(store.setValue(AppSettings::SearchFolder(), QStringLiteral("/home/u/写真")).ok());
        QCOMPARE(store.value(AppSettings::ViewerPlacement()), 3);
        QCOMPARE(store.value(AppSettings::SearchFolder()), QStringLiteral("/home/u/写真"));
        const QByteArray text = readAll(store.path());
        QVERIFY(text.contains(QStringLiteral("[見比べ]\n位置=3\n").toUtf8()));
        QVERIFY(text.contains(QStringLiteral("フォルダ名=/home/u/写真").toUtf8()));
        // Same key name in two sections stays apart.
        QVERIFY(store.setValue(AppSettings::MainPlacement(), 1).ok());
        QCOMPARE(store.value(AppSettings::ViewerPlacement()), 3);
        QCOMPARE(store.value(AppSettings::MainPlacement()), 1);
    }

    void writeKeepsOtherKeysAndComments()
    {
        Test::TestDir dir;
        const QByteArray before = "; written by hand\n[App]\nDir0=/a\nUnknown=keep me\n\n[Other]\nx=1\n";
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), before);
        SettingsStore store(path);
        QVERIFY(store.writeString(QStringLiteral("App"), QStringLiteral("Dir0"), QStringLiteral("/b")).ok());
        QVERIFY(store.writeString(QStringLiteral("App"), QStringLiteral("Dir1"), QStringLiteral("/c")).ok());
        QVERIFY(store.writeInt(QStringLiteral("New"), QStringLiteral("k"), -3).ok());
        QCOMPARE(readAll(path),
            QByteArray("; written by hand\n[App]\nDir0=/b\nUnknown=keep me\nDir1=/c\n\n[Other]\nx=1\n\n[New]\nk=-3\n"));
    }

    void unchangedLinesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        // Shift-JIS: "; コメント", "[設定]", "幅=1" and a folder "C:\写真" as the Windows build wrote them.
        const QByteArray sjisComment = "; \x83\x52\x83\x81\x83\x93\x83\x67";
        const QByteArray sjisSection = "[\x90\xDD\x92\xE8]\n\x95\x9D=1\n";
        const QByteArray sjisFolder = "Dir1=C:\\\x8E\xCA\x90\x5E";
        QTest::newRow("shift-jis comment, section, key and value")
            << QByteArray(sjisComment + "\n[App]\nDir0=/a\n" + sjisFolder + "\n\n" + sjisSection)
            << QByteArray(sjisComment + "\n[App]\nDir0=/b\n" + sjisFolder + "\n\n" + sjisSection
                   + "\n[\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3]\n\xE5\xB9\x85=1024\n");
        QTest::newRow("windows line ends")
            << QByteArray("[App]\r\nDir0=/a\r\n; \x83\x52\r\n")
            << QByteArray("[App]\r\nDir0=/b\r\n; \x83\x52\r\n\r\n[\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3]\r\n"
                          "\xE5\xB9\x85=1024\r\n");
        QTest::newRow("no line end at the end")
            << QByteArray("[\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3]\n\xE5\xB9\x85=800\n[App]\nDir0=/a")
            << QByteArray("[\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xB3]\n\xE5\xB9\x85=1024\n[App]\nDir0=/b");
    }
    void unchangedLinesKeepTheirBytes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), before);
        SettingsStore store(path);
        QVERIFY(store.setValue(AppSettings::LastFolder(0), QStringLiteral("/b")).ok());
        QVERIFY(store.setValue(AppSettings::MainWidth(), 1024).ok());
        QCOMPARE(readAll(path), after);
    }

    void unreadableFileIsNotReplaced()
    {
        // Permissions do not stop root: write from a child process that has given it up.
        Test::TestDir dir;
        const QByteArray before = "[App]\nDir0=/keep\n";
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), before);
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0222) == 0); // writable, not readable
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(77);
            SettingsStore store(path);
            ::_exit(store.setValue(AppSettings::LastFolder(1), QStringLiteral("/new")).ok() ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ::chmod(QFile::encodeName(path).constData(), 0644);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
            QSKIP("cannot give up root here");
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readAll(path), before);
    }

    // DUOVUE_INI may name anything: a FIFO once stalled the start, /dev/zero was read until the
    // memory ran out. Such a "file" reads as defaults and is never replaced.
    void readsOnlyRegularFilesOfSensibleSize_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("device") << QStringLiteral("device");
        QTest::newRow("too long") << QStringLiteral("long");
    }

    void readsOnlyRegularFilesOfSensibleSize()
    {
        QFETCH(QString, kind);
        Test::TestDir dir;
        QString path = dir.filePath(QStringLiteral("Duovue.ini"));
        const QByteArray head = "[App]\nDir0=/kept\n";
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero");
        else
            dir.writeFile(QStringLiteral("Duovue.ini"), head + QByteArray(SettingsStore::MaxFileBytes, ';'));
        SettingsStore store(path);
        QCOMPARE(store.value(AppSettings::LastFolder(0)), AppSettings::LastFolder(0).defaultValue);
        QVERIFY(!store.setValue(AppSettings::LastFolder(0), QStringLiteral("/new")).ok());
        QCOMPARE(QFileInfo(path).size(), kind == QLatin1String("long") ? head.size() + SettingsStore::MaxFileBytes : 0);
    }

    // Only the program's own settings folder is ever made, and privately.
    void makesOnlyItsOwnFolder()
    {
        Test::TestDir dir;
        SettingsStore elsewhere(dir.filePath(QStringLiteral("missing/Duovue.ini")));
        QVERIFY(!elsewhere.writeInt(QStringLiteral("App"), QStringLiteral("X"), 1).ok());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("cfg")).toUtf8());
        SettingsStore own(SettingsStore::defaultPath(dir.filePath(QStringLiteral("bin"))));
        const bool written = own.writeInt(QStringLiteral("App"), QStringLiteral("X"), 1).ok();
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(written);
        QCOMPARE(QFile::permissions(dir.filePath(QStringLiteral("cfg/duovue"))) & 0x7777,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser
                | QFile::ExeUser);
    }

    void readsWindowsLineEndings()
    {
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), "[Con]\r\nSub1=1\r\n");
        SettingsStore store(path);
        QCOMPARE(store.value(AppSettings::IncludeSubfolders(1)), 1);
        QCOMPARE(store.value(AppSettings::IncludeSubfolders(0)), 0);
    }

    void nothingIsCached()
    {
        Test::TestDir dir;
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), "[メイン]\nツール=0\n");
        SettingsStore store(path);
        QCOMPARE(store.value(AppSettings::ShowToolbar()), 0);
        dir.writeFile(QStringLiteral("Duovue.ini"), "[メイン]\nツール=1\n");
        QCOMPARE(store.value(AppSettings::ShowToolbar()), 1);
    }

    void stringIsCappedAtCharacterBoundary()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        // 1365 three-byte characters are 4095 bytes; one more must be cut whole, not in half.
        const QString longValue(1366, QChar(0x5199));
        QVERIFY(store.writeString(QStringLiteral("App"), QStringLiteral("Dir0"), longValue).ok());
        const QString read = store.readString(QStringLiteral("App"), QStringLiteral("Dir0"), QString());
        QCOMPARE(read.size(), 1365);
        QCOMPARE(read.toUtf8().size(), 4095);
    }

    void lineBreakInValueCannotInjectKeys()
    {
        Test::TestDir dir;
        SettingsStore store(dir.filePath(QStringLiteral("Duovue.ini")));
        QVERIFY(store.writeString(QStringLiteral("App"), QStringLiteral("Dir0"), QStringLiteral("/x\n[メイン]\n位置=5"))
                    .ok());
        QCOMPARE(store.value(AppSettings::MainPlacement()), 0);
    }

    void failedWriteLeavesOldFileWhole()
    {
        Test::TestDir dir;
        QByteArray before = "[App]\nDir0=/keep\n";
        before += "; " + QByteArray(200, 'x') + '\n';
        const QString path = dir.writeFile(QStringLiteral("Duovue.ini"), before);
        SettingsStore store(path);

        // Limit the size of files this process may write below the settings file's size, so the
        // write of the new text fails for real (this works for root too, unlike permissions).
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit tiny = old;
        tiny.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const Result<void> r = store.writeString(QStringLiteral("App"), QStringLiteral("Dir0"), QStringLiteral("/new"));
        setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!r.ok());
        QCOMPARE(readAll(path), before);
        QCOMPARE(store.value(AppSettings::LastFolder(0)), QStringLiteral("/keep"));
        const QStringList leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(leftovers, QStringList{QStringLiteral("Duovue.ini")});
    }

    void defaultPathPrefersEnvironmentThenPortableFile()
    {
        Test::TestDir dir;
        qputenv("DUOVUE_INI", "/tmp/elsewhere.ini");
        QCOMPARE(SettingsStore::defaultPath(dir.path()), QStringLiteral("/tmp/elsewhere.ini"));
        qunsetenv("DUOVUE_INI");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("cfg")).toUtf8());
        QCOMPARE(SettingsStore::defaultPath(dir.path()), dir.filePath(QStringLiteral("cfg/duovue/Duovue.ini")));
        const QString portable = dir.writeFile(QStringLiteral("Duovue.ini"));
        QCOMPARE(SettingsStore::defaultPath(dir.path()), portable);
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "settingsstoretest.moc"
