#pragma once

#include <cstddef>

#include <QString>

#include "core/result.h"

namespace Duovue
{

/// Reads one regular file from its start to its end in caller-sized pieces, so that a scan over a
/// file of any size needs no more memory than its buffer.
///
/// open() refuses anything but a regular file before it could block (a FIFO named like a picture
/// never stalls the caller). Errors carry the path followed by the reason.
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

private:
    Error failure(int errorNumber) const;

    QString m_path;
    int m_fd = -1;
    quint64 m_size = 0;
};

} // namespace Duovue
