#include "core/atomicfile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/nativepath.h"
#include "core/temporaryfile.h"

namespace Duovue
{

namespace
{

constexpr int MaxLinkHops = 40; // as the kernel's own limit, after which it reports ELOOP

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : path.left(slash);
}

/// Follows @p path while it names a symbolic link, to the file a write through it reaches. Returns
/// 0 or an errno; @p exists tells whether anything is at the end (@p st then describes it).
int followLinks(QByteArray &path, struct stat &st, bool &exists)
{
    for (int hops = 0;; ++hops) {
        if (::lstat(path.constData(), &st) != 0) {
            exists = false;
            return errno == ENOENT ? 0 : errno;
        }
        exists = true;
        if (!S_ISLNK(st.st_mode))
            return 0;
        if (hops == MaxLinkHops)
            return ELOOP;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n < 0)
            return errno;
        if (n == ssize_t(sizeof buffer))
            return ENAMETOOLONG;
        const QByteArray target(buffer, n);
        path = target.startsWith('/') || !path.contains('/') ? target : folderOf(path) + '/' + target;
    }
}

int writeAll(int fd, const QByteArray &data)
{
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        written += n;
    }
    return 0;
}

} // namespace

Result<void> writeFileAtomically(const QString &path, const QByteArray &data)
{
    QByteArray target = NativePath::encode(path);
    struct stat old {
    };
    bool exists = false;
    if (const int error = followLinks(target, old, exists))
        return systemError(error);
    // Renaming over a device or a pipe would take it away from everyone else (/dev/null, say).
    if (exists && !S_ISREG(old.st_mode))
        return Error{Error::Code::WriteFailed,
            S_ISDIR(old.st_mode) ? qt_error_string(EISDIR)
                                 : QStringLiteral("not a regular file (devices and pipes are never replaced)")};

    const QByteArray folder = folderOf(target);
    const TemporaryFile::Created temporary =
        TemporaryFile::create(folder == "/" ? QByteArray() : folder, TemporaryFile::Kind::Write, 0666);
    if (temporary.fd < 0)
        return systemError(temporary.error);
    auto fail = [&](int error) {
        ::close(temporary.fd);
        ::unlink(temporary.path.constData());
        return systemError(error);
    };
    if (const int error = writeAll(temporary.fd, data))
        return fail(error);
    if (exists) {
        // The owner first: changing it clears the set-id bits that the mode then puts back.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(temporary.fd, old.st_uid, old.st_gid);
        if (::fchmod(temporary.fd, old.st_mode & 07777) != 0)
            return fail(errno);
    }
    if (::fsync(temporary.fd) != 0)
        return fail(errno);
    // Some file systems (NFS) report a failed write only when the file is closed.
    if (::close(temporary.fd) != 0) {
        const int error = errno;
        ::unlink(temporary.path.constData());
        return systemError(error);
    }
    int renamed = exists
        ? ::rename(temporary.path.constData(), target.constData())
        : ::renameat2(AT_FDCWD, temporary.path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (renamed != 0 && !exists && (errno == EINVAL || errno == ENOSYS))
        renamed = ::rename(temporary.path.constData(), target.constData());
    if (renamed != 0) {
        // Something took the new name meanwhile: it is not ours to replace.
        const int error = errno;
        ::unlink(temporary.path.constData());
        return systemError(error);
    }
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

Result<void> makeOwnFolder(const QString &folder)
{
    const QByteArray path = NativePath::encode(folder);
    struct stat st {
    };
    if (::stat(path.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? Result<void>() : systemError(ENOTDIR);
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (!part.isEmpty() && ::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return systemError(errno);
        if (slash < 0)
            break;
    }
    if (::stat(path.constData(), &st) != 0)
        return systemError(errno);
    return S_ISDIR(st.st_mode) ? Result<void>() : systemError(ENOTDIR);
}

} // namespace Duovue
