#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "core/fileoperations.h"
#include "core/nativepath.h"
#include "support/fakeshell.h"
#include "support/testdir.h"

using namespace Duovue;
namespace Ops = Duovue::FileOperations;
using Outcome = Ops::Outcome;

Q_DECLARE_METATYPE(Duovue::FileOperations::Outcome)
Q_DECLARE_METATYPE(Duovue::FileOperations::ExistingTarget)

namespace
{

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// Files other than @p keep left in @p folder (temporary copies must never stay behind).
QStringList strays(const QString &folder, const QStringList &keep)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &k : keep)
        names.removeAll(k);
    return names;
}

/// A folder on another file system than @p than, or nothing on a machine that has none at hand.
std::unique_ptr<QTemporaryDir> otherFileSystem(const QString &than)
{
    const auto here = Ops::stamp(than);
    for (const QString &base : {QStringLiteral("/dev/shm"), QStringLiteral("/run/user")}) {
        auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/duovue-test-XXXXXX"));
        const auto there = dir->isValid() ? Ops::stamp(dir->path()) : std::nullopt;
        if (here && there && there->device != here->device)
            return dir;
    }
    return nullptr;
}

} // namespace

class FileOperationsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void transferOutcomes_data();
    void transferOutcomes();
    void failedMoveKeepsExistingTarget_data();
    void failedMoveKeepsExistingTarget();
    void abortedCopyLeavesNothingBehind_data();
    void abortedCopyLeavesNothingBehind();
    void moveAcrossFileSystemsKeepsFile();
    void batchStopsAtAbortAnswer();
    void trashFailureIsReportedWithTheFile();
    void trashChecksWhereFilesWent_data();
    void trashChecksWhereFilesWent();
    void linksMoveThemselves_data();
    void linksMoveThemselves();
    void namesThatAreNotUtf8MoveAndCopy();
    void relativeNamesTouchNothing();
};

void FileOperationsTest::transferOutcomes_data()
{
    QTest::addColumn<bool>("moving");
    QTest::addColumn<QString>("targetFolder"); // relative to the test folder
    QTest::addColumn<QByteArray>("existing"); // content at the target before, empty for none
    QTest::addColumn<Ops::ExistingTarget>("answer");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QByteArray>("targetAfter");
    QTest::addColumn<bool>("sourceAfter");

    const auto replace = Ops::ExistingTarget::Replace;
    const auto skip = Ops::ExistingTarget::Skip;
    QTest::newRow("move") << true << "dst" << QByteArray() << skip << Outcome::Done << QByteArray("new") << false;
    QTest::newRow("move, replace") << true << "dst" << QByteArray("old") << replace << Outcome::Done
                                   << QByteArray("new") << false;
    QTest::newRow("move, keep") << true << "dst" << QByteArray("old") << skip << Outcome::Declined << QByteArray("old")
                                << true;
    QTest::newRow("move into own folder")
        << true << "src" << QByteArray() << replace << Outcome::SameFile << QByteArray("new") << true;
    QTest::newRow("move through a link to own folder")
        << true << "link" << QByteArray() << replace << Outcome::SameFile << QByteArray("new") << true;
    QTest::newRow("copy") << false << "dst" << QByteArray() << skip << Outcome::Done << QByteArray("new") << true;
    QTest::newRow("copy, replace") << false << "dst" << QByteArray("old") << replace << Outcome::Done
                                   << QByteArray("new") << true;
    QTest::newRow("copy, keep") << false << "dst" << QByteArray("old") << skip << Outcome::Declined << QByteArray("old")
                                << true;
    QTest::newRow("copy through a link to own folder")
        << false << "link" << QByteArray() << replace << Outcome::SameFile << QByteArray("new") << true;
}

