#include "core/longpath.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace Duovue::LongPath
{

int open(const QByteArray &nativePath, int flags)
{
    flags |= O_CLOEXEC;
    if (nativePath.size() < PATH_MAX)
        return ::open(nativePath.constData(), flags);
    int dir = AT_FDCWD;
    qsizetype pos = 0;
    int fd = -1;
    int error = 0;
    for (;;) {
        if (nativePath.size() - pos < PATH_MAX) {
            fd = ::openat(dir, nativePath.constData() + pos, flags);
            error = errno;
            break;
        }
        // The longest run of whole folder names that one call takes.
        const qsizetype cut = nativePath.lastIndexOf('/', pos + PATH_MAX - 2);
        if (cut <= pos) {
            error = ENAMETOOLONG;
            break;
        }
        const QByteArray part = nativePath.mid(pos, cut - pos);
        const int next = ::openat(dir, part.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        error = errno;
        if (dir != AT_FDCWD)
            ::close(dir);
        dir = next;
        if (dir < 0)
            break;
        pos = cut + 1;
    }
    if (dir >= 0 && dir != AT_FDCWD)
        ::close(dir);
    errno = error;
    return fd;
}

} // namespace Duovue::LongPath
