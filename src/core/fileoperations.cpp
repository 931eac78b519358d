#include "core/fileoperations.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include "core/nativepath.h"
#include "core/shellservices.h"
#include "core/temporaryfile.h"
#include "core/userprompts.h"

namespace Duovue::FileOperations
{

namespace
{

constexpr qint64 CopyChunk = qint64(1) << 20;

QByteArray native(const QString &path)
{
    return NativePath::encode(path);
}

QString systemReason(int error)
{
    return qt_error_string(error);
}

std::optional<struct stat> statPath(const QString &path, bool followLinks)
{
    struct stat st {
    };
    const QByteArray name = native(path);
    const int rc = followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st);
    if (rc != 0)
        return std::nullopt;
    return st;
}

FileStamp stampOf(const struct stat &st)
{
    FileStamp s;
    s.device = quint64(st.st_dev);
    s.inode = quint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

/// Closes a descriptor once; the last close's result is checked where it matters.
class Fd
{
public:
    explicit Fd(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool isAbsolute(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

void syncFolder(const QString &folder)
{
    // Makes the rename itself durable; a folder that cannot be opened or synced (some network file
    // systems) still holds the renamed file, so this is best effort.
    Fd fd(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

/// Renames @p from to @p to; over an existing @p to only when @p replace. Returns 0 or an errno.
int renameFile(const QString &from, const QString &to, bool replace)
{
    const QByteArray a = native(from);
    const QByteArray b = native(to);
    if (replace)
        return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
    // Without the user's consent nothing may be replaced, not even a file that appeared after the
    // question was (not) asked.
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS)
        return error;
    // The file system cannot refuse to replace: check, then rename, which leaves only a short race.
    if (statPath(to, false))
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

/// Copies the regular file @p source into a new temporary file in @p folder, complete, with the
/// source's permissions and times, flushed to disk. Returns the temporary path, or sets @p error
/// (an errno, or ECANCELED when the progress hook aborted) and leaves nothing behind.
QString copyToTemporary(const QString &source, const QString &folder, const Hooks &hooks, Progress progress, int &error)
{
    Fd in(::open(native(source).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    struct stat st {
    };
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        error = errno;
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
        return {};
    }
    const TemporaryFile::Created created = TemporaryFile::create(
        native(folder == QLatin1String("/") ? QString() : folder), TemporaryFile::Kind::Copy, 0600);
    Fd out(created.fd);
    if (out.get() < 0) {
        error = created.error;
        return {};
    }
    const QByteArray &name = created.path;
    const QString temporary = NativePath::decode(name);
    auto fail = [&](int e) {
        error = e;
        out.close();
        ::unlink(name.constData());
        return QString();
    };

    progress.fileSize = qint64(st.st_size);
    std::vector<char> buffer(CopyChunk);
    qint64 copied = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(out.get(), buffer.data() + written, size_t(n - written));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return fail(errno);
            }
            written += w;
        }
        copied += n;
        progress.bytesDone = copied;
        if (hooks.progress && !hooks.progress(progress))
            return fail(ECANCELED);
    }
    // A file that changed length while it was read is not a faithful copy.
    if (copied != qint64(st.st_size))
        return fail(EIO);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::fchmod(out.get(), st.st_mode & 07777) != 0 || ::futimens(out.get(), times) != 0)
        return fail(errno);
    if (::fsync(out.get()) != 0)
        return fail(errno);
    if (!out.close())
        return fail(errno);
    return temporary;
}

/// The checks every move and copy makes before it touches anything: a readable regular source (or,
/// for a move, a symbolic link, which moves itself), a target that is not the source itself, and
/// the caller's consent to replace an existing target. Returns true when the operation may go on;
/// otherwise @p result holds the outcome. @p link tells that the source is a link to move as such.
bool checkTarget(Result &result, const Hooks &hooks, bool &replace, qint64 &size, bool &link)
{
    auto fail = [&](int error) {
        result.outcome = Outcome::Failed;
        result.reason = systemReason(error);
        return false;
    };
    // A relative path would be resolved against the working folder and reach a file nobody chose.
    if (!isAbsolute(result.source) || !isAbsolute(result.target))
        return fail(ENOENT);
    const std::optional<struct stat> own = statPath(result.source, false);
    if (!own)
        return fail(errno);
    link = result.kind == Kind::Move && S_ISLNK(own->st_mode);
    // What the link leads to, when anything: a target that is that file is no place for the link.
    const std::optional<struct stat> source = statPath(result.source, true);
    if (!link) {
        if (!source)
            return fail(errno);
        if (!S_ISREG(source->st_mode))
            return fail(EINVAL);
    }
    size = link ? 0 : qint64(source->st_size);
    replace = false;
    const std::optional<struct stat> targetOwn = statPath(result.target, false);
    if (!targetOwn)
        return true;
    result.targetExisted = true;
    // Identity, not path text: a folder reached through a link or a second mount, or a hard link,
    // is the same file, and a rename onto itself would report success while changing nothing.
    const std::optional<struct stat> target = statPath(result.target, true);
    if (stampOf(*targetOwn).sameFile(stampOf(*own))
        || (target && source && stampOf(*target).sameFile(stampOf(*source)))) {
        result.outcome = Outcome::SameFile;
        return false;
    }
    if (target && S_ISDIR(target->st_mode)) {
        result.outcome = Outcome::ReplaceFailed;
        result.reason = systemReason(EISDIR);
        return false;
    }
    const ExistingTarget answer =
        hooks.existingTarget ? hooks.existingTarget(result.source, result.target) : ExistingTarget::Skip;
    if (answer == ExistingTarget::Skip) {
        result.outcome = Outcome::Declined;
        return false;
    }
    if (answer == ExistingTarget::Abort) {
        result.outcome = Outcome::Aborted;
        return false;
    }
    replace = true;
    return true;
}

/// Makes, at @p target on another file system, a symbolic link with the same contents as the link
/// @p source. Returns 0 or an errno.
int copyLink(const QString &source, const QString &target, bool replace)
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(native(source).constData(), buffer, sizeof buffer);
    if (n < 0)
        return errno;
    if (n == ssize_t(sizeof buffer))
        return ENAMETOOLONG;
    const QByteArray contents(buffer, n);
    const QByteArray to = native(target);
    if (!replace)
        return ::symlink(contents.constData(), to.constData()) == 0 ? 0 : errno;
    // Over an existing file: a new link under a passing name, then one rename.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray passing = native(folderOf(target)) + "/.duovue-link-" + QByteArray::number(::getpid()) + '-'
            + QByteArray::number(attempt);
        if (::symlink(contents.constData(), passing.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        if (::rename(passing.constData(), to.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(passing.constData());
        return error;
    }
    return EEXIST;
}

Result transfer(Kind kind, const QString &source, const QString &target, const Hooks &hooks, Progress progress)
{
    Result result;
    result.kind = kind;
    result.source = source;
    result.target = target;
    bool replace = false;
    bool link = false;
    if (!checkTarget(result, hooks, replace, progress.fileSize, link))
        return result;
    if (hooks.progress && !hooks.progress(progress)) {
        result.outcome = Outcome::Aborted;
        return result;
    }

    if (kind == Kind::Move) {
        const int error = renameFile(source, target, replace);
        if (error == 0) {
            syncFolder(folderOf(target));
            result.outcome = Outcome::Done;
            return result;
        }
        if (error != EXDEV) {
            result.outcome = Outcome::Failed;
            result.reason = systemReason(error);
            return result;
        }
        if (link) {
            if (const int linkError = copyLink(source, target, replace)) {
                result.outcome = linkError == EEXIST ? Outcome::Declined : Outcome::Failed;
                result.reason = systemReason(linkError);
                return result;
            }
            syncFolder(folderOf(target));
            result.outcome = Outcome::Done;
            if (::unlink(native(source).constData()) != 0) {
                result.outcome = Outcome::SourceKept;
                result.reason = systemReason(errno);
            }
            return result;
        }
    }

    // A copy, or a move to another file system: the new file is complete and on disk before it
    // takes the target's name, so the old target survives every failure up to that rename.
    int error = 0;
    const QString temporary = copyToTemporary(source, folderOf(target), hooks, progress, error);
    if (temporary.isEmpty()) {
        result.outcome = error == ECANCELED ? Outcome::Aborted : Outcome::Failed;
        result.reason = systemReason(error);
        return result;
    }
    error = renameFile(temporary, target, replace);
    if (error != 0) {
        ::unlink(native(temporary).constData());
        result.outcome = Outcome::Failed;
        result.reason = systemReason(error);
        return result;
    }
    syncFolder(folderOf(target));
    result.outcome = Outcome::Done;
    if (kind == Kind::Move && ::unlink(native(source).constData()) != 0) {
        result.outcome = Outcome::SourceKept;
        result.reason = systemReason(errno);
    }
    return result;
}

QList<Result> transferAll(Kind kind, const QStringList &sources, const QString &folder, const Hooks &hooks)
{
    QList<Result> results;
    results.reserve(sources.size());
    bool aborted = false;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString target = targetInFolder(sources.at(i), folder);
        if (aborted) {
            Result skipped;
            skipped.kind = kind;
            skipped.source = sources.at(i);
            skipped.target = target;
            skipped.outcome = Outcome::Aborted;
            results.append(skipped);
            continue;
        }
        Progress progress;
        progress.fileIndex = i;
        progress.fileCount = sources.size();
        results.append(transfer(kind, sources.at(i), target, hooks, progress));
        aborted = results.constLast().outcome == Outcome::Aborted;
    }
    return results;
}

} // namespace

std::optional<FileStamp> stamp(const QString &path)
{
    const std::optional<struct stat> st = statPath(path, true);
    if (!st)
        return std::nullopt;
    return stampOf(*st);
}

Result move(const QString &source, const QString &target, const Hooks &hooks)
{
    return transfer(Kind::Move, source, target, hooks, Progress());
}

Result copy(const QString &source, const QString &target, const Hooks &hooks)
{
    return transfer(Kind::Copy, source, target, hooks, Progress());
}

QList<Result> moveToFolder(const QStringList &sources, const QString &folder, const Hooks &hooks)
{
    return transferAll(Kind::Move, sources, folder, hooks);
}

QList<Result> copyToFolder(const QStringList &sources, const QString &folder, const Hooks &hooks)
{
    return transferAll(Kind::Copy, sources, folder, hooks);
}

QList<Result> trash(ShellServices &shell, const QStringList &paths)
{
    QList<Result> results;
    results.reserve(paths.size());
    QStringList files;
    for (const QString &path : paths) {
        Result r;
        r.kind = Kind::Trash;
        r.source = path;
        r.outcome = Outcome::Done;
        // A row whose file was found missing holds only the placeholder name, no folder: it names no
        // file, so nothing goes to the shell (which would resolve it against the working folder).
        // Nor does a path where nothing is any more: its row can go.
        if (isAbsolute(path)) {
            if (statPath(path, false)) {
                r.outcome = Outcome::Failed;
                files.append(path);
            } else if (errno != ENOENT) {
                r.outcome = Outcome::Failed;
                r.reason = systemReason(errno);
            }
        }
        results.append(r);
    }
    if (files.isEmpty())
        return results;

    const QList<::Duovue::Result<TrashEntry>> trashed = shell.moveToTrash(files);
    qsizetype next = 0;
    for (Result &r : results) {
        if (r.outcome != Outcome::Failed || !r.reason.isEmpty())
            continue;
        const qsizetype index = next++;
        if (index >= trashed.size()) {
            r.reason = systemReason(EIO);
            continue;
        }
        const ::Duovue::Result<TrashEntry> &answer = trashed.at(index);
        if (!answer) {
            r.reason = answer.error().message;
            continue;
        }
        const TrashEntry &entry = answer.value();
        const bool stayed = statPath(r.source, false).has_value();
        const bool landed = !entry.filesPath.isEmpty() && statPath(entry.filesPath, false).has_value();
        if (!stayed && landed && Trash::isTrashEntry(entry)) {
            r.outcome = Outcome::Done;
            r.target = entry.filesPath;
            r.trashed = entry;
            continue;
        }
        if (stayed) {
            r.reason = QCoreApplication::translate("FileOperations", "ゴミ箱へ移動されませんでした。");
            continue;
        }
        // The shell moved the file, but not into a trash (Qt 6.4 may put it in "files/" under the
        // working folder and report success): back it goes, with its stray info file.
        if (landed && renameFile(entry.filesPath, r.source, false) == 0) {
            if (entry.infoPath.endsWith(QLatin1String(".trashinfo")))
                ::unlink(native(entry.infoPath).constData());
            r.reason =
                QCoreApplication::translate("FileOperations", "ゴミ箱ではない場所へ移動されたため、元に戻しました。");
        } else {
            r.reason =
                QCoreApplication::translate("FileOperations", "ゴミ箱ではない場所へ移動され、元に戻せませんでした: %1")
                    .arg(NativePath::display(entry.filesPath));
        }
    }
    return results;
}

QString targetInFolder(const QString &source, const QString &folder)
{
    QString base = folder;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QLatin1Char('/') + source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
}

Hooks askBeforeReplacing(UserPrompts &prompts, bool moving)
{
    Hooks hooks;
    hooks.existingTarget = [&prompts, moving](const QString &, const QString &target) {
        const QString text = NativePath::display(target.mid(target.lastIndexOf(QLatin1Char('/')) + 1))
            + (moving ? QStringLiteral("\r\n\r\n移動先に同名ファイルが存在します。\r\n上書きしますか？")
                      : QStringLiteral("\r\n\r\nコピー先に同名ファイルが存在します。\r\n上書きしますか？"));
        return prompts.question(text, Captions::confirm()) ? ExistingTarget::Replace : ExistingTarget::Skip;
    };
    return hooks;
}

void reportFailure(UserPrompts &prompts, const Result &result)
{
    const bool moving = result.kind == Kind::Move;
    const QString source = NativePath::display(result.source);
    // The system's reason follows the program's message: a full disk or a link loop reads as such.
    const QString reason = result.reason.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + result.reason;
    switch (result.outcome) {
    case Outcome::Done:
    case Outcome::Declined:
    case Outcome::Aborted:
        return;
    case Outcome::SameFile:
        prompts.error(
            moving ? QStringLiteral("移動元と移動先が同じです。") : QStringLiteral("コピー元とコピー先が同じです。"),
            NativePath::display(result.target));
        return;
    case Outcome::ReplaceFailed:
        prompts.error(QStringLiteral("上書きに失敗しました。") + reason, source);
        return;
    case Outcome::SourceKept:
        prompts.error(
            QStringLiteral("移動先へコピーしましたが、移動元のファイルを削除できませんでした。") + reason, source);
        return;
    case Outcome::Failed:
        break;
    }
    switch (result.kind) {
    case Kind::Trash:
        prompts.error(source + QStringLiteral("\r\n\r\nゴミ箱へ移動できませんでした。") + reason, Captions::error());
        break;
    case Kind::Move:
        prompts.error(QStringLiteral("移動に失敗しました。") + reason, source);
        break;
    case Kind::Copy:
        prompts.error(QStringLiteral("コピーに失敗しました。") + reason, source);
        break;
    }
}

} // namespace Duovue::FileOperations