void FileOperationsTest::transferOutcomes()
{
    QFETCH(bool, moving);
    QFETCH(QString, targetFolder);
    QFETCH(QByteArray, existing);
    QFETCH(Ops::ExistingTarget, answer);
    QFETCH(Outcome, outcome);
    QFETCH(QByteArray, targetAfter);
    QFETCH(bool, sourceAfter);

    Test::TestDir dir;
    const QString source = dir.writeFile(QStringLiteral("src/a.jpg"), "new");
    dir.makeDir(QStringLiteral("dst"));
    dir.makeSymlink(dir.filePath(QStringLiteral("src")), QStringLiteral("link"));
    const QString target = dir.filePath(targetFolder + QStringLiteral("/a.jpg"));
    if (!existing.isEmpty())
        dir.writeFile(targetFolder + QStringLiteral("/a.jpg"), existing);
    const QDateTime modified(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
    dir.setModified(QStringLiteral("src/a.jpg"), modified);

    int asked = 0;
    Ops::Hooks hooks;
    hooks.existingTarget = [&](const QString &, const QString &) {
        ++asked;
        return answer;
    };
    const Ops::Result r = moving ? Ops::move(source, target, hooks) : Ops::copy(source, target, hooks);

    QCOMPARE(r.outcome, outcome);
    QCOMPARE(asked, existing.isEmpty() ? 0 : 1);
    QCOMPARE(contentOf(target), targetAfter);
    QCOMPARE(QFileInfo::exists(source), sourceAfter);
    QCOMPARE(r.sourceGone(), moving && outcome == Outcome::Done);
    if (outcome == Outcome::Done)
        QCOMPARE(QFileInfo(target).lastModified().toUTC(), modified);
    QCOMPARE(strays(dir.filePath(QStringLiteral("dst")), {QStringLiteral("a.jpg")}), QStringList());
}

void FileOperationsTest::failedMoveKeepsExistingTarget_data()
{
    QTest::addColumn<bool>("acrossFileSystems");
    QTest::newRow("same file system") << false;
    QTest::newRow("across file systems") << true;
}

void FileOperationsTest::failedMoveKeepsExistingTarget()
{
    QFETCH(bool, acrossFileSystems);
    Test::TestDir dir;
    std::unique_ptr<QTemporaryDir> other;
    QString folder = dir.makeDir(QStringLiteral("dst"));
    if (acrossFileSystems) {
        other = otherFileSystem(dir.path());
        if (!other)
            QSKIP("no second file system to move across");
        folder = other->path();
    }
    const QString source = dir.writeFile(QStringLiteral("src/a.jpg"), "new");
    const QString target = folder + QStringLiteral("/a.jpg");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }

    // The source goes away while the overwrite question is open, so the move itself fails after
    // the user agreed to replace the target: the target must survive that.
    Test::FakeShell shell;
    shell.answers.enqueue(true);
    Ops::Hooks hooks = Ops::askBeforeReplacing(shell, true);
    auto ask = hooks.existingTarget;
    hooks.existingTarget = [&](const QString &s, const QString &t) {
        QFile::rename(source, dir.filePath(QStringLiteral("src/elsewhere.jpg")));
        return ask(s, t);
    };
    const Ops::Result r = Ops::move(source, target, hooks);
    Ops::reportFailure(shell, r);

    QCOMPARE(r.outcome, Outcome::Failed);
    QCOMPARE(contentOf(target), QByteArray("old"));
    QCOMPARE(shell.callsOf(QStringLiteral("question")).constFirst().text,
        QStringLiteral("a.jpg\r\n\r\n移動先に同名ファイルが存在します。\r\n上書きしますか？"));
    const auto errors = shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.constFirst().text, QStringLiteral("移動に失敗しました。\r\n\r\n") + qt_error_string(ENOENT));
    QCOMPARE(errors.constFirst().caption, source);
    QCOMPARE(strays(folder, {QStringLiteral("a.jpg")}), QStringList());
}

void FileOperationsTest::abortedCopyLeavesNothingBehind_data()
{
    QTest::addColumn<bool>("moving");
    QTest::addColumn<bool>("targetExisted");
    QTest::newRow("copy onto an existing file") << false << true;
    QTest::newRow("copy to a new name") << false << false;
    QTest::newRow("move across file systems onto an existing file") << true << true;
}

void FileOperationsTest::abortedCopyLeavesNothingBehind()
{
    QFETCH(bool, moving);
    QFETCH(bool, targetExisted);
    Test::TestDir dir;
    std::unique_ptr<QTemporaryDir> other;
    QString folder = dir.makeDir(QStringLiteral("dst"));
    if (moving) {
        // Within one file system a move is a rename with no copy to abort.
        other = otherFileSystem(dir.path());
        if (!other)
            QSKIP("no second file system to move across");
        folder = other->path();
    }
    const QByteArray big(3 * 1024 * 1024 + 17, 'x');
    const QString source = dir.writeFile(QStringLiteral("src/a.jpg"), big);
    const QString target = folder + QStringLiteral("/a.jpg");
    if (targetExisted) {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
    }

    int chunks = 0;
    Ops::Hooks hooks;
    hooks.existingTarget = [](const QString &, const QString &) {
        return Ops::ExistingTarget::Replace;
    };
    hooks.progress = [&](const Ops::Progress &p) {
        if (p.bytesDone == 0)
            return true;
        ++chunks;
        return p.bytesDone < p.fileSize / 2;
    };
    const Ops::Result r = moving ? Ops::move(source, target, hooks) : Ops::copy(source, target, hooks);

    QCOMPARE(r.outcome, Outcome::Aborted);
    QVERIFY(chunks >= 1);
    QCOMPARE(contentOf(source), big);
    QCOMPARE(contentOf(target), targetExisted ? QByteArray("old") : QByteArray("<missing>"));
    QCOMPARE(strays(folder, {QStringLiteral("a.jpg")}), QStringList());
}

