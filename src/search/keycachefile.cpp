#include "search/keycachefile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSqlError>

namespace Duovue::KeyCacheFile
{

namespace
{

// SQLite's primary result codes, as Qt's driver reports them in nativeErrorCode().
enum SqliteCode {
    Perm = 3,
    Busy = 5,
    Locked = 6,
    ReadOnly = 8,
    IoErr = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    NotADb = 26,
};

int codeOf(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

// The first bytes of every SQLite database; its header is 100 bytes long and holds the
// application id, big-endian, at offset 68.
constexpr char SqliteMagic[] = "SQLite format 3";
constexpr int SqliteHeaderBytes = 100;
constexpr int ApplicationIdOffset = 68;

struct Header {
    bool sqlite = false;
    quint32 applicationId = 0;
};

// The database header of the regular file at @p path, read without following a link; nothing
// when it is no regular file or cannot be read.
std::optional<Header> headerOf(const QByteArray &path, struct stat *st)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    unsigned char head[SqliteHeaderBytes];
    ssize_t got = 0;
    const bool regular = ::fstat(fd, st) == 0 && S_ISREG(st->st_mode);
    if (regular) {
        do
            got = ::pread(fd, head, sizeof head, 0);
        while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    if (!regular || got < 0)
        return std::nullopt;
    Header h;
    h.sqlite = got == SqliteHeaderBytes && std::memcmp(head, SqliteMagic, sizeof SqliteMagic) == 0;
    if (h.sqlite) {
        const unsigned char *id = head + ApplicationIdOffset;
        h.applicationId = (quint32(id[0]) << 24) | (quint32(id[1]) << 16) | (quint32(id[2]) << 8) | quint32(id[3]);
    }
    return h;
}

} // namespace

Problem problemOf(const QSqlError &error)
{
    switch (codeOf(error)) {
    case Busy:
    case Locked:
        return Problem::Locked;
    case Corrupt:
    case NotADb:
        return Problem::Damaged;
    case Perm:
    case ReadOnly:
    case CantOpen:
    case IoErr:
        return Problem::Unwritable;
    case Full:
    default:
        return Problem::Other;
    }
}

QString describe(Problem p)
{
    switch (p) {
    case Problem::Locked:
        return QStringLiteral("is locked by another program");
    case Problem::Newer:
        return QStringLiteral("was made by a newer Duovue");
    case Problem::Damaged:
        return QStringLiteral("is damaged");
    case Problem::Foreign:
        return QStringLiteral("is not a Duovue key cache");
    case Problem::Unwritable:
        return QStringLiteral("cannot be written");
    case Problem::Link:
        return QStringLiteral("is a symbolic link, which the key cache does not follow");
    case Problem::NotAFile:
        return QStringLiteral("is not a regular file");
    case Problem::None:
    case Problem::Other:
        break;
    }
    return QStringLiteral("cannot be used");
}

Problem inspect(const QByteArray &path, std::optional<std::pair<dev_t, ino_t>> *place)
{
    struct stat st {
    };
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT ? Problem::None : Problem::Other;
    if (S_ISLNK(st.st_mode))
        return Problem::Link;
    if (!S_ISREG(st.st_mode))
        return Problem::NotAFile;
    // SQLite would open a read-only file read-only and leave a log and an index beside it that
    // nobody can write; a file without any write permission is taken for read-only even by root.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0
        || ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return Problem::Unwritable;
    // A log or index that is a link would have SQLite write wherever it points.
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        struct stat side {
        };
        if (::lstat(QByteArray(path + suffix).constData(), &side) == 0 && !S_ISREG(side.st_mode))
            return S_ISLNK(side.st_mode) ? Problem::Link : Problem::NotAFile;
    }
    const std::optional<Header> header = headerOf(path, &st);
    if (!header)
        return Problem::Other;
    if (st.st_size > 0 && (!header->sqlite || (header->applicationId != 0 && header->applicationId != ApplicationId)))
        return Problem::Foreign;
    *place = std::pair(st.st_dev, st.st_ino);
    return Problem::None;
}

bool isOurs(const QByteArray &path)
{
    struct stat st {
    };
    const std::optional<Header> header = headerOf(path, &st);
    return header && header->sqlite && header->applicationId == ApplicationId;
}

} // namespace Duovue::KeyCacheFile
