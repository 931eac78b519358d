#pragma once

#include <cstddef>

#include <QByteArray>
#include <QString>

#include "core/result.h"

namespace Duovue
{

/// Reads one regular file from its start to its end in caller-sized pieces, so that a scan over a
/// file of any size needs no more memory than its buffer.
///
/// open() refuses anything but a regular file before it could block: a FIFO or a device named like
/// a picture, a document or the settings file never stalls the caller and is never read without
/// end. Error messages give the reason only; errorNamingPath() puts the path in front.
///
/// Thread: any; one object per thread. The object owns its file descriptor.
class BlockReader
{
public:
    BlockReader() = default;
    ~BlockReader();
    BlockReader(const BlockReader &) = delete;
    BlockReader &operator=(const BlockReader &) = delete;

    Result<void> open(const QString &path);

    /// The file's length when it was opened.
    quint64 size() const { return m_size; }

    /// Reads up to @p capacity bytes into @p buffer; fewer only at the end of the file (0 there).
    Result<size_t> read(unsigned char *buffer, size_t capacity);

    /// The whole regular file at @p path. Fails with Error::Code::Unsupported as soon as the file
    /// proves longer than @p maxBytes (by its length, or by what it still gives while growing), so
    /// memory never holds more than @p maxBytes of it.
    static Result<QByteArray> readAll(const QString &path, qint64 maxBytes);

private:
    int m_fd = -1;
    quint64 m_size = 0;
};

/// @p error with "<path>: " in front of its message, for callers that name the file themselves.
Error errorNamingPath(const QString &path, Error error);

} // namespace Duovue