void FileOperationsTest::moveAcrossFileSystemsKeepsFile()
{
    Test::TestDir dir;
    const auto other = otherFileSystem(dir.path());
    if (!other)
        QSKIP("no second file system to move across");
    const QByteArray content(2 * 1024 * 1024 + 5, 'q');
    const QString source = dir.writeFile(QStringLiteral("a.jpg"), content);
    QVERIFY(QFile::setPermissions(source, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFileDevice::Permissions permissions = QFile::permissions(source);
    const QString target = other->path() + QStringLiteral("/a.jpg");

    const Ops::Result r = Ops::move(source, target);

    QCOMPARE(r.outcome, Outcome::Done);
    QVERIFY(!QFileInfo::exists(source));
    QCOMPARE(contentOf(target), content);
    QCOMPARE(QFile::permissions(target), permissions);
}

void FileOperationsTest::batchStopsAtAbortAnswer()
{
    Test::TestDir dir;
    const QStringList sources{dir.writeFile(QStringLiteral("src/1.jpg"), "1"),
        dir.writeFile(QStringLiteral("src/2.jpg"), "2"),
        dir.writeFile(QStringLiteral("src/3.jpg"), "3")};
    dir.writeFile(QStringLiteral("dst/2.jpg"), "old");
    Ops::Hooks hooks;
    hooks.existingTarget = [](const QString &, const QString &) {
        return Ops::ExistingTarget::Abort;
    };

    const QList<Ops::Result> results = Ops::moveToFolder(sources, dir.filePath(QStringLiteral("dst/")), hooks);

    QCOMPARE(results.size(), 3);
    QCOMPARE(results.at(0).outcome, Outcome::Done);
    QCOMPARE(results.at(0).target, dir.filePath(QStringLiteral("dst/1.jpg")));
    QCOMPARE(results.at(1).outcome, Outcome::Aborted);
    QCOMPARE(results.at(2).outcome, Outcome::Aborted);
    QVERIFY(QFileInfo::exists(sources.at(2)));
    QCOMPARE(contentOf(dir.filePath(QStringLiteral("dst/2.jpg"))), QByteArray("old"));
}

void FileOperationsTest::trashFailureIsReportedWithTheFile()
{
    Test::TestDir dir;
    const QString a = dir.writeFile(QStringLiteral("a.jpg"));
    const QString b = dir.writeFile(QStringLiteral("b.jpg"));
    Test::FakeShell shell;
    shell.trashReallyDeletes = true;
    shell.trashFailures = {b};
    const QList<Ops::Result> results = Ops::trash(shell, {a, b});
    for (const Ops::Result &r : results)
        Ops::reportFailure(shell, r);

    QCOMPARE(results.at(0).outcome, Outcome::Done);
    QVERIFY(results.at(0).sourceGone());
    QCOMPARE(results.at(1).outcome, Outcome::Failed);
    QVERIFY(!results.at(1).sourceGone());
    const auto errors = shell.callsOf(QStringLiteral("error"));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.constFirst().text.startsWith(b));
}

void FileOperationsTest::trashChecksWhereFilesWent_data()
{
    QTest::addColumn<QString>("shell"); // what the shell does with the file
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<bool>("sourceAfter");
    QTest::newRow("into its trash") << "trash" << Outcome::Done << false;
    QTest::newRow("reported trashed, still there") << "nothing" << Outcome::Failed << true;
    QTest::newRow("moved astray, put back") << "astray" << Outcome::Failed << true;
    QTest::newRow("gone before, shell not asked") << "gone" << Outcome::Done << false;
}

void FileOperationsTest::trashChecksWhereFilesWent()
{
    QFETCH(QString, shell);
    QFETCH(Outcome, outcome);
    QFETCH(bool, sourceAfter);
    Test::TestDir dir;
    const QString path = dir.writeFile(QStringLiteral("a.jpg"), "a");
    Test::FakeShell fake;
    fake.trashReallyDeletes = shell == QLatin1String("trash");
    fake.trashMisplaces = shell == QLatin1String("astray");
    if (shell == QLatin1String("gone"))
        QVERIFY(QFile::remove(path));

    const Ops::Result r = Ops::trash(fake, {path}).constFirst();

    QCOMPARE(r.outcome, outcome);
    QCOMPARE(QFileInfo::exists(path), sourceAfter);
    QCOMPARE(fake.callsOf(QStringLiteral("trash")).size(), shell == QLatin1String("gone") ? 0 : 1);
    QCOMPARE(r.reason.isEmpty(), outcome == Outcome::Done);
    if (shell == QLatin1String("trash")) {
        QCOMPARE(r.target, fake.trashFolder() + QStringLiteral("/files/a.jpg"));
        QCOMPARE(r.trashed.infoPath, fake.trashFolder() + QStringLiteral("/info/a.jpg.trashinfo"));
        QCOMPARE(contentOf(r.target), QByteArray("a"));
    }
}

void FileOperationsTest::linksMoveThemselves_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("move") << "move";
    QTest::newRow("move across file systems") << "across";
    QTest::newRow("move over a file") << "replace";
    QTest::newRow("trash") << "trash";
}

