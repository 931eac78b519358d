#include "imaging/picturedecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "core/longpath.h"
#include "core/nativepath.h"
#include "imaging/decodejob.h"

namespace Duovue
{

namespace Decoding
{

Source::Source(const unsigned char *data, std::size_t length)
    : m_begin(data)
    , m_end(data + length)
    , m_pos(data)
    , m_size(static_cast<qint64>(length))
{
}

Source::Source(int fd, qint64 size, std::vector<unsigned char> &buffer)
    : m_fd(fd)
    , m_buffer(&buffer)
    , m_begin(buffer.data())
    , m_end(buffer.data())
    , m_pos(buffer.data())
    , m_size(size)
{
}

Source::~Source()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Source::refill()
{
    if (isMemory() || m_failed)
        return false;
    m_windowOffset += m_end - m_begin;
    unsigned char *data = m_buffer->data();
    std::size_t got = 0;
    while (got < m_buffer->size()) {
        const ssize_t n = ::read(m_fd, data + got, m_buffer->size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            break;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    m_begin = m_pos = data;
    m_end = data + got;
    return got > 0;
}

bool Source::read(unsigned char *out, std::size_t n)
{
    while (n > 0) {
        if (available() == 0 && !refill())
            return false;
        const std::size_t part = std::min(n, available());
        std::memcpy(out, m_pos, part);
        m_pos += part;
        out += part;
        n -= part;
    }
    return true;
}

bool Source::skipTo(qint64 target)
{
    const qint64 here = offset();
    if (target < here)
        return false;
    if (target - here <= static_cast<qint64>(available())) {
        m_pos += target - here;
        return true;
    }
    if (isMemory()) {
        m_pos = m_end;
        return false;
    }
    if (::lseek(m_fd, target, SEEK_SET) < 0) {
        m_failed = true;
        return false;
    }
    m_windowOffset = target;
    m_begin = m_end = m_pos = m_buffer->data();
    return true;
}

Reservation::~Reservation()
{
    if (m_budget && m_held > 0)
        m_budget->release(m_held);
}

MemoryBudget::Grant Reservation::hold(qint64 bytes, const std::atomic<bool> *cancel)
{
    m_largest = std::max(m_largest, bytes);
    if (!m_budget)
        return MemoryBudget::Grant::Granted;
    if (m_held > 0) {
        m_budget->release(m_held);
        m_held = 0;
    }
    const MemoryBudget::Grant grant = m_budget->reserve(bytes, cancel);
    if (grant == MemoryBudget::Grant::Granted)
        m_held = bytes;
    return grant;
}

bool Job::fail(Status status, const QString &reason)
{
    result.status = status;
    result.reason = reason;
    return false;
}

bool Job::allowed(qint64 width, qint64 height, qint64 fullDecodeBytes)
{
    if (width < 1 || height < 1)
        return fail(Status::Corrupt, QStringLiteral("the picture has no pixels"));
    result.width = static_cast<int>(std::min(width, MaxSide + 1));
    result.height = static_cast<int>(std::min(height, MaxSide + 1));
    if (width > MaxSide || height > MaxSide || width * height * 4 > options.limits.maxPictureBytes
        || fullDecodeBytes > options.limits.maxDecodeBytes)
        return fail(Status::TooLarge,
            QStringLiteral("a picture of %1 x %2 pixels is too large to decode").arg(width).arg(height));
    return true;
}

bool Job::reserve(qint64 bytes)
{
    switch (reservation.hold(bytes, options.cancel)) {
    case MemoryBudget::Grant::Granted:
        return true;
    case MemoryBudget::Grant::TooLarge:
        return fail(Status::TooLarge, QStringLiteral("the picture needs more memory than all decodes may share"));
    case MemoryBudget::Grant::Cancelled:
        break;
    }
    return failCancelled();
}

bool Job::begin(int width, int height)
{
    if (!sink.begin(width, height))
        return fail(Status::TooLarge, QStringLiteral("out of memory"));
    return true;
}

} // namespace Decoding

using namespace Decoding;

namespace
{

/// A decode that held this much gives the freed memory back to the system at once, rather than
/// letting each thread's heap keep the largest picture it ever saw.
constexpr qint64 TrimAfterBytes = qint64(64) << 20;

Format sniff(const unsigned char *p, std::size_t n)
{
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xD8)
        return Format::Jpeg;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M')
        return Format::Bmp;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0))
        return Format::Gif;
    return Format::Unknown;
}

void run(Job &job)
{
    if (job.cancelled()) {
        job.failCancelled();
        return;
    }
    job.result.format = sniff(job.source.pos(), job.source.available());
    switch (job.result.format) {
    case Format::Jpeg:
        decodeJpeg(job);
        return;
    case Format::Bmp:
        decodeBmp(job);
        return;
    case Format::Gif:
        decodeWhole(job);
        return;
    case Format::Unknown:
        break;
    }
    job.fail(Status::NotPicture, QStringLiteral("not a JPEG, BMP or GIF picture"));
}

void trimAfter(const DecodeResult &result, const Reservation &reservation)
{
    // Not after a cancel: whoever cancelled waits for this decode to end.
    if (reservation.largest() >= TrimAfterBytes && result.status != Status::Cancelled)
        ::malloc_trim(0);
}

} // namespace

