#include "core/temporaryfile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>

namespace Duovue::TemporaryFile
{

namespace
{

constexpr char CopyPrefix[] = ".duovue-copy-";
constexpr char WritePrefix[] = ".duovue-write-";
constexpr int RandomLength = 6;
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::mutex s_mutex;
std::set<QByteArray> s_visited;

bool hasOurNaming(const char *name)
{
    for (const char *prefix : {CopyPrefix, WritePrefix}) {
        const size_t n = std::strlen(prefix);
        if (std::strncmp(name, prefix, n) != 0)
            continue;
        const char *rest = name + n;
        if (std::strlen(rest) != RandomLength)
            return false;
        for (const char *c = rest; *c; ++c) {
            if (!std::strchr(Alphabet, *c))
                return false;
        }
        return true;
    }
    return false;
}

/// Removes @p name in the folder open at @p dirFd when it is one of ours that nobody holds.
void removeIfLeftover(int dirFd, const char *name)
{
    struct stat before {
    };
    if (::fstatat(dirFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode)
        || before.st_uid != ::geteuid())
        return;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    // The writer holds its lock until it has renamed the file into place, so a file we can lock
    // is either a leftover or, when the name now leads elsewhere, no longer a temporary at all.
    struct stat held {
    };
    struct stat now {
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0
        && ::fstatat(dirFd, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && held.st_dev == now.st_dev
        && held.st_ino == now.st_ino && held.st_ino == before.st_ino)
        ::unlinkat(dirFd, name, 0);
    ::close(fd);
}

void ignoreFileSizeSignal()
{
    // A write beyond the file-size limit (ulimit -f) must fail with EFBIG like any other write,
    // which leaves the old file whole and is reported, instead of killing the program.
    static std::once_flag once;
    std::call_once(once, [] {
        std::signal(SIGXFSZ, SIG_IGN);
    });
}

} // namespace

void removeLeftovers(const QByteArray &folder)
{
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        if (!s_visited.insert(folder).second)
            return;
    }
    const int dirFd = ::open(folder.isEmpty() ? "/" : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    const int listFd = ::dup(dirFd);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        ::close(dirFd);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' && hasOurNaming(entry->d_name))
            removeIfLeftover(dirFd, entry->d_name);
    }
    ::closedir(dir);
    ::close(dirFd);
}

void forgetFolder(const QByteArray &folder)
{
    const std::lock_guard<std::mutex> lock(s_mutex);
    s_visited.erase(folder);
}

Created create(const QByteArray &folder, Kind kind, mode_t mode)
{
    ignoreFileSizeSignal();
    removeLeftovers(folder);
    Created created;
    QByteArray base = folder;
    base += '/';
    base += kind == Kind::Copy ? CopyPrefix : WritePrefix;
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray path = base;
        for (int i = 0; i < RandomLength; ++i)
            path += Alphabet[QRandomGenerator::global()->bounded(int(sizeof Alphabet - 1))];
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            created.error = errno;
            return created;
        }
        // Until the lock is taken another run could take the new file for a leftover; the name then
        // leads to nothing, or to another file, and this attempt starts again.
        // A file system without locks cannot tell leftovers either, so none are removed there.
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        const bool unlockable = !locked && errno != EWOULDBLOCK;
        struct stat held {
        };
        struct stat named {
        };
        if ((locked || unlockable) && ::fstat(fd, &held) == 0 && ::lstat(path.constData(), &named) == 0
            && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            created.fd = fd;
            created.path = path;
            return created;
        }
        ::close(fd);
    }
    created.error = EEXIST;
    return created;
}

} // namespace Duovue::TemporaryFile