void FileOperationsTest::linksMoveThemselves()
{
    QFETCH(QString, operation);
    Test::TestDir dir;
    std::unique_ptr<QTemporaryDir> other;
    QString folder = dir.makeDir(QStringLiteral("dst"));
    if (operation == QLatin1String("across")) {
        other = otherFileSystem(dir.path());
        if (!other)
            QSKIP("no second file system to move across");
        folder = other->path();
    }
    const QString target = dir.writeFile(QStringLiteral("pictures/a.jpg"), "picture");
    const QString link = dir.makeSymlink(target, QStringLiteral("src/link.jpg"));
    if (operation == QLatin1String("replace"))
        dir.writeFile(QStringLiteral("dst/link.jpg"), "old");
    Test::FakeShell shell;
    shell.trashReallyDeletes = true;
    Ops::Hooks hooks;
    hooks.existingTarget = [](const QString &, const QString &) {
        return Ops::ExistingTarget::Replace;
    };

    const Ops::Result r = operation == QLatin1String("trash")
        ? Ops::trash(shell, {link}).constFirst()
        : Ops::move(link, folder + QStringLiteral("/link.jpg"), hooks);

    QCOMPARE(r.outcome, Outcome::Done);
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(r.target).symLinkTarget(), target);
    QCOMPARE(contentOf(target), QByteArray("picture"));
    QCOMPARE(strays(folder, {QStringLiteral("link.jpg")}), QStringList());
}

void FileOperationsTest::namesThatAreNotUtf8MoveAndCopy()
{
    Test::TestDir dir;
    dir.makeDir(QStringLiteral("dst"));
    const QString source = dir.writeNativeFile("\x83\x65\x83\x58.jpg", "sjis");
    const QString target = dir.path() + QStringLiteral("/dst/") + source.mid(source.lastIndexOf(u'/') + 1);
    QCOMPARE(Ops::targetInFolder(source, dir.filePath(QStringLiteral("dst"))), target);

    QCOMPARE(Ops::copy(source, target).outcome, Outcome::Done);
    QCOMPARE(Ops::move(source, target + QStringLiteral("2")).outcome, Outcome::Done);

    QVERIFY(!Ops::stamp(source));
    QCOMPARE(Ops::stamp(target)->size, 4);
    QVERIFY(Ops::stamp(target + QStringLiteral("2")));
}

void FileOperationsTest::relativeNamesTouchNothing()
{
    // A row found missing carries the placeholder as its name and no folder; a file of that name in
    // the working folder is not the row's file.
    Test::TestDir dir;
    const QString name = QStringLiteral("ファイルがありません");
    dir.writeFile(name, "keep");
    dir.makeDir(QStringLiteral("dst"));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    Test::FakeShell shell;
    shell.trashReallyDeletes = true;
    const Ops::Result trashed = Ops::trash(shell, {name}).constFirst();
    const Ops::Result moved = Ops::move(name, dir.filePath(QStringLiteral("dst/x.jpg")));
    const Ops::Result copied = Ops::copy(dir.filePath(name), QStringLiteral("x.jpg"));
    QVERIFY(QDir::setCurrent(previous));

    QVERIFY(trashed.sourceGone()); // the row goes: it names no file
    QVERIFY(shell.callsOf(QStringLiteral("trash")).isEmpty());
    QCOMPARE(moved.outcome, Outcome::Failed);
    QCOMPARE(copied.outcome, Outcome::Failed);
    QCOMPARE(contentOf(dir.filePath(name)), QByteArray("keep"));
    QCOMPARE(strays(dir.path(), {name}), QStringList());
    QCOMPARE(strays(dir.filePath(QStringLiteral("dst")), {}), QStringList());
}

QTEST_GUILESS_MAIN(FileOperationsTest)
#include "fileoperationstest.moc"
