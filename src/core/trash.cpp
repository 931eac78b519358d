#include "core/trash.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>

#include "core/atomicfile.h"
#include "core/fileoperations.h"
#include "core/nativepath.h"

namespace Duovue::Trash
{

namespace
{

constexpr int MaxNameTries = 10000;

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray uidText()
{
    return QByteArray::number(::getuid());
}

/// Makes @p folder (its parent must exist) private to the user when it is missing, and checks that
/// it is a folder of the user's that no link stands in for.
int ownFolder(const QByteArray &folder)
{
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat st {
    };
    if (::lstat(folder.constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    return st.st_uid == ::getuid() ? 0 : EACCES;
}

/// Makes the trash folder @p trash with its files/ and info/ folders (0700 where new).
int makeTrash(const QByteArray &trash)
{
    for (const QByteArray &folder : {trash, QByteArray(trash + "/files"), QByteArray(trash + "/info")}) {
        if (const int error = ownFolder(folder))
            return error;
    }
    return 0;
}

/// Percent-encodes @p path for the info file's Path key; "/" and the unreserved characters stay.
QByteArray encodePath(const QByteArray &path)
{
    return path.toPercentEncoding("/");
}

/// NAME, then "NAME 2.ext", "NAME 3.ext", ...: the number goes before the extension, so that the
/// trash shows the file's type.
QByteArray candidateName(const QByteArray &name, int n)
{
    if (n == 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype cut = dot > 0 ? dot : name.size();
    return name.left(cut) + ' ' + QByteArray::number(n) + name.mid(cut);
}

/// The device of @p path or of its nearest existing ancestor.
dev_t deviceOfNearest(QByteArray path)
{
    struct stat st {
    };
    while (::stat(path.constData(), &st) != 0) {
        if (path == "/" || path.isEmpty())
            return 0;
        path = folderOf(path);
    }
    return st.st_dev;
}

/// The mount point of the file system that holds the folder @p folder (already resolved).
QByteArray mountPointOf(const QByteArray &folder, dev_t device)
{
    QByteArray top = folder;
    while (top != "/") {
        const QByteArray up = folderOf(top);
        struct stat st {
        };
        if (::stat(up.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = up;
    }
    return top;
}

/// TOPDIR/.Trash/UID when the administrator made TOPDIR/.Trash for it, else TOPDIR/.Trash-UID;
/// empty when neither can be used.
QByteArray topTrash(const QByteArray &top)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray shared = base + "/.Trash";
    struct stat st {
    };
    // A link or a folder without the sticky bit could let another user take the files.
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QByteArray trash = shared + '/' + uidText();
        if (makeTrash(trash) == 0)
            return trash;
    }
    const QByteArray own = base + "/.Trash-" + uidText();
    return makeTrash(own) == 0 ? own : QByteArray();
}

/// Moves @p source into @p trash under a free name, recording @p recorded as its path. A rename
/// across file systems fails (its errno in @p renameError) unless @p allowCopy.
Result<TrashEntry> moveIntoTrash(const QByteArray &source,
    const QByteArray &trash,
    const QByteArray &recorded,
    bool allowCopy,
    int *renameError = nullptr)
{
    if (const int error = makeTrash(trash))
        return systemError(error);
    const QByteArray info = QByteArray("[Trash Info]\nPath=") + encodePath(recorded) + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
    const QByteArray name = nameOf(source);
    for (int n = 1; n <= MaxNameTries; ++n) {
        const QByteArray entryName = candidateName(name, n);
        const QByteArray infoPath = trash + "/info/" + entryName + ".trashinfo";
        const QByteArray filesPath = trash + "/files/" + entryName;
        // The info file claims the name; whoever creates it first owns the entry.
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return systemError(errno);
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == ssize_t(info.size());
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(infoPath.constData());
            return systemError(written ? errno : writeError);
        }
        struct stat st {
        };
        if (::lstat(filesPath.constData(), &st) == 0) {
            ::unlink(infoPath.constData()); // a file without its info file holds the name
            continue;
        }
        int error = 0;
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, filesPath.constData(), RENAME_NOREPLACE) != 0) {
            error = errno;
            if (error == EINVAL || error == ENOSYS)
                error = ::rename(source.constData(), filesPath.constData()) == 0 ? 0 : errno;
        }
        if (error == EXDEV && allowCopy) {
            const FileOperations::Result moved =
                FileOperations::move(NativePath::decode(source), NativePath::decode(filesPath));
            if (moved.outcome == FileOperations::Outcome::Done)
                error = 0;
            else if (moved.outcome == FileOperations::Outcome::Declined)
                error = EEXIST;
            else {
                // A copy whose source could not be removed (a read-only disk) is no trashing.
                if (moved.outcome == FileOperations::Outcome::SourceKept)
                    ::unlink(filesPath.constData());
                ::unlink(infoPath.constData());
                return Error{Error::Code::Other, moved.reason.isEmpty() ? qt_error_string(EIO) : moved.reason};
            }
        }
        if (error == EEXIST) {
            ::unlink(infoPath.constData());
            continue;
        }
        if (error != 0) {
            ::unlink(infoPath.constData());
            if (renameError)
                *renameError = error;
            return systemError(error);
        }
        return TrashEntry{NativePath::decode(source.startsWith('/') ? source : recorded),
            NativePath::decode(filesPath),
            NativePath::decode(infoPath)};
    }
    return systemError(EEXIST);
}

QByteArray homeFolder()
{
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return home;
    const passwd *pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray();
}

QByteArray homeTrashNative()
{
    // An empty or relative XDG_DATA_HOME counts as unset, as the base directory rules say.
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (!data.startsWith('/'))
        data = homeFolder() + "/.local/share";
    return data + "/Trash";
}

} // namespace

QString homeTrash()
{
    return NativePath::decode(homeTrashNative());
}

Result<TrashEntry> moveToTrash(const QString &path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return systemError(ENOENT);
    const QByteArray source = NativePath::encode(path);
    struct stat st {
    };
    if (::lstat(source.constData(), &st) != 0)
        return systemError(errno);

    const QByteArray home = homeTrashNative();
    if (deviceOfNearest(home) == st.st_dev) {
        // A fresh account has no ~/.local/share yet.
        if (const Result<void> made = makeOwnFolder(NativePath::decode(folderOf(home))); !made)
            return made.error();
        int renameError = 0;
        Result<TrashEntry> entry = moveIntoTrash(source, home, source, false, &renameError);
        // The same device under another mount (a bind mount) cannot be renamed across either; the
        // file then goes to the trash of its own mount.
        if (entry || renameError != EXDEV)
            return entry;
    }

    // The folder's real path: the mount point is found by walking up from it.
    char resolved[PATH_MAX];
    if (!::realpath(folderOf(source).constData(), resolved))
        return systemError(errno);
    const QByteArray folder(resolved);
    const QByteArray top = mountPointOf(folder, st.st_dev);
    const QByteArray trash = topTrash(top);
    if (!trash.isEmpty()) {
        // Paths in a trash of another file system are relative to its top, so that they still hold
        // when the disk is mounted elsewhere.
        const QByteArray full = (folder == "/" ? QByteArray() : folder) + '/' + nameOf(source);
        const QByteArray recorded = top == "/" ? full.mid(1) : full.mid(top.size() + 1);
        Result<TrashEntry> entry = moveIntoTrash(source, trash, recorded, false);
        if (entry)
            entry.value().originalPath = NativePath::decode(full);
        return entry;
    }
    if (const Result<void> made = makeOwnFolder(NativePath::decode(folderOf(home))); !made)
        return made.error();
    return moveIntoTrash(source, home, source, true);
}

Result<TrashEntry> moveInto(const QString &path, const QString &trashFolder, const QString &recordedPath)
{
    Result<TrashEntry> entry = moveIntoTrash(
        NativePath::encode(path), NativePath::encode(trashFolder), NativePath::encode(recordedPath), false);
    if (entry)
        entry.value().originalPath = path;
    return entry;
}

Result<void> restore(const TrashEntry &entry)
{
    const FileOperations::Result moved = FileOperations::move(entry.filesPath, entry.originalPath);
    if (moved.outcome != FileOperations::Outcome::Done) {
        if (moved.outcome == FileOperations::Outcome::Declined)
            return systemError(EEXIST);
        return Error{Error::Code::Other, moved.reason.isEmpty() ? qt_error_string(EIO) : moved.reason};
    }
    if (::unlink(NativePath::encode(entry.infoPath).constData()) != 0)
        return systemError(errno);
    return {};
}

bool isTrashEntry(const TrashEntry &entry)
{
    const QByteArray files = NativePath::encode(entry.filesPath);
    const QByteArray info = NativePath::encode(entry.infoPath);
    const QByteArray filesFolder = folderOf(files);
    const QByteArray trash = folderOf(filesFolder);
    const QByteArray name = nameOf(files);
    if (!trash.startsWith('/') || nameOf(filesFolder) != "files" || name.isEmpty() || name == "." || name == ".."
        || info != trash + "/info/" + name + ".trashinfo")
        return false;
    const QByteArray trashName = nameOf(trash);
    return trash == homeTrashNative() || trashName == ".Trash-" + uidText()
        || (trashName == uidText() && nameOf(folderOf(trash)) == ".Trash");
}

} // namespace Duovue::Trash