// ---- ImageSink ---------------------------------------------------------------------------------

qint64 ImageSink::bytesFor(int width, int height) const
{
    return qint64(width) * height * 4;
}

bool ImageSink::begin(int width, int height)
{
    m_image = QImage(width, height, QImage::Format_RGB32);
    return !m_image.isNull();
}

unsigned char *ImageSink::rowTarget(int y)
{
    return m_image.scanLine(y);
}

void ImageSink::addRow(int y, const unsigned char *pixels, PixelFormat format)
{
    unsigned char *out = m_image.scanLine(y);
    const int width = m_image.width();
    switch (format) {
    case PixelFormat::Bgrx32:
        std::memcpy(out, pixels, std::size_t(width) * 4);
        break;
    case PixelFormat::Rgb24:
        for (int x = 0; x < width; ++x, out += 4, pixels += 3) {
            out[0] = pixels[2];
            out[1] = pixels[1];
            out[2] = pixels[0];
            out[3] = 0xFF;
        }
        break;
    case PixelFormat::Gray8:
        for (int x = 0; x < width; ++x, out += 4, ++pixels) {
            out[0] = out[1] = out[2] = *pixels;
            out[3] = 0xFF;
        }
        break;
    }
}

bool ImageSink::adopt(QImage &picture)
{
    m_image = std::move(picture);
    return true;
}

// ---- PictureDecoder ----------------------------------------------------------------------------

PictureDecoder::PictureDecoder(DecodeOptions options)
    : m_options(options)
{
}

PictureDecoder::~PictureDecoder() = default;

DecodeResult PictureDecoder::decodeFile(const QString &path, PictureSink &sink, QByteArray *head)
{
    DecodeResult result;
    if (head)
        head->clear();
    // Without blocking, and checked once open: a pipe or a device named like a picture, even one
    // put in the file's place a moment ago, must not stop the thread.
    const int fd = LongPath::open(NativePath::encode(path), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        result.status = error == ENOENT || error == ENOTDIR ? Status::NotFound
            : error == EACCES || error == EPERM             ? Status::AccessDenied
                                                            : Status::ReadFailed;
        result.reason = qt_error_string(error);
        return result;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = Status::ReadFailed;
        result.reason = QStringLiteral("not a regular file");
        return result;
    }
    result.fileSize = st.st_size;
    m_buffer.resize(HeadBytes);
    Source source(fd, st.st_size, m_buffer);
    Reservation reservation(m_options.budget);
    Job job{m_options, source, sink, reservation, m_rows, result};
    if (job.cancelled()) {
        job.failCancelled();
        return result;
    }
    source.refill();
    if (source.failed()) {
        job.fail(Status::ReadFailed, QStringLiteral("the file could not be read"));
        return result;
    }
    if (head)
        *head = QByteArray(reinterpret_cast<const char *>(source.pos()), qsizetype(source.available()));
    run(job);
    trimAfter(result, reservation);
    return result;
}

DecodeResult PictureDecoder::decodeData(QByteArrayView data, PictureSink &sink)
{
    DecodeResult result;
    result.fileSize = data.size();
    Source source(reinterpret_cast<const unsigned char *>(data.data()), std::size_t(data.size()));
    Reservation reservation(m_options.budget);
    Job job{m_options, source, sink, reservation, m_rows, result};
    run(job);
    trimAfter(result, reservation);
    return result;
}

} // namespace Duovue
