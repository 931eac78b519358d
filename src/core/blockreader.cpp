#include "core/blockreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "core/nativepath.h"

namespace Duovue
{

namespace
{

Error failure(int errorNumber)
{
    Error::Code code = Error::Code::ReadFailed;
    if (errorNumber == ENOENT || errorNumber == ENOTDIR)
        code = Error::Code::NotFound;
    else if (errorNumber == EACCES || errorNumber == EPERM)
        code = Error::Code::AccessDenied;
    return Error{code, QString::fromLocal8Bit(std::strerror(errorNumber))};
}

Error tooLong(qint64 maxBytes)
{
    return Error{Error::Code::Unsupported, QStringLiteral("longer than %1 bytes").arg(maxBytes)};
}

} // namespace

BlockReader::~BlockReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<void> BlockReader::open(const QString &path)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever. It changes nothing
    // for the regular files that pass the check below. O_NOCTTY: a terminal is never taken over.
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
        return Error{Error::Code::ReadFailed, QStringLiteral("not a regular file")};
    }
    m_fd = fd;
    m_size = static_cast<quint64>(st.st_size);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return {};
}

Result<size_t> BlockReader::read(unsigned char *buffer, size_t capacity)
{
    if (m_fd < 0)
        return Error{Error::Code::InvalidArgument, QStringLiteral("not open")};
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

Result<QByteArray> BlockReader::readAll(const QString &path, qint64 maxBytes)
{
    BlockReader reader;
    if (Result<void> opened = reader.open(path); !opened)
        return opened.error();
    if (reader.size() > quint64(maxBytes))
        return tooLong(maxBytes);
    // One byte beyond the length seen at open shows a file that grew since; it is read on in steps
    // up to the bound, so the buffer is sized once for the usual unchanged file.
    QByteArray bytes(qsizetype(reader.size()) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        const Result<size_t> n =
            reader.read(reinterpret_cast<unsigned char *>(bytes.data()) + filled, size_t(bytes.size() - filled));
        if (!n)
            return n.error();
        filled += qsizetype(n.value());
        if (filled < bytes.size())
            break;
        if (filled > maxBytes)
            return tooLong(maxBytes);
        bytes.resize(std::min<qint64>(qint64(bytes.size()) * 2, maxBytes + 1));
    }
    bytes.truncate(filled);
    return bytes;
}

Error errorNamingPath(const QString &path, Error error)
{
    error.message = path + QStringLiteral(": ") + error.message;
    return error;
}

} // namespace Duovue
