#include "pairtools/blockreader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/nativepath.h"

namespace Duovue
{

BlockReader::~BlockReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Error BlockReader::failure(int errorNumber) const
{
    Error::Code code = Error::Code::ReadFailed;
    if (errorNumber == ENOENT || errorNumber == ENOTDIR)
        code = Error::Code::NotFound;
    else if (errorNumber == EACCES || errorNumber == EPERM)
        code = Error::Code::AccessDenied;
    return Error{code, m_path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errorNumber))};
}

Result<void> BlockReader::open(const QString &path)
{
    m_path = path;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever. It changes nothing
    // for the regular files that pass the check below.
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failure(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return failure(e);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error{Error::Code::ReadFailed, path + QStringLiteral(": not a regular file")};
    }
    m_fd = fd;
    m_size = static_cast<quint64>(st.st_size);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return {};
}

Result<size_t> BlockReader::read(unsigned char *buffer, size_t capacity)
{
    if (m_fd < 0)
        return Error{Error::Code::InvalidArgument, m_path + QStringLiteral(": not open")};
    size_t done = 0;
    while (done < capacity) {
        const ssize_t n = ::read(m_fd, buffer + done, capacity - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(errno);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace Duovue
